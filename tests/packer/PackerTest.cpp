// The packing library through its three entry points, loaded as the program
// loads it: round trips of real games, refusals, damaged lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "export/PackingLibrary.h"
#include "tests/support/TestSupport.h"

namespace {

// Each game of a PGN text from its "[Event " line to its last non-blank byte.
std::vector<std::string> GamesOfText(const std::string& text) {
  std::vector<std::string> games;
  for (size_t at = text.find("[Event "); at != std::string::npos;) {
    const size_t next = text.find("\n[Event ", at);
    std::string game = text.substr(at, next == std::string::npos ? next : next - at);
    games.push_back(game.erase(game.find_last_not_of("\r\n\t ") + 1));
    at = next == std::string::npos ? next : next + 1;
  }
  return games;
}

class PackerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(lib.LoadPackingLibrary(PackerLibraryPath())); }
  TScriptDialogs dialogs;
  TDlopenLoader loader;
  TPackingLibrary lib{loader};
};

// Lines of "~1" and then the characters '!' to 'u', at most 19999 bytes.
TEST_F(PackerTest, EveryGameOfTheTestDataComesBackByteForByte) {
  size_t games = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KORVANE_TEST_DATA)) {
    if (entry.path().extension() != ".pgn") continue;
    // Both line-end shapes: what a file holds and what the work file holds.
    const std::string text = WithoutUnknownTags(ReadFileBytes(entry.path()));
    for (const std::string& source : {text, ToCrLf(text)}) {
      for (const std::string& game : GamesOfText(source)) {
        ASSERT_TRUE(lib.Pack(game)) << lib.OutText();
        const std::string line(lib.OutText());
        ASSERT_TRUE(line.starts_with("~1") && line.size() <= 19999u) << line;
        ASSERT_TRUE(
            std::all_of(line.begin() + 2, line.end(), [](char c) { return c >= '!' && c <= 'u'; }));
        ASSERT_TRUE(lib.Unpack(line)) << lib.OutText();
        ASSERT_EQ(lib.OutText(), game) << entry.path();
        ++games;
      }
    }
  }
  EXPECT_GT(games, 700u);
}

TEST_F(PackerTest, RefusesWhatCannotBeKeptOrUnpacked) {
  std::mt19937 random(7);
  std::string noise;  // hardly compresses: its line would pass 19999 bytes
  for (int i = 0; i < 16500; ++i) noise += static_cast<char>(1 + random() % 255);
  const std::string tags = "[Event \"e\"]\r\n[Site \"s\"]\r\n";
  const std::string fill(19999 - tags.size() - 11, 'x');
  const struct {
    std::string Game;
    std::string Error;  // empty: packs
  } cases[] = {{tags + "[EventDate \"2000.01.01\"]\r\n\r\n1.e4 *", "unknown tag \"EventDate\""},
               {tags + "[event \"lower case\"]\r\n\r\n1.e4 *", "unknown tag \"event\""},
               {tags + "\r\n[FEN \"after an empty line\"]\r\n1.e4 *", "unknown tag \"FEN\""},
               {tags + "\r\n1.e4 {[%clk 0:01:00]\r\n[%eval 0.3]} *", ""},
               // A wrapped comment line is no tag line, whatever it starts with.
               {tags + "\r\n1.e4 {a game of the\r\n[Wijk aan Zee 1999]\r\ntournament} *", ""},
               {tags + "\r\n1.e4 {a} ; {b\r\n[Wijk aan Zee 1999]\r\n*", "unknown tag \"Wijk\""},
               {tags + "[Annotator \"a\"]\r\n[XXX \"x\"]\r\n\r\n1.e4 *", ""},
               {tags + "\r\n1.e4 {" + fill + "} *", ""},
               {tags + "\r\n1.e4 {x" + fill + "} *", "game too long: 20000 bytes"},
               {tags + "\r\n{" + noise + "} *", "packed line too long"},
               {"", "empty game text"},
               {tags + std::string("\r\n1.e4 {\0} *", 12), "game text holds a NUL byte"}};
  for (const auto& c : cases) {
    const bool packed = lib.Pack(c.Game);
    EXPECT_EQ(packed, c.Error.empty()) << c.Game.substr(0, 60);
    EXPECT_TRUE(packed || lib.OutText().find(c.Error) != std::string::npos) << lib.OutText();
    EXPECT_TRUE(!packed || (lib.Unpack(std::string(lib.OutText())) && lib.OutText() == c.Game));
  }
}

// A line cut, lengthened or with a byte changed does not unpack, nor does plain PGN.
TEST_F(PackerTest, DamagedLinesAreRefused) {
  ASSERT_TRUE(lib.Pack(GamesOfText(TestData("london1851.pgn"))[7]));
  std::string line(lib.OutText());
  EXPECT_FALSE(lib.Unpack(line.substr(0, line.size() - 1)) || lib.Unpack(line + "!!") ||
               lib.Unpack(line.substr(0, 9) + 'v' + line.substr(10)) ||
               lib.Unpack("[Event \"plain PGN\"]"));
  line[line.size() / 2] = line[line.size() / 2] == 'K' ? 'L' : 'K';
  EXPECT_FALSE(lib.Unpack(line));
  EXPECT_TRUE(lib.OutText().starts_with("packed line damaged")) << lib.OutText();
}

}  // namespace
