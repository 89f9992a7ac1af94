// The move rules: ValidateMove checks the move read from the text against the
// board and completes its origin, MakeMove plays it and holds its check and
// mate marks to the position.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "chess/ChessGeometry.h"
#include "chess/ChessPos.h"
#include "settings/CTErrorU.h"

using namespace chess_internal;

namespace {

constexpr const char* kMoveErrorMeanings[] = {
    "",
    "the text is not a move",
    "pawn push onto an occupied square",
    "the moving piece is blocked",
    "pawn double step not from its starting rank",
    "no pawn of the mover on the origin square",
    "a square off the board, or no candidate matches the disambiguation",
    "capture mark on an empty destination",
    "destination holds a piece of the mover",
    "",
    "",
    "",
    "capture without capture mark",
    "no piece of that kind can reach the destination",
    "disambiguation where only one piece can move",
    "two or more pieces can move and the text does not say which",
    "pawn reaches the last rank without promotion",
    "promotion on a rank other than the last",
    "the mover's own king is attacked",
    "the move gives check and the text has no check mark",
    "the text marks check and the move gives none",
    "promotion on a move that is not a pawn move",
    "castling: a square between king and rook is occupied",
    "castling: the king passes over or lands on an attacked square",
    "castling: the side has castled, its king has moved, or that rook has moved",
    "the move mates and the text marks only check",
    "the text marks mate and the move does not mate",
    "the given file or rank is shared by two candidates",
};

// Rank 1 or 8 needs a promotion and no other rank takes one.
void CheckPromotionRank(MoveRecord& m) {
  bool lastRank = m.ToRank == 1 || m.ToRank == 8;
  if (lastRank && m.Promotion == 0) Fail(m, 16);
  if (!lastRank && m.Promotion != 0) Fail(m, 17);
}

}  // namespace

const char* MoveErrorMeaning(int code) {
  if (code < 0 || code >= static_cast<int>(std::size(kMoveErrorMeanings))) return "";
  return kMoveErrorMeanings[code];
}

bool TChessPosition::ValidateMove() {
  MoveRecord& m = CurMove;
  if (m.PieceKind != kCastling && !OnBoard(m.ToFile, m.ToRank)) {
    Fail(m, 6);
    return false;
  }
  if (m.Promotion != 0 && m.PieceKind != kPawn) {
    Fail(m, 21);
    return false;
  }
  switch (m.PieceKind) {
    case kPawn:
      if (m.FromFile < 1 || m.FromFile > 8) {
        Fail(m, 6);
      } else if (m.CaptureMark) {
        CheckPawnCapture(m);
      } else {
        CheckPawnPush(m);
      }
      break;
    case kKnight:
    case kBishop:
    case kRook:
    case kQueen: {
      if (uint8_t code = CaptureMarkCode(m)) {
        Fail(m, code);
        break;
      }
      TCandidateList found;
      FindCandidates(m.PieceKind, m.Side, m.ToFile, m.ToRank, found);
      ChooseCandidate(m, found);
      break;
    }
    case kKing:
      if (uint8_t code = CaptureMarkCode(m)) {
        Fail(m, code);
        break;
      }
      CheckKingMove(m);
      break;
    case kCastling:
      CheckCastling(m);
      break;
    default:
      CtError().RaiseCtError("9---Logic Error", 999, 5060);
  }
  return CurMove.Failed == 0;
}

// Every failing check overwrites the code of an earlier one.
void TChessPosition::CheckPawnPush(MoveRecord& m) const {
  const int dir = Forward(m.Side);
  CheckPromotionRank(m);
  if (At(m.ToFile, m.ToRank).Kind != kEmpty) {
    Fail(m, 2);
    return;
  }
  const int32_t oneBehind = m.ToRank - dir;
  if (!OnBoard(m.ToFile, oneBehind)) {
    Fail(m, 6);
    return;
  }
  const TSquare& behind = At(m.ToFile, oneBehind);
  if (behind.Kind == kPawn && behind.Colour == m.Side) {
    m.FromRank = oneBehind;
    return;
  }
  if (behind.Kind != kEmpty) {
    Fail(m, 3);
    return;
  }
  const int32_t twoBehind = m.ToRank - 2 * dir;
  if (twoBehind != (m.Side == kWhite ? 2 : 7)) {
    Fail(m, 4);
    return;
  }
  const TSquare& start = At(m.FromFile, twoBehind);
  if (start.Kind == kPawn && start.Colour == m.Side)
    m.FromRank = twoBehind;
  else
    Fail(m, 5);
}

void TChessPosition::CheckPawnCapture(MoveRecord& m) const {
  const TSquare& dest = At(m.ToFile, m.ToRank);
  if (dest.Kind == kEmpty && !(dest.EpMarker && dest.Colour != m.Side)) {
    Fail(m, 7);
    return;
  }
  if (dest.Kind != kEmpty && dest.Colour == m.Side) {
    Fail(m, 8);
    return;
  }
  const int32_t originRank = m.ToRank - Forward(m.Side);
  if (OnBoard(m.FromFile, originRank) && At(m.FromFile, originRank).Kind == kPawn &&
      At(m.FromFile, originRank).Colour == m.Side)
    m.FromRank = originRank;
  else
    Fail(m, 5);
  if (std::abs(m.FromFile - m.ToFile) != 1) Fail(m, 13);
  CheckPromotionRank(m);
}

uint8_t TChessPosition::CaptureMarkCode(const MoveRecord& m) const {
  const TSquare& dest = At(m.ToFile, m.ToRank);
  const bool occupied = dest.Kind != kEmpty;  // an en-passant marker counts as empty
  if (!m.CaptureMark) {
    if (occupied) return dest.Colour == m.Side ? 8 : 12;
    return 0;
  }
  if (!occupied) return 7;
  return dest.Colour == m.Side ? 8 : 0;
}

void TChessPosition::ChooseCandidate(MoveRecord& m, const TCandidateList& found) {
  auto setOrigin = [&m](const TSquareRef& s) {
    m.FromFile = s.File;
    m.FromRank = s.Rank;
  };
  if (found.Count == 0) {
    Fail(m, found.BlockedBehind ? 3 : 13);
    return;
  }
  if (found.Count == 1) {
    if (m.Disambiguation != 0)
      Fail(m, 14);
    else
      setOrigin(found.Squares[0]);
    return;
  }
  if (m.Disambiguation == 0) {
    Fail(m, 15);
    CandidateCount = found.Count;
    std::copy(found.Squares, found.Squares + found.Count, Candidates);
    TSquareRef origin;
    if (ResolveByTrial(MoveText, origin)) {
      // the trial has re-read CurMove from its disambiguated text
      CurMove.Failed = 0;
      CurMove.ErrorCode = 0;
      CurMove.FromFile = origin.File;
      CurMove.FromRank = origin.Rank;
    }
    return;
  }
  const bool byFile = m.Disambiguation == 2;
  int onGivenLine = 0;
  for (int i = 0; i < found.Count; ++i)
    if (byFile ? found.Squares[i].File == m.FromFile : found.Squares[i].Rank == m.FromRank)
      ++onGivenLine;
  if (onGivenLine >= 2) {
    Fail(m, 27);
    return;
  }
  for (int i = 0; i < found.Count; ++i) {
    if (found.Squares[i].Rank == m.FromRank || found.Squares[i].File == m.FromFile) {
      setOrigin(found.Squares[i]);
      return;
    }
  }
  Fail(m, 6);
}

void TChessPosition::CheckKingMove(MoveRecord& m) const {
  if (m.Disambiguation != 0) {
    Fail(m, 14);
    return;
  }
  for (const auto& step : kEscapeSteps) {
    const int32_t rank = m.ToRank + step[0], file = m.ToFile + step[1];
    if (!OnBoard(file, rank)) continue;
    const TSquare& s = At(file, rank);
    if (s.Kind == kKing && s.Colour == m.Side) {
      m.FromFile = file;
      m.FromRank = rank;
      return;
    }
  }
  Fail(m, 13);
}

void TChessPosition::CheckCastling(MoveRecord& m) {
  const uint8_t* flags = CastlingState[m.Side - 1];
  if (flags[kCastled] || flags[kKingMoved]) {
    Fail(m, 24);
    return;
  }
  const int32_t rank = HomeRank(m.Side);
  m.FromFile = 5;
  m.FromRank = rank;
  m.ToRank = rank;
  const bool kingSide = m.Castling == 1;
  if (flags[kingSide ? kHRookMoved : kARookMoved]) {
    Fail(m, 24);
    return;
  }
  m.ToFile = kingSide ? 7 : 3;
  const int32_t firstBetween = kingSide ? 6 : 2, lastBetween = kingSide ? 7 : 4;
  for (int32_t file = firstBetween; file <= lastBetween; ++file) {
    if (At(file, rank).Kind != kEmpty) {
      Fail(m, 22);
      return;
    }
  }
  if (FindKingAttacker(m.Side)) {
    Fail(m, 18);
    return;
  }
  const TSquare king = At(5, rank);
  for (int32_t file : {kingSide ? 6 : 4, m.ToFile}) {
    Put(Index(5, rank), TSquare{});
    Put(Index(file, rank), king);
    const bool attacked = FindKingAttacker(m.Side);
    Put(Index(file, rank), TSquare{});
    Put(Index(5, rank), king);
    if (attacked) {
      Fail(m, 23);
      return;
    }
  }
}

void TChessPosition::ApplyMove(MoveRecord& m) {
  const int dir = Forward(m.Side);
  if (m.PieceKind == kPawn && m.CaptureMark && At(m.ToFile, m.ToRank).EpMarker) {
    const int32_t rank = m.ToRank - dir;
    Put(Index(m.ToFile, rank), TSquare{});
    m.EpCaptureSquare = static_cast<uint8_t>(rank * 10 + m.ToFile);
  }
  // Markers only ever stand on the squares a double step passes: ranks 3 and 6.
  // (a marker is never in the piece sets, so plain writes do)
  for (int32_t file = 1; file <= 8; ++file) {
    if (Board[Index(file, 3)].EpMarker) Board[Index(file, 3)] = TSquare{};
    if (Board[Index(file, 6)].EpMarker) Board[Index(file, 6)] = TSquare{};
  }
  TSquare moving = At(m.FromFile, m.FromRank);
  if (m.PieceKind == kPawn && m.Promotion != 0) moving.Kind = m.Promotion;
  Put(Index(m.FromFile, m.FromRank), TSquare{});
  Put(Index(m.ToFile, m.ToRank), moving);
  if (m.PieceKind == kCastling) {
    const int32_t rookFrom = m.Castling == 1 ? 8 : 1, rookTo = m.Castling == 1 ? 6 : 4;
    Put(Index(rookTo, m.FromRank), At(rookFrom, m.FromRank));
    Put(Index(rookFrom, m.FromRank), TSquare{});
  }
  if (m.PieceKind == kPawn && std::abs(m.ToRank - m.FromRank) == 2)
    Board[Index(m.FromFile, m.FromRank + dir)] = {kEmpty, m.Side, 1};
}

void TChessPosition::UpdateCastlingState(const MoveRecord& m, const TSquare& captured) {
  uint8_t* own = CastlingState[m.Side - 1];
  if (m.PieceKind == kCastling) {
    own[kCastled] = 1;
  } else if (m.PieceKind == kKing) {
    own[kKingMoved] = 1;
  } else if (m.PieceKind == kRook && !own[kCastled] && m.FromRank == HomeRank(m.Side)) {
    if (m.FromFile == 1) own[kARookMoved] = 1;
    if (m.FromFile == 8) own[kHRookMoved] = 1;
  }
  // A rook taken on its corner takes that wing's castling with it.
  const int other = 3 - m.Side;
  if (captured.Kind == kRook && captured.Colour == other && m.ToRank == HomeRank(other)) {
    if (m.ToFile == 1) CastlingState[other - 1][kARookMoved] = 1;
    if (m.ToFile == 8) CastlingState[other - 1][kHRookMoved] = 1;
  }
}

void TChessPosition::MakeMove() {
  MoveRecord& m = CurMove;
  std::copy(Board, Board + 64, BackupBoard);
  BackupSets = Sets;
  const TSquare captured = At(m.ToFile, m.ToRank);
  ApplyMove(m);
  const int other = 3 - m.Side;
  uint8_t code = 0;
  if (FindKingAttacker(m.Side)) {
    code = 18;
  } else {
    const bool check = FindKingAttacker(other);
    if (check && !m.CheckMark) code = 19;
    if (!check && m.CheckMark) code = 20;
  }
  // A move marked neither "+" nor "#" is never tested for mate: a mate
  // without marks has already failed with 19.
  if (code == 0 && m.CheckMark) {
    const bool mate = IsMate(other);
    if (mate && !m.MateMark) code = 25;
    if (!mate && m.MateMark) code = 26;
  }
  if (code != 0) {
    Fail(m, code);
    std::copy(BackupBoard, BackupBoard + 64, Board);
    Sets = BackupSets;
    return;
  }
  if (Ply >= kMaxHalfMoves) {
    std::copy(BackupBoard, BackupBoard + 64, Board);
    Sets = BackupSets;
    CtError().RaiseCtError("9---MaxHalfMoves exceeded", 999, 5073);
  }
  ++Ply;
  UpdateCastlingState(m, captured);
  History[Ply - 1] = m;
  StoredCount = Ply;
}
