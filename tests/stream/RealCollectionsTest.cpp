// Collections as today's servers and hand editing leave them: names whose
// letters hold the byte 0xB7, and text out of place around the Event lines.
#include "pgn/PgnTags.h"
#include "pgn/TextDrops.h"
#include "tests/stream/StreamTestUtil.h"

namespace {

// Names whose bytes hold 0xB7 inside a letter (UTF-8 "з", "ķ", "巷", the middle
// dot in UTF-8 and in Latin-1).
const std::string kNames[] = {
    "\xD0\x9C\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB7\xD0\xB5\xD0\xB2\xD0\xB8\xD1\x87",
    "\xC4\xB6\x61\x6C\xC5\x86\xC4\xB7\x69\xC5\x86\xC5\xA1", "\xE5\xB7\xB7\xE5\xAD\x90",
    "Jordi Pla\xC2\xB7\x6C\x61", "Ramon Lul\xB7l"};

using RealCollections = TWorkFilesTest;

// 60 games naming them, several to a page of 10000 bytes, a name at the end of
// a comment line too.
TEST_F(RealCollections, LettersHoldingTheBulletByteSaveByteForByte) {
  auto name = [](int i) { return kNames[static_cast<size_t>(i) % std::size(kNames)]; };
  std::string text;
  for (int i = 0; i < 60; ++i) {
    text += "[Event \"Open " + std::to_string(i) + "\"]\r\n[White \"" + name(i) +
            "\"]\r\n[Black \"" + name(i + 1) + "\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Nf3 {" +
            name(i + 2) + "\r\n" + name(i + 3) + "} Nc6 3. Bb5 a6 " + std::string(200, 'x') +
            " 1-0\r\n\r\n";
  }
  for (int32_t buffer : {10000, 100000}) {
    const std::string saved = OpenAndSave(text, buffer);
    EXPECT_TRUE(saved == "\r\n" + text.substr(0, text.size() - 2)) << buffer;
    EXPECT_TRUE(OpenAndSave(saved, buffer) == saved) << "saved again, it stays " << buffer;
  }
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{});
  auto bullet = Open(dir.File("in.pgn"), 10000);
  ASSERT_GT(bullet->PageCount(), 1);
  std::string page;
  for (int32_t p = 1; p <= bullet->PageCount(); ++p) {
    bullet->GotoPage(p, page);
    EXPECT_EQ(CheckBadBullet(page), "") << p;
    EXPECT_EQ(CountBullets(*bullet, page), bullet->Map->Entry(p).Games) << p;
  }
  // The caret inside a Cyrillic name is in the game that holds it.
  bullet->GotoPage(1, page);
  const int caret = static_cast<int>(page.find("\xD0\xB7")) + 2;
  const TGameAtCaret at = LocateGameAtCaret(page, caret);
  EXPECT_TRUE(at.Found && at.GameStart < caret && caret < at.GameEnd);
  EXPECT_EQ(page.compare(static_cast<size_t>(at.GameStart - 1), 7, "[Event "), 0);
}

// Text out of place around the Event lines: each row's conversion and what the
// user is told. The games' numbers are their places in the file.
TEST_F(RealCollections, TextOutsideTheGamesIsMovedOrReported) {
  const std::string a = "[Event \"A\"]\r\n[Site \"s\"]\r\n\r\n1. e4 1-0\r\n\r\n";
  const std::string b = "[White \"w\"]\r\n\r\n1. d4 0-1\r\n";
  // the file, as saved, what the user is told
  const std::tuple<std::string, std::string, std::string> rows[] = {
      {a + "[Date \"2024.01.02\"]\r\n[Round \"3\"]\r\n[Event \"B\"]\r\n" + b,
       "\r\n" + a + "[Event \"B\"]\r\n[Date \"2024.01.02\"]\r\n[Round \"3\"]\r\n" + b,
       "game 2: tag lines from above its Event line moved below it: [Date \"2024.01.02\"] / "
       "[Round \"3\"]"},
      {a + "[White \"x\"]\r\n[Event \"B\"]\r\n" + b, "\r\n" + a + "[Event \"B\"]\r\n" + b,
       "game 2: dropped before its Event line: [White \"x\"]"},
      {"[Site \"s\"]\r\n[Event \"A\"]\r\n\r\n1. e4 1-0\r\n",
       "\r\n[Event \"A\"]\r\n[Site \"s\"]\r\n\r\n1. e4 1-0\r\n",
       "game 1: tag lines from above its Event line moved below it: [Site \"s\"]"},
      {"[Event \"A\"]\r\n\r\n1. e4 1-0 {won on time}\r\n% exported\r\n; note\r\n\r\n" + a,
       "\r\n[Event \"A\"]\r\n\r\n1. e4 1-0\r\n\r\n" + a.substr(0, a.size() - 2),
       "game 1: dropped after its result: {won on time} / % exported / ; note"},
  };
  for (const auto& [in, saved, said] : rows) {
    std::vector<std::string> told;
    SetDropReporter([&](const TTextDrop& d) { told.push_back(DescribeDrop(d)); });
    EXPECT_EQ(OpenAndSave(in, 100000), saved) << said;
    EXPECT_EQ(told, std::vector<std::string>{said});
  }
}

// Misplaced tags at a buffer's end made the file fail to open or open
// differently by buffer size; now every buffer size gives the same file.
TEST_F(RealCollections, MisplacedTagsGiveTheSameFileAtEveryBufferSize) {
  std::string text;
  for (int i = 0; i < 120; ++i)
    text += "[Round \"" + std::to_string(i) +
            "\"]\r\n[Event \"E\"]\r\n[White \"w\"]\r\n\r\n1. e4 " +
            std::string(static_cast<size_t>(100 + i * 7 % 300), 'm') + " 1-0\r\n\r\n";
  const std::string big = OpenAndSave(text, 900000);
  // The window's one box lists the first 20 of the 120 moves and counts the rest.
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_NE(dialogs.Shown[0].Text.find("game 20: tag lines"), std::string::npos);
  EXPECT_EQ(dialogs.Shown[0].Text.find("game 21: "), std::string::npos);
  EXPECT_NE(dialogs.Shown[0].Text.find("and 100 more"), std::string::npos);
  EXPECT_TRUE(OpenAndSave(text, 10000) == big) << testing::PrintToString(dialogs.Texts());
  EXPECT_EQ(big.find("[Round"), big.find("[Event \"E\"]\r\n[Round \"0\"]") + 13);
}

}  // namespace
