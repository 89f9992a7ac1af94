// Reading a PGN file game by game through the buffer, and the repair of a
// game's shape on conversion.
#include "tests/stream/StreamTestUtil.h"

namespace {

// The games read, or the failure's message.
std::vector<std::string> Read(const std::string& bytes, int32_t bufferSize) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), bytes);
  std::vector<std::string> games;
  try {
    TFStreamTxStr stream(dir.File("in.pgn"), "", "", TOpenMode::Read, bufferSize);
    for (std::string game; !stream.GamesDone; games.push_back(game)) stream.ReadGame(game);
    std::string past;
    EXPECT_THROW(stream.ReadGame(past), EChessException) << "a read past the last game";
    return games;
  } catch (const EChessException& e) {
    return {e.what()};
  }
}

// Each row: the file, the buffer size, the games read or the failure.
TEST(GameStream, SplitsGamesAndFailsWithItsFixedMessages) {
  const std::string A = "[Event \"A\"]\r\n[White \"x\"]\r\n\r\n1. e4 e5 1-0",
                    B = "[Event \"B\"]\r\n[White \"y\"]\r\n\r\n1. d4 d5 0-1", n = "\r\n",
                    L = "[Event \"L\"]\r\n" + std::string(200, 'x') + " 1-0\r\n";
  const std::string C = "[Event \"C\"]\r\n\r\n1. c4 1/2", W = "[White \"w\"]" + n + n + "*" + n + n;
  const std::string E = "[Event \"A\"]\r\n\r\n";
  const std::tuple<std::string, int32_t, std::vector<std::string>> cases[] = {
      {A + n + n + B + n, 1000, {A, n + B}},
      {A + n + n + B + "  \t", 1000, {A, n + B}},  // no final line end
      {A + n + n + n + B + n, 1000, {A, n + n + B}},
      {A + n + B + n, 1000, {A, B}},
      {C + n, 1000, {C}},
      {W + B, 1000, {W + B}},  // no [Event: joins the next
      {E + "{a\r\n[Event x} 1-0\r\n", 1000, {E + "{a", "[Event x} 1-0"}},
      {"Mail" + n + n + A + n, 1000, {"Mail" + n + n + A}},
      {A + n, int32_t(A.size() + 2), {A}},  // the game just fits the buffer
      {"", 1000, {"file is empty"}},
      {"x", 1000, {"no paired carRtn-lineFeed (1)"}},
      {"[Event \"A\"]\n\n1. e4 1-0\n", 1000, {"no paired carRtn-lineFeed (2)"}},
      {std::string(50, 'x') + n + A + n, 30, {"line too long/buffer too small"}},
      {"ab" + n + std::string(40, 'x') + n, 10, {"buffer too small"}},
      {L + n + L, 150, {"no full, valid game contained in buffer"}},
      {A + n + n + E + "1. d4 xyz" + n, 1000, {"no valid, ending game result (\"xyz\")"}},
      {"  \r\n\r\n", 1000, {"no valid games to process"}},
      {A + " [Event \"B\"]\r\n1. d4 0-1\r\n", 1000, {"nil read"}},
      // Tag lines after the last result.
      {A + n + "[Round \"?\"]" + n, 1000, {"no valid, ending game result (\"\"?\"]\")"}},
      // The text would end at the zero byte and the games after it go unread.
      {A + n + std::string(1, '\0') + A,
       1000,
       {"zero byte at offset " + std::to_string(A.size() + 2) + ": not a PGN text file"}},
  };
  for (const auto& [bytes, buffer, games] : cases) EXPECT_EQ(Read(bytes, buffer), games) << bytes;
}

TEST(RepairGameShape, RepairsBlankLinesAndEnds) {
  const std::string A = "[Event \"A\"]", W = "[White \"w\"]", n = "\r\n";
  const std::tuple<std::string, bool, std::string> cases[] = {
      {n + n + A + n + n + "1. e4 *", true, n + A + n + n + "1. e4 *"},
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
