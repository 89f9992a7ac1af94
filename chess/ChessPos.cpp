// The position's board and history, the square geometry worked out once, and
// what is read from it: the attack test and the search for the pieces that
// can reach a square.
#include "chess/ChessPos.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <new>

#include "chess/ChessGeometry.h"
#include "settings/CTErrorU.h"

using namespace chess_internal;

namespace {

constexpr uint8_t kBackRank[8] = {kRook, kKnight, kBishop, kQueen, kKing, kBishop, kKnight, kRook};

// (rank, file) steps, in the orders the searches use.
constexpr int kKnightSteps[8][2] = {{2, 1},   {1, 2},   {-1, 2}, {-2, 1},
                                    {-2, -1}, {-1, -2}, {1, -2}, {2, -1}};
constexpr int kDiagonalSteps[4][2] = {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
constexpr int kStraightSteps[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};

// The squares each ray and knight jump reaches from every square, worked out
// once, so that the attack test and the piece search walk plain lists.
// Rays 0..3 are the diagonals in kDiagonalSteps order, 4..7 the straight lines
// in kStraightSteps order.
struct TGeometry {
  uint8_t RayLength[64][8] = {};
  uint8_t Ray[64][8][7] = {};
  uint8_t KnightCount[64] = {};
  uint8_t Knight[64][8] = {};
};

constexpr TGeometry MakeGeometry() {
  TGeometry g;
  for (int sq = 0; sq < 64; ++sq) {
    const int32_t file = FileOf(sq), rank = RankOf(sq);
    for (int d = 0; d < 8; ++d) {
      const int* step = d < 4 ? kDiagonalSteps[d] : kStraightSteps[d - 4];
      int n = 0;
      for (int32_t r = rank + step[0], f = file + step[1]; OnBoard(f, r);
           r += step[0], f += step[1])
        g.Ray[sq][d][n++] = static_cast<uint8_t>(Index(f, r));
      g.RayLength[sq][d] = static_cast<uint8_t>(n);
    }
    for (const auto& step : kKnightSteps) {
      const int32_t r = rank + step[0], f = file + step[1];
      if (OnBoard(f, r)) g.Knight[sq][g.KnightCount[sq]++] = static_cast<uint8_t>(Index(f, r));
    }
  }
  return g;
}

constexpr TGeometry kGeometry = MakeGeometry();
constexpr int kFirstStraightRay = 4;

// The same geometry as square sets: what the attack test asks is answered by
// a few ANDs of these against the piece sets.
struct TAttackSets {
  uint64_t Ray[64][8] = {};
  uint64_t Lines[64][2] = {};  // [0] the four diagonals, [1] the four straight lines
  uint64_t Knight[64] = {};
  uint64_t King[64] = {};
  uint64_t PawnFrom[3][64] = {};  // [colour][sq]: where a pawn of colour attacks sq
  // Whether the ray runs towards higher indexes, so that its nearest piece is
  // its lowest set bit.
  bool Rising[8] = {};
};

constexpr TAttackSets MakeAttackSets() {
  TAttackSets a;
  for (int d = 0; d < 8; ++d) {
    const int* step = d < 4 ? kDiagonalSteps[d] : kStraightSteps[d - 4];
    a.Rising[d] = step[0] * 8 + step[1] > 0;
  }
  for (int sq = 0; sq < 64; ++sq) {
    for (int d = 0; d < 8; ++d) {
      for (int i = 0; i < kGeometry.RayLength[sq][d]; ++i)
        a.Ray[sq][d] |= Bit(kGeometry.Ray[sq][d][i]);
      a.Lines[sq][d < 4 ? 0 : 1] |= a.Ray[sq][d];
      if (kGeometry.RayLength[sq][d] > 0) a.King[sq] |= Bit(kGeometry.Ray[sq][d][0]);
    }
    for (int i = 0; i < kGeometry.KnightCount[sq]; ++i)
      a.Knight[sq] |= Bit(kGeometry.Knight[sq][i]);
    const int32_t file = FileOf(sq), rank = RankOf(sq);
    for (int32_t f : {file - 1, file + 1}) {
      if (OnBoard(f, rank - 1)) a.PawnFrom[kWhite][sq] |= Bit(Index(f, rank - 1));
      if (OnBoard(f, rank + 1)) a.PawnFrom[kBlack][sq] |= Bit(Index(f, rank + 1));
    }
  }
  return a;
}

constexpr TAttackSets kAttackSets = MakeAttackSets();

// The index of the first piece of occupied along ray from sq, or -1.
int NearestOnRay(int sq, int ray, uint64_t occupied) {
  const uint64_t onRay = kAttackSets.Ray[sq][ray] & occupied;
  if (onRay == 0) return -1;
  return kAttackSets.Rising[ray] ? std::countr_zero(onRay) : 63 - std::countl_zero(onRay);
}
// The diagonal neighbours in the attack test's order (+1,+1), (-1,+1), (-1,-1), (+1,-1).
constexpr int kNeighbourDiagonals[4] = {1, 2, 3, 0};

}  // namespace

TChessPosition::TChessPosition() {
  History.reset(new (std::nothrow) MoveRecord[kMaxHalfMoves]);
  if (!History) CtError().RaiseCtError("9---Not enough memory", 999, 5010);
  MoveText.reserve(15);
  ResetPosition(true);
}

void TChessPosition::ResetPosition(bool forgetHistory) {
  Ply = 0;
  if (forgetHistory) StoredCount = 0;
  CurMove.Failed = 0;
  CurMove.ErrorCode = 0;
  KingSquare[0] = KingSquare[1] = TSquareRef{};
  if (HasSetUp) {
    std::copy(StartBoard, StartBoard + 64, Board);
    std::copy(&StartCastling[0][0], &StartCastling[0][0] + 8, &CastlingState[0][0]);
    RebuildPieceSets();
    return;
  }
  std::fill(&CastlingState[0][0], &CastlingState[0][0] + 8, uint8_t{0});
  std::fill(Board, Board + 64, TSquare{});
  for (int32_t file = 1; file <= 8; ++file) {
    Board[Index(file, 1)] = TSquare{kBackRank[file - 1], kWhite, 0};
    Board[Index(file, 2)] = TSquare{kPawn, kWhite, 0};
    Board[Index(file, 7)] = TSquare{kPawn, kBlack, 0};
    Board[Index(file, 8)] = TSquare{kBackRank[file - 1], kBlack, 0};
  }
  RebuildPieceSets();
}

void TChessPosition::ClearBoard() {
  std::fill(Board, Board + 64, TSquare{});
  KingSquare[0] = KingSquare[1] = TSquareRef{};
  Sets = TPieceSets{};
}

void TChessPosition::RebuildPieceSets() {
  Sets = TPieceSets{};
  for (int i = 0; i < 64; ++i) {
    if (Board[i].Kind == kEmpty) continue;
    Sets.ByColour[Board[i].Colour % 3] |= Bit(i);
    Sets.ByKind[Board[i].Kind % 8] |= Bit(i);
  }
}

bool TChessPosition::BoardConsistent() const {
  TPieceSets expected;
  for (int i = 0; i < 64; ++i) {
    const TSquare& s = Board[i];
    // markers only where a double step passed: ranks 3 and 6, on empty squares
    if (s.EpMarker && (s.Kind != kEmpty || (RankOf(i) != 3 && RankOf(i) != 6))) return false;
    if (s.Kind == kPawn && (RankOf(i) == 1 || RankOf(i) == 8)) return false;
    if (s.Kind == kEmpty) continue;
    expected.ByColour[s.Colour % 3] |= Bit(i);
    expected.ByKind[s.Kind % 8] |= Bit(i);
  }
  for (int c : {kWhite, kBlack})
    if (std::popcount(expected.ByKind[kKing] & expected.ByColour[c]) != 1) return false;
  return std::equal(std::begin(expected.ByColour), std::end(expected.ByColour),
                    std::begin(Sets.ByColour)) &&
         std::equal(std::begin(expected.ByKind), std::end(expected.ByKind),
                    std::begin(Sets.ByKind));
}

void TChessPosition::SetSquare(int32_t file, int32_t rank, TSquare s) {
  Put(Index(file, rank), s);
}

int TChessPosition::KingIndex(int colour) {
  const uint64_t kings = Sets.ByKind[kKing] & Sets.ByColour[colour % 3];
  if (kings == 0) CtError().RaiseCtError("9---Logic Error", 999, 5019);
  TSquareRef& cached = KingSquare[colour - 1];
  // A hand-made board may hold two kings of a side: the one found last time stays.
  if ((kings & (kings - 1)) != 0 && OnBoard(cached.File, cached.Rank) &&
      (kings & Bit(Index(cached.File, cached.Rank))) != 0)
    return Index(cached.File, cached.Rank);
  const int at = std::countr_zero(kings);
  cached = TSquareRef{FileOf(at), RankOf(at)};
  return at;
}

bool TChessPosition::SliderOnRays(int at, int firstRay, uint64_t sliders, uint64_t occupied) const {
  if ((kAttackSets.Lines[at][firstRay == 0 ? 0 : 1] & sliders) == 0) return false;
  for (int ray = firstRay; ray < firstRay + 4; ++ray) {
    if ((kAttackSets.Ray[at][ray] & sliders) == 0) continue;
    if (sliders & Bit(NearestOnRay(at, ray, occupied))) return true;
  }
  return false;
}

bool TChessPosition::IsKingAttacked(int colour, bool list) {
  return list ? ListKingAttackers(colour) : FindKingAttacker(colour);
}

bool TChessPosition::FindKingAttacker(int colour) {
  AttackerCount = 0;
  const int at = KingIndex(colour);
  const uint64_t theirs = Sets.ByColour[(3 - colour) % 3];
  if (kAttackSets.Knight[at] & Sets.ByKind[kKnight] & theirs) return true;
  if (kAttackSets.King[at] & Sets.ByKind[kKing] & theirs) return true;
  if (kAttackSets.PawnFrom[(3 - colour) % 3][at] & Sets.ByKind[kPawn] & theirs) return true;
  const uint64_t occupied = Sets.ByColour[kWhite] | Sets.ByColour[kBlack];
  const uint64_t queens = Sets.ByKind[kQueen];
  return SliderOnRays(at, 0, (Sets.ByKind[kBishop] | queens) & theirs, occupied) ||
         SliderOnRays(at, kFirstStraightRay, (Sets.ByKind[kRook] | queens) & theirs, occupied);
}

bool TChessPosition::ListKingAttackers(int colour) {
  const int at = KingIndex(colour);
  const uint8_t attacker = static_cast<uint8_t>(3 - colour);
  AttackerCount = 0;
  bool found = false;
  auto note = [&](uint8_t kind, int index) {
    found = true;
    if (AttackerCount < kMaxAttackers)
      Attackers[AttackerCount] = {kind, FileOf(index), RankOf(index)};
    ++AttackerCount;
  };
  for (int ray = 0; ray < 8; ++ray) {
    const uint8_t slider = ray < kFirstStraightRay ? kBishop : kRook;
    for (int i = 0; i < kGeometry.RayLength[at][ray]; ++i) {
      const int index = kGeometry.Ray[at][ray][i];
      const TSquare& s = Board[index];
      if (s.Kind == kEmpty) continue;
      if (s.Colour == attacker && (s.Kind == kQueen || s.Kind == slider)) note(s.Kind, index);
      break;
    }
  }
  for (int ray = kFirstStraightRay; ray < 8; ++ray) {
    if (kGeometry.RayLength[at][ray] == 0) continue;
    const int index = kGeometry.Ray[at][ray][0];
    if (Board[index].Kind == kKing && Board[index].Colour == attacker) note(kKing, index);
  }
  // A pawn attacks forward diagonally: a white one stands a rank below the king.
  const int pawnStep = attacker == kWhite ? -1 : 1;
  for (int ray : kNeighbourDiagonals) {
    if (kGeometry.RayLength[at][ray] == 0) continue;
    const int index = kGeometry.Ray[at][ray][0];
    const TSquare& s = Board[index];
    if (s.Colour != attacker) continue;
    const bool hits = s.Kind == kKing || (s.Kind == kPawn && kDiagonalSteps[ray][0] == pawnStep);
    if (hits) note(s.Kind, index);
  }
  for (int i = 0; i < kGeometry.KnightCount[at]; ++i) {
    const int index = kGeometry.Knight[at][i];
    if (Board[index].Kind == kKnight && Board[index].Colour == attacker) note(kKnight, index);
  }
  return found;
}

void TChessPosition::FindCandidates(uint8_t kind, uint8_t side, int32_t toFile, int32_t toRank,
                                    TCandidateList& found) const {
  found = TCandidateList{};
  const int to = Index(toFile, toRank);
  const uint64_t movers = Sets.ByKind[kind % 8] & Sets.ByColour[side % 3];
  auto add = [&found](int index) {
    if (found.Count < kMaxCandidates)
      found.Squares[found.Count++] = TSquareRef{FileOf(index), RankOf(index)};
  };
  // Candidates are listed in the fixed order of the jumps and rays: the order
  // decides which of two is tried first when the text does not say.
  if (kind == kKnight) {
    if ((kAttackSets.Knight[to] & movers) == 0) return;
    for (int i = 0; i < kGeometry.KnightCount[to]; ++i) {
      const int from = kGeometry.Knight[to][i];
      if (movers & Bit(from)) add(from);
    }
    return;
  }
  const uint64_t occupied = Sets.ByColour[kWhite] | Sets.ByColour[kBlack];
  // The nearest piece on a ray is a candidate when it is of the moving kind; a
  // mover behind another piece is only noted, so that a blocked move is told
  // from an impossible one.
  auto walk = [&](int ray) {
    if ((kAttackSets.Ray[to][ray] & movers) == 0) return;
    const int nearest = NearestOnRay(to, ray, occupied);
    if (movers & Bit(nearest))
      add(nearest);
    else
      found.BlockedBehind = true;
  };
  if ((kind == kBishop || kind == kQueen) && (kAttackSets.Lines[to][0] & movers) != 0)
    for (int ray = 0; ray < kFirstStraightRay; ++ray) walk(ray);
  if ((kind == kRook || kind == kQueen) && (kAttackSets.Lines[to][1] & movers) != 0)
    for (int ray = kFirstStraightRay; ray < 8; ++ray) walk(ray);
}

bool TChessPosition::StepBy(int32_t delta) {
  const int64_t target = static_cast<int64_t>(Ply) + delta;
  if (target < 0 || target > StoredCount) return false;
  ResetPosition(false);
  Ply = static_cast<int32_t>(target);
  for (int32_t n = 1; n <= Ply; ++n) {
    const MoveRecord& m = History[n - 1];
    if (m.PieceKind == kCastling && !CastlingState[m.Side - 1][kCastled]) {
      const int32_t rookFrom = m.Castling == 1 ? 8 : 1, rookTo = m.Castling == 1 ? 6 : 4;
      Put(Index(rookTo, m.FromRank), At(rookFrom, m.FromRank));
      Put(Index(rookFrom, m.FromRank), TSquare{});
    }
    UpdateCastlingState(m, At(m.ToFile, m.ToRank));
    TSquare moving = At(m.FromFile, m.FromRank);
    if (m.Promotion != 0) moving.Kind = m.Promotion;
    Put(Index(m.ToFile, m.ToRank), moving);
    Put(Index(m.FromFile, m.FromRank), TSquare{});
    if (m.EpCaptureSquare != 0)
      Put(Index(m.EpCaptureSquare % 10, m.EpCaptureSquare / 10), TSquare{});
  }
  return true;
}

bool TChessPosition::GetMoveSquares(int32_t n, TSquareRef& origin, TSquareRef& destination) const {
  if (n < 1 || n > StoredCount) return false;
  const MoveRecord& m = History[n - 1];
  origin = TSquareRef{m.FromFile, m.FromRank};
  destination = TSquareRef{m.ToFile, m.ToRank};
  return true;
}

void TChessPosition::CopyBoard(TSquare out[64], bool withoutMarkers) const {
  for (int i = 0; i < 64; ++i) out[i] = withoutMarkers && Board[i].EpMarker ? TSquare{} : Board[i];
}
