// Byte-string search routines. Positions are 1-based; 0 means not found. A '?'
// in a pattern (FindWild, FindWildBack, FindFast, ReplaceAll) matches any byte.
// All comparisons are case-sensitive and by byte value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr char kWildcard = '?';
// The byte that opens every game record of the work file. It is a bullet only
// at the start of a line (the first byte of a text, or right after LF); any
// other 0xB7 is text: the Latin-1 middle dot, or a byte inside a UTF-8 letter
// such as Cyrillic "\xD0\xB7" or Latvian "\xC4\xB7".
inline constexpr char kBullet = '\xB7';
inline constexpr int kFindFastMaxPattern = 256;

// First position >= start where pattern matches with wildcards, else 0.
int FindWild(std::string_view text, std::string_view pattern, int start);
// First position >= start where pattern occurs byte for byte, else 0.
int FindExact(std::string_view text, std::string_view pattern, int start);
// Last position whose wildcard match ends at or before limit (0 or past the
// text: the text's end), else 0.
int FindWildBack(std::string_view text, std::string_view pattern, int limit);
// Same answer as FindWild, by a bad-byte skip search; patterns over 256 bytes give 0.
int FindFast(std::string_view text, std::string_view pattern, int start);
// First position >= start holding ch, else 0.
int FindChar(std::string_view text, char ch, int start);
// Last position <= limit holding ch (limit 0 or >= length: from the end), else 0.
int FindCharBack(std::string_view text, char ch, int limit);
// True when the byte at 0-based index i is a bullet (0xB7 at a line start).
inline bool IsBulletAt(std::string_view text, size_t i) {
  return i < text.size() && text[i] == kBullet && (i == 0 || text[i - 1] == '\n');
}
// 0-based: the first bullet at or after from, else npos.
size_t NextBullet(std::string_view text, size_t from);
// 1-based, as FindChar: the first bullet at or after start, else 0.
int FindBullet(std::string_view text, int start);
// 1-based, as FindCharBack: the last bullet at or before limit, else 0.
int FindBulletBack(std::string_view text, int limit);
// The number of bullets in text.
int64_t CountBulletBytes(std::string_view text);
// text[from..] without its bullets (judged in the whole text, so a 0xB7 that
// only comes to a line start once a bullet before it is gone stays).
std::string WithoutBullets(std::string_view text, size_t from);
// Replaces every wildcard match of find (left to right, never re-searching the
// replacement); returns the count.
int ReplaceAll(std::string& text, std::string_view find, std::string_view replacement);
// Drops every ch, pads the end with spaces to keep the length; returns bytes kept.
int RemoveChar(std::string& text, char ch);
// The game up to and including its last result token that follows a separator,
// or empty. A text shorter than 7 bytes is a programming fault ("logic 7250").
std::string CutAfterLastResult(std::string_view game);
// The name without its last extension (a leading dot is not one).
std::string StripExtension(const std::string& name);
// True for a non-empty text of '0'..'9' only.
bool IsAllDigits(std::string_view text);
