// SAN reading: tokens and the fields they set, and tokens that are not moves.
#include <gtest/gtest.h>

#include <string>

#include "chess/ChessPos.h"

namespace {

// The record as "kind from-to flags [annotation]", with "." for a field left 0.
std::string Summary(const MoveRecord& m) {
  auto square = [](int32_t file, int32_t rank) {
    return std::string{file ? static_cast<char>('a' + file - 1) : '.',
                       rank ? static_cast<char>('0' + rank) : '.'};
  };
  std::string s(1, "?PNBRQKO"[m.PieceKind]);
  s += " " + square(m.FromFile, m.FromRank) + square(m.ToFile, m.ToRank);
  if (m.CaptureMark) s += " x";
  if (m.Disambiguation) s += " d" + std::to_string(m.Disambiguation);
  if (m.Promotion) s += std::string(" =") + " PNBRQK"[m.Promotion];
  if (m.Castling) s += " O" + std::to_string(m.Castling);
  if (m.CheckMark) s += " +";
  if (m.MateMark) s += " #";
  return s + " [" + std::string(m.Annotation, 3) + "]";
}

TEST(ReadSan, Tokens) {
  // One position reads them all in turn, so no field may outlive its token.
  const struct {
    const char* Token;
    const char* Fields;
  } moves[] = {
      {"exd8=Q+", "P e.d8 x =Q + [+  ]"}, {"e4", "P e.e4 [   ]"},
      {"Nbxd2!!?+", "N b.d2 x d2 [!!?]"}, {"Nf3", "N ..f3 [   ]"},
      {"exd5", "P e.d5 x [   ]"},         {"Nbd2", "N b.d2 d2 [   ]"},
      {"R1e2", "R .1e2 d1 [   ]"},        {"O-O", "O .... O1 [   ]"},
      {"O-O-O", "O .... O2 [   ]"},       {"0-0", "O .... O1 [   ]"},
      {"0-0-0+", "O .... O2 + [+  ]"},    {"e8=Q", "P e.e8 =Q [   ]"},
      {"e8N", "P e.e8 =N [   ]"},         {"Nf3#", "N ..f3 + # [#  ]"},
      {"Nf3++", "N ..f3 + # [++ ]"},      {"Nf3+!", "N ..f3 + [+! ]"},
      {"Nf3!?+", "N ..f3 [!?+]"},
  };
  TChessPosition pos;
  for (const auto& c : moves) {
    SCOPED_TRACE(c.Token);
    ASSERT_TRUE(pos.ReadSan(c.Token));
    EXPECT_EQ(Summary(pos.CurMove), c.Fields);
    EXPECT_EQ(pos.MoveText, std::string(c.Token).substr(0, 8));
  }
  const char* notMoves[] = {"Qh4xe1", "Nb1d2",  "Pe4",     "e",     "exd", "e8=q", "Nf3!+",
                            "Nf3+#",  "Nf3!!!", "Nf3!?!?", "Nbcd2", "O-0", "O-O-", "-0"};
  for (const char* token : notMoves) {
    SCOPED_TRACE(token);
    EXPECT_FALSE(pos.ReadSan(token));
    EXPECT_EQ(pos.CurMove.Failed * 100 + pos.CurMove.ErrorCode, 101);
    EXPECT_EQ(pos.MoveText, token);
  }
}

}  // namespace
