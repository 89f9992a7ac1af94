// Move rules and the mate test on lines from the initial position and on
// hand-placed boards, stepping through the history, the half-move limit, and
// set-up positions.
#include <gtest/gtest.h>

#include "chess/ChessPos.h"
#include "settings/CTErrorU.h"
#include "tests/chess/ChessTestUtil.h"

namespace {

const char kPromotion[] = "Kg1 Pb7 Pb5 / Kh7 Ra8";

TEST(ChessPosition, MoveRules) {
  const TLineCase cases[] = {
      {"RuyLopezCastles", "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O", 0, "g1=wK f1=wR h1=. e1=."},
      {"BothCastleQueenSide", "d4 d5 Nc3 Nc6 Bf4 Bf5 Qd2 Qd7 O-O-O O-O-O", 0,
       "c1=wK d1=wR a1=. c8=bK d8=bR a8=."},
      {"EnPassant", "e4 a6 e5 d5 exd6", 0, "d6=wP d5=. e5=."},
      {"EnPassantOnlyAtOnce", "e4 a6 e5 d5 a3 h6 exd6", 7},
      {"PushOntoPiece", "e4 e5 e5", 2},
      {"PushBlocked", "Nc3 a6 c4", 3},
      {"DoubleStepNotFromStart", "e4 e5 e3", 4},
      {"DoubleStepWithoutPawn", "c4 a6 c5 a5 c4", 5},
      {"CaptureWithoutPawn", "e4 d5 cxd5", 5},
      {"PawnOffBoard", "e9", 6},
      {"CaptureMarkOnEmpty", "Nxf3", 7},
      {"OntoOwnPiece", "Nd2", 8},
      {"CaptureWithoutMark", "e4 d5 Qh5 a6 Qf7", 12},
      {"PawnCaptureTwoFilesAway", "e4 c5 exc5", 13},
      {"NoKnightReaches", "Nd4", 13},
      {"BishopBlocked", "Bc4", 3},
      {"NeedlessDisambiguation", "d4 d5 Nbd2", 14},
      {"KingNeverDisambiguated", "e4 e5 Kee2", 14},
      {"PinnedKnightMoves", "e4 e5 Nc3 Bb4 d3 a6 Nd5", 18},
      {"CheckWithoutMark", "e4 f6 Qh5", 19},
      {"CheckMarkWithoutCheck", "e4 e5 Qh5+", 20},
      {"PromotionOnKnightMove", "Nf3=Q", 21},
      {"MateMarkedCheck", "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7+", 25},
      {"ScholarsMate", "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7#", 0, "f7=wQ h5=."},
      {"MateMarkKingCanTake", "e4 e5 Qh5 Nc6 Qxf7#", 26},
      {"CastleOutOfCheck", "e4 e5 Nf3 Nc6 Bc4 Bc5 d4 Bb4+ O-O", 18},
      {"CastleBetweenOccupied", "O-O", 22},
      {"CastleAcrossAttackedSquare", "g3 d6 Bh3 Bxh3 Nf3 a6 O-O", 23},
      {"CastleAfterRookReturned", "e4 e5 Nf3 Nf6 Bc4 Bc5 Rg1 a6 Rh1 a5 O-O", 24},
      {"CastleAfterRookTakenOnCorner", "g3 b6 e4 Bb7 Bc4 Bxe4 Nh3 Bxh1 O-O", 24},
      {"CastleAfterKingReturned", "e4 e5 Nf3 Nf6 Bc4 Bc5 O-O O-O Kh1 a6 Kg1 a5 O-O", 24},
      {"KnightsOnSameFile", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nbd2", 27},
      {"RankPicksKnight", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 N1d2", 0, "b1=. b3=wN d2=wN"},
      {"FileMatchesNoKnight", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nfd2", 6},
      {"BothLegalFirstInSearchOrder", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nd2", 0, "b1=. b3=wN", nullptr,
       "N1d2"},
      {"ThreeKnights", "Nd2", 15, "", "Kh1 Nb1 Nb3 Nf3 / Kh8"},
      {"OtherKnightPinned", "Nd2", 0, "b3=. f1=wN d2=wN", "Ke1 Nf1 Nb3 / Ka8 Rh1", "Nbd2"},
      {"TrialAddsCheckMark", "Nd2", 0, "b3=. d2=wN", "Ke1 Nf1 Nb3 / Kc4 Rh1", "Nbd2+"},
      {"BothKnightsPinned", "Nd2", 15, "", "Ke1 Nf1 Ne4 / Ka8 Rh1 Re8", "Nd2"},
      {"PromotionsByCapture", "a4 h5 a5 h4 a6 h3 axb7 hxg2 bxa8=Q gxh1=N", 0, "a8=wQ h1=bN"},
      {"Promotion", "b8=Q", 0, "b8=wQ b7=.", kPromotion},
      {"PromotionMissing", "b8", 16, "", kPromotion},
      {"PromotionOnSixthRank", "b6=Q", 17, "", kPromotion},
      // Mates: taking the checking knight or pawn is the only answer, but the taker is pinned.
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

// The mate test tries moves on the board and takes every one back.
TEST(ChessPosition, MateTrialsLeaveNoTrace) {
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

TEST(ChessPosition, HistoryBoundsAndThe801stHalfMove) {
  TChessPosition pos;
  for (const char* move : {"e4", "e5", "Nf3", "Nc6"}) ASSERT_EQ(Play(pos, move), 0);
  EXPECT_FALSE(pos.StepBy(1));
  EXPECT_FALSE(pos.StepBy(-5));
  ASSERT_TRUE(pos.GoToPly(2));
  EXPECT_EQ(Describe(pos.At(7, 1)) + Describe(pos.At(5, 5)) + std::to_string(pos.StoredCount),
            "wNbP4");
  TSquareRef from, to;
  EXPECT_FALSE(pos.GetMoveSquares(5, from, to) || pos.GetMoveSquares(0, from, to));
  ASSERT_TRUE(pos.GetMoveSquares(3, from, to));
  EXPECT_EQ(from.File * 1000 + from.Rank * 100 + to.File * 10 + to.Rank, 7163);
  TChessPosition limit;
  const char* shuffle[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
  for (int i = 0; i < 800; ++i) ASSERT_EQ(Play(limit, shuffle[i % 4]), 0) << i;
  EXPECT_THROW(Play(limit, "Nf3"), ECtError);
  EXPECT_EQ(limit.Ply, 800);
  EXPECT_EQ(Describe(limit.At(7, 1)), "wN");
}

TEST(ChessPosition, FenStartIsCheckedAndKept) {
  const struct {
    const char* Fen;
    const char* Why;  // empty: taken
  } rows[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", ""},
      {"4k3/8/8/8/8/8/8/4K3 w - -", ""},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0", "6 fields"},
      {"4k3/8/8/8/8/8/8/4K4 w - - 0 1", "rank 1 does not hold 8"},
      {"4k3/8/8/8/8/8/4K3 w - - 0 1", "8 ranks of 8"},
      {"4k3/8/8/8/8/8/8/4X3 w - - 0 1", "'X' is not a piece letter"},
      {"4k3/8/8/8/8/8/8/4KK2 w - - 0 1", "white has 2 kings"},
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", "black has 0 kings"},
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "white pawn stands on rank 8"},
      {"4k3/8/8/8/8/8/8/4K3 x - - 0 1", "not w or b"},
      {"4k3/8/8/8/8/8/8/4K3 w K - 0 1", "castling 'K' without"},
      {"4k3/8/8/8/8/8/8/4K3 w - e6 0 1", "en-passant"},
      {"4k3/8/8/8/8/8/8/R3K3 b - - 0 1", ""},
      {"4k3/8/8/8/8/8/8/4K2R b - - 0 1", ""},
      {"4k2R/8/8/8/8/8/8/4K3 w - - 0 1", "(black) is in check"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 x", "counters"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Fen);
    TChessPosition pos;
    std::string why;
    EXPECT_EQ(pos.SetUpFromFen(row.Fen, why), *row.Why == 0) << why;
    EXPECT_NE(why.find(row.Why), std::string::npos) << why;
    // A refused text leaves the standard start.
    EXPECT_EQ(Describe(pos.At(5, 2)), *row.Why ? "wP" : ".");
  }
}

TEST(ChessPosition, FenStartGivesMoverCastlingAndEnPassant) {
  TChessPosition pos;
  std::string why;
  // Black to move at move 23 just after e2-e4, so dxe3 takes en passant;
  // White may castle short only, Black long only.
  ASSERT_TRUE(pos.SetUpFromFen("r3k2r/8/8/8/3pP3/8/8/R3K2R b Kq e3 0 23", why)) << why;
  EXPECT_EQ(pos.MoveNumberOfPly(1) * 10 + pos.SideOfPly(1), 230 + kBlack);
  EXPECT_EQ(Play(pos, "dxe3"), 0);
  EXPECT_EQ(Describe(pos.At(5, 4)), ".");  // the pawn taken en passant
  EXPECT_EQ(pos.MoveNumberOfPly(2), 24);
  // White's queen-side right is gone, and black's king side.
  for (auto [move, code] : {std::pair{"O-O-O", 24}, {"O-O", 0}, {"O-O", 24}, {"O-O-O", 0}})
    EXPECT_EQ(Play(pos, move), code) << move;
  EXPECT_TRUE(pos.BoardConsistent());
  // Back to the start: the set-up position, not the initial one.
  ASSERT_TRUE(pos.GoToPly(0));
  EXPECT_EQ(Describe(pos.At(4, 4)) + Describe(pos.At(5, 4)) + Describe(pos.At(5, 2)), "bPwP.");
  ASSERT_TRUE(pos.GoToPly(1));
  EXPECT_EQ(Describe(pos.At(5, 3)) + Describe(pos.At(5, 4)), "bP.");
  pos.UseStandardStart();
  EXPECT_EQ(Play(pos, "e4"), 0);
}

}  // namespace
