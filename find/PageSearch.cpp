#include "find/PageSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "pgn/StrScan.h"

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  // Latin-1 capitals 0xC0..0xDE fold to 0xE0..0xFE, except the multiplication sign.
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 32);
  }
  return t;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

constexpr std::array<unsigned char, 256> MakeAsciiFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  return t;
}
constexpr std::array<unsigned char, 256> kFoldAscii = MakeAsciiFoldTable();

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}


bool WholeWordAt(std::string_view text, size_t at, size_t length) {
  if (at > 0 && IsWordByte(static_cast<unsigned char>(text[at - 1]))) return false;
  const size_t end = at + length;
  return end >= text.size() || !IsWordByte(static_cast<unsigned char>(text[end]));
}

// A Horspool skip search over bytes mapped through map (folding or identity).
int64_t Scan(std::string_view text, std::string_view find, size_t from,
             const std::array<unsigned char, 256>& map, bool wholeWord) {
  const size_t m = find.size();
  std::string pattern(m, '\0');
  for (size_t i = 0; i < m; ++i) pattern[i] = static_cast<char>(map[static_cast<unsigned char>(find[i])]);
  std::array<size_t, 256> skip;
  skip.fill(m);
  for (size_t i = 0; i + 1 < m; ++i) skip[static_cast<unsigned char>(pattern[i])] = m - 1 - i;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
  const unsigned char last = p[m - 1];
  size_t at = from;
  while (at + m <= text.size()) {
    const unsigned char c = map[t[at + m - 1]];
    if (c == last) {
      size_t i = 0;
      while (i + 1 < m && map[t[at + i]] == p[i]) ++i;
      if (i + 1 >= m && (!wholeWord || WholeWordAt(text, at, m))) return static_cast<int64_t>(at);
    }
    at += skip[c];
  }
  return -1;
}

// A byte that folding pairs with another (an ASCII or Latin-1 letter).
bool HasCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= 0xC0 && c <= 0xFE && c != 0xD7 && c != 0xF7 && c != 0xDF);
}

// When letter case cannot matter, the C library's search does the work.
int64_t ScanExact(std::string_view text, std::string_view find, size_t from, bool wholeWord) {
  const char* base = text.data();
  while (from + find.size() <= text.size()) {
    const void* hit = memmem(base + from, text.size() - from, find.data(), find.size());
    if (!hit) return -1;
    const auto at = static_cast<size_t>(static_cast<const char*>(hit) - base);
    if (!wholeWord || WholeWordAt(text, at, find.size())) return static_cast<int64_t>(at);
    from = at + 1;
  }
  return -1;
}

}  // namespace

bool IsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

unsigned char FoldCase(unsigned char c) {
  return kFold[c];
}

int64_t SearchText(std::string_view text, std::string_view find, int64_t from,
                   TSearchOptions options) {
  if (find.empty() || from < 0) return -1;
  const size_t start = static_cast<size_t>(from);
  if (start > text.size() || text.size() - start < find.size()) return -1;
  const auto& fold = options.Utf8 ? kFoldAscii : kFold;
  const bool caseless = std::none_of(find.begin(), find.end(), [&](char c) {
    const auto b = static_cast<unsigned char>(c);
    return options.Utf8 ? b < 0x80 && HasCase(b) : HasCase(b);
  });
  if (options.MatchCase || caseless) return ScanExact(text, find, start, options.WholeWord);
  return Scan(text, find, start, fold, options.WholeWord);
}

bool SameTextAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool SelectionMatches(std::string_view selected, std::string_view find, bool findListShown) {
  if (!findListShown) return SameTextAsciiNoCase(selected, find);
  if (selected.empty() || selected.size() != find.size()) return false;
  std::string pattern(find);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == kWildcard) pattern[i] = selected[i];
  }
  return SameTextAsciiNoCase(selected, pattern);
}
