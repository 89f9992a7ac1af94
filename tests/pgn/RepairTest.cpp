#include <gtest/gtest.h>

#include <filesystem>

#include "pgn/Repair.h"
#include "pgn/TextDrops.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(RepairConversion, EdgeCases) {
  std::string longMoves;  // a line of some 600 characters
  for (int n = 1; n <= 60; ++n) longMoves += std::to_string(n) + ". Nf3 Nf6 ";
  const std::string A = "[Event \"A\"]\n", B = "\n[Event \"B\"]\n\n";
  // Each row: the file, the repaired file with LF for its CR LF.
  const std::pair<std::string, std::string> cases[] = {
      // Text before and between games dropped.
      {"From: a@b.c\n\n" + A + "[Site \"X\"]\n\n1. e4 1-0\n\nThanks!" + B + "1. d4 0-1\n",
       "\n" + A + "[Site \"X\"]\n\n1. e4 1-0\n" + B + "1. d4 0-1\n"},
      // Indented tags with TABs.
      {"  \t[Event  \"A\"]\r\n\t[Site\t\t\"X\"] \r\n\r\n1. e4 *\r\n",
       "\n" + A + "[Site \"X\"]\n\n1. e4 *\n"},
      // A result line right before the next Event; the last line without its line end.
      {A + "\n1. e4 1-0\n[Event \"B\"]\n\n*", "\n" + A + "\n1. e4 1-0\n" + B + "*\n"},
      // The final 1/2 completed, an earlier one kept.
      {A + "\n1. e4 {1/2 offered}\ne5 1/2\n", "\n" + A + "\n1. e4 {1/2 offered}\ne5 1/2-1/2\n"},
      // A comment ending in a result ends the game.
      {A + "\n1. e4 {wins 1-0\nor not} e5 0-1\n" + B + "1. d4 *\n",
       "\n" + A + "\n1. e4 {wins 1-0\n" + B + "1. d4 *\n"},
      // Blank lines before the moves become one; an Event as the last line is dropped.
      {A + "\n\n \t\n1. e4 *\n\n[Event \"B\"]\n", "\n" + A + "\n1. e4 *\n\n"},
      // A game without its result runs to the next result.
      {A + "\n1. e4\n" + B + "1-0\n", "\n" + A + "\n1. e4\n" + B + "1-0\n"},
      // A long line ending in 1/2 is kept whole.
      {A + "\n" + longMoves + "1/2\n", "\n" + A + "\n" + longMoves + "1/2-1/2\n"},
  };
  TTempDir dir;
  for (const auto& [in, out] : cases) {
    WriteFileBytes(dir.File("in.pgn"), in);
    ASSERT_TRUE(RepairConversion(dir.File("in.pgn"), dir.File("out.pgn"))) << in;
    EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), ToCrLf(out)) << in;
  }
}

// What the conversion drops or moves is reported, game by game.
TEST(RepairConversion, ReportsWhatItDropsAndMovesMisplacedTags) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"),
                 "junk before\n[Event \"A\"]\n\n1. e4 1-0\n{after}\n[Site \"s\"]\n[Event \"B\"]\n"
                 "\n1. d4 0-1\n");
  std::vector<std::string> told;
  SetDropReporter([&](const TTextDrop& d) { told.push_back(DescribeDrop(d)); });
  ASSERT_TRUE(RepairConversion(dir.File("in.pgn"), dir.File("out.pgn")));
  SetDropReporter(nullptr);
  EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")),
            ToCrLf("\n[Event \"A\"]\n\n1. e4 1-0\n\n[Event \"B\"]\n[Site \"s\"]\n\n1. d4 0-1\n"));
  EXPECT_EQ(told, (std::vector<std::string>{
                      "game 1: dropped before its first tag: junk before",
                      "game 1: dropped after its result: {after}",
                      "game 2: tag lines from above its Event line moved below it: [Site \"s\"]"}));
}

// A clean LF file (91 games, one blank line after each) comes back line for line with CR LF.
TEST(RepairConversion, TataSteelGamesSurviveAsCrLf) {
  TTempDir dir;
  ASSERT_TRUE(RepairConversion(TestDataPath("tatamast22.pgn"), dir.File("out.pgn")));
  EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), "\r\n" + ToCrLf(TestData("tatamast22.pgn")));
}

}  // namespace

// A failure at each write call of the repair copy, a copy onto the file itself
// and a missing file: no copy is left, the source stays.
TEST(RepairConversion, AFailureAtEveryWriteCallLeavesNoCopy) {
  TTempDir dir;
  const std::string in = dir.File("in.pgn"), out = dir.File("out.pgn");
  const std::string source = TestData("london1851.pgn");
  WriteFileBytes(in, source);
  // Converting a file onto itself would empty it before it is read.
  EXPECT_FALSE(RepairConversion(in, dir.File("./in.pgn")));
  EXPECT_FALSE(RepairConversion(dir.File("missing.pgn"), out));
  int failed = 0;
  for (int64_t n = 1;; ++n) {
    const int64_t first = WriteCallCount();
    SetWriteFaultAtCall(n);
    const bool converted = RepairConversion(in, out);
    const bool injected = WriteCallCount() - first >= n;
    SetWriteFaultAtCall(0);
    if (!injected) {
      EXPECT_TRUE(converted);
      break;
    }
    ++failed;
    EXPECT_FALSE(converted) << "call " << n;
    EXPECT_FALSE(std::filesystem::exists(out)) << "call " << n;
    EXPECT_EQ(ReadFileBytes(in), source);
  }
  EXPECT_GT(failed, 0);
}
