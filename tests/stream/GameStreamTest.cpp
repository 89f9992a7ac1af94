// Reading a PGN file game by game through the buffer, and the repair of a
// game's shape on conversion.
#include "tests/stream/StreamTestUtil.h"

namespace {

const std::string kGameA = "[Event \"A\"]\r\n[White \"x\"]\r\n\r\n1. e4 e5 1-0";
const std::string kGameB = "[Event \"B\"]\r\n[White \"y\"]\r\n\r\n1. d4 d5 0-1";

// The games read, or the failure's message.
std::vector<std::string> Read(const std::string& bytes, int32_t bufferSize) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), bytes);
  try {
    return ReadAllGames(dir.File("in.pgn"), bufferSize);
  } catch (const EChessException& e) {
    return {std::string("failed: ") + e.what()};
  }
}

TEST(GameStream, SplitsGamesAndFailsWithItsFixedMessages) {
  const std::string longGame = "[Event \"L\"]\r\n" + std::string(200, 'x') + " 1-0\r\n";
  const std::string x40 = std::string(40, 'x') + "\r\n";
  const struct {
    const char* Name;
    std::string Bytes;
    int32_t Buffer;
    std::vector<std::string> Games;
  } cases[] = {
      {"one blank line between",
       kGameA + "\r\n\r\n" + kGameB + "\r\n",
       1000,
       {kGameA, "\r\n" + kGameB}},
      {"no final line end", kGameA + "\r\n\r\n" + kGameB + "  \t", 1000, {kGameA, "\r\n" + kGameB}},
      {"two blank lines",
       kGameA + "\r\n\r\n\r\n" + kGameB + "\r\n",
       1000,
       {kGameA, "\r\n\r\n" + kGameB}},
      {"no blank line", kGameA + "\r\n" + kGameB + "\r\n", 1000, {kGameA, kGameB}},
      {"ends in 1/2",
       "[Event \"C\"]\r\n\r\n1. c4 1/2\r\n",
       1000,
       {"[Event \"C\"]\r\n\r\n1. c4 1/2"}},
      {"game without [Event joins the next",
       "[White \"w\"]\r\n\r\n1. f4 *\r\n\r\n" + kGameB,
       1000,
       {"[White \"w\"]\r\n\r\n1. f4 *\r\n\r\n" + kGameB}},
      {"[Event in a comment at a line start",
       "[Event \"A\"]\r\n\r\n1. e4 {a\r\n[Event x} e5 1-0\r\n",
       1000,
       {"[Event \"A\"]\r\n\r\n1. e4 {a", "[Event x} e5 1-0"}},
      {"text before the first tag",
       "Mail\r\n\r\n" + kGameA + "\r\n",
       1000,
       {"Mail\r\n\r\n" + kGameA}},
      {"game just fits the buffer", kGameA + "\r\n", int32_t(kGameA.size() + 2), {kGameA}},
      {"empty", "", 1000, {"failed: file is empty"}},
      {"one byte", "x", 1000, {"failed: no paired carRtn-lineFeed (1)"}},
      {"bare LF", "[Event \"A\"]\n\n1. e4 1-0\n", 1000, {"failed: no paired carRtn-lineFeed (2)"}},
      {"no LF in a full buffer",
       std::string(50, 'x') + "\r\n" + kGameA + "\r\n",
       30,
       {"failed: line too long/buffer too small"}},
      {"short text before the last LF", "ab\r\n" + x40, 10, {"failed: buffer too small"}},
      {"one game only in the buffer",
       longGame + "\r\n" + longGame,
       150,
       {"failed: no full, valid game contained in buffer"}},
      {"no result at the end",
       kGameA + "\r\n\r\n[Event \"B\"]\r\n\r\n1. d4 xyz\r\n",
       1000,
       {"failed: no valid, ending game result (\"xyz\")"}},
      {"nothing but blanks", "  \r\n\r\n", 1000, {"failed: no valid games to process"}},
      {"[Event in the middle of a line",
       kGameA + " [Event \"B\"]\r\n1. d4 0-1\r\n",
       1000,
       {"failed: nil read"}},
      {"tag lines after the last result",
       kGameA + "\r\n[Round \"?\"]\r\n",
       1000,
       {"failed: no valid, ending game result (\"\"?\"]\")"}},
      // The text would end at the zero byte and the games after it go unread.
      {"a zero byte",
       kGameA + "\r\n" + std::string(1, '\0') + kGameA,
       1000,
       {"failed: zero byte at offset " + std::to_string(kGameA.size() + 2) +
        ": not a PGN text file"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.Bytes, c.Buffer), c.Games) << c.Name;
}

TEST(GameStream, ReadPastTheEndAndAFullDeviceFail) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), kGameA + "\r\n");
  TFStreamTxStr stream(dir.File("in.pgn"), "", "", TOpenMode::Read, 1000);
  std::string game;
  stream.ReadGame(game);
  EXPECT_TRUE(stream.GamesDone);
  EXPECT_THROW(stream.ReadGame(game), EChessException);
  EXPECT_EQ(stream.LastError, "read past eol");

  TFStreamTxStr out(dir.File("w.pgn"), "", "", TOpenMode::Create, 1000);
  SetWriteFaultAfter(4);
  EXPECT_THROW(out.WriteString("12345"), EChessException);
  SetWriteFaultAfter(-1);
  EXPECT_EQ(out.LastError, "I/O error on write");
}

TEST(RepairGameShape, RepairsBlankLinesAndEnds) {
  const struct {
    std::string In;
    bool Result;
    std::string Out;
  } cases[] = {
      {"\r\n\r\n" + kGameA, true, "\r\n" + kGameA},
      {"[Event \"A\"]\r\n\r\n[White \"x\"]\r\n\r\n\r\n1. e4 1-0", true,
       "\r\n[Event \"A\"]\r\n[White \"x\"]\r\n\r\n1. e4 1-0"},
      {"[Event \"A\"]\r\r\n\r\n1. e4 *", true, "\r\n[Event \"A\"]\r\n\r\n1. e4 *"},
      {"junk\r\n[Event \"A\"]\r\n\r\n1. e4 0-1 {end}", true, "\r\n[Event \"A\"]\r\n\r\n1. e4 0-1"},
      {"[Event \"A\"]\r\n\r\n1. e4 e5 2", true, "\r\n[Event \"A\"]\r\n\r\n1. e4 e5 2"},
      {"x [White \"w\"]1. e4 *", true, "\r\n[White \"w\"]\r\n\r\n1. e4 *"},
      {"[White \"w\"]\rx\r\n1. e4 *", true, "\r\n[White \"w\"]\r\n\r\n\rx\r\n1. e4 *"},
      {"\r\n[White \"w\"]\r\n\r\n1. e4 *", true, "\r\n[White \"w\"]\r\n\r\n1. e4 *"},
      {"1. e4 e5", false, "1. e4 e5"},
      {"[Site \"s\"]\r\n\r\n1. e4 *", false, "[Site \"s\"]\r\n\r\n1. e4 *"},
      {"[Event \"A\"]\r\n\r\n1. e4 e5 Nf3", false, "\r\n[Event \"A\"]\r\n\r\n1. e4 e5 Nf3"},
  };
  for (const auto& c : cases) {
    std::string game = c.In;
    EXPECT_EQ(RepairGameShape(game), c.Result) << c.In;
    EXPECT_EQ(game, c.Out) << c.In;
  }
}

}  // namespace
