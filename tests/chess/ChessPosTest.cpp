// Position and move rules: each row plays a line from the initial position (or
// from hand-placed pieces) and expects the code of its last move (0: it stood)
// and, where given, the content of some squares afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <sstream>

#include "chess/ChessPos.h"
#include "settings/CTErrorU.h"
#include "tests/chess/ChessTestUtil.h"

namespace {

struct TLineCase {
  const char* Name;
  const char* Line;
  int Code;
  const char* Squares = "";      // "g1=wK h1=." after the line
  const char* Pieces = nullptr;  // hand-placed start, white to move
};

void PrintTo(const TLineCase& c, std::ostream* os) {
  *os << c.Name;
}

const TLineCase kLineCases[] = {
    {"RuyLopezCastles", "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O", 0, "g1=wK f1=wR h1=. e1=."},
    {"BothCastleQueenSide", "d4 d5 Nc3 Nc6 Bf4 Bf5 Qd2 Qd7 O-O-O O-O-O", 0,
     "c1=wK d1=wR a1=. c8=bK d8=bR a8=."},
    {"EnPassant", "e4 a6 e5 d5 exd6", 0, "d6=wP d5=. e5=."},
    {"EnPassantOnlyAtOnce", "e4 a6 e5 d5 a3 h6 exd6", 7, "d5=bP e5=wP"},
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
    {"PinnedKnightMoves", "e4 e5 Nc3 Bb4 d3 a6 Nd5", 18, "c3=wN d5=."},
    {"CheckWithoutMark", "e4 f6 Qh5", 19, "d1=wQ h5=."},
    {"CheckMarkWithoutCheck", "e4 e5 Qh5+", 20},
    {"PromotionOnKnightMove", "Nf3=Q", 21},
    {"ScholarsMateMarkedCheck", "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7+", 25, "f7=bP"},
    {"ScholarsMate", "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7#", 0, "f7=wQ"},
    {"ScholarsMateDoublePlus", "e4 e5 Bc4 Nc6 Qh5 Nf6 Qxf7++", 0},
    {"MateMarkKingCanTake", "e4 e5 Qh5 Nc6 Qxf7#", 26},
    {"CastleOutOfCheck", "e4 e5 Nf3 Nc6 Bc4 Bc5 d4 Bb4+ O-O", 18, "e1=wK h1=wR"},
    {"CastleBetweenOccupied", "O-O", 22},
    {"CastleAcrossAttackedSquare", "g3 d6 Bh3 Bxh3 Nf3 a6 O-O", 23},
    {"CastleAfterRookReturned", "e4 e5 Nf3 Nf6 Bc4 Bc5 Rg1 a6 Rh1 a5 O-O", 24},
    {"CastleAfterRookTakenOnCorner", "g3 b6 e4 Bb7 Bc4 Bxe4 Nh3 Bxh1 O-O", 24},
    {"CastleTwice", "e4 e5 Nf3 Nf6 Bc4 Bc5 O-O O-O Kh1 a6 Kg1 a5 O-O", 24},
    {"KnightsOnSameFile", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nbd2", 27},
    {"RankPicksKnight", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 N1d2", 0, "b1=. b3=wN d2=wN"},
    {"FileMatchesNoKnight", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nfd2", 6},
    {"BothLegalFirstMoves", "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nd2", 0, "b1=. b3=wN d2=wN"},
    {"ThreeKnights", "Nd2", 15, "d2=.", "Kh1 Nb1 Nb3 Nf3 / Kh8"},
    {"Promotion", "b8=Q", 0, "b8=wQ b7=.", "Kg1 Pb7 Pb5 / Kh7 Ra8"},
    {"PromotionWithoutSign", "b8N", 0, "b8=wN", "Kg1 Pb7 Pb5 / Kh7 Ra8"},
    {"PromotionMissing", "b8", 16, "b7=wP b8=.", "Kg1 Pb7 Pb5 / Kh7 Ra8"},
    {"PromotionByCapture", "bxa8=R", 0, "a8=wR b7=.", "Kg1 Pb7 Pb5 / Kh7 Ra8"},
    {"PromotionOnSixthRank", "b6=Q", 17, "b5=wP b6=.", "Kg1 Pb7 Pb5 / Kh7 Ra8"},
};

class TLineTest : public ::testing::TestWithParam<TLineCase> {};

TEST_P(TLineTest, LastMoveGivesCode) {
  const TLineCase& c = GetParam();
  TChessPosition pos;
  if (c.Pieces) PlacePieces(pos, c.Pieces, kWhite);
  int played = 0;
  EXPECT_EQ(PlayLine(pos, c.Line, &played), c.Code);
  // Every move before the last one must have stood, and a rejected one must
  // leave Ply where it was.
  int total = 0;
  std::istringstream tokens(c.Line);
  for (std::string t; tokens >> t;) ++total;
  EXPECT_EQ(played, total);
  EXPECT_EQ(pos.Ply, c.Code == 0 ? total : total - 1);
  EXPECT_EQ(pos.StoredCount, pos.Ply);
  std::istringstream squares(c.Squares);
  for (std::string s; squares >> s;)
    EXPECT_EQ(Describe(pos.At(s[0] - 'a' + 1, s[1] - '0')), s.substr(3)) << s;
}

INSTANTIATE_TEST_SUITE_P(MoveRules, TLineTest, ::testing::ValuesIn(kLineCases), TCaseName());

TEST(ChessPosition, EnPassantReplaysToTheSameBoard) {
  TChessPosition pos;
  ASSERT_EQ(PlayLine(pos, "e4 a6 e5 d5 exd6 h6"), 0);
  EXPECT_EQ(pos.HistoryRecord(5).EpCaptureSquare, 54);
  TSquare played[64];
  pos.CopyBoard(played, true);
  ASSERT_TRUE(pos.GoToPly(0));
  ASSERT_TRUE(pos.StepBy(6));
  TSquare replayed[64];
  pos.CopyBoard(replayed, true);
  EXPECT_EQ(std::memcmp(played, replayed, sizeof played), 0);
}

TEST(ChessPosition, The801stHalfMoveRaises) {
  TChessPosition pos;
  std::string line;
  for (int i = 0; i < 200; ++i) line += "Nf3 Nf6 Ng1 Ng8 ";
  ASSERT_EQ(PlayLine(pos, line), 0);
  ASSERT_EQ(pos.Ply, 800);
  try {
    PlayLine(pos, "Nf3");
    FAIL() << "no error raised";
  } catch (const ECtError& e) {
    EXPECT_NE(std::string(e.what()).find("MaxHalfMoves exceeded"), std::string::npos);
  }
  EXPECT_EQ(pos.Ply, 800);
}

TEST(ChessPosition, StepByStaysWithinHistory) {
  TChessPosition pos;
  ASSERT_EQ(PlayLine(pos, "e4 e5 Nf3 Nc6"), 0);
  EXPECT_FALSE(pos.StepBy(1));
  EXPECT_FALSE(pos.StepBy(-5));
  EXPECT_EQ(pos.Ply, 4);
  ASSERT_TRUE(pos.GoToPly(2));
  EXPECT_EQ(Describe(pos.At(7, 1)), "wN");
  EXPECT_EQ(Describe(pos.At(5, 5)), "bP");
  EXPECT_EQ(pos.StoredCount, 4);
  TSquareRef from, to;
  EXPECT_FALSE(pos.GetMoveSquares(5, from, to));
  EXPECT_FALSE(pos.GetMoveSquares(0, from, to));
  ASSERT_TRUE(pos.GetMoveSquares(3, from, to));
  EXPECT_EQ(from.File * 10 + from.Rank, 71);
  EXPECT_EQ(to.File * 10 + to.Rank, 63);
}

TEST(ChessPosition, NoKingRaises) {
  TChessPosition pos;
  PlacePieces(pos, "Ke1 / Pe7", kWhite);
  EXPECT_THROW(pos.IsKingAttacked(kBlack, false), ECtError);
}

}  // namespace
