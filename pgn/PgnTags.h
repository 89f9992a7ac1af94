// The tag sections and game ends of a text of whole games (a page of the work
// file, or the editor's text): the seven game checks behind the "$$01" to
// "$$07" macros, the known tag names and the game under the caret. Nothing here
// keeps state between calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pgn/PgnDate.h"

// Written by check 5 in place of an embedded quote or bracket; "find flag" looks for it.
inline constexpr char kFlagChar = '\x7F';
inline constexpr int kTagNameCompareLength = 20;
inline constexpr int kBadGameExcerptLength = 100;
inline constexpr char kBadGameText[] = "bad game";

// The tags the packed format keeps; the first seven are the Seven Tag Roster.
inline constexpr std::array<std::string_view, 18> KnownTagNames = {
    "Event",  "Site",       "Date",       "Round",        "White",        "Black",
    "Result", "ECO",        "WhiteElo",   "BlackElo",     "Opening",      "PlyCount",
    "XXX",    "WhiteTitle", "BlackTitle", "WhiteCountry", "BlackCountry", "Annotator"};

// Case-sensitive, on at most the first 20 characters of name.
bool IsKnownTagName(std::string_view name);

// Each check returns the text the macro then searches for, empty when it finds
// nothing. Checks 3, 5 and 6 show "bad game" for a game they cannot read and
// return the 100 characters from where they stood. Checks 6 and 7 stop the
// program ("logic 7520") when the text holds no bullet at all.

// 1: a bullet not at a line start or not followed by CR: that bullet with the
// character before or after it.
std::string CheckBadBullet(std::string_view text);
// 2: the 17 characters from the '[' of the last Date tag that IsBadDateTag rejects.
std::string CheckBadDate(std::string_view text, int32_t today = TodayDayNumber());
// 3: from the Result value to the game's end, for a game whose last word differs
// from its Result value.
std::string CheckConflictingResult(std::string_view text);
// 4: the first TAB or byte above 0x7F other than the bullet.
std::string CheckHighAscii(std::string_view text);
// 5: replaces quotes and brackets inside tag values by kFlagChar (in text
// itself); returns kFlagChar when it set at least one.
std::string FlagEmbeddedQuotes(std::string& text);
// 6: a game whose last word follows its tag section directly, from its bullet
// to its last non-blank character.
std::string CheckEmptyGame(std::string_view text);
// 7: '[' and the first tag name (cut to 20) that is not a known one.
std::string CheckPackConflict(std::string_view text);

// Check code 1..7 to its check; any other code finds nothing.
std::string RunGameCheck(int code, std::string& text);

// All positions 1-based.
struct TGameAtCaret {
  bool Found = false;
  int GameStart = 0;  // the '[' of the first tag line
  int GameEnd = 0;    // the next bullet, or the text length + 1
  int MoveStart = 0;  // the first "1." after the last tag value
  int Area = 0;       // 0 nothing found, 1 in the tags, 2 in the moves
};

// caret: the editor's 0-based caret offset, that is the 1-based position of
// the character just before the caret (0: at the very start, nothing found).
TGameAtCaret LocateGameAtCaret(std::string_view text, int caret);
