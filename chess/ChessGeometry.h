// Square arithmetic and small move helpers that the position's source files
// share (ChessPos*.cpp only; not part of the position's interface).
#pragma once

#include <cstdint>

#include "chess/ChessPos.h"

namespace chess_internal {

// (rank, file) steps to the eight neighbours, in the order the king search
// and the mate test try them.
inline constexpr int kEscapeSteps[8][2] = {{1, 1},   {0, 1},  {-1, 1}, {-1, 0},
                                           {-1, -1}, {0, -1}, {1, -1}, {1, 0}};

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
constexpr uint64_t Bit(int index) {
  return uint64_t{1} << index;
}
constexpr int Forward(int side) {
  return side == kWhite ? 1 : -1;
}
constexpr int HomeRank(int side) {
  return side == kWhite ? 1 : 8;
}

inline void Fail(MoveRecord& m, uint8_t code) {
  m.Failed = 1;
  m.ErrorCode = code;
}

}  // namespace chess_internal

// Every change of the board goes through here, on the hot paths of making and
// trying moves, so it is inlined wherever it is used.
inline void TChessPosition::Put(int index, TSquare s) {
  const uint64_t bit = chess_internal::Bit(index);
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
