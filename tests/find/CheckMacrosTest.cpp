#include <gtest/gtest.h>

#include "find/CheckMacros.h"
#include "tests/support/TestSupport.h"

namespace {

// Codes at and past the ends of their ranges, and shapes that stay plain text.
TEST(CheckMacros, CodesAndTheDropDown) {
  EXPECT_EQ(ResolveLiteralCode("&&01"), "\r\n\xB7");
  EXPECT_EQ(ResolveLiteralCode("&&21"), "\r\r\n");
  for (const char* text : {"&&22", "&&7", "&&00", "&&1a", "&&/1", "&&011", "&x01", "$$05", ""})
    EXPECT_EQ(ResolveLiteralCode(text), text) << text;
  for (const char* text : {"$$08", "$$00", "$$5", "$$1x", "$$:1", "$$011", "&&05", "$ 05", "$$10"})
    EXPECT_EQ(CheckCodeNumber(text), 0) << text;
  EXPECT_EQ(CheckCodeNumber("$$01"), 1);
  EXPECT_EQ(CheckCodeNumber("$$07"), 7);
  EXPECT_EQ(MacroCodes(1), std::make_pair(std::string("$$01"), std::string()));
  EXPECT_EQ(MacroCodes(21).first, "$$07");
  for (int outside : {-1, 0, 22}) EXPECT_EQ(MacroCodes(outside), decltype(MacroCodes(0)){});
  for (int i : {-1, 0, 1, 22}) EXPECT_FALSE(IsReplaceMacro(i)) << i;
  EXPECT_TRUE(IsReplaceMacro(2) && IsReplaceMacro(20));
}

TEST(CheckMacros, ReplaceOnPageAsReplaceInFileDoesIt) {
  const TSearchOptions plain{}, whole{true, false};
  // text, find, replacement, options, length limit, result, count, refused
  const std::tuple<std::string, std::string, std::string, TSearchOptions, int64_t, std::string, int,
                   bool>
      cases[] = {
          {"a \r\nb \r\nc", " \r\n", "\r\n", plain, 100, "a\r\nb\r\nc", 2, false},
          // The replacement holds the find text: the search goes on after it.
          {"xx", "x", "xx", plain, 100, "xxxx", 2, false},
          // An occurrence in other letter case is left; the exact ones after it are replaced.
          {"e4 E4 e4", "e4", "d4", plain, 100, "d4 E4 d4", 2, false},
          {"ae4 e4", "e4", "d4", whole, 100, "ae4 d4", 1, false},
          // Whole words: after "e4" -> "xe" the next "4" would follow a letter.
          {"4 4 4", "4", "x", whole, 100, "x x x", 3, false},
          {"E4 e4", "e4", "d4", whole, 100, "E4 d4", 1, false},
          // No room for the growth: what fits is done, the rest stays.
          {"ab ab ab", "ab", "abcd", plain, 12, "abcd abcd ab", 2, true},
          {"ab ab", "ab", "abcd", plain, 9, "abcd abcd", 2, false},
          {"nothing", "zz", "", plain, 100, "nothing", 0, false},
      };
  for (const auto& [in, find, repl, options, limit, out, count, refused] : cases) {
    std::string text = in;
    const TPageReplaceResult r = ReplaceOnPage(text, find, repl, options, limit);
    EXPECT_EQ(text, out) << in;
    EXPECT_EQ(r.Replaced, count) << in;
    EXPECT_EQ(r.Refused, refused) << in;
  }
}

// games games over small pages, one with a conflicting result and one with an
// embedded quote when their numbers are given.
std::string DefectFile(int games, int conflictAt, int quoteAt, const char* conflict = "1-0") {
  std::string pgn;
  for (int g = 1; g <= games; ++g) {
    pgn += std::string("[Event \"") + (g == quoteAt ? "Club \"A\" cup" : "Club cup") +
           "\"]\r\n[White \"W" + std::to_string(g) + "\"]\r\n[Result \"" +
           (g == conflictAt ? conflict : "1/2-1/2") + "\"]\r\n\r\n";
    for (int m = 1; m <= 30; ++m) pgn += std::to_string(m) + ". Nf3 Nf6 " + (m % 8 ? "" : "\r\n");
    pgn += "1/2-1/2\r\n\r\n";
  }
  return pgn;
}

// A conflicting result ("0-1") and an embedded quote on page 1, another conflict
// ("1-0") and quote in the last game, on the last page.
TEST(CheckMacros, CheckAllPagesWalksFromTheNextPageAndComesBack) {
  TTempDir dir;
  TScriptDialogs dialogs;
  WriteFileBytes(dir.File("d.pgn"), DefectFile(10, 2, 3, "0-1") + DefectFile(120, 120, 120));
  auto wf = ConvertAndMap(dir.File("d.pgn"), dir.File("b.tmp"), 10000);
  const int32_t last = wf->PageCount();
  ASSERT_GT(last, 4);
  std::string text;
  wf->GotoPage(2, text);
  std::string find = "$$03";
  ASSERT_TRUE(RunCheckCode(wf.get(), "", find));
  EXPECT_EQ(find.substr(0, 3), "1-0");  // found after page 2 first, not on page 1
  EXPECT_EQ(wf->CurrentPage(), 2);
  wf->GotoPage(last, text);  // from the last page the walk wraps to page 1
  find = "$$03";
  ASSERT_TRUE(RunCheckCode(wf.get(), "", find));
  EXPECT_EQ(find.substr(0, 3), "0-1");
  // The flag check writes back every page it flags.
  find = "$$05";
  int32_t written = 0;
  ASSERT_TRUE(RunCheckCode(wf.get(), "", find, &written));
  EXPECT_EQ(find, "\x7F");
  EXPECT_EQ(written, 2);
  EXPECT_EQ(wf->CurrentPage(), last);
  for (int32_t p = 1; p <= last; ++p) {
    wf->GotoPage(p, text);
    EXPECT_EQ(text.find('\x7F') != std::string::npos, p == 1 || p == last) << p;
  }
  // On one page text the check sees that text only; nothing found leaves the code.
  find = "$$03";
  EXPECT_TRUE(RunCheckCode(wf.get(), "\xB7\r\n[Result \"0-1\"]\r\n\r\n1. e4 e5 1-0\r\n", find));
  EXPECT_EQ(find, "0-1\"]\r\n\r\n1. e4 e5 1-0\r");
  find = "$$03";
  EXPECT_FALSE(RunCheckCode(wf.get(), "\xB7\r\n[Result \"1-0\"]\r\n\r\n1. e4 1-0\r\n", find));
  EXPECT_EQ(find, "$$03");
  // On a page the flag check only says where it works.
  find = "$$05";
  EXPECT_FALSE(RunCheckCode(wf.get(), text, find));
  EXPECT_EQ(find, "$$05");
  EXPECT_EQ(dialogs.Shown.size(), 1u);
}

}  // namespace
