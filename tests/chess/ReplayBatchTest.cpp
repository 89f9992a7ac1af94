// korvane-batch replay over real collections.
#include <gtest/gtest.h>

#include <string>

#include "chess/ChessPos.h"
#include "tests/support/TestSupport.h"

namespace {

int Replay(const std::string& path, std::string& out) {
  return RunCapture(BatchExe() + " replay '" + path + "'", out);
}

TEST(ReplayBatch, London1851FailsOnlyOnMatesMarkedCheck) {
  // Each of these games ends, at the given half-move, in a mate written "+".
  const struct {
    int Game, Ply;
    const char* Token;
  } mates[] = {{6, 52, "exd1=Q+"}, {7, 66, "gxf1=Q+"}, {8, 45, "Be7+"},    {14, 59, "Rh7+"},
               {27, 71, "Nd7+"},   {36, 41, "Qxg7+"},  {38, 64, "Rh3+"},   {40, 40, "Rxf1+"},
               {55, 68, "Re6+"},   {59, 53, "Qf7+"},   {61, 67, "R1d7+"},  {68, 40, "Qf2+"},
               {74, 63, "Qg6+"},   {79, 29, "Nf6+"},   {88, 54, "Qg2+"},   {92, 86, "Ra4+"},
               {107, 121, "Rc4+"}, {114, 72, "Qxg2+"}, {118, 87, "Qxc7+"}, {134, 156, "Rf2+"},
               {149, 73, "Bxg5+"}, {156, 58, "Nf2+"},  {172, 104, "Ng3+"}, {174, 59, "Qe8+"},
               {185, 87, "Qe7+"},  {231, 52, "Qxe3+"}};
  std::string expected;
  for (const auto& m : mates)
    expected += "game " + std::to_string(m.Game) + " ply " + std::to_string(m.Ply) + " '" +
                m.Token + "' code 25 " + MoveErrorMeaning(25) + "\n";
  expected += "games 251 clean 225 failed 26 skipped 0 plies 19840\n";
  std::string out;
  EXPECT_EQ(Replay(TestDataPath("london1851.pgn"), out), 1);
  EXPECT_EQ(out, expected);
}

TEST(ReplayBatch, KasparovDeepBlueAllClean) {
  TTempDir dir;
  const std::string path = dir.File("kasparov.pgn");
  WriteFileBytes(path, ToCrLf(TestData("kasparov-deep-blue-1997.pgn")));
  std::string out;
  EXPECT_EQ(Replay(path, out), 0);
  EXPECT_EQ(out, "games 6 clean 6 failed 0 skipped 0 plies 519\n");
}

TEST(ReplayBatch, NotationErrorsAndSetUpGames) {
  TTempDir dir;
  const std::string path = dir.File("mixed.pgn");
  const auto game = [](const std::string& tags, const std::string& moves) {
    return "[Event \"T\"]\r\n" + tags + "\r\n" + moves + "\r\n\r\n";
  };
  WriteFileBytes(
      path, game("", "1.e4 {open comment *") +
                game("[SetUp \"1\"]\r\n[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]\r\n", "1.Kb2 *") +
                // Black moves first, from move 23; the third move is wrong.
                game("[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 23\"]\r\n",
                     "23... Kd7 24. e4 Ke5 *") +
                game("[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/8/4KK2 w - - 0 1\"]\r\n", "1.Kd2 *") +
                game("[SetUp \"1\"]\r\n", "1.e4 *") + game("[Variant \"Chess960\"]\r\n", "1.e4 *") +
                game("[Variant \"Standard\"]\r\n", "1.e4 *"));
  std::string out;
  EXPECT_EQ(Replay(path, out), 1);
  EXPECT_EQ(out,
            "game 1 notation game ended in comment\n"
            "game 3 ply 3 'Ke5' code 13 " +
                std::string(MoveErrorMeaning(13)) +
                "\n"
                "game 4 setup [FEN \"4k3/8/8/8/8/8/8/4KK2 w - - 0 1\"] is not a legal position: "
                "white has 2 kings\n"
                "game 5 setup [SetUp \"1\"] without a [FEN] tag to give the position\n"
                "game 6 skipped [Variant \"Chess960\"]: only standard chess is replayed\n"
                "games 7 clean 2 failed 4 skipped 1 plies 4\n");
}

TEST(ReplayBatch, ReadErrorsExitWithThree) {
  TTempDir dir;
  std::string out;
  EXPECT_EQ(RunCapture(BatchExe() + " replay '" + dir.File("missing.pgn") + "'", out, true), 3);
  EXPECT_EQ(out.rfind("replay: cannot read ", 0), 0u) << out;
}

}  // namespace
