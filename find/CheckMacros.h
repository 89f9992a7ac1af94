// The check macros of the find row: 21 ready-made searches and repairs. A macro
// only fills the find and replacement boxes with short codes; Find and Replace
// turn the codes into their texts. "&&NN" (01..21) stands for a fixed text,
// "$$NN" (01..07) runs one of the seven game checks and searches for what it
// returns. Anything else is searched for as typed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "find/PageSearch.h"

class TFStreamTxStr;

struct TMacro {
  std::string_view Item;         // the text of the drop-down item
  std::string_view FindCode;     // put into the find box
  std::string_view ReplaceCode;  // put into the replacement box (may be empty)
};

inline constexpr int kMacroCount = 21;
inline constexpr int kPackConflictMacro = 21;  // shows its note once a run

// Items 1..21 of the drop-down, in order; items 0 and 22 are empty.
inline constexpr std::array<TMacro, kMacroCount> kMacros = {{
    {"bad bullet ", "$$01", ""},
    {"bad bullet 2 (replace)", "&&02", "&&01"},
    {"bad bullet 3 (replace)", "&&04", "&&03"},
    {"empty Tag (replace)", "&&06", "&&05"},
    {"missing Event and Site", "&&07", ""},
    {"missing Date", "&&08", ""},
    {"bad Date", "$$02", ""},
    {"missing White", "&&09", ""},
    {"missing Black", "&&10", ""},
    {"conflicting Result", "$$03", ""},
    {"unused WhiteElo (delete)", "&&12", "&&11"},
    {"unused BlackElo (delete)", "&&13", "&&11"},
    {"unused ECO (delete)", "&&14", "&&11"},
    {"high ASCII", "$$04", ""},
    {"flag embedded quote (all)", "$$05", ""},
    {"find flag", "&&15", ""},
    {"empty game", "$$06", ""},
    {"extra lines (replace)", "&&17", "&&16"},
    {"trailing space (replace)", "&&19", "&&18"},
    {"dbl carriage return (replace)", "&&21", "&&20"},
    {"pack conflict", "$$07", ""},
}};

// The texts of "&&01" .. "&&21" (index NN - 1). 0xB7 is the game bullet.
inline constexpr std::array<std::string_view, kMacroCount> kLiteralTexts = {
    "\r\n\xB7",                          // 01
    "\r\n\r\n\xB7",                      // 02
    "\xB7\r\n",                          // 03
    "\xB7\r\n\r\n",                      // 04
    " \"?\"]\r\n",                       // 05: the placeholder value closing its tag line
    " \"\"]\r\n",                        // 06: an empty value closing its tag line
    " \"?\"]\r\n[Site \"?\"",            // 07: Event and Site both '?'
    "????.??.??",                        // 08
    "[White \"?\"]",                     // 09
    "[Black \"?\"]",                     // 10
    "",                                  // 11
    "[WhiteElo \"?\"]\r\n",              // 12
    "[BlackElo \"?\"]\r\n",              // 13
    "[ECO \"?\"]\r\n",                   // 14
    "\x7F",                              // 15
    "\r\n\r\n",                          // 16
    "\r\n\r\n\r\n",                      // 17
    "\r\n",                              // 18
    " \r\n",                             // 19
    "\r\n",                              // 20
    "\r\r\n",                            // 21
};

// The macros whose replacement box gets a code: those that repair.
bool IsReplaceMacro(int index);

// (find code, replace code) of item index; both empty outside 1..21.
std::pair<std::string, std::string> MacroCodes(int index);

// "&&NN" with NN in 1..21 gives its literal; any other text comes back as it is.
std::string ResolveLiteralCode(const std::string& text);

// NN of a check code "$$NN" with NN in 1..7; 0 for any other text.
int CheckCodeNumber(std::string_view text);

// Check nn on every page, starting after the current one and wrapping; the
// current page is read again at the end. The first non-empty result ends the
// walk, except for check 5, which writes each page it flagged back into the
// work file and goes on (pagesWritten counts them). Empty: nothing found, or
// no page map.
std::string CheckAllPages(TFStreamTxStr& work, int nn, int32_t* pagesWritten = nullptr);

// Turns a check code in find into the text the check found. pageText empty:
// every page of work (CheckAllPages); otherwise the check runs on pageText,
// except check 5, which only says it works on the whole file. False, with find
// unchanged, when find is not a check code or the check found nothing.
bool RunCheckCode(TFStreamTxStr* work, const std::string& pageText, std::string& find,
                  int32_t* pagesWritten = nullptr);

// A replacement on one page as Replace does it across the file: left to right,
// each occurrence found with the search options replaced when its bytes equal
// find exactly (an occurrence in other letter case is left and counted), the
// search going on after the inserted text. A replacement that would make the
// page longer than maxLength is not made and ends the work on the page.
struct TPageReplaceResult {
  int32_t Replaced = 0;
  int32_t CaseDiffers = 0;
  bool Refused = false;
};
TPageReplaceResult ReplaceOnPage(std::string& text, const std::string& find,
                                 const std::string& repl, const TSearchOptions& options,
                                 int64_t maxLength);

// Replace macro index on every page of work, in page order, as Replace "in
// file" does with the window's default options (any letter case, not whole
// words); a page is written back only when something on it was replaced.
struct TMacroTally {
  int64_t Replaced = 0;  // replacements made
  int32_t Pages = 0;     // pages written back
  int32_t Refused = 0;   // pages that could not take every replacement
};
TMacroTally ApplyReplaceMacro(TFStreamTxStr& work, int index);
