#include <gtest/gtest.h>

#include <set>
#include <string>

#include "find/CheckMacros.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kCrLf = "\r\n";
const std::string kBul(1, '\xB7');

TEST(CheckMacros, EveryLiteralByteForByte) {
  const std::string unknown = " \"?\"]" + kCrLf;
  const struct {
    const char* Code;
    std::string Text;
  } cases[] = {
      {"&&01", kCrLf + kBul},
      {"&&02", kCrLf + kCrLf + kBul},
      {"&&03", kBul + kCrLf},
      {"&&04", kBul + kCrLf + kCrLf},
      {"&&05", unknown},
      {"&&06", " \"\"]" + kCrLf},
      {"&&07", unknown + "[Site \"?\""},
      {"&&08", "????.??.??"},
      {"&&09", "[White \"?\"]"},
      {"&&10", "[Black \"?\"]"},
      {"&&11", ""},
      {"&&12", "[WhiteElo \"?\"]" + kCrLf},
      {"&&13", "[BlackElo \"?\"]" + kCrLf},
      {"&&14", "[ECO \"?\"]" + kCrLf},
      {"&&15", std::string(1, '\x7F')},
      {"&&16", kCrLf + kCrLf},
      {"&&17", kCrLf + kCrLf + kCrLf},
      {"&&18", kCrLf},
      {"&&19", " " + kCrLf},
      {"&&20", kCrLf},
      {"&&21", "\r" + kCrLf},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveLiteralCode(c.Code), c.Text) << c.Code;
}

TEST(CheckMacros, CodesThatStayPlainText) {
  for (const char* text : {"&&22", "&&7", "&&00", "&&1a", "&&011", "&x01", "&&-1", "$$05", ""})
    EXPECT_EQ(ResolveLiteralCode(text), text) << text;
  for (const char* text : {"$$08", "$$00", "$$5", "$$1x", "$$011", "&&05", "$ 05"})
    EXPECT_EQ(CheckCodeNumber(text), 0) << text;
  for (int nn = 1; nn <= 7; ++nn) EXPECT_EQ(CheckCodeNumber("$$0" + std::to_string(nn)), nn);
}

TEST(CheckMacros, DropDownTable) {
  EXPECT_EQ(kMacros[0].Item, "bad bullet ");  // the trailing space belongs to it
  std::set<std::string_view> items;
  for (int i = 1; i <= kMacroCount; ++i) {
    const auto [find, repl] = MacroCodes(i);
    items.insert(kMacros[i - 1].Item);
    // Every find code is live: a literal that resolves or a check code.
    EXPECT_TRUE(ResolveLiteralCode(find) != find || CheckCodeNumber(find) != 0) << i;
    EXPECT_EQ(IsReplaceMacro(i), !repl.empty()) << i;
    if (!repl.empty()) {
      EXPECT_NE(ResolveLiteralCode(repl), repl) << i;
    }
    // Only the repairs name themselves so.
    const std::string_view item = kMacros[i - 1].Item;
    EXPECT_EQ(IsReplaceMacro(i), item.find("(replace)") != item.npos ||
                                     item.find("(delete)") != item.npos)
        << item;
  }
  EXPECT_EQ(items.size(), size_t{kMacroCount});
  EXPECT_EQ(MacroCodes(13), std::make_pair(std::string("&&14"), std::string("&&11")));
  EXPECT_EQ(MacroCodes(21).first, "$$07");
  for (int outside : {-1, 0, 22}) EXPECT_EQ(MacroCodes(outside), std::make_pair(std::string(), std::string()));
  const std::set<int> repairs = {2, 3, 4, 11, 12, 13, 18, 19, 20};
  for (int i = 0; i <= 22; ++i) EXPECT_EQ(IsReplaceMacro(i), repairs.count(i) == 1) << i;
}

TEST(CheckMacros, ReplaceOnPageAsReplaceInFileDoesIt) {
  const TSearchOptions plain;
  TSearchOptions whole;
  whole.WholeWord = true;
  const struct {
    std::string Text, Find, Repl;
    TSearchOptions Options;
    int64_t Limit;
    std::string Expected;
    int Replaced;
    bool Refused;
  } cases[] = {
      {"a \r\nb \r\nc", " \r\n", "\r\n", plain, 100, "a\r\nb\r\nc", 2, false},
      // The replacement holds the find text: the search goes on after it.
      {"xx", "x", "xx", plain, 100, "xxxx", 2, false},
      // An occurrence in other letter case is left; the exact ones after it are replaced.
      {"e4 E4 e4", "e4", "d4", plain, 100, "d4 E4 d4", 2, false},
      {"marshall Marshall", "Marshall", "MARSHALL", plain, 100, "marshall MARSHALL", 1, false},
      {"ae4 e4", "e4", "d4", whole, 100, "ae4 d4", 1, false},
      // Whole words: after "e4" -> "xe" the next "4" would follow a letter.
      {"4 4 4", "4", "x", whole, 100, "x x x", 3, false},
      {"E4 e4", "e4", "d4", whole, 100, "E4 d4", 1, false},
      // No room for the growth: what fits is done, the rest stays.
      {"ab ab ab", "ab", "abcd", plain, 12, "abcd abcd ab", 2, true},
      {"nothing", "zz", "", plain, 100, "nothing", 0, false},
      {"[ECO \"?\"]\r\n1. e4", "[ECO \"?\"]\r\n", "", plain, 100, "1. e4", 1, false},
  };
  for (const auto& c : cases) {
    std::string text = c.Text;
    const TPageReplaceResult r = ReplaceOnPage(text, c.Find, c.Repl, c.Options, c.Limit);
    EXPECT_EQ(text, c.Expected) << c.Text;
    EXPECT_EQ(r.Replaced, c.Replaced) << c.Text;
    EXPECT_EQ(r.Refused, c.Refused) << c.Text;
  }
}

// Games with one defect each, spread over small pages.
std::string DefectFile(int games, int conflictAt, int quoteAt, const char* conflict = "1-0") {
  std::string pgn;
  for (int g = 1; g <= games; ++g) {
    const std::string result = g == conflictAt ? conflict : "1/2-1/2";
    const std::string event = g == quoteAt ? "Club \"A\" cup" : "Club cup";
    pgn += "[Event \"" + event + "\"]\n[Site \"Town\"]\n[Date \"2001.01.01\"]\n[Round \"" +
           std::to_string(g) + "\"]\n[White \"White " + std::to_string(g) +
           "\"]\n[Black \"Black\"]\n[Result \"" + result + "\"]\n\n";
    for (int m = 1; m <= 30; ++m) pgn += std::to_string(m) + ". Nf3 Nf6 " + (m % 8 == 0 ? "\n" : "");
    pgn += "1/2-1/2\n\n";
  }
  return pgn;
}

TEST(CheckMacros, CheckAllPagesWalksFromTheNextPageAndComesBack) {
  TTempDir dir;
  TScriptDialogs dialogs;
  WriteFileBytes(dir.File("d.pgn"), ToCrLf(DefectFile(10, 2, 0, "0-1") + DefectFile(120, 100, 0)));
  auto wf = ConvertAndMap(dir.File("d.pgn"), dir.File("b.tmp"), 10000);
  ASSERT_GT(wf->PageCount(), 4);
  std::string text;
  wf->GotoPage(2, text);
  std::string find = "$$03";
  ASSERT_TRUE(RunCheckCode(wf.get(), "", find));
  EXPECT_EQ(find.substr(0, 3), "1-0");  // found after page 2 first, not on page 1
  EXPECT_EQ(wf->CurrentPage(), 2);
  // Nothing found: false, and the code stays.
  WriteFileBytes(dir.File("c.pgn"), ToCrLf(DefectFile(60, 0, 0)));
  auto clean = ConvertAndMap(dir.File("c.pgn"), dir.File("b2.tmp"), 10000);
  find = "$$03";
  EXPECT_FALSE(RunCheckCode(clean.get(), "", find));
  EXPECT_EQ(find, "$$03");
  // On one page text the check sees that text only.
  const std::string page = "\xB7\r\n[Event \"x\"]\r\n[Result \"0-1\"]\r\n\r\n1. e4 e5 1-0\r\n";
  find = "$$03";
  EXPECT_TRUE(RunCheckCode(wf.get(), page, find));
  EXPECT_EQ(find.substr(0, 3), "0-1");
  EXPECT_TRUE(dialogs.Shown.empty());
}

TEST(CheckMacros, FlagCheckWritesEveryFlaggedPageBack) {
  TTempDir dir;
  TScriptDialogs dialogs;
  WriteFileBytes(dir.File("d.pgn"), ToCrLf(DefectFile(120, 0, 3) + DefectFile(120, 0, 110)));
  auto wf = ConvertAndMap(dir.File("d.pgn"), dir.File("b.tmp"), 10000);
  std::string text;
  std::set<int32_t> before;
  for (int32_t p = 1; p <= wf->PageCount(); ++p) {
    wf->GotoPage(p, text);
    if (text.find("\"A\"") != std::string::npos) before.insert(p);
  }
  ASSERT_EQ(before.size(), 2u);
  wf->GotoPage(1, text);
  std::string find = "$$05";
  int32_t written = 0;
  ASSERT_TRUE(RunCheckCode(wf.get(), "", find, &written));
  EXPECT_EQ(find, "\x7F");
  EXPECT_EQ(written, 2);
  EXPECT_EQ(wf->CurrentPage(), 1);
  for (int32_t p = 1; p <= wf->PageCount(); ++p) {
    wf->GotoPage(p, text);
    EXPECT_EQ(text.find('\x7F') != std::string::npos, before.count(p) == 1) << p;
    EXPECT_EQ(text.find("\"A\""), std::string::npos);
  }
  // On a page the flag check only says where it works.
  find = "$$05";
  EXPECT_FALSE(RunCheckCode(wf.get(), text, find));
  EXPECT_EQ(find, "$$05");
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Use $$05 with \"in file\" only");
}

}  // namespace
