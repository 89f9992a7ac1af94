// The two decisions settled by trying moves on the board: whether a king in
// check is mated, and which of two pieces moves when the text does not say.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <string>
#include <string_view>

#include "chess/ChessGeometry.h"
#include "chess/ChessPos.h"
#include "settings/CTErrorU.h"

using namespace chess_internal;

namespace {

int Sign(int32_t n) {
  return (n > 0) - (n < 0);
}

}  // namespace

// Plays m on the board, asks whether colour's king is then attacked, and puts
// the board back: the trial leaves no trace.
bool TChessPosition::TrialKeepsKingSafe(MoveRecord& m, int colour) {
  TSquare saved[64];
  std::copy(Board, Board + 64, saved);
  const TPieceSets savedSets = Sets;
  ApplyMove(m);
  const bool safe = !FindKingAttacker(colour);
  std::copy(saved, saved + 64, Board);
  Sets = savedSets;
  return safe;
}

// Whether some piece of colour other than the king may legally move to the
// square: a capture of the checking piece or a block of its line.
bool TChessPosition::CanAnswerCheckOn(int32_t file, int32_t rank, int colour) {
  const uint8_t side = static_cast<uint8_t>(colour);
  const bool capture = At(file, rank).Kind != kEmpty;
  auto pieceMove = [&](uint8_t kind, const TSquareRef& from) {
    MoveRecord m;
    m.Side = side;
    m.PieceKind = kind;
    m.FromFile = from.File;
    m.FromRank = from.Rank;
    m.ToFile = file;
    m.ToRank = rank;
    m.CaptureMark = capture;
    return TrialKeepsKingSafe(m, colour);
  };
  for (uint8_t kind : {kQueen, kBishop, kRook, kKnight}) {
    TCandidateList found;
    FindCandidates(kind, side, file, rank, found);
    for (int i = 0; i < found.Count; ++i)
      if (pieceMove(kind, found.Squares[i])) return true;
  }
  // Pawn moves go through the same pawn rules as written moves, so a double
  // step over an occupied square and an en-passant capture come out right.
  auto pawnMove = [&](int32_t fromFile, bool isCapture) {
    MoveRecord m;
    m.Side = side;
    m.PieceKind = kPawn;
    m.FromFile = fromFile;
    m.ToFile = file;
    m.ToRank = rank;
    m.CaptureMark = isCapture;
    m.Promotion = (rank == 1 || rank == 8) ? kQueen : 0;
    if (isCapture)
      CheckPawnCapture(m);
    else
      CheckPawnPush(m);
    return !m.Failed && TrialKeepsKingSafe(m, colour);
  };
  if (!capture && pawnMove(file, false)) return true;
  for (int32_t fromFile : {file - 1, file + 1})
    if (fromFile >= 1 && fromFile <= 8 && pawnMove(fromFile, true)) return true;
  return false;
}

bool TChessPosition::IsMate(int colour) {
  const uint64_t kings = Sets.ByKind[kKing] & Sets.ByColour[colour % 3];
  if (kings == 0) CtError().RaiseCtError("9---Logic Error", 999, 5040);
  const TSquareRef king{FileOf(std::countr_zero(kings)), RankOf(std::countr_zero(kings))};
  KingSquare[colour - 1] = king;

  const TSquare kingPiece = At(king.File, king.Rank);
  for (const auto& step : kEscapeSteps) {
    const int32_t rank = king.Rank + step[0], file = king.File + step[1];
    if (!OnBoard(file, rank)) continue;
    const int target = Index(file, rank);
    if (Board[target].Kind != kEmpty && Board[target].Colour == colour) continue;
    const TSquare saved = Board[target];
    Put(target, kingPiece);
    Put(Index(king.File, king.Rank), TSquare{});
    KingSquare[colour - 1] = TSquareRef{file, rank};
    const bool attacked = FindKingAttacker(colour);
    Put(Index(king.File, king.Rank), kingPiece);
    Put(target, saved);
    KingSquare[colour - 1] = king;
    if (!attacked) return false;
  }

  ListKingAttackers(colour);
  if (AttackerCount < 1 || AttackerCount > kMaxAttackers)
    CtError().RaiseCtError("9---Logic Error", 999, 5050);
  // Against a double check only the king can move, and it cannot.
  if (AttackerCount >= 2) return true;
  const TAttacker checker = Attackers[0];

  if (checker.Kind != kBishop && checker.Kind != kRook && checker.Kind != kQueen) {
    if (CanAnswerCheckOn(checker.File, checker.Rank, colour)) return false;
    // A pawn that has just stepped twice may also be taken en passant.
    const int32_t passed = checker.Rank - Forward(3 - colour);
    if (checker.Kind == kPawn && OnBoard(checker.File, passed) &&
        At(checker.File, passed).EpMarker && CanAnswerCheckOn(checker.File, passed, colour))
      return false;
    return true;
  }

  const int32_t dRank = king.Rank - checker.Rank, dFile = king.File - checker.File;
  if (dRank != 0 && dFile != 0 && std::abs(dRank) != std::abs(dFile))
    CtError().RaiseCtError("9---Logic Error", 999, 5030);
  const int32_t stepRank = Sign(dRank), stepFile = Sign(dFile);
  for (int32_t rank = checker.Rank, file = checker.File; rank != king.Rank || file != king.File;
       rank += stepRank, file += stepFile)
    if (CanAnswerCheckOn(file, rank, colour)) return false;
  return true;
}

bool TChessPosition::ResolveByTrial(std::string_view text, TSquareRef& square) {
  if (CandidateCount != 2) return false;
  // text may be MoveText itself, which every trial overwrites.
  const std::string original(text);
  const MoveRecord savedMove = CurMove;
  const std::string savedText = MoveText;
  const TSquareRef candidates[2] = {Candidates[0], Candidates[1]};
  const bool sameFile = candidates[0].File == candidates[1].File;
  const int32_t savedStored = StoredCount;
  uint8_t savedCastling[2][4];
  std::copy(&CastlingState[0][0], &CastlingState[0][0] + 8, &savedCastling[0][0]);
  TSquare savedBoard[64];
  TPieceSets savedSets;
  for (const TSquareRef& candidate : candidates) {
    std::string trial = original;
    trial.insert(trial.begin() + 1, sameFile ? static_cast<char>('0' + candidate.Rank)
                                             : static_cast<char>('a' + candidate.File - 1));
    if (!ReadSan(trial) || !ValidateMove()) CtError().RaiseCtError("9---Logic", 666, 8324);
    std::copy(Board, Board + 64, savedBoard);
    savedSets = Sets;
    MakeMove();
    if (CurMove.Failed && CurMove.ErrorCode == 19) {
      trial += '+';
      if (ReadSan(trial) && ValidateMove()) MakeMove();
    }
    const bool stood = !CurMove.Failed;
    std::copy(savedBoard, savedBoard + 64, Board);
    Sets = savedSets;
    if (stood) {
      --Ply;
      StoredCount = savedStored;
      std::copy(&savedCastling[0][0], &savedCastling[0][0] + 8, &CastlingState[0][0]);
      square = candidate;
      return true;
    }
  }
  CurMove = savedMove;
  MoveText = savedText;
  return false;
}
