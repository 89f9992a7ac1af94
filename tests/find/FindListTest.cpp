#include <gtest/gtest.h>

#include "find/FindList.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(FindList, WholeWordAndMatchLine) {
  const std::tuple<const char*, int, bool> words[] = {
      {"1.e4 e5", 3, true}, {"1.e45", 3, false},
      {"e4!", 1, true},     {"x e4", 3, true},  // the page end is no word byte
      {"xe4", 2, false},    {"_e4_", 2, true},  // only letters and digits count here
  };
  for (const auto& [text, pos, whole] : words)
    EXPECT_EQ(IsWholeWordMatch(text, pos, 2), whole) << text;
  const std::string text = "ab\r\ncd e4 x\r\nef";
  const std::tuple<int, int, const char*, int> lines[] = {
      {8, 2, "cd e4 x\r\n", 5},       {1, 1, "ab\r\n", 1}, {3, 1, "ab\r\n", 1},
      {5, 1, "cd e4 x\r\n", 5},       {14, 2, "ef", 14},  // the last line has no CR
      {2, 5, "ab\r\ncd e4 x\r\n", 1},  // a match over a line break takes both lines
  };
  for (const auto& [pos, length, line, start] : lines) {
    const TMatchLine m = GetMatchLine(text, pos, length);
    EXPECT_EQ(m.Text, line) << pos;
    EXPECT_EQ(m.Start, start) << pos;
    EXPECT_EQ(m.Length, static_cast<int>(m.Text.size())) << pos;
  }
}

// Each row: the page, the find text, whole words, the capacity; the offsets of
// the lines found, each once, and the page where the capacity was reached.
TEST(FindList, CollectsEachLineOnceWithItsPlace) {
  const std::string longLine(300, 'x');
  const std::tuple<std::string, std::string, bool, int64_t, std::vector<int64_t>, int32_t> rows[] =
      {
          {"e4 e4 e4\r\nNf3\r\ne45 e4!\r\n", "e4", false, 1000, {0, 15}, 0},
          {"e45\r\ne45 e4!\r\n", "e4", true, 1000, {5}, 0},           // over "e45" to "e4!"
          {"abc\r\nAxc\r\naxc\r\n", "a?c", false, 1000, {0, 10}, 0},  // '?' is any byte; case
                                                                      // counts
          // A find text over 256 bytes (a check's excerpt) is found all the same.
          {"a\r\n" + longLine + "y\r\n", longLine + "y", false, 1000, {3}, 0},
          // Lines of 7 bytes: a capacity of 14 holds two, the third reaches it.
          {"e4 ab\r\ne4 cd\r\ne4 ef\r\n", "e4", false, 14, {0, 7}, 7},
          {"e4 ab\r\ne4 cd\r\n", "e4", false, 14, {0, 7}, 0},
      };
  for (const auto& [page, find, whole, capacity, offsets, capacityPage] : rows) {
    TList2 list;
    TListCollector c{list, find, whole, capacity};
    CollectPageMatches(c, page, 7);
    std::vector<int64_t> found;
    for (int32_t i = 0; i < list.Count(); ++i) found.push_back(list[i].Offset);
    EXPECT_EQ(found, offsets) << page;
    EXPECT_EQ(c.CapacityPage, capacityPage) << page;
    if (found.size() < 2 || capacity < 1000) continue;
    const auto at = static_cast<size_t>(offsets[1]);  // the whole line, and the find text
    EXPECT_EQ(list[1].Line, page.substr(at, page.find('\n', at) + 1 - at)) << page;
    EXPECT_EQ(list[1].Length, static_cast<int>(list[1].Line.size()));
    EXPECT_EQ(list[1].Page, 7);
    EXPECT_EQ(list[1].NewLine, find);
  }
}

TEST(FindList, SortListTextAndReadBack) {
  TList2 list;
  list.Items.push_back(std::make_unique<TFoundLine>("b2\r\n", "x", 1, 0, 4));
  list.Items.push_back(std::make_unique<TFoundLine>("A1\r\n", "x", 2, 8, 4));
  list.Items.push_back(std::make_unique<TFoundLine>("a3\r\n", "x", 2, 20, 4));
  list.Items.push_back(std::make_unique<TFoundLine>("c\r\nd\r\n", "x", 1, 30, 6));
  SortByLine(list);
  EXPECT_EQ(ListText(list, false), "A1\r\na3\r\nb2\r\nc\r\nd\r\n");
  EXPECT_EQ(ListText(list, true), "A1\r\na3\r\nb2\r\nc  d\r\n");
  // Change A1 and b2; the others are dropped; then by page, offsets descending.
  ReadBackList(list, "A1x\r\na3\r\nB2\r\nc\r\nd\r\nextra line ignored\r\n");
  ASSERT_EQ(list.Count(), 3);  // c\r\n differs from "c\r\nd\r\n" as read line by line
  EXPECT_EQ(list[0].Page, 1);
  EXPECT_EQ(list[0].Offset, 30);
  EXPECT_EQ(list[1].NewLine, "B2\r\n");
  EXPECT_EQ(list[2].Page, 2);
  EXPECT_EQ(list[2].NewLine, "A1x\r\n");
  // One complete line per entry, or nothing changes.
  for (const char* text : {"a\r\nb", "a\r\nb\r", "a b\r\n", "a\rb\r\n", ""}) {
    list.Items.clear();
    list.Items.push_back(std::make_unique<TFoundLine>("a\r\n", "a", 1, 0, 3));
    list.Items.push_back(std::make_unique<TFoundLine>("b\r\n", "b", 1, 3, 3));
    EXPECT_THROW(ReadBackList(list, text), EFindListError) << text;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].NewLine, "a");
  }
}

TEST(FindList, ReplaceLineInPageChecksTheOldLine) {
  std::string page = "l1\r\nline 2\r\nl3\r\n";
  ReplaceLineInPage("line 2\r\n", "L2\r\n", 4, page, 8);
  EXPECT_EQ(page, "l1\r\nL2\r\nl3\r\n");
  TScriptDialogs dialogs;
  EXPECT_THROW(ReplaceLineInPage("line 2\r\n", "x\r\n", 4, page, 8), EHalt);
  EXPECT_THROW(ReplaceLineInPage("l3\r\n", "x\r\n", 100, page, 4), EHalt);
  EXPECT_EQ(page, "l1\r\nL2\r\nl3\r\n");
}

// A real collection in small pages: every line with the text is found once,
// the current page first, and the walk leaves it current; a small capacity
// stops the walk on the page where it was reached.
TEST(FindList, FileWalkFindsEveryLineOnce) {
  TTempDir dir;
  auto wf = ConvertAndMap(TestDataPath("london1851.pgn"), dir.File("b.tmp"), 10000);
  std::string text, london = TestData("london1851.pgn");
  int lines = 0;
  for (size_t at = 0; (at = london.find("Anderssen", at)) != std::string::npos; ++lines)
    at = london.find('\n', at);
  for (int64_t capacity : {400000, 200}) {
    wf->GotoPage(5, text);
    TList2 list;
    TListCollector c{list, "Anderssen", false, capacity};
    CollectFileMatches(*wf, c);
    EXPECT_EQ(wf->CurrentPage(), 5);
    EXPECT_EQ(list[0].Page, 5);
    int64_t kept = 0;
    for (int32_t i = 0; i < list.Count(); ++i) kept += list[i].Length;
    EXPECT_EQ(c.CapacityPage > 0, capacity == 200);
    EXPECT_TRUE(capacity == 200 ? kept <= 200 && kept + 100 > 200 : list.Count() == lines);
    for (int32_t i = 0; i < list.Count(); ++i) {
      wf->GotoPage(list[i].Page, text);
      EXPECT_EQ(text.substr(static_cast<size_t>(list[i].Offset), list[i].Line.size()),
                list[i].Line);
    }
  }
}

}  // namespace
