#include <gtest/gtest.h>

#include <string_view>

#include "find/PageSearch.h"

namespace {

TEST(PageSearch, CaseAndWholeWordRules) {
  const TSearchOptions plain{}, whole{true, false}, cased{false, true}, both{true, true},
      utf8{false, false, true};
  const std::tuple<const char*, std::string_view, std::string, int64_t, TSearchOptions, int64_t>
      cases[] = {
          {"ignores ASCII case", "1.E4 e5", "e4", 0, plain, 2},
          {"folds Latin-1 letters", "R\xC9TI", "r\xE9ti", 0, plain, 0},
          {"keeps the multiplication sign apart", "a\xD7", "a\xF7", 0, plain, -1},
          {"match case skips the capital", "1.E4 e4", "e4", 0, cased, 5},
          {"starts at from", "e4 e4", "e4", 1, plain, 3},
          {"from at the end", "e4", "e4", 2, plain, -1},
          {"pattern longer than text", "e", "e4", 0, plain, -1},
          {"whole word skips e45", "e45 e4", "e4", 0, whole, 4},
          {"whole word at page end", std::string_view("1.e4x", 4), "e4", 0, whole, 2},
          {"whole word inside a longer word", "xe4", "e4", 0, whole, -1},
          {"whole word with punctuation", "e4! e4", "e4", 0, whole, 0},
          {"underscore is a word byte", "_e4 e4", "e4", 0, whole, 4},
          {"Latin-1 letter is a word byte", "\xE9Nf3 Nf3", "Nf3", 0, whole, 5},
          {"whole and case together", "Nf3 nf3x nf3", "nf3", 0, both, 9},
          {"overlapping candidates", "aaab", "aab", 0, plain, 1},
          {"a wildcard is a plain byte", "a?c abc", "a?c", 1, plain, -1},
          {"one-byte pattern", "xyz", "Z", 0, plain, 2},
          // In UTF-8, "\xC5\xA0" is one character and "\xE5\xA0\x80" the start of another.
          {"UTF-8 folds no lead byte", "\xE5\xA0\x80 \xC5\xA0", "\xC5\xA0", 0, utf8, 4},
          {"UTF-8 still folds ASCII", "\xD0\x9A Nf3", "nF3", 0, utf8, 3},
      };
  for (const auto& [name, text, find, from, options, expected] : cases)
    EXPECT_EQ(SearchText(text, find, from, options), expected) << name;
}

TEST(PageSearch, SelectionMatchesForReplace) {
  const std::tuple<const char*, const char*, bool, bool> cases[] = {
      {"E4", "e4", false, true},   {"e4 ", "e4", false, false},  {"\xC9", "\xE9", false, false},
      {"a?c", "a?c", false, true}, {"abc", "a?c", false, false}, {"abc", "a?c", true, true},
      {"ABC", "a?c", true, true},  {"abcd", "a?c", true, false}, {"", "", true, false},
      {"abd", "a?c", true, false},
  };
  for (const auto& [selected, find, list, expected] : cases)
    EXPECT_EQ(SelectionMatches(selected, find, list), expected)
        << selected << " / " << find << list;
}

}  // namespace
