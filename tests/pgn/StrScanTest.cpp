#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "pgn/StrScan.h"

namespace {

struct TFindCase {
  const char* Text;
  const char* Pattern;
  int Start;
  int Expected;
};

TEST(StrScan, FindWildAndFindFastAgreeOnListedCases) {
  const TFindCase cases[] = {
      {"abcabc", "b?a", 1, 2}, {"abc", "?", 3, 3},  {"abc", "abcd", 1, 0}, {"abc", "a", 4, 0},
      {"abc", "a", 0, 0},      {"xab", "?b", 1, 2}, {"", "a", 1, 0},       {"abc", "", 1, 0},
      {"aaab", "aab", 1, 2},   {"a?c", "?", 2, 2},  {"abcabc", "c", 4, 6}, {"ab?", "b?", 1, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindWild(c.Text, c.Pattern, c.Start), c.Expected) << c.Text << " / " << c.Pattern;
    EXPECT_EQ(FindFast(c.Text, c.Pattern, c.Start), c.Expected) << c.Text << " / " << c.Pattern;
  }
}

TEST(StrScan, FindFastRefusesPatternsOver256Bytes) {
  std::string text(600, 'a');
  EXPECT_EQ(FindFast(text, std::string(256, 'a'), 1), 1);
  EXPECT_EQ(FindFast(text, std::string(257, 'a'), 1), 0);
  EXPECT_EQ(FindWild(text, std::string(257, 'a'), 1), 1);
}

// The skip table must never jump over a place where the pattern, with its
// wildcards, matches: compare with the plain search on many random inputs.
TEST(StrScan, FindFastEqualsFindWildOnRandomTexts) {
  std::mt19937 rng(20261206);
  const std::string alphabet = "ab?c\xB7";
  auto randomText = [&](int maxLen, const std::string& letters) {
    std::string s(std::uniform_int_distribution<int>(0, maxLen)(rng), 'a');
    for (char& ch : s)
      ch = letters[std::uniform_int_distribution<size_t>(0, letters.size() - 1)(rng)];
    return s;
  };
  for (int round = 0; round < 200000; ++round) {
    std::string text = randomText(24, round % 2 ? "abc" : alphabet);
    std::string pattern = randomText(6, alphabet);
    int start = std::uniform_int_distribution<int>(0, static_cast<int>(text.size()) + 1)(rng);
    ASSERT_EQ(FindFast(text, pattern, start), FindWild(text, pattern, start))
        << "text '" << text << "' pattern '" << pattern << "' start " << start;
  }
}

TEST(StrScan, ExactAndBackwardSearches) {
  EXPECT_EQ(FindExact("a?cabc", "?c", 1), 2);
  EXPECT_EQ(FindExact("abcabc", "?c", 1), 0);  // no wildcard in an exact search
  EXPECT_EQ(FindExact("abcabc", "abc", 2), 4);
  EXPECT_EQ(FindExact("abcab", "abc", 2), 0);
  EXPECT_EQ(FindWildBack("a.b.c", ".", 0), 4);
  EXPECT_EQ(FindWildBack("a.b.c", ".", 3), 2);
  EXPECT_EQ(FindWildBack("a.b.c", ".", 99), 4);
  EXPECT_EQ(FindWildBack("abcabc", "c?", 0), 3);  // a match must end inside the limit
  EXPECT_EQ(FindWildBack("ab", "abc", 0), 0);
  EXPECT_EQ(FindChar("a\xB7"
                     "b\xB7",
                     '\xB7', 3),
            4);
  EXPECT_EQ(FindChar("abc", 'a', 2), 0);
  EXPECT_EQ(FindCharBack("a[b[c", '[', 0), 4);
  EXPECT_EQ(FindCharBack("a[b[c", '[', 3), 2);
  EXPECT_EQ(FindCharBack("a[b[c", '[', 5), 4);
}

TEST(StrScan, ReplaceAllNeverSearchesItsOutput) {
  struct {
    const char *Text, *Find, *Repl, *Out;
    int Count;
  } cases[] = {
      {"aaaa", "aa", "a", "aa", 2},
      {"abc", "?", "x", "xxx", 3},
      {"abab", "ab", "abab", "abababab", 2},
      {"xyz", "q", "r", "xyz", 0},
      {"a\r\nb\r\n", "\r\n", "\n", "a\nb\n", 2},
      {"abc", "", "x", "abc", 0},
  };
  for (const auto& c : cases) {
    std::string text = c.Text;
    EXPECT_EQ(ReplaceAll(text, c.Find, c.Repl), c.Count) << c.Text;
    EXPECT_EQ(text, c.Out) << c.Text;
  }
  std::string many(100000, 'a');
  EXPECT_EQ(ReplaceAll(many, "a", "bc"), 100000);
  EXPECT_EQ(many.size(), 200000u);
}

TEST(StrScan, RemoveCharKeepsLength) {
  std::string text =
      "\xB7"
      "ab\xB7";
  EXPECT_EQ(RemoveChar(text, '\xB7'), 2);
  EXPECT_EQ(text, "ab  ");
}

TEST(StrScan, CutAfterLastResult) {
  struct {
    const char *Game, *Cut;
  } cases[] = {
      {"1. e4 e5 1-0 xyz", "1. e4 e5 1-0"},
      {"1. e4 e5 1/2-1/2 {draw}", "1. e4 e5 1/2-1/2"},
      {"1. e4 e5 1/2 x", "1. e4 e5 1/2"},
      {"1. e4 * {x}", "1. e4 *"},
      {"abcdefg", ""},
      {"1. e4 a1-0", ""},  // a token glued to a letter is no token
      {"1-0 1. e4 0-1", "1-0 1. e4 0-1"},
      {"1-0 abcdef", ""},  // tokens ending before position 7 are not looked at
  };
  for (const auto& c : cases) EXPECT_EQ(CutAfterLastResult(c.Game), c.Cut) << c.Game;
  EXPECT_THROW(CutAfterLastResult("1-0 ab"), std::logic_error);
}

TEST(StrScan, NamesAndDigits) {
  EXPECT_EQ(StripExtension("C:\\dir\\prog.exe"), "C:\\dir\\prog");
  EXPECT_EQ(StripExtension(".x"), ".x");
  EXPECT_EQ(StripExtension("korvane"), "korvane");
  EXPECT_EQ(StripExtension("a.b.c"), "a.b");
  EXPECT_EQ(StripExtension(""), "");
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123"));
  EXPECT_FALSE(IsAllDigits("12a"));
  EXPECT_FALSE(IsAllDigits("-1"));
}

}  // namespace
