#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "pgn/StrScan.h"

namespace {

// Each search on its boundaries: start and limit at and past the ends, a
// pattern longer than what is left, '?' in the text and in the pattern.
TEST(StrScan, SearchesOnTheirBoundaries) {
  const struct {
    char Kind;  // W FindWild and FindFast, E FindExact, B FindWildBack, c FindChar, b FindCharBack
    const char *Text, *Pattern;
    int Start, Expected;
  } cases[] = {
      {'W', "abcabc", "b?a", 1, 2}, {'W', "abc", "?", 3, 3},     {'W', "abc", "abcd", 1, 0},
      {'W', "abc", "a", 4, 0},      {'W', "abc", "a", 0, 0},     {'W', "xab", "?b", 1, 2},
      {'W', "", "a", 1, 0},         {'W', "abc", "", 1, 0},      {'W', "aaab", "aab", 1, 2},
      {'W', "abcabc", "c", 4, 6},   {'W', "ab?", "b?", 1, 2},    {'W', "abc", "bc", 2, 2},
      {'E', "a?cabc", "?c", 1, 2},  {'E', "abcabc", "?c", 1, 0}, {'E', "abcabc", "abc", 2, 4},
      {'E', "abcab", "abc", 2, 0},  {'B', "a.b.c", ".", 0, 4},   {'B', "a.b.c", ".", 3, 2},
      {'B', "a.b.c", ".", 4, 4},    {'B', "a.b.c", ".", 99, 4},  {'B', "abcabc", "c?", 0, 3},
      {'B', "ab", "abc", 0, 0},     {'B', "abc", "a", 0, 1},     {'c', "a.b.", ".", 3, 4},
      {'c', "abc", "a", 2, 0},      {'c', "abc", "c", 3, 3},     {'b', "a[b[c", "[", 0, 4},
      {'b', "a[b[c", "[", 3, 2},    {'b', "a[b[c", "[", 5, 4},   {'b', "a[b[c", "[", 2, 2},
      {'b', "a[b[c", "[", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.Kind) + " " + c.Text + " / " + c.Pattern);
    const int got = c.Kind == 'W'   ? FindWild(c.Text, c.Pattern, c.Start)
                    : c.Kind == 'E' ? FindExact(c.Text, c.Pattern, c.Start)
                    : c.Kind == 'B' ? FindWildBack(c.Text, c.Pattern, c.Start)
                    : c.Kind == 'c' ? FindChar(c.Text, c.Pattern[0], c.Start)
                                    : FindCharBack(c.Text, c.Pattern[0], c.Start);
    EXPECT_EQ(got, c.Expected);
    EXPECT_TRUE(c.Kind != 'W' || FindFast(c.Text, c.Pattern, c.Start) == c.Expected);
  }
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

TEST(StrScan, ReplaceAllNeverSearchesItsOutput) {
  // text, find, replacement, result, count
  const std::tuple<const char*, const char*, const char*, const char*, int> cases[] = {
      {"aaaa", "aa", "a", "aa", 2},
      {"abc", "?", "x", "xxx", 3},
      {"abab", "ab", "abab", "abababab", 2},
      {"xyz", "q", "r", "xyz", 0},
      {"a\r\nb\r\n", "\r\n", "\n", "a\nb\n", 2},
      {"abc", "", "x", "abc", 0}};
  for (const auto& [in, find, repl, out, count] : cases) {
    std::string text = in;
    EXPECT_EQ(ReplaceAll(text, find, repl), count) << in;
    EXPECT_EQ(text, out) << in;
  }
  std::string text = std::string("\xB7") + "ab\xB7";
  EXPECT_EQ(RemoveChar(text, '\xB7'), 2);
  EXPECT_EQ(text, "ab  ");
}

TEST(StrScan, CutAfterLastResultNamesAndDigits) {
  const std::pair<const char*, const char*> cases[] = {
      {"1. e4 e5 1-0 xyz", "1. e4 e5 1-0"},
      {"1. e4 e5 1/2-1/2 {draw}", "1. e4 e5 1/2-1/2"},
      {"1. e4 e5 1/2 x", "1. e4 e5 1/2"},
      {"1. e4 * {x}", "1. e4 *"},
      {"abcdefg", ""},
      {"1. e4 a1-0", ""},  // a token glued to a letter is no token
      {"1-0 1. e4 0-1", "1-0 1. e4 0-1"},
      {"1-0 abcdef", ""},  // tokens ending before position 7 are not looked at
  };
  for (const auto& [game, cut] : cases) EXPECT_EQ(CutAfterLastResult(game), cut) << game;
  EXPECT_THROW(CutAfterLastResult("1-0 ab"), std::logic_error);
  const std::pair<const char*, const char*> names[] = {
      {"C:\\dir\\prog.exe", "C:\\dir\\prog"}, {".x", ".x"}, {"a.b.c", "a.b"}, {"", ""}};
  for (const auto& [name, stripped] : names) EXPECT_EQ(StripExtension(name), stripped);
  for (const char* text : {"", "12a", "-1", "a"}) EXPECT_FALSE(IsAllDigits(text)) << text;
  EXPECT_TRUE(IsAllDigits("0123"));
}

}  // namespace
