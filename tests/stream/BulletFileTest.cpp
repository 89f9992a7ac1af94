// The bullet file: conversion from PGN, its page map, page moves and where a
// written page goes.
#include <algorithm>
#include <map>
#include <random>

#include "tests/stream/StreamTestUtil.h"

namespace {

// The bytes written as a bullet file at path and mapped with the buffer size.
std::unique_ptr<TFStreamTxStr> MapOf(const std::string& path, const std::string& bytes,
                                     int32_t buffer) {
  WriteFileBytes(path, bytes);
  auto s = std::make_unique<TFStreamTxStr>(path, "", "", TOpenMode::ReadWrite, buffer);
  s->BuildPageMap();
  return s;
}

// In pages that follow each other, none longer than the buffer; without its
// bullets the work file is the PGN file, the first game with the CR LF every
// later game has.
TEST(BulletFile, ConversionOfARealCollectionKeepsEveryGame) {
  TTempDir dir;
  for (int32_t buffer : {10000, 100000, 900000}) {
    auto bullet = ConvertAndMap(TestDataPath("london1851.pgn"), dir.File("b.tmp"), buffer);
    std::string bytes = ReadFileBytes(dir.File("b.tmp"));
    EXPECT_EQ(std::erase(bytes, '\xB7'), 251u);
    EXPECT_TRUE(bytes == "\r\n" + TestData("london1851.pgn")) << buffer;
    int64_t total = 0, games = 0;
    for (const TBufMapEntry& e : bullet->Map->Entries) {
      EXPECT_LE(e.Length, buffer);
      EXPECT_EQ(e.Offset, total);
      total += e.Length;
      games += e.Games;
    }
    EXPECT_EQ(total, bullet->FileSize());
    EXPECT_EQ(games, 251);
  }
}

// A game with neither Event nor White tag cannot be repaired: the user is told
// and the game is kept as it stands; closing that box without OK ends the program.
// A map refuses a file without a bullet and a record longer than the buffer.
TEST(BulletFile, ConversionAndMapFailuresAndLimits) {
  TTempDir dir;
  TScriptDialogs dialogs;
  WriteFileBytes(dir.File("odd.pgn"), "[Site \"s\"]\r\n\r\n\r\n1. e4 *\r\n");
  ConvertAndMap(dir.File("odd.pgn"), dir.File("b2.tmp"), 10000);
  EXPECT_EQ(dialogs.Shown.size(), 1u);
  dialogs.OkBoxAnswers = {TMsgAnswer::Cancel};
  EXPECT_THROW(ConvertAndMap(dir.File("odd.pgn"), dir.File("b3.tmp"), 10000), EHalt);
  // No bullet; a record longer than the buffer.
  for (const std::string& bytes :
       {std::string("[Event \"A\"]\r\n1-0\r\n"), Record("A", 2000) + Record("B")})
    EXPECT_THROW(MapOf(dir.File("b.tmp"), bytes, 1000), EChessException);
  // Exactly the buffer.
  EXPECT_EQ(MapOf(dir.File("b.tmp"), Record("A", 1000 - 24), 1000)->Map->Entry(1).Games, 1);
  EXPECT_THROW(MapOf(dir.File("b.tmp"), Record("A", 1001 - 24), 1000), EChessException);

  TBufMap map;
  for (int i = 0; i < cMaxMap; ++i) map.Add(i, 1, 1);
  EXPECT_THROW(map.Add(0, 1, 1), EChessException);
  EXPECT_EQ(map.Count, cMaxMap);
}

TEST(BulletFile, PageMovesClamp) {
  TTempDir dir;
  std::string bytes;
  for (int i = 0; i < 6; ++i) bytes += Record("G" + std::to_string(i), 300);
  auto s = MapOf(dir.File("b.tmp"), bytes, 700);  // two records a page
  ASSERT_EQ(s->PageCount(), 3);
  std::string text;
  const std::pair<int32_t, int32_t> gotos[] = {{0, 1}, {-5, 1}, {2, 2}, {4, 3}, {3, 3}};
  for (const auto& [go, reached] : gotos) EXPECT_EQ(s->GotoPage(go, text), reached) << go;
  EXPECT_EQ(text, Record("G4", 300) + Record("G5", 300));
  // Page moves past either end give 0 and stay; the others give the page reached.
  const std::pair<int32_t, int32_t> moves[] = {{s->NextPage(text), 0},  {s->CurrentPage(), 3},
                                               {s->FirstPage(text), 1}, {s->PrevPage(text), 0},
                                               {s->CurrentPage(), 1},   {s->NextPage(text), 2},
                                               {s->PrevPage(text), 1},  {s->LastPage(text), 3}};
  for (const auto& [got, expected] : moves) EXPECT_EQ(got, expected);
}

// A page commits only when its bullets stand at line starts before their
// Event lines; a 0xB7 inside a line (a letter of a name) is text.
TEST(BulletFile, WritePageValidatesBulletsBeforeWriting) {
  TTempDir dir;
  auto s = MapOf(dir.File("b.tmp"), Record("A") + Record("B"), 1000);
  const std::string before = ReadFileBytes(dir.File("b.tmp"));
  const std::string cases[] = {"[Event \"A\"]\r\n",
                               "\xB7\r\n[Event",
                               "x\xB7\r\n[Event \"a\"]\r\n",
                               Record("A") + "\xB7\r\n",
                               Record("A") + "\xB7 a comment line} 1-0",
                               "\xB7\r\n[Event \"a\"]\r\n1-0\xB7\r\n[Event \"b\"]\r\n"};
  for (std::string text : cases) {
    EXPECT_THROW(s->WritePage(text), EChessException) << text;
    EXPECT_EQ(ReadFileBytes(dir.File("b.tmp")), before);
    EXPECT_EQ(s->Map->Entry(1).Length, static_cast<int32_t>(before.size()));
  }
  std::string named = "\xB7\r\n[Event \"a\xB7\"]\r\n\r\n1. e4 \xD0\xB7 1-0\r\n" + Record("B");
  s->WritePage(named);
  EXPECT_EQ(s->Map->Entry(1).Games, 2);
}

// Each page is checked against a plain model after every write: where it went,
// that every page still reads back as last written, and that live pages never
// overlap.
TEST(BulletFile, WritePagePlacementAgainstAModel) {
  TTempDir dir;
  std::string bytes;
  for (int i = 0; i < 8; ++i) bytes += Record("P" + std::to_string(i), 100);
  auto s = MapOf(dir.File("b.tmp"), bytes, 300);
  ASSERT_EQ(s->PageCount(), 4);
  std::map<int32_t, std::string> model;
  std::string text;
  for (int32_t p = 1; p <= 4; ++p) model[p] = (s->GotoPage(p, text), text);

  // Pages of two 125-byte records lie at 0, 250, 500 and 750.
  auto writeAt = [&](int32_t page, std::string newText, int64_t expectedOffset) {
    s->GotoPage(page, text);
    s->WritePage(newText);
    model[page] = newText;
    EXPECT_EQ(s->Map->Entry(page).Offset, expectedOffset) << "page " << page;
  };
  writeAt(2, Record("S", 10), 250);   // shrinks: stays in place (now 34 bytes)
  writeAt(3, model[3] + "x", 1000);   // one byte longer: no gap fits, to the end
  writeAt(1, Record("G", 442), 284);  // 466 bytes: just the gap after page 2
  writeAt(2, Record("Z", 200), 0);    // 224 bytes: the gap at the start of the file
  EXPECT_EQ(s->FileSize(), 1253);

  std::mt19937 rng(7);
  auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng); };
  for (int round = 0; round < 400; ++round) {
    const int32_t page = pick(1, s->PageCount());
    s->GotoPage(page, text);
    ASSERT_EQ(text, model[page]);
    const int games = pick(0, 3);
    text.clear();
    for (int g = 0; g < games; ++g) text += Record("R" + std::to_string(round), pick(0, 250));
    s->WritePage(text);
    model[page] = text;
    EXPECT_EQ(s->Map->Entry(page).Games, games);
    if (round % 50 == 0) {
      EXPECT_EQ(s->AddPage(), s->FileSize());
      model[s->PageCount()] = "";
    }
    std::vector<std::pair<int64_t, int64_t>> spans;
    for (const auto& e : s->Map->Entries)
      if (e.Length > 0) spans.emplace_back(e.Offset, e.Offset + e.Length);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) ASSERT_LE(spans[i - 1].second, spans[i].first);
  }
  for (int32_t p = 1; p <= s->PageCount(); ++p) {
    s->GotoPage(p, text);
    EXPECT_EQ(text, model[p]) << p;
  }
}

}  // namespace
