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
  const std::string A = kGameA, B = kGameB, n = "\r\n",
                    L = "[Event \"L\"]\r\n" + std::string(200, 'x') + " 1-0\r\n";
  const std::tuple<const char*, std::string, int32_t, std::vector<std::string>> cases[] = {
      {"one blank line between", A + n + n + B + n, 1000, {A, n + B}},
      {"no final line end", A + n + n + B + "  \t", 1000, {A, n + B}},
      {"two blank lines", A + n + n + n + B + n, 1000, {A, n + n + B}},
      {"no blank line", A + n + B + n, 1000, {A, B}},
      {"ends in 1/2",
       "[Event \"C\"]\r\n\r\n1. c4 1/2\r\n",
       1000,
       {"[Event \"C\"]\r\n\r\n1. c4 1/2"}},
      {"no [Event: joins the next",
       "[White \"w\"]" + n + n + "*" + n + n + B,
       1000,
       {"[White \"w\"]" + n + n + "*" + n + n + B}},
      {"[Event at a line start in a comment",
       "[Event \"A\"]\r\n\r\n{a\r\n[Event x} 1-0\r\n",
       1000,
       {"[Event \"A\"]\r\n\r\n{a", "[Event x} 1-0"}},
      {"text before the first tag", "Mail" + n + n + A + n, 1000, {"Mail" + n + n + A}},
      {"game just fits the buffer", A + n, int32_t(A.size() + 2), {A}},
      {"empty", "", 1000, {"failed: file is empty"}},
      {"one byte", "x", 1000, {"failed: no paired carRtn-lineFeed (1)"}},
      {"bare LF", "[Event \"A\"]\n\n1. e4 1-0\n", 1000, {"failed: no paired carRtn-lineFeed (2)"}},
      {"no LF in a full buffer",
       std::string(50, 'x') + n + A + n,
       30,
       {"failed: line too long/buffer too small"}},
      {"short text before the last LF",
       "ab" + n + std::string(40, 'x') + n,
       10,
       {"failed: buffer too small"}},
      {"one game only in the buffer",
       L + n + L,
       150,
       {"failed: no full, valid game contained in buffer"}},
      {"no result at the end",
       A + n + n + "[Event \"B\"]\r\n\r\n1. d4 xyz\r\n",
       1000,
       {"failed: no valid, ending game result (\"xyz\")"}},
      {"nothing but blanks", "  \r\n\r\n", 1000, {"failed: no valid games to process"}},
      {"[Event in the middle of a line",
       A + " [Event \"B\"]\r\n1. d4 0-1\r\n",
       1000,
       {"failed: nil read"}},
      {"tag lines after the last result",
       A + n + "[Round \"?\"]" + n,
       1000,
       {"failed: no valid, ending game result (\"\"?\"]\")"}},
      // The text would end at the zero byte and the games after it go unread.
      {"a zero byte",
       A + n + std::string(1, '\0') + A,
       1000,
       {"failed: zero byte at offset " + std::to_string(A.size() + 2) + ": not a PGN text file"}},
  };
  for (const auto& [name, bytes, buffer, games] : cases)
    EXPECT_EQ(Read(bytes, buffer), games) << name;
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
  const std::string A = "[Event \"A\"]", W = "[White \"w\"]", n = "\r\n";
  const std::tuple<std::string, bool, std::string> cases[] = {
      {n + n + kGameA, true, n + kGameA},
      {A + n + n + W + n + n + n + "1. e4 1-0", true, n + A + n + W + n + n + "1. e4 1-0"},
      {A + "\r" + n + n + "1. e4 *", true, n + A + n + n + "1. e4 *"},
      {"junk" + n + A + n + n + "1. e4 0-1 {end}", true, n + A + n + n + "1. e4 0-1"},
      {A + n + n + "1. e4 e5 2", true, n + A + n + n + "1. e4 e5 2"},
      {"x " + W + "1. e4 *", true, n + W + n + n + "1. e4 *"},
      {W + "\rx" + n + "1. e4 *", true, n + W + n + n + "\rx" + n + "1. e4 *"},
      {n + W + n + n + "1. e4 *", true, n + W + n + n + "1. e4 *"},
      {"1. e4 e5", false, "1. e4 e5"},
      {"[Site \"s\"]" + n + n + "1. e4 *", false, "[Site \"s\"]" + n + n + "1. e4 *"},
      {A + n + n + "1. e4 e5 Nf3", false, n + A + n + n + "1. e4 e5 Nf3"},
  };
  for (const auto& [in, repaired, out] : cases) {
    std::string game = in;
    EXPECT_EQ(RepairGameShape(game), repaired) << in;
    EXPECT_EQ(game, out) << in;
  }
}

}  // namespace
