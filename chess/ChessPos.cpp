#include "chess/ChessPos.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <iterator>
#include <new>

#include "settings/CTErrorU.h"

namespace {

constexpr uint8_t kBackRank[8] = {kRook, kKnight, kBishop, kQueen, kKing, kBishop, kKnight, kRook};

// (rank, file) steps, in the orders the searches use.
constexpr int kKnightSteps[8][2] = {{2, 1},   {1, 2},   {-1, 2}, {-2, 1},
                                    {-2, -1}, {-1, -2}, {1, -2}, {2, -1}};
constexpr int kDiagonalSteps[4][2] = {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
constexpr int kStraightSteps[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
constexpr int kEscapeSteps[8][2] = {{1, 1},   {0, 1},  {-1, 1}, {-1, 0},
                                    {-1, -1}, {0, -1}, {1, -1}, {1, 0}};

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

constexpr bool OnBoard(int32_t file, int32_t rank) {
  return file >= 1 && file <= 8 && rank >= 1 && rank <= 8;
}
constexpr int Index(int32_t file, int32_t rank) {
  return (rank - 1) * 8 + (file - 1);
}
constexpr int32_t FileOf(int index) {
  return index % 8 + 1;
}
constexpr int32_t RankOf(int index) {
  return index / 8 + 1;
}

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

constexpr uint64_t Bit(int index) {
  return uint64_t{1} << index;
}

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
bool IsFileLetter(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRankDigit(char c) {
  return c >= '1' && c <= '8';
}
int Forward(int side) {
  return side == kWhite ? 1 : -1;
}
int HomeRank(int side) {
  return side == kWhite ? 1 : 8;
}
int Sign(int32_t n) {
  return (n > 0) - (n < 0);
}

void Fail(MoveRecord& m, uint8_t code) {
  m.Failed = 1;
  m.ErrorCode = code;
}

// Rank 1 or 8 needs a promotion and no other rank takes one.
void CheckPromotionRank(MoveRecord& m) {
  bool lastRank = m.ToRank == 1 || m.ToRank == 8;
  if (lastRank && m.Promotion == 0) Fail(m, 16);
  if (!lastRank && m.Promotion != 0) Fail(m, 17);
}

bool ReadDisambiguation(char c, MoveRecord& m) {
  if (IsRankDigit(c)) {
    m.FromRank = c - '0';
    m.Disambiguation = 1;
    return true;
  }
  if (IsFileLetter(c)) {
    m.FromFile = c - 'a' + 1;
    m.Disambiguation = 2;
    return true;
  }
  return false;
}

}  // namespace

const char* MoveErrorMeaning(int code) {
  if (code < 0 || code >= static_cast<int>(std::size(kMoveErrorMeanings))) return "";
  return kMoveErrorMeanings[code];
}

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

void TChessPosition::Put(int index, TSquare s) {
  const uint64_t bit = Bit(index);
  const TSquare& old = Board[index];
  if (old.Kind != kEmpty) {
    Sets.ByColour[old.Colour % 3] &= ~bit;
    Sets.ByKind[old.Kind % 8] &= ~bit;
  }
  if (s.Kind != kEmpty) {
    Sets.ByColour[s.Colour % 3] |= bit;
    Sets.ByKind[s.Kind % 8] |= bit;
  }
  Board[index] = s;
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

bool TChessPosition::ReadSan(std::string_view token) {
  token = token.substr(0, 8);
  MoveText.assign(token.data(), token.size());
  MoveRecord& m = CurMove;
  m = MoveRecord{};
  m.Side = Ply % 2 == 0 ? kWhite : kBlack;
  if (!ReadSanText(token, m)) Fail(m, 1);
  return m.Failed == 0;
}

bool TChessPosition::ReadSanText(std::string_view t, MoveRecord& m) {
  if (t.size() < 2) return false;
  const char first = t[0];
  const size_t piece = std::string_view("NBRQK").find(first);
  if (piece != std::string_view::npos) {
    m.PieceKind = static_cast<uint8_t>(kKnight + piece);
    // The destination is the last rank digit, at position 3, 4 or 5.
    size_t p = t.find_last_of("12345678");
    if (p == std::string_view::npos || p < 2 || p > 4 || !IsFileLetter(t[p - 1])) return false;
    m.ToFile = t[p - 1] - 'a' + 1;
    m.ToRank = t[p] - '0';
    bool ok = true;
    if (p == 3) {
      if (t[1] == 'x')
        m.CaptureMark = 1;
      else
        ok = ReadDisambiguation(t[1], m);
    } else if (p == 4) {
      ok = t[2] == 'x' && ReadDisambiguation(t[1], m);
      if (t[2] == 'x') m.CaptureMark = 1;
    }
    // The suffix is read even when the move part failed.
    bool suffixOk = ReadSuffix(t.substr(p + 1), m);
    return ok && suffixOk;
  }
  if (IsFileLetter(first)) {
    m.PieceKind = kPawn;
    m.FromFile = first - 'a' + 1;
    if (t[1] != 'x') {
      m.ToFile = m.FromFile;
      m.ToRank = t[1] - '0';  // ValidateMove rejects a rank outside 1..8
      return ReadSuffix(t.substr(2), m);
    }
    if (t.size() < 4) return false;
    m.CaptureMark = 1;
    m.ToFile = t[2] - 'a' + 1;
    m.ToRank = t[3] - '0';
    return ReadSuffix(t.substr(4), m);
  }
  if (first == 'O' || first == '0') {
    m.PieceKind = kCastling;
    if (t.starts_with("O-O-O") || t.starts_with("0-0-0")) {
      m.Castling = 2;
      return ReadSuffix(t.substr(5), m);
    }
    if (t.starts_with("O-O") || t.starts_with("0-0")) {
      m.Castling = 1;
      return ReadSuffix(t.substr(3), m);
    }
  }
  return false;
}

bool TChessPosition::ReadSuffix(std::string_view s, MoveRecord& m) {
  if (s.starts_with('=')) s.remove_prefix(1);
  if (!s.empty()) {
    switch (s[0]) {
      case 'B':
        m.Promotion = kBishop;
        break;
      case 'N':
        m.Promotion = kKnight;
        break;
      case 'Q':
        m.Promotion = kQueen;
        break;
      case 'R':
        m.Promotion = kRook;
        break;
      default:
        break;
    }
    if (m.Promotion != 0) s.remove_prefix(1);
  }
  if (s.size() > 3) return false;
  if (s.size() == 3 && s[0] == s[1] && s[1] == s[2]) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '!' && c != '?' && c != '+' && c != '#') return false;
    m.Annotation[i] = c;
    if (c == '#') {
      if (i != 0) return false;
      m.CheckMark = m.MateMark = 1;
    } else if (c == '+' && i == 0) {
      m.CheckMark = 1;
    } else if (c == '+' && i == 1) {
      // "++" is a mate mark; "+" after a glyph is not a move
      if (s[0] != '+') return false;
      m.MateMark = 1;
    }
  }
  return true;
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
  if (IsKingAttacked(m.Side, false)) {
    Fail(m, 18);
    return;
  }
  const TSquare king = At(5, rank);
  for (int32_t file : {kingSide ? 6 : 4, m.ToFile}) {
    Put(Index(5, rank), TSquare{});
    Put(Index(file, rank), king);
    const bool attacked = IsKingAttacked(m.Side, false);
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
  if (IsKingAttacked(m.Side, false)) {
    code = 18;
  } else {
    const bool check = IsKingAttacked(other, false);
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
  if (list) return ListKingAttackers(colour);
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

// Plays m on the board, asks whether colour's king is then attacked, and puts
// the board back: the trial leaves no trace.
bool TChessPosition::TrialKeepsKingSafe(MoveRecord& m, int colour) {
  TSquare saved[64];
  std::copy(Board, Board + 64, saved);
  const TPieceSets savedSets = Sets;
  ApplyMove(m);
  const bool safe = !IsKingAttacked(colour, false);
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
    const bool attacked = IsKingAttacked(colour, false);
    Put(Index(king.File, king.Rank), kingPiece);
    Put(target, saved);
    KingSquare[colour - 1] = king;
    if (!attacked) return false;
  }

  IsKingAttacked(colour, true);
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
