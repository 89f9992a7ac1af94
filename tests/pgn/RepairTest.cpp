#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "pgn/Repair.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(SqueezeLine, TrimsCollapsesAndDropsCr) {
  const std::pair<const char*, const char*> cases[] = {
      {"  \t[Event \t \"A\"]\t ", "[Event \"A\"]"}, {"a \r b\r", "a b"}, {" \t \r", ""}};
  for (const auto& [in, out] : cases) {
    std::string line = in;
    SqueezeLine(line);
    EXPECT_EQ(line, out) << in;
  }
}

// Lines of the repaired file, each given CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

TEST(RepairConversion, EdgeCases) {
  std::string longMoves;
  for (int n = 1; n <= 60; ++n) longMoves += std::to_string(n) + ". Nf3 Nf6 ";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"text before and between games dropped",
       "From: a@b.c\n\n[Event \"A\"]\n[Site \"X\"]\n\n1. e4 1-0\n\nThanks!\n[Event \"B\"]\n\n1. d4 "
       "0-1\n",
       Lines({"", "[Event \"A\"]", "[Site \"X\"]", "", "1. e4 1-0", "", "[Event \"B\"]", "",
              "1. d4 0-1"})},
      {"indented tags with TABs", "  \t[Event  \"A\"]\r\n\t[Site\t\t\"X\"] \r\n\r\n1. e4 *\r\n",
       Lines({"", "[Event \"A\"]", "[Site \"X\"]", "", "1. e4 *"})},
      {"result line right before next Event", "[Event \"A\"]\n\n1. e4 1-0\n[Event \"B\"]\n\n*\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 1-0", "", "[Event \"B\"]", "", "*"})},
      {"final 1/2 completed, earlier one kept", "[Event \"A\"]\n\n1. e4 {1/2 offered}\ne5 1/2\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 {1/2 offered}", "e5 1/2-1/2"})},
      {"comment ending in a result ends the game",
       "[Event \"A\"]\n\n1. e4 {wins 1-0\nor not} e5 0-1\n\n[Event \"B\"]\n\n1. d4 *\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 {wins 1-0", "", "[Event \"B\"]", "", "1. d4 *"})},
      {"last line without line end", "[Event \"A\"]\n\n1. e4 0-1",
       Lines({"", "[Event \"A\"]", "", "1. e4 0-1"})},
      {"blank lines before moves become one", "[Event \"A\"]\n\n\n \t\n1. e4 *\n",
       Lines({"", "[Event \"A\"]", "", "1. e4 *"})},
      {"Event as last line dropped", "[Event \"A\"]\n\n*\n\n[Event \"B\"]\n",
       Lines({"", "[Event \"A\"]", "", "*", ""})},
      {"game without result runs to next result",
       "[Event \"A\"]\n\n1. e4\n\n[Event \"B\"]\n\n1-0\n",
       Lines({"", "[Event \"A\"]", "", "1. e4", "", "[Event \"B\"]", "", "1-0"})},
      {"long line ending in 1/2 kept whole", "[Event \"A\"]\n\n" + longMoves + "1/2\n",
       Lines({"", "[Event \"A\"]", ""}) + longMoves + "1/2-1/2\r\n"},
      {"no games", "just text\n", Lines({""})},
  };
  TTempDir dir;
  for (const auto& [name, in, out] : cases) {
    WriteFileBytes(dir.File("in.pgn"), in);
    ASSERT_TRUE(RepairConversion(dir.File("in.pgn"), dir.File("out.pgn"))) << name;
    EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), out) << name;
  }
}

TEST(RepairConversion, FailsWithoutHarm) {
  TTempDir dir;
  std::string game = "[Event \"A\"]\n\n1. e4 *\n";
  WriteFileBytes(dir.File("in.pgn"), game);
  EXPECT_FALSE(RepairConversion(dir.File("missing.pgn"), dir.File("out.pgn")));
  EXPECT_FALSE(RepairConversion(dir.File("in.pgn"), dir.File("no/dir/out.pgn")));
  // Converting a file onto itself would empty it before it is read.
  EXPECT_FALSE(RepairConversion(dir.File("in.pgn"), dir.File("./in.pgn")));
  EXPECT_EQ(ReadFileBytes(dir.File("in.pgn")), game);
  SetWriteFaultAfter(5);
  EXPECT_FALSE(RepairConversion(dir.File("in.pgn"), dir.File("out.pgn")));
  SetWriteFaultAfter(-1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.pgn")));
}

struct TGame {
  std::vector<std::string> Tags;
  std::string Moves;  // the movetext lines joined by single spaces
  bool operator==(const TGame&) const = default;
};

// Games of a well-formed PGN text with either line end.
std::vector<TGame> SplitGames(const std::string& text) {
  std::vector<TGame> games;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (line.starts_with("[Event ")) games.emplace_back();
    if (line.empty() || games.empty()) continue;
    if (line.starts_with('['))
      games.back().Tags.push_back(line);
    else
      games.back().Moves += (games.back().Moves.empty() ? "" : " ") + line;
  }
  return games;
}

TEST(RepairConversion, TataSteelGamesSurviveAsCrLf) {
  TTempDir dir;
  ASSERT_TRUE(RepairConversion(TestDataPath("tatamast22.pgn"), dir.File("out.pgn")));
  std::string out = ReadFileBytes(dir.File("out.pgn"));
  EXPECT_TRUE(out.starts_with("\r\n"));
  EXPECT_EQ(ToCrLf(out), out) << "a line ends in a bare LF";
  std::vector<TGame> games = SplitGames(TestData("tatamast22.pgn"));
  EXPECT_EQ(games.size(), 91u);
  EXPECT_EQ(SplitGames(out), games);
}

}  // namespace
