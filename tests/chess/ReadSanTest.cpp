// SAN reading: each row is a token and the fields it sets, or a token that is
// not a move.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "chess/ChessPos.h"

namespace {

// The record as "kind from-to flags [annotation]", with "." for a field left 0.
std::string Summary(const MoveRecord& m) {
  auto square = [](int32_t file, int32_t rank) {
    std::string s;
    s += file ? static_cast<char>('a' + file - 1) : '.';
    s += rank ? static_cast<char>('0' + rank) : '.';
    return s;
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

struct TSanCase {
  const char* Token;
  const char* Fields;  // nullptr: not a move
};
void PrintTo(const TSanCase& c, std::ostream* os) {
  *os << c.Token;
}

const TSanCase kSanCases[] = {{"e4", "P e.e4 [   ]"},
                              {"exd5", "P e.d5 x [   ]"},
                              {"Nf3", "N ..f3 [   ]"},
                              {"Nbd2", "N b.d2 d2 [   ]"},
                              {"R1e2", "R .1e2 d1 [   ]"},
                              {"Nbxd2", "N b.d2 x d2 [   ]"},
                              {"Kd1", "K ..d1 [   ]"},
                              {"O-O", "O .... O1 [   ]"},
                              {"O-O-O", "O .... O2 [   ]"},
                              {"0-0", "O .... O1 [   ]"},
                              {"0-0-0+", "O .... O2 + [+  ]"},
                              {"e8=Q", "P e.e8 =Q [   ]"},
                              {"e8Q", "P e.e8 =Q [   ]"},
                              {"exd8=Q+", "P e.d8 x =Q + [+  ]"},
                              {"Nf3R", "N ..f3 =R [   ]"},
                              {"e9", "P e.e9 [   ]"},
                              {"Nf3+", "N ..f3 + [+  ]"},
                              {"Nf3#", "N ..f3 + # [#  ]"},
                              {"Nf3++", "N ..f3 + # [++ ]"},
                              {"Nf3+!", "N ..f3 + [+! ]"},
                              {"Nf3!?", "N ..f3 [!? ]"},
                              {"Nf3!?+", "N ..f3 [!?+]"},
                              {"Nbxd2!!?+", "N b.d2 x d2 [!!?]"},
                              {"Qh4xe1", nullptr},
                              {"Nb1d2", nullptr},
                              {"Pe4", nullptr},
                              {"e", nullptr},
                              {"exd", nullptr},
                              {"e8=q", nullptr},
                              {"Nf3!+", nullptr},
                              {"Nf3+#", nullptr},
                              {"Nf3!!!", nullptr},
                              {"Nf3!?!?", nullptr},
                              {"Nbcd2", nullptr},
                              {"O-0", nullptr},
                              {"O-O-", nullptr},
                              {"-0", nullptr}};

class TReadSanTest : public ::testing::TestWithParam<TSanCase> {};

TEST_P(TReadSanTest, Fields) {
  TChessPosition pos;
  const TSanCase& c = GetParam();
  const bool read = pos.ReadSan(c.Token);
  EXPECT_EQ(read, c.Fields != nullptr);
  EXPECT_EQ(pos.CurMove.Failed, read ? 0 : 1);
  EXPECT_EQ(pos.CurMove.ErrorCode, read ? 0 : 1);
  if (read) {
    EXPECT_EQ(Summary(pos.CurMove), c.Fields);
  }
  EXPECT_EQ(pos.MoveText, std::string(c.Token).substr(0, 8));
}

INSTANTIATE_TEST_SUITE_P(SanTokens, TReadSanTest, ::testing::ValuesIn(kSanCases));

TEST(ReadSan, SideFollowsPly) {
  TChessPosition pos;
  ASSERT_TRUE(pos.ReadSan("e5"));
  EXPECT_EQ(pos.CurMove.Side, kWhite);
  pos.Ply = 7;
  ASSERT_TRUE(pos.ReadSan("e5"));
  EXPECT_EQ(pos.CurMove.Side, kBlack);
}

TEST(ReadSan, EachReadStartsFromAClearRecord) {
  TChessPosition pos;
  ASSERT_TRUE(pos.ReadSan("exd8=Q#!"));
  ASSERT_TRUE(pos.ReadSan("Nf3"));
  EXPECT_EQ(Summary(pos.CurMove), "N ..f3 [   ]");
  EXPECT_EQ(pos.CurMove.EpCaptureSquare, 0);
}

}  // namespace
