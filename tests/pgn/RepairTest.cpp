#include <gtest/gtest.h>

#include <filesystem>

#include "pgn/Repair.h"
#include "pgn/TextDrops.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace {

// Lines of the repaired file, each given CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

TEST(RepairConversion, EdgeCases) {
  std::string longMoves;  // a line of some 600 characters
  for (int n = 1; n <= 60; ++n) longMoves += std::to_string(n) + ". Nf3 Nf6 ";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"text before and between games dropped",
       "From: a@b.c\n\n[Event \"A\"]\n[Site \"X\"]\n\n1. e4 1-0\n\nThanks!\n[Event \"B\"]\n\n1. d4 "
       "0-1\n",
       Lines({"", "[Event \"A\"]", "[Site \"X\"]", "", "1. e4 1-0", "", "[Event \"B\"]", "",
              "1. d4 0-1"})},
      {"indented tags with TABs", "  \t[Event  \"A\"]\r\n\t[Site\t\t\"X\"] \r\n\r\n1. e4 *\r\n",
       Lines({"", "[Event \"A\"]", "[Site \"X\"]", "", "1. e4 *"})},
      {"result line right before next Event, last line without line end",
       "[Event \"A\"]\n\n1. e4 1-0\n[Event \"B\"]\n\n*",
       Lines({"", "[Event \"A\"]", "", "1. e4 1-0", "", "[Event \"B\"]", "", "*"})},
      {"final 1/2 completed, earlier one kept", "[Event \"A\"]\n\n1. e4 {1/2 offered}\ne5 1/2\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 {1/2 offered}", "e5 1/2-1/2"})},
      {"comment ending in a result ends the game",
       "[Event \"A\"]\n\n1. e4 {wins 1-0\nor not} e5 0-1\n\n[Event \"B\"]\n\n1. d4 *\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 {wins 1-0", "", "[Event \"B\"]", "", "1. d4 *"})},
      {"blank lines before moves become one, Event as last line dropped",
       "[Event \"A\"]\n\n\n \t\n1. e4 *\n\n[Event \"B\"]\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 *", ""})},
      {"game without result runs to next result",
       "[Event \"A\"]\n\n1. e4\n\n[Event \"B\"]\n\n1-0\n",
       Lines({"", "[Event \"A\"]", "", "1. e4", "", "[Event \"B\"]", "", "1-0"})},
      {"long line ending in 1/2 kept whole", "[Event \"A\"]\n\n" + longMoves + "1/2\n",
       Lines({"", "[Event \"A\"]", ""}) + longMoves + "1/2-1/2\r\n"},
  };
  TTempDir dir;
  for (const auto& [name, in, out] : cases) {
    WriteFileBytes(dir.File("in.pgn"), in);
    ASSERT_TRUE(RepairConversion(dir.File("in.pgn"), dir.File("out.pgn"))) << name;
    EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), out) << name;
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
            Lines({"", "[Event \"A\"]", "", "1. e4 1-0", "", "[Event \"B\"]", "[Site \"s\"]", "",
                   "1. d4 0-1"}));
  EXPECT_EQ(told, (std::vector<std::string>{
                      "game 1: dropped before its first tag: junk before",
                      "game 1: dropped after its result: {after}",
                      "game 2: tag lines from above its Event line moved below it: [Site \"s\"]"}));
}

TEST(RepairConversion, FailsWithoutHarm) {
  TTempDir dir;
  const std::string in = dir.File("in.pgn"), out = dir.File("out.pgn");
  WriteFileBytes(in, "[Event \"A\"]\n\n1. e4 *\n");
  // Converting a file onto itself would empty it before it is read.
  EXPECT_FALSE(RepairConversion(in, dir.File("./in.pgn")));
  EXPECT_EQ(ReadFileBytes(in), "[Event \"A\"]\n\n1. e4 *\n");
  SetWriteFaultAfter(5);
  EXPECT_FALSE(RepairConversion(in, out));
  SetWriteFaultAfter(-1);
  EXPECT_FALSE(std::filesystem::exists(out)) << "a partial copy left";
  EXPECT_FALSE(RepairConversion(dir.File("missing.pgn"), out));
}

// A clean LF file (91 games, one blank line after each) comes back line for line with CR LF.
TEST(RepairConversion, TataSteelGamesSurviveAsCrLf) {
  TTempDir dir;
  ASSERT_TRUE(RepairConversion(TestDataPath("tatamast22.pgn"), dir.File("out.pgn")));
  EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), "\r\n" + ToCrLf(TestData("tatamast22.pgn")));
}

}  // namespace

// A failure at each write call of the repair copy: no copy is left, the source stays.
TEST(RepairConversion, AFailureAtEveryWriteCallLeavesNoCopy) {
  TTempDir dir;
  const std::string in = dir.File("in.pgn"), out = dir.File("out.pgn");
  const std::string source = TestData("london1851.pgn");
  WriteFileBytes(in, source);
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
