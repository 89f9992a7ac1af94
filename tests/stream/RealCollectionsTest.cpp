// Collections as today's servers and hand editing leave them: names whose
// letters hold the byte 0xB7, and text out of place around the Event lines.
#include <gtest/gtest.h>

#include <functional>

#include "pgn/PgnTags.h"
#include "pgn/Repair.h"
#include "pgn/TextDrops.h"
#include "stream/TxFlows.h"
#include "tests/stream/StreamTestUtil.h"

namespace {

// Names whose bytes hold 0xB7 inside a letter (UTF-8 "з", "ķ", "巷", the middle
// dot in UTF-8 and in Latin-1), each beside an ASCII name of the same length.
struct TNamePair {
  std::string Plain, Named;
};
const std::vector<TNamePair> kNames = {
    {"Morozevich, Alexander",
     "\xD0\x9C\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB7\xD0\xB5\xD0\xB2\xD0\xB8\xD1\x87"},
    {"Kalnins", "\xC4\xB6\x61\x6C\xC5\x86\xC4\xB7\x69\xC5\x86\xC5\xA1"},
    {"Xiang", "\xE5\xB7\xB7\xE5\xAD\x90"},
    {"Jordi Pla", "Jordi Pla\xC2\xB7\x6C\x61"},
    {"Ramon Lull", "Ramon Lul\xB7l"},
};

// count games naming the plain or the named side of kNames, several to a page
// of 10000 bytes, a name at the end of a comment line too.
std::string Collection(bool named, int count) {
  auto name = [&](int i) {
    const TNamePair& p = kNames[static_cast<size_t>(i) % kNames.size()];
    return named ? p.Named : p.Plain;
  };
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "[Event \"Open " + std::to_string(i) + "\"]\r\n[White \"" + name(i) +
            "\"]\r\n[Black \"" + name(i + 1) + "\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Nf3 {" +
            name(i + 2) + "\r\n" + name(i + 3) + "} Nc6 3. Bb5 a6 " + std::string(200, 'x') +
            " 1-0\r\n\r\n";
  }
  return text;
}

std::string Replaced(std::string text, bool toNamed) {
  for (const TNamePair& p : kNames) {
    const std::string& from = toNamed ? p.Plain : p.Named;
    const std::string& to = toNamed ? p.Named : p.Plain;
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
  }
  return text;
}

class RealCollections : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearWorkFileNames();
    InitWorkFileNames(dir.Path().string() + "/");
    TakeDropSummary();
  }
  void TearDown() override {
    SetDropReporter(nullptr);
    ClearWorkFileNames();
  }

  // Open and Save, as the window does them; the saved bytes.
  std::string OpenAndSave(const std::string& bytes, int32_t buffer, int64_t* games = nullptr) {
    WriteFileBytes(dir.File("in.pgn"), bytes);
    std::string first, page;
    auto bullet = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), first, buffer), page);
    if (!bullet) return "open failed";
    if (games) {
      *games = 0;
      for (const TBufMapEntry& e : bullet->Map->Entries) *games += e.Games;
    }
    if (!SaveOrAppend(*bullet, TSaveMode::SaveAs, dir.File("out.pgn"), true)) return "save failed";
    return ReadFileBytes(dir.File("out.pgn"));
  }

  TTempDir dir;
  TScriptDialogs dialogs;
};

TEST_F(RealCollections, LettersHoldingTheBulletByteSaveByteForByte) {
  for (int32_t buffer : {10000, 100000}) {
    int64_t games = 0;
    const std::string plain = OpenAndSave(Collection(false, 60), buffer);
    const std::string named = OpenAndSave(Collection(true, 60), buffer, &games);
    EXPECT_TRUE(named == Replaced(plain, true)) << buffer;
    EXPECT_EQ(games, 60) << buffer;
    EXPECT_TRUE(dialogs.Shown.empty()) << dialogs.Shown[0].Text;
    // Saved again, the file stays as it is.
    EXPECT_TRUE(OpenAndSave(named, buffer) == named) << buffer;
  }
}

TEST_F(RealCollections, PagesOfNamedGamesPassTheBulletCheckAndThePacking) {
  WriteFileBytes(dir.File("in.pgn"), Collection(true, 30));
  std::string first, page;
  auto bullet = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), first, 10000), page);
  ASSERT_NE(bullet, nullptr);
  for (int32_t p = 1; p <= bullet->PageCount(); ++p) {
    bullet->GotoPage(p, page);
    EXPECT_EQ(CheckBadBullet(page), "") << p;
    EXPECT_EQ(CountBullets(*bullet, page), bullet->Map->Entry(p).Games) << p;
    EXPECT_EQ(CheckEmptyGame(page), "") << p;
    EXPECT_EQ(CheckConflictingResult(page), "") << p;
  }
  // The caret inside a Cyrillic name is in the game that holds it.
  bullet->GotoPage(1, page);
  const int caret = static_cast<int>(page.find("\xD0\xB7")) + 2;
  const TGameAtCaret at = LocateGameAtCaret(page, caret);
  ASSERT_TRUE(at.Found);
  EXPECT_LT(at.GameStart, caret);
  EXPECT_GT(at.GameEnd, caret);
  EXPECT_EQ(page.compare(static_cast<size_t>(at.GameStart - 1), 7, "[Event "), 0);
}

TEST(BulletRule, OnlyALineStartBulletCountsOrIsCleaned) {
  struct {
    const char* Name;
    std::string Page;
    const char* Failure;  // of CountBullets, "" when the page commits
    std::string Check1;   // what check 1 searches for
  } rows[] = {
      {"mid-line bytes are text", "\xB7\r\n[Event \"a\xB7\"]\r\n\r\n1. e4 \xD0\xB7 1-0\r\n", "",
       ""},
      {"a record that lost its line break", "\xB7\r\n[Event \"a\"]\r\n1-0\xB7\r\n[Event \"b\"]\r\n",
       "midrange bullet/[Event misplaced", "0\xB7"},
      {"a line-start bullet before other text", "\xB7\r\n[Event \"a\"]\r\n\xB7x 1-0\r\n",
       "midrange bullet/[Event misplaced", "\xB7x"},
      {"a page that begins inside a line", "x\xB7\r\n[Event \"a\"]\r\n",
       "top bullet/[Event misplaced", "x\xB7"},
  };
  TTempDir dir;
  WriteFileBytes(dir.File("b.tmp"), "");
  TFStreamTxStr stream(dir.File("b.tmp"), "", "", TOpenMode::Read, 10000);
  for (const auto& r : rows) {
    try {
      CountBullets(stream, r.Page);
      EXPECT_STREQ(r.Failure, "") << r.Name;
    } catch (const EChessException& e) {
      EXPECT_STREQ(e.what(), r.Failure) << r.Name;
    }
    EXPECT_EQ(CheckBadBullet(r.Page), r.Check1) << r.Name;
  }
}

// Text out of place around the Event lines: each row's conversion and what the
// user is told. The games' numbers are their places in the file.
TEST_F(RealCollections, TextOutsideTheGamesIsMovedOrReported) {
  const std::string a = "[Event \"A\"]\r\n[Site \"s\"]\r\n\r\n1. e4 1-0\r\n\r\n";
  struct {
    const char* Name;
    std::string In;
    std::string Saved;
    std::vector<std::string> Told;
  } rows[] = {
      {"tags above the next Event line move below it",
       a + "[Date \"2024.01.02\"]\r\n[Round \"3\"]\r\n[Event \"B\"]\r\n[White \"w\"]\r\n\r\n1. d4 "
           "0-1\r\n",
       "\r\n" + a +
           "[Event \"B\"]\r\n[Date \"2024.01.02\"]\r\n[Round \"3\"]\r\n[White \"w\"]\r\n\r\n1. d4 "
           "0-1\r\n",
       {"game 2: tag lines from above its Event line moved below it: [Date \"2024.01.02\"] / "
        "[Round \"3\"]"}},
      {"a tag the next game has is dropped, and said",
       a + "[White \"x\"]\r\n[Event \"B\"]\r\n[White \"w\"]\r\n\r\n1. d4 0-1\r\n",
       "\r\n" + a + "[Event \"B\"]\r\n[White \"w\"]\r\n\r\n1. d4 0-1\r\n",
       {"game 2: dropped before its Event line: [White \"x\"]"}},
      {"the first game's tags above its Event line",
       "[Site \"s\"]\r\n[Event \"A\"]\r\n\r\n1. e4 1-0\r\n",
       "\r\n[Event \"A\"]\r\n[Site \"s\"]\r\n\r\n1. e4 1-0\r\n",
       {"game 1: tag lines from above its Event line moved below it: [Site \"s\"]"}},
      {"comments and escape lines after a result",
       "[Event \"A\"]\r\n\r\n1. e4 1-0 {won on time}\r\n% exported\r\n; note\r\n\r\n" + a,
       "\r\n[Event \"A\"]\r\n\r\n1. e4 1-0\r\n\r\n" + a.substr(0, a.size() - 2),
       {"game 1: dropped after its result: {won on time} / % exported / ; note"}},
  };
  for (const auto& r : rows) {
    std::vector<std::string> told;
    SetDropReporter([&](const TTextDrop& d) { told.push_back(DescribeDrop(d)); });
    EXPECT_EQ(OpenAndSave(r.In, 100000), r.Saved) << r.Name;
    EXPECT_EQ(told, r.Told) << r.Name;
  }
  // The window gathers the reports into one box after the conversion.
  SetDropReporter(nullptr);
  dialogs.Shown.clear();
  OpenAndSave(rows[0].In, 100000);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_NE(dialogs.Shown[0].Text.find("Odd game end\r\n"), std::string::npos);
  EXPECT_NE(dialogs.Shown[0].Text.find(rows[0].Told[0]), std::string::npos);
}

// Misplaced tags at a buffer's end made the file fail to open or open
// differently by buffer size; now every buffer size gives the same file.
TEST_F(RealCollections, MisplacedTagsGiveTheSameFileAtEveryBufferSize) {
  std::string text;
  for (int i = 0; i < 120; ++i)
    text += "[Round \"" + std::to_string(i) +
            "\"]\r\n[Event \"E\"]\r\n[White \"w\"]\r\n\r\n1. e4 " +
            std::string(static_cast<size_t>(100 + i * 7 % 300), 'm') + " 1-0\r\n\r\n";
  int drops = 0;
  SetDropReporter([&](const TTextDrop& d) { drops += d.Kind == TDropKind::TagsMoved; });
  const std::string big = OpenAndSave(text, 900000);
  EXPECT_EQ(drops, 120);
  EXPECT_TRUE(OpenAndSave(text, 10000) == big) << testing::PrintToString(dialogs.Texts());
  EXPECT_EQ(big.find("[Round"), big.find("[Event \"E\"]\r\n[Round \"0\"]") + 13);
}

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
            "\r\n[Event \"A\"]\r\n\r\n1. e4 1-0\r\n\r\n[Event \"B\"]\r\n[Site \"s\"]\r\n\r\n1. d4 "
            "0-1\r\n");
  EXPECT_EQ(told, (std::vector<std::string>{"game 1: dropped before its first tag: junk before",
                                            "game 1: dropped after its result: {after}",
                                            "game 2: tag lines from above its Event line moved "
                                            "below it: [Site \"s\"]"}));
}

}  // namespace
