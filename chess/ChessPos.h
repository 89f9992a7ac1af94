// The position of a game being replayed: it checks each move the game text
// states, applies it, and keeps the history from which earlier positions are
// rebuilt for display. It never proposes moves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

inline constexpr int32_t kMaxHalfMoves = 800;

// Piece kinds; kCastling appears only in a MoveRecord, never on the board.
enum : uint8_t { kEmpty = 0, kPawn, kKnight, kBishop, kRook, kQueen, kKing, kCastling };
enum : uint8_t { kNoColour = 0, kWhite = 1, kBlack = 2 };

inline constexpr char kPieceLetters[] = " NBRQK";  // indexed by kind 1..6

struct TSquare {
  uint8_t Kind = kEmpty;
  uint8_t Colour = kNoColour;
  // 1 on the square a pawn's double step passed over, until the next move.
  uint8_t EpMarker = 0;
};

struct TSquareRef {
  int32_t File = 0;  // 1..8 = a..h
  int32_t Rank = 0;  // 1..8
};

struct MoveRecord {
  int32_t FromFile = 0;
  int32_t FromRank = 0;
  int32_t ToFile = 0;
  int32_t ToRank = 0;
  uint8_t ErrorCode = 0;
  uint8_t Side = 0;
  uint8_t PieceKind = 0;
  uint8_t EpCaptureSquare = 0;  // rank * 10 + file of the pawn taken en passant
  uint8_t Promotion = 0;
  uint8_t Disambiguation = 0;  // 1 the text names a rank, 2 a file
  uint8_t Castling = 0;        // 1 king side, 2 queen side
  uint8_t CaptureMark = 0;
  uint8_t Failed = 0;
  uint8_t CheckMark = 0;
  uint8_t MateMark = 0;
  char Annotation[3] = {' ', ' ', ' '};
};

struct TAttacker {
  uint8_t Kind = kEmpty;
  int32_t File = 0;
  int32_t Rank = 0;
};

// Indexes of the four castling flags of each side.
enum : int { kCastled = 0, kKingMoved = 1, kARookMoved = 2, kHRookMoved = 3 };

// What an error code of a rejected move means, for reports.
const char* MoveErrorMeaning(int code);

class TChessPosition {
 public:
  static constexpr int kMaxAttackers = 16;
  static constexpr int kMaxCandidates = 10;

  TChessPosition();
  TChessPosition(const TChessPosition&) = delete;
  TChessPosition& operator=(const TChessPosition&) = delete;

  // Puts the start position on the board: the standard one, or the one a
  // SetUpFromFen gave.
  void ResetPosition(bool forgetHistory);
  // Makes the position of a FEN text the start of the game (and resets to it);
  // false, with the reason in why, when the text is not a legal position. The
  // start stays as it was then.
  bool SetUpFromFen(std::string_view fen, std::string& why);
  // Makes the standard initial position the start again.
  void UseStandardStart();
  // The side that moves at history record n (1-based).
  uint8_t SideOfPly(int32_t n) const { return (n - 1 + StartPly) % 2 == 0 ? kWhite : kBlack; }
  // The move number of history record n (1-based).
  int32_t MoveNumberOfPly(int32_t n) const { return StartMoveNumber + (n - 1 + StartPly) / 2; }
  // Reads one SAN token (its first 8 characters) into CurMove.
  bool ReadSan(std::string_view token);
  // Checks CurMove against the board and completes its origin.
  bool ValidateMove();
  // Applies the validated CurMove; CurMove.Failed tells whether it stood.
  void MakeMove();
  bool IsKingAttacked(int colour, bool list);
  // True when colour, being in check, has no legal move.
  bool IsMate(int colour);
  // Picks the one legal move among the two stored candidates of an ambiguous
  // piece move written as text.
  bool ResolveByTrial(std::string_view text, TSquareRef& square);
  bool StepBy(int32_t delta);
  bool GoToPly(int32_t ply) { return StepBy(ply - Ply); }
  // Origin and destination of history record n (1-based).
  bool GetMoveSquares(int32_t n, TSquareRef& origin, TSquareRef& destination) const;
  void CopyBoard(TSquare out[64], bool withoutMarkers) const;

  const TSquare& At(int32_t file, int32_t rank) const { return Board[(rank - 1) * 8 + (file - 1)]; }
  // The only ways to change the board from outside: they keep the piece sets
  // that the attack test and the piece search read in step with Board.
  void SetSquare(int32_t file, int32_t rank, TSquare s);
  void ClearBoard();
  // Whether the piece sets agree with Board and each side has one king (a
  // consistency check for tests and debugging).
  bool BoardConsistent() const;
  // Record n of the history, 1-based.
  const MoveRecord& HistoryRecord(int32_t n) const { return History[n - 1]; }

  std::unique_ptr<MoveRecord[]> History;
  int32_t Ply = 0;
  int32_t StoredCount = 0;
  int32_t AttackerCount = 0;
  TAttacker Attackers[kMaxAttackers];
  int32_t CandidateCount = 0;
  TSquareRef Candidates[kMaxCandidates];
  // Read freely; change only through SetSquare and ClearBoard.
  TSquare Board[64];
  TSquare BackupBoard[64];
  uint8_t CastlingState[2][4] = {};  // [side - 1][kCastled..kHRookMoved]
  MoveRecord CurMove;
  // 1 when Black moves first from the start position, and the number of the
  // first move.
  int32_t StartPly = 0;
  int32_t StartMoveNumber = 1;
  std::string MoveText;  // at most 8 characters, kept in the string's own buffer
  TSquareRef KingSquare[2];

 private:
  // Bit n stands for Board[n]: the squares of each colour's pieces and of
  // each kind's pieces (both colours). Empty squares and en-passant markers
  // are in no set.
  struct TPieceSets {
    uint64_t ByColour[3] = {};
    uint64_t ByKind[8] = {};
  };

  struct TCandidateList {
    int32_t Count = 0;
    TSquareRef Squares[kMaxCandidates];
    bool BlockedBehind = false;  // a piece of the moving kind stands behind a blocker
  };

  bool ReadSanText(std::string_view t, MoveRecord& m);
  bool ReadSuffix(std::string_view suffix, MoveRecord& m);

  void CheckPawnPush(MoveRecord& m) const;
  void CheckPawnCapture(MoveRecord& m) const;
  uint8_t CaptureMarkCode(const MoveRecord& m) const;
  void FindCandidates(uint8_t kind, uint8_t side, int32_t toFile, int32_t toRank,
                      TCandidateList& found) const;
  void ChooseCandidate(MoveRecord& m, const TCandidateList& found);
  void CheckKingMove(MoveRecord& m) const;
  void CheckCastling(MoveRecord& m);

  // Moves the pieces of a validated move on the board (no checks, no backup).
  void ApplyMove(MoveRecord& m);
  void UpdateCastlingState(const MoveRecord& m, const TSquare& captured);
  // Defined in chess/ChessGeometry.h, for the position's own source files.
  inline void Put(int index, TSquare s);
  void RebuildPieceSets();
  // Board index of colour's king; raises when it has none.
  int KingIndex(int colour);
  bool SliderOnRays(int at, int firstRay, uint64_t sliders, uint64_t occupied) const;
  // The attack test that stops at the first attacker, and the one that lists
  // every attacker, in the order the mate test expects.
  bool FindKingAttacker(int colour);
  bool ListKingAttackers(int colour);
  bool TrialKeepsKingSafe(MoveRecord& m, int colour);
  bool CanAnswerCheckOn(int32_t file, int32_t rank, int colour);

  TPieceSets Sets;
  TPieceSets BackupSets;
  // The start position of a set-up game (HasSetUp), en-passant marker included.
  bool HasSetUp = false;
  TSquare StartBoard[64];
  uint8_t StartCastling[2][4] = {};
};
