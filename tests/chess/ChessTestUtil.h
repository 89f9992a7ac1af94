// The move-rule table shared by the chess tests: each row plays a line from the
// initial position or from hand-placed pieces and expects the code of its last
// move (0: it stood) and, where given, squares and the move text afterwards.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>

#include "chess/ChessPos.h"

struct TLineCase {
  const char* Name;
  const char* Line;
  int Code;
  const char* Squares = "";      // "g1=wK h1=." after the line
  const char* Pieces = nullptr;  // hand-placed start (see PlacePieces)
  const char* Text = nullptr;    // MoveText after the last move
};

// Plays one move as the board window does; returns its code (0: it stood).
inline int Play(TChessPosition& pos, std::string_view token) {
  if (pos.ReadSan(token) && pos.ValidateMove()) pos.MakeMove();
  return pos.CurMove.Failed ? pos.CurMove.ErrorCode : 0;
}

inline std::string Describe(const TSquare& s) {
  return s.Kind == kEmpty ? "." : std::string(1, "wb"[s.Colour != kWhite]) + "-PNBRQK"[s.Kind];
}

inline std::string Snapshot(const TChessPosition& pos) {
  std::string out;
  for (const TSquare& s : pos.Board) out += Describe(s) + ' ';
  return out;
}

// Empties the board and places pieces written "Kh1 Pe2 / Kh8": white's before
// the "/", black's after; a final "b" gives black the move. Castling is judged
// by the flags alone, so a hand-made board never castles.
inline void PlacePieces(TChessPosition& pos, const std::string& pieces) {
  pos.ResetPosition(true);
  pos.ClearBoard();
  for (auto& side : pos.CastlingState) side[kKingMoved] = 1;
  std::istringstream in(pieces);
  uint8_t colour = kWhite;
  for (std::string w; in >> w;) {
    if (w == "/") colour = kBlack;
    if (w == "b") pos.Ply = pos.StoredCount = 1;  // as after a white move
    if (w.size() < 3) continue;
    const auto kind = static_cast<uint8_t>(std::string("PNBRQK").find(w[0]) + 1);
    pos.SetSquare(w[1] - 'a' + 1, w[2] - '0', TSquare{kind, colour, 0});
  }
}

inline void CheckLine(const TLineCase& c) {
  SCOPED_TRACE(c.Name);
  TChessPosition pos;
  if (c.Pieces) PlacePieces(pos, c.Pieces);
  const int start = pos.Ply;
  std::istringstream in(c.Line);
  std::string before, rest;
  int code = 0, played = 0;
  for (std::string token; code == 0 && in >> token; ++played) {
    before = Snapshot(pos);
    code = Play(pos, token);
    // the piece sets the attack test reads must follow every move, kept or undone
    EXPECT_TRUE(pos.BoardConsistent()) << token;
  }
  EXPECT_EQ(code, c.Code);
  EXPECT_FALSE(in >> rest) << "a move before the last one failed";
  // A rejected move leaves the board and the history as they were.
  EXPECT_EQ(pos.Ply, start + played - (code != 0));
  EXPECT_EQ(pos.StoredCount, pos.Ply);
  EXPECT_EQ(code ? Snapshot(pos) : before, before);
  std::istringstream squares(c.Squares);
  for (std::string s; squares >> s;)
    EXPECT_EQ(Describe(pos.At(s[0] - 'a' + 1, s[1] - '0')), s.substr(3)) << s;
  EXPECT_EQ(pos.MoveText, c.Text ? c.Text : pos.MoveText);
  if (c.Pieces) return;
  // Rebuilding the board from the history gives the board as played.
  const std::string asPlayed = Snapshot(pos);
  ASSERT_TRUE(pos.GoToPly(0) && pos.StepBy(pos.StoredCount));
  EXPECT_EQ(Snapshot(pos), asPlayed);
}
