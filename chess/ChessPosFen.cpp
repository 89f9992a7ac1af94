// A game's start position from a FEN text: read, checked to be a position
// that can stand on a board, and kept as the start that ResetPosition and
// every step back rebuild from.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "chess/ChessGeometry.h"
#include "chess/ChessPos.h"

using namespace chess_internal;

namespace {

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    fields.push_back(text.substr(start, i - start));
  }
  return fields;
}

bool ReadCount(std::string_view text, int32_t& value) {
  if (text.empty() || text.size() > 6) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

const char* ColourName(int colour) {
  return colour == kWhite ? "white" : "black";
}

// The board field, rank 8 first; an empty text when it is well formed.
std::string ReadPlacement(std::string_view field, TSquare board[64]) {
  std::fill(board, board + 64, TSquare{});
  int32_t rank = 8, file = 1;
  for (char c : field) {
    if (c == '/') {
      if (file != 9) return "rank " + std::to_string(rank) + " does not hold 8 squares";
      if (--rank < 1) return "more than 8 ranks";
      file = 1;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
    } else {
      const size_t kind = std::string_view("PNBRQK").find(c);
      const size_t blackKind = std::string_view("pnbrqk").find(c);
      if (kind == std::string_view::npos && blackKind == std::string_view::npos)
        return std::string("'") + c + "' is not a piece letter";
      if (file > 8) return "rank " + std::to_string(rank) + " does not hold 8 squares";
      board[Index(file, rank)] = kind != std::string_view::npos
                                     ? TSquare{static_cast<uint8_t>(kPawn + kind), kWhite, 0}
                                     : TSquare{static_cast<uint8_t>(kPawn + blackKind), kBlack, 0};
      ++file;
    }
    if (file > 9) return "rank " + std::to_string(rank) + " does not hold 8 squares";
  }
  if (rank != 1 || file != 9) return "the board does not hold 8 ranks of 8 squares";
  for (int colour : {kWhite, kBlack}) {
    int kings = 0, pawns = 0;
    for (int i = 0; i < 64; ++i) {
      if (board[i].Colour != colour) continue;
      kings += board[i].Kind == kKing;
      pawns += board[i].Kind == kPawn;
      if (board[i].Kind == kPawn && (RankOf(i) == 1 || RankOf(i) == 8))
        return std::string("a ") + ColourName(colour) + " pawn stands on rank " +
               std::to_string(RankOf(i));
    }
    if (kings != 1)
      return std::string(ColourName(colour)) + " has " + std::to_string(kings) + " kings";
    if (pawns > 8) return std::string(ColourName(colour)) + " has more than 8 pawns";
  }
  return "";
}

}  // namespace

void TChessPosition::UseStandardStart() {
  HasSetUp = false;
  StartPly = 0;
  StartMoveNumber = 1;
  ResetPosition(true);
}

bool TChessPosition::SetUpFromFen(std::string_view fen, std::string& why) {
  const std::vector<std::string_view> f = Fields(fen);
  if (f.size() != 4 && f.size() != 6) {
    why = "a FEN has 6 fields";
    return false;
  }
  TSquare board[64];
  why = ReadPlacement(f[0], board);
  if (!why.empty()) return false;
  if (f[1] != "w" && f[1] != "b") {
    why = "the side to move is not w or b";
    return false;
  }
  const uint8_t mover = f[1] == "w" ? kWhite : kBlack;
  // Castling flags: a right the text does not give counts as a moved rook.
  uint8_t castling[2][4] = {{0, 0, 1, 1}, {0, 0, 1, 1}};
  if (f[2] != "-") {
    for (char c : f[2]) {
      const size_t right = std::string_view("KQkq").find(c);
      if (right == std::string_view::npos) {
        why = "the castling field is not made of K, Q, k, q or -";
        return false;
      }
      const uint8_t side = right < 2 ? kWhite : kBlack;
      const int32_t home = HomeRank(side);
      const bool kingSide = right % 2 == 0;
      const TSquare& king = board[Index(5, home)];
      const TSquare& rook = board[Index(kingSide ? 8 : 1, home)];
      if (king.Kind != kKing || king.Colour != side || rook.Kind != kRook || rook.Colour != side) {
        why = std::string("castling '") + c + "' without king and rook on their squares";
        return false;
      }
      castling[side - 1][kingSide ? kHRookMoved : kARookMoved] = 0;
    }
  }
  if (f[3] != "-") {
    // The square a pawn of the other side has just passed over.
    const int32_t file = f[3].size() == 2 ? f[3][0] - 'a' + 1 : 0;
    const int32_t rank = f[3].size() == 2 ? f[3][1] - '0' : 0;
    const uint8_t passer = static_cast<uint8_t>(3 - mover);
    const int dir = Forward(passer);
    const bool ok = OnBoard(file, rank) && rank == (passer == kWhite ? 3 : 6) &&
                    board[Index(file, rank)].Kind == kEmpty &&
                    board[Index(file, rank - dir)].Kind == kEmpty &&
                    board[Index(file, rank + dir)].Kind == kPawn &&
                    board[Index(file, rank + dir)].Colour == passer;
    if (!ok) {
      why = "no pawn can have passed over the en-passant square";
      return false;
    }
    board[Index(file, rank)] = TSquare{kEmpty, passer, 1};
  }
  int32_t halfMoves = 0, moveNumber = 1;
  if (f.size() == 6 &&
      (!ReadCount(f[4], halfMoves) || !ReadCount(f[5], moveNumber) || moveNumber < 1)) {
    why = "the move counters are not numbers";
    return false;
  }
  // The side that has just moved cannot be left in check.
  TSquare savedBoard[64];
  std::copy(Board, Board + 64, savedBoard);
  const TPieceSets savedSets = Sets;
  std::copy(board, board + 64, Board);
  RebuildPieceSets();
  const bool exposed = FindKingAttacker(3 - mover);
  std::copy(savedBoard, savedBoard + 64, Board);
  Sets = savedSets;
  KingSquare[0] = KingSquare[1] = TSquareRef{};
  if (exposed) {
    why = std::string("the side not to move (") + ColourName(3 - mover) + ") is in check";
    return false;
  }
  HasSetUp = true;
  std::copy(board, board + 64, StartBoard);
  std::copy(&castling[0][0], &castling[0][0] + 8, &StartCastling[0][0]);
  StartPly = mover == kBlack ? 1 : 0;
  StartMoveNumber = moveNumber;
  ResetPosition(true);
  return true;
}
