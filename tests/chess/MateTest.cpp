// Mate test and ambiguity trials on hand-made positions. Each mate row is a
// position, the side to move, a checking move and the code it must get: a real
// mate must be marked "#", a check that can be answered must not be.
#include <gtest/gtest.h>

#include <ostream>

#include "chess/ChessPos.h"
#include "tests/chess/ChessTestUtil.h"

namespace {

struct TMateCase {
  const char* Name;
  const char* Pieces;
  int Side;
  const char* Move;
  int Code;
};
void PrintTo(const TMateCase& c, std::ostream* os) {
  *os << c.Name;
}

const TMateCase kMateCases[] = {
    // The only piece that can take the checking knight is pinned.
    {"PinnedCapturerOfKnightMate", "Kh1 Rg1 Ph2 Ne4 / Kc8 Bb7 Rg8 Nd3", kBlack, "Nf2#", 0},
    {"PinnedCapturerOfKnightCheck", "Kh1 Rg1 Ph2 Ne4 / Kc8 Bb7 Rg8 Nd3", kBlack, "Nf2+", 25},
    {"FreeCapturerOfKnight", "Kh1 Rg1 Ph2 Ne4 / Kc8 Rg8 Nd3", kBlack, "Nf2+", 0},
    {"FreeCapturerOfKnightMarkedMate", "Kh1 Rg1 Ph2 Ne4 / Kc8 Rg8 Nd3", kBlack, "Nf2#", 26},
    // The first block found is by the pinned queen; the knight's block works.
    {"SecondBlockWorks", "Kh1 Ph2 Qf3 Ne3 / Kb8 Ba8 Rg8 Ra2", kBlack, "Ra1+", 0},
    {"SecondBlockWorksMarkedMate", "Kh1 Ph2 Qf3 Ne3 / Kb8 Ba8 Rg8 Ra2", kBlack, "Ra1#", 26},
    {"OnlyBlockerPinned", "Kh1 Ph2 Qf3 / Kb8 Ba8 Rg8 Ra2", kBlack, "Ra1#", 0},
    // A pawn cannot step twice through an occupied square to block.
    {"DoubleStepThroughPiece", "Kh1 Bg1 Ph2 Pe2 / Kh8 Pe3 Ba4", kBlack, "Bc6#", 0},
    {"DoubleStepThroughPieceCheck", "Kh1 Bg1 Ph2 Pe2 / Kh8 Pe3 Ba4", kBlack, "Bc6+", 25},
    {"DoubleStepBlocks", "Kh1 Bg1 Ph2 Pe2 / Kh8 Ba4", kBlack, "Bc6+", 0},
    // The checking pawn can only be taken en passant.
    {"EnPassantAnswersCheck", "Ke4 Pe5 / Kh8 Pd7 Pc6 Rd1 Rf1 Ng2", kBlack, "d5+", 0},
    {"EnPassantAnswersCheckMarkedMate", "Ke4 Pe5 / Kh8 Pd7 Pc6 Rd1 Rf1 Ng2", kBlack, "d5#", 26},
    {"DoubleCheckOnlyKingMoves", "Kh1 Ph2 Pg2 Rd4 / Ka8 Rc1 Nd1", kBlack, "Nf2#", 0},
};

class TMateTest : public ::testing::TestWithParam<TMateCase> {};

TEST_P(TMateTest, CheckMoveGetsCode) {
  const TMateCase& c = GetParam();
  TChessPosition pos;
  PlacePieces(pos, c.Pieces, c.Side);
  TSquare before[64];
  pos.CopyBoard(before, false);
  EXPECT_EQ(PlayLine(pos, c.Move), c.Code);
  if (c.Code != 0) {
    TSquare after[64];
    pos.CopyBoard(after, false);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(Describe(before[i]), Describe(after[i])) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(MateTest, TMateTest, ::testing::ValuesIn(kMateCases), TCaseName());
;

TEST(IsMate, TrialsLeaveNoTrace) {
  TChessPosition pos;
  PlacePieces(pos, "Kh1 Ph2 Qf3 Ne3 / Kb8 Ba8 Rg8 Ra1", kWhite);
  ASSERT_TRUE(pos.ReadSan("Ng4"));
  const MoveRecord move = pos.CurMove;
  TSquare before[64];
  pos.CopyBoard(before, false);
  EXPECT_FALSE(pos.IsMate(kWhite));
  TSquare after[64];
  pos.CopyBoard(after, false);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(Describe(before[i]), Describe(after[i])) << i;
  EXPECT_EQ(pos.Ply, 0);
  EXPECT_EQ(pos.StoredCount, 0);
  EXPECT_EQ(pos.CurMove.PieceKind, move.PieceKind);
  EXPECT_EQ(pos.CurMove.ToFile, move.ToFile);
  EXPECT_EQ(pos.CurMove.ToRank, move.ToRank);
  EXPECT_EQ(pos.MoveText, "Ng4");
}

struct TTrialCase {
  const char* Name;
  const char* Pieces;
  int Code;
  const char* MoveText;  // after the move
  const char* Moved;     // square the knight came from, empty when it failed
};
void PrintTo(const TTrialCase& c, std::ostream* os) {
  *os << c.Name;
}

const TTrialCase kTrialCases[] = {
    {"OtherKnightPinned", "Ke1 Nf1 Nb3 / Ka8 Rh1", 0, "Nbd2", "b3"},
    {"BothFreeFirstInSearchOrder", "Ke1 Nf1 Nb3 / Ka8", 0, "Nfd2", "f1"},
    {"TrialAddsCheckMark", "Ke1 Nf1 Nb3 / Kc4 Rh1", 0, "Nbd2+", "b3"},
    {"BothPinned", "Ke1 Nf1 Ne4 / Ka8 Rh1 Re8", 15, "Nd2", ""},
};

class TResolveTest : public ::testing::TestWithParam<TTrialCase> {};

TEST_P(TResolveTest, TwoKnightsReachD2) {
  const TTrialCase& c = GetParam();
  TChessPosition pos;
  PlacePieces(pos, c.Pieces, kWhite);
  EXPECT_EQ(PlayLine(pos, "Nd2"), c.Code);
  EXPECT_EQ(pos.MoveText, c.MoveText);
  EXPECT_EQ(pos.CandidateCount, 2);
  const std::string moved = c.Moved;
  if (moved.empty()) {
    EXPECT_EQ(pos.Ply, 0);
    EXPECT_EQ(Describe(pos.At(4, 2)), ".");
    return;
  }
  EXPECT_EQ(pos.Ply, 1);
  EXPECT_EQ(pos.StoredCount, 1);
  EXPECT_EQ(Describe(pos.At(4, 2)), "wN");
  EXPECT_EQ(Describe(pos.At(moved[0] - 'a' + 1, moved[1] - '0')), ".");
  TSquareRef from, to;
  ASSERT_TRUE(pos.GetMoveSquares(1, from, to));
  EXPECT_EQ(from.File, moved[0] - 'a' + 1);
  EXPECT_EQ(from.Rank, moved[1] - '0');
}

INSTANTIATE_TEST_SUITE_P(Trials, TResolveTest, ::testing::ValuesIn(kTrialCases), TCaseName());
;

}  // namespace
