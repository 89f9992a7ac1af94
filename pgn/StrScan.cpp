#include "pgn/StrScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace {

int Len(std::string_view s) {
  return static_cast<int>(s.size());
}

// Pattern matches text at 0-based index i, with '?' in the pattern matching anything.
bool MatchesAt(std::string_view text, std::string_view pattern, int i) {
  for (int j = 0; j < Len(pattern); ++j) {
    char p = pattern[j];
    if (p != kWildcard && p != text[i + j]) return false;
  }
  return true;
}

bool IsSeparator(std::string_view s, int pos1) {  // pos1 is 1-based; 0 is before the text
  if (pos1 <= 0) return true;
  char c = s[pos1 - 1];
  return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool EndsWithAt(std::string_view s, int end1, std::string_view token) {
  int start = end1 - Len(token);
  return start >= 0 && s.substr(start, token.size()) == token;
}

}  // namespace

int FindWild(std::string_view text, std::string_view pattern, int start) {
  if (text.empty() || pattern.empty() || start < 1 || start > Len(text)) return 0;
  for (int p = start; p <= Len(text) - Len(pattern) + 1; ++p)
    if (MatchesAt(text, pattern, p - 1)) return p;
  return 0;
}

int FindExact(std::string_view text, std::string_view pattern, int start) {
  if (text.empty() || pattern.empty() || start < 1 || start > Len(text)) return 0;
  int m = Len(pattern);
  const char* base = text.data();
  const char* from = base + start - 1;
  const char* last = base + Len(text) - m;  // last candidate
  while (from <= last) {
    const void* hit = std::memchr(from, pattern[0], static_cast<size_t>(last - from + 1));
    if (!hit) return 0;
    const char* cand = static_cast<const char*>(hit);
    // Patterns here are a few bytes long: a plain loop beats a library call.
    int i = 1;
    while (i < m && cand[i] == pattern[static_cast<size_t>(i)]) ++i;
    if (i == m) return static_cast<int>(cand - base) + 1;
    from = cand + 1;
  }
  return 0;
}

int FindWildBack(std::string_view text, std::string_view pattern, int limit) {
  if (text.empty() || pattern.empty()) return 0;
  int l = (limit <= 0 || limit > Len(text)) ? Len(text) : limit;
  if (l < Len(pattern)) return 0;
  for (int p = l - Len(pattern) + 1; p >= 1; --p)
    if (MatchesAt(text, pattern, p - 1)) return p;
  return 0;
}

int FindFast(std::string_view text, std::string_view pattern, int start) {
  int n = Len(text);
  int m = Len(pattern);
  if (n == 0 || m == 0 || start < 1 || start > n || m > kFindFastMaxPattern) return 0;
  if (start + m - 1 > n) return 0;
  // skip[c]: how far the window's end may move when c stands under the pattern's
  // end; a '?' matches every byte, so no byte may skip past the rightmost '?'.
  std::array<int, 256> skip;
  skip.fill(m);
  int wildLimit = m;
  for (int i = 1; i <= m; ++i) {
    auto c = static_cast<unsigned char>(pattern[i - 1]);
    skip[c] = m - i;
    if (pattern[i - 1] == kWildcard) wildLimit = m - i;
  }
  for (int& s : skip)
    if (s > wildLimit) s = wildLimit;
  int end = start + m - 1;  // 1-based position of the window's last byte
  while (end <= n) {
    int k = 0;
    while (k < m) {
      char p = pattern[m - 1 - k];
      if (p != kWildcard && p != text[end - 1 - k]) break;
      ++k;
    }
    if (k == m) return end - m + 1;
    int q = end - k;
    int shift = skip[static_cast<unsigned char>(text[q - 1])];
    end = q + (shift > k + 1 ? shift : k + 1);
  }
  return 0;
}

int FindChar(std::string_view text, char ch, int start) {
  if (text.empty() || start < 1 || start > Len(text)) return 0;
  const void* hit = std::memchr(text.data() + start - 1, ch, text.size() - (start - 1));
  return hit ? static_cast<int>(static_cast<const char*>(hit) - text.data()) + 1 : 0;
}

int FindCharBack(std::string_view text, char ch, int limit) {
  if (text.empty()) return 0;
  int l = (limit <= 0 || limit >= Len(text)) ? Len(text) : limit;
  for (int p = l; p >= 1; --p)
    if (text[p - 1] == ch) return p;
  return 0;
}

size_t NextBullet(std::string_view text, size_t from) {
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, kBullet, text.size() - from);
    if (!hit) return std::string_view::npos;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (at == 0 || text[at - 1] == '\n') return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

int FindBullet(std::string_view text, int start) {
  if (text.empty() || start < 1 || start > Len(text)) return 0;
  const size_t at = NextBullet(text, static_cast<size_t>(start - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int FindBulletBack(std::string_view text, int limit) {
  for (int p = FindCharBack(text, kBullet, limit); p;
       p = p > 1 ? FindCharBack(text, kBullet, p - 1) : 0)
    if (IsBulletAt(text, static_cast<size_t>(p - 1))) return p;
  return 0;
}

int64_t CountBulletBytes(std::string_view text) {
  int64_t count = 0;
  for (size_t at = NextBullet(text, 0); at != std::string_view::npos; at = NextBullet(text, at + 1))
    ++count;
  return count;
}

std::string WithoutBullets(std::string_view text, size_t from) {
  std::string out;
  if (from >= text.size()) return out;
  out.reserve(text.size() - from);
  for (size_t i = from; i < text.size(); ++i)
    if (!IsBulletAt(text, i)) out += text[i];
  return out;
}

int ReplaceAll(std::string& text, std::string_view find, std::string_view replacement) {
  if (find.empty()) return 0;
  std::string out;
  int count = 0;
  int copied = 1;  // first byte of the input not yet copied
  for (int p = FindWild(text, find, 1); p != 0; p = FindWild(text, find, copied)) {
    size_t need = out.size() + static_cast<size_t>(p - copied) + replacement.size();
    if (need > out.capacity()) out.reserve(2 * need);
    out.append(text, copied - 1, p - copied);
    out.append(replacement);
    copied = p + Len(find);
    ++count;
    if (copied > Len(text)) break;
  }
  if (count == 0) return 0;
  if (copied <= Len(text)) out.append(text, copied - 1, std::string::npos);
  out.shrink_to_fit();
  text = std::move(out);
  return count;
}

int RemoveChar(std::string& text, char ch) {
  size_t kept = 0;
  for (char c : text)
    if (c != ch) text[kept++] = c;
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(kept), text.end(), ' ');
  return static_cast<int>(kept);
}

std::string CutAfterLastResult(std::string_view game) {
  if (game.size() < 7) throw std::logic_error("logic 7250");
  for (int p = Len(game); p >= 7; --p) {
    bool found =
        (EndsWithAt(game, p, "*") && IsSeparator(game, p - 1)) ||
        ((EndsWithAt(game, p, "1-0") || EndsWithAt(game, p, "0-1") || EndsWithAt(game, p, "1/2")) &&
         IsSeparator(game, p - 3)) ||
        (EndsWithAt(game, p, "1/2-1/2") && IsSeparator(game, p - 7));
    if (found) return std::string(game.substr(0, p));
  }
  return {};
}

std::string StripExtension(const std::string& name) {
  for (size_t i = name.size(); i >= 2; --i)
    if (name[i - 1] == '.') return name.substr(0, i - 1);
  return name;
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}
