// korvane-batch replay over notation errors and set-up games (the recorded
// collections are compared in tests/batch/ReportsUnchangedTest.cpp).
#include <gtest/gtest.h>

#include "chess/ChessPos.h"
#include "tests/support/TestSupport.h"

TEST(ReplayBatch, NotationErrorsAndSetUpGames) {
  TTempDir dir;
  std::string pgn, out;
  for (const char* game :
       {"\n1.e4 {open comment *", "[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]\n\n1.Kb2 *",
        // Black moves first, from move 23; the third move is wrong.
        "[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 23\"]\n\n23... Kd7 24. e4 Ke5 *",
        "[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4KK2 w - - 0 1\"]\n\n1.Kd2 *",
        "[SetUp \"1\"]\n\n1.e4 *", "[Variant \"Chess960\"]\n\n1.e4 *",
        "[Variant \"Standard\"]\n\n1.e4 *"})
    pgn += ToCrLf(std::string("[Event \"T\"]\n") + game + "\n\n");
  WriteFileBytes(dir.File("mixed.pgn"), pgn);
  EXPECT_EQ(RunCapture(BatchExe() + " replay '" + dir.File("mixed.pgn") + "'", out), 1);
  EXPECT_EQ(out, "game 1 notation game ended in comment\ngame 3 ply 3 'Ke5' code 13 " +
                     std::string(MoveErrorMeaning(13)) +
                     "\ngame 4 setup [FEN \"4k3/8/8/8/8/8/8/4KK2 w - - 0 1\"] is not a legal "
                     "position: white has 2 kings\n"
                     "game 5 setup [SetUp \"1\"] without a [FEN] tag to give the position\n"
                     "game 6 skipped [Variant \"Chess960\"]: only standard chess is replayed\n"
                     "games 7 clean 2 failed 4 skipped 1 plies 4\n");
}
