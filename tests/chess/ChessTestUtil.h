// Helpers for the chess tests: playing a line of moves and setting up a board.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "chess/ChessPos.h"

// Plays the moves of line in order as the board window does; returns the
// error code of the first move that fails (0 when all stand) and leaves the
// 1-based index of the move played last in playedTo.
inline int PlayLine(TChessPosition& pos, const std::string& line, int* playedTo = nullptr) {
  std::istringstream in(line);
  std::string token;
  int index = 0;
  while (in >> token) {
    ++index;
    if (playedTo) *playedTo = index;
    if (pos.ReadSan(token) && pos.ValidateMove()) pos.MakeMove();
    if (pos.CurMove.Failed) return pos.CurMove.ErrorCode;
  }
  return 0;
}

// Empties the board and places pieces written "Kh1 Pe2 Nd3" (P for pawns):
// white's before the "/", black's after. sideToMove sets the parity of Ply.
inline void PlacePieces(TChessPosition& pos, const std::string& pieces, int sideToMove) {
  pos.ResetPosition(true);
  for (TSquare& s : pos.Board) s = TSquare{};
  std::istringstream in(pieces);
  std::string word;
  uint8_t colour = kWhite;
  while (in >> word) {
    if (word == "/") {
      colour = kBlack;
      continue;
    }
    const std::string kinds = "PNBRQK";
    const auto kind = static_cast<uint8_t>(kinds.find(word[0]) + 1);
    pos.At(word[1] - 'a' + 1, word[2] - '0') = TSquare{kind, colour, 0};
  }
  pos.Ply = sideToMove == kWhite ? 0 : 1;
  // Castling is judged by the flags alone; a hand-made board never castles.
  for (auto& side : pos.CastlingState) side[kKingMoved] = 1;
}

inline std::string Describe(const TSquare& s) {
  if (s.Kind == kEmpty) return ".";
  return std::string(1, s.Colour == kWhite ? 'w' : 'b') + "-PNBRQK"[s.Kind];
}

// Names parameterised cases after the Name field of their row.
struct TCaseName {
  template <class T>
  std::string operator()(const ::testing::TestParamInfo<T>& info) const {
    return info.param.Name;
  }
};
