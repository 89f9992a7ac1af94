// The mate test on hand-made positions: each row gives a checking move that
// must be marked "#" when it mates and "+" when the check can be answered.
#include <gtest/gtest.h>

#include "chess/ChessPos.h"
#include "tests/chess/ChessTestUtil.h"

namespace {

TEST(IsMate, CheckingMoves) {
  const TLineCase cases[] = {
      // Taking the checking knight or pawn is the only answer, but the taker is pinned.
      {"PinnedTakerOfKnight", "Nf2#", 0, "f2=bN", "Kh1 Rg1 Ph2 Ne4 / Kc8 Bb7 Rg8 Nd3 b"},
      {"FreeTakerOfKnight", "Nf2#", 26, "", "Kh1 Rg1 Ph2 Ne4 / Kc8 Rg8 Nd3 b"},
      {"PinnedTakerOfPawn", "g2#", 0, "g2=bP", "Kh1 Rg1 Ph2 / Ka8 Ra1 Nf4 Pg3 b"},
      {"FreeTakerOfPawn", "g2#", 26, "", "Kh1 Rg1 Ph2 / Ka8 Nf4 Pg3 b"},
      // The first block found is by the pinned queen; the knight's block works.
      {"SecondBlockWorks", "Ra1+", 0, "", "Kh1 Ph2 Qf3 Ne3 / Kb8 Ba8 Rg8 Ra2 b"},
      {"OnlyBlockerPinned", "Ra1#", 0, "", "Kh1 Ph2 Qf3 / Kb8 Ba8 Rg8 Ra2 b"},
      // A pawn cannot step twice through an occupied square to block.
      {"DoubleStepThroughPiece", "Bc6#", 0, "", "Kh1 Bg1 Ph2 Pe2 / Kh8 Pe3 Ba4 b"},
      {"DoubleStepBlocks", "Bc6+", 0, "", "Kh1 Bg1 Ph2 Pe2 / Kh8 Ba4 b"},
      // The checking pawn can only be taken en passant.
      {"EnPassantAnswersCheck", "d5+", 0, "", "Ke4 Pe5 / Kh8 Pd7 Pc6 Rd1 Rf1 Ng2 b"},
      {"DoubleCheckOnlyKingMoves", "Nf2#", 0, "", "Kh1 Ph2 Pg2 Rd4 / Ka8 Rc1 Nd1 b"},
  };
  for (const TLineCase& c : cases) CheckLine(c);
}

TEST(IsMate, TrialsLeaveNoTrace) {
  TChessPosition pos;
  PlacePieces(pos, "Kh1 Ph2 Qf3 Ne3 / Kb8 Ba8 Rg8 Ra1");
  ASSERT_TRUE(pos.ReadSan("Ng4"));
  const std::string board = Snapshot(pos);
  EXPECT_FALSE(pos.IsMate(kWhite));
  EXPECT_EQ(Snapshot(pos), board);
  EXPECT_EQ(pos.Ply + pos.StoredCount, 0);
  EXPECT_EQ(pos.CurMove.PieceKind * 100 + pos.CurMove.ToFile * 10 + pos.CurMove.ToRank, 274);
  EXPECT_EQ(pos.MoveText, "Ng4");
}

}  // namespace
