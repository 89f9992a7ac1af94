// Searching a page of text the way Find does in the editor: case folding of the
// 8-bit text, whole-word matching, and the looser comparisons Replace uses to
// decide whether the selection is the text it looks for.
#pragma once

#include <cstdint>
#include <string_view>

struct TSearchOptions {
  bool WholeWord = false;  // the "Whole" box
  bool MatchCase = false;  // the "Case Sensitive" menu item
  // The page is shown as UTF-8: only ASCII letters fold, since a Latin-1 pair
  // such as 0xC5/0xE5 would make a lead byte of one character match another's.
  bool Utf8 = false;
};

// Word characters for whole-word matching: ASCII letters and digits, the
// underscore and the Latin-1 letters (0xC0..0xFF without the two signs).
bool IsWordByte(unsigned char c);
// Case folding used by a search that ignores case: ASCII and Latin-1 letters.
unsigned char FoldCase(unsigned char c);

// First 0-based offset >= from where find occurs under options, else -1. A
// whole-word match has no word character right before or right after it.
int64_t SearchText(std::string_view text, std::string_view find, int64_t from,
                   TSearchOptions options);

// ASCII letters compared without case, every other byte as it is.
bool SameTextAsciiNoCase(std::string_view a, std::string_view b);

// Whether the selected text counts as the find text for Replace. Outside a Find
// list: equal ignoring ASCII case. Inside one: same length, and equal ignoring
// ASCII case once every '?' of the find text takes the selected byte there.
bool SelectionMatches(std::string_view selected, std::string_view find, bool findListShown);
