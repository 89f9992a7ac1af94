#include <gtest/gtest.h>

#include "tests/stream/StreamTestUtil.h"

namespace {

std::string ReadFailure(const std::string& bytes, int32_t bufferSize) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), bytes);
  try {
    ReadAllGames(dir.File("in.pgn"), bufferSize);
  } catch (const EChessException& e) {
    return e.what();
  }
  return "";
}

const std::string kGameA = "[Event \"A\"]\r\n[White \"x\"]\r\n\r\n1. e4 e5 1-0";
const std::string kGameB = "[Event \"B\"]\r\n[White \"y\"]\r\n\r\n1. d4 d5 0-1";

TEST(GameStream, EachFailureHasItsFixedMessage) {
  const std::string longGame = "[Event \"L\"]\r\n" + std::string(200, 'x') + " 1-0\r\n";
  struct {
    const char* Name;
    std::string Bytes;
    int32_t Buffer;
    std::string Message;
  } cases[] = {
      {"empty", "", 1000, "file is empty"},
      {"one byte", "x", 1000, "no paired carRtn-lineFeed (1)"},
      {"bare LF", "[Event \"A\"]\n\n1. e4 1-0\n", 1000, "no paired carRtn-lineFeed (2)"},
      {"no LF in a full buffer", std::string(50, 'x') + "\r\n" + kGameA + "\r\n", 30,
       "line too long/buffer too small"},
      {"short text before the last LF", "ab\r\n" + std::string(40, 'x') + "\r\n", 10,
       "buffer too small"},
      {"one game only in the buffer", longGame + "\r\n" + longGame, 150,
       "no full, valid game contained in buffer"},
      {"no result at the end", kGameA + "\r\n\r\n[Event \"B\"]\r\n\r\n1. d4 xyz\r\n", 1000,
       "no valid, ending game result (\"xyz\")"},
      {"nothing but blanks", "  \r\n\r\n", 1000, "no valid games to process"},
      {"[Event in the middle of a line", kGameA + " [Event \"B\"]\r\n1. d4 0-1\r\n", 1000,
       "nil read"},
      {"tag lines after the file's last result", kGameA + "\r\n[Round \"?\"]\r\n", 1000,
       "no valid, ending game result (\"\"?\"]\")"},
      // The text would end at the zero byte and the games after it go unread.
      {"a zero byte", kGameA + "\r\n" + std::string(1, '\0') + kGameA, 1000,
       "zero byte at offset " + std::to_string(kGameA.size() + 2) + ": not a PGN text file"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadFailure(c.Bytes, c.Buffer), c.Message) << c.Name;
}

TEST(GameStream, ReadingPastTheLastGameFails) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), kGameA + "\r\n");
  TFStreamTxStr stream(dir.File("in.pgn"), "", "", TOpenMode::Read, 1000);
  std::string game;
  stream.ReadGame(game);
  EXPECT_TRUE(stream.GamesDone);
  EXPECT_THROW(stream.ReadGame(game), EChessException);
  EXPECT_EQ(stream.LastError, "read past eol");
}

TEST(GameStream, SplitsGamesOnTheTrickyShapes) {
  struct {
    const char* Name;
    std::string Bytes;
    std::vector<std::string> Games;
  } cases[] = {
      {"one blank line between", kGameA + "\r\n\r\n" + kGameB + "\r\n", {kGameA, "\r\n" + kGameB}},
      {"no final line end", kGameA + "\r\n\r\n" + kGameB + "  \t", {kGameA, "\r\n" + kGameB}},
      {"two blank lines", kGameA + "\r\n\r\n\r\n" + kGameB + "\r\n", {kGameA, "\r\n\r\n" + kGameB}},
      {"no blank line", kGameA + "\r\n" + kGameB + "\r\n", {kGameA, kGameB}},
      {"ends in 1/2",
       kGameA + "\r\n\r\n[Event \"C\"]\r\n\r\n1. c4 1/2\r\n",
       {kGameA, "\r\n[Event \"C\"]\r\n\r\n1. c4 1/2"}},
      {"game without [Event joins the next",
       "[White \"w\"]\r\n\r\n1. f4 *\r\n\r\n" + kGameB + "\r\n",
       {"[White \"w\"]\r\n\r\n1. f4 *\r\n\r\n" + kGameB}},
      {"[Event in a comment at a line start",
       "[Event \"A\"]\r\n\r\n1. e4 {a\r\n[Event in a note} e5 1-0\r\n",
       {"[Event \"A\"]\r\n\r\n1. e4 {a", "[Event in a note} e5 1-0"}},
      {"text before the first tag",
       "Mail header\r\n\r\n" + kGameA + "\r\n",
       {"Mail header\r\n\r\n" + kGameA}},
  };
  for (const auto& c : cases) {
    TTempDir dir;
    WriteFileBytes(dir.File("in.pgn"), c.Bytes);
    EXPECT_EQ(ReadAllGames(dir.File("in.pgn"), 1000), c.Games) << c.Name;
  }
}

// Small buffers force many loads that each cut at the last whole game and
// start the next load right after it.
TEST(GameStream, RealCollectionThroughSmallAndLargeBuffers) {
  std::string text = TestData("london1851.pgn");
  std::vector<std::string> expected = ReferenceGames(text);
  ASSERT_EQ(expected.size(), 251u);
  for (int32_t buffer : {10000, 100000}) {
    std::vector<std::string> games = ReadAllGames(TestDataPath("london1851.pgn"), buffer);
    ASSERT_EQ(games.size(), expected.size()) << buffer;
    for (size_t i = 0; i < games.size(); ++i)
      ASSERT_EQ(games[i], expected[i]) << buffer << " " << i;
  }
}

TEST(GameStream, WriteStringReportsAFullDevice) {
  TTempDir dir;
  TFStreamTxStr stream(dir.File("w.pgn"), "", "", TOpenMode::Create, 1000);
  SetWriteFaultAfter(4);
  EXPECT_THROW(stream.WriteString("12345"), EChessException);
  SetWriteFaultAfter(-1);
  EXPECT_EQ(stream.LastError, "I/O error on write");
  EXPECT_THROW(TFStreamTxStr(dir.File("missing.pgn"), "", "", TOpenMode::Read, 1000),
               EFileOpenError);
}

TEST(RepairGameShape, RepairsBlankLinesAndEnds) {
  struct {
    const char* Name;
    std::string In;
    bool Result;
    std::string Out;
  } cases[] = {
      {"two blank lines before", "\r\n\r\n" + kGameA, true, "\r\n" + kGameA},
      {"blank line inside the tags", "[Event \"A\"]\r\n\r\n[White \"x\"]\r\n\r\n\r\n1. e4 1-0",
       true, "\r\n[Event \"A\"]\r\n[White \"x\"]\r\n\r\n1. e4 1-0"},
      {"CR CR LF", "[Event \"A\"]\r\r\n\r\n1. e4 *", true, "\r\n[Event \"A\"]\r\n\r\n1. e4 *"},
      {"junk before the first tag", "junk\r\n[Event \"A\"]\r\n\r\n1. e4 0-1", true,
       "\r\n[Event \"A\"]\r\n\r\n1. e4 0-1"},
      {"starts at [White", "x [White \"w\"]\r\n\r\n1. e4 *", true,
       "\r\n[White \"w\"]\r\n\r\n1. e4 *"},
      {"text after the result", "[Event \"A\"]\r\n\r\n1. e4 1-0 {end}", true,
       "\r\n[Event \"A\"]\r\n\r\n1. e4 1-0"},
      {"move number at the end", "[Event \"A\"]\r\n\r\n1. e4 e5 2", true,
       "\r\n[Event \"A\"]\r\n\r\n1. e4 e5 2"},
      {"tag end in the middle of a line", "[White \"w\"]1. e4 *", true,
       "\r\n[White \"w\"]\r\n\r\n1. e4 *"},
      {"tag end before a lone CR", "[White \"w\"]\rx\r\n1. e4 *", true,
       "\r\n[White \"w\"]\r\n\r\n\rx\r\n1. e4 *"},
      {"repaired again", "\r\n[White \"w\"]\r\n\r\n1. e4 *", true,
       "\r\n[White \"w\"]\r\n\r\n1. e4 *"},
      {"no tag end", "1. e4 e5", false, "1. e4 e5"},
      {"no Event or White", "[Site \"s\"]\r\n\r\n1. e4 *", false, "[Site \"s\"]\r\n\r\n1. e4 *"},
      {"no result anywhere", "[Event \"A\"]\r\n\r\n1. e4 e5 Nf3", false,
       "\r\n[Event \"A\"]\r\n\r\n1. e4 e5 Nf3"},
  };
  for (const auto& c : cases) {
    std::string game = c.In;
    EXPECT_EQ(RepairGameShape(game), c.Result) << c.Name;
    EXPECT_EQ(game, c.Out) << c.Name;
  }
}

}  // namespace
