// Text that a conversion or repair takes out of the user's games, or moves
// within them. Nothing but blank lines and the spaces around them may go
// without a word: each such change is reported with the game's number in the
// file. The batch tool prints every report as it comes; the window gathers them
// and shows one summary when the file has been converted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum class TDropKind {
  AfterResult,   // text after a game's last result (a comment, a % line, stray tag lines)
  BeforeTags,    // text before a game's first tag line
  BetweenGames,  // lines the repair conversion skipped on its way to the next Event line
  TagsMoved,     // tag lines found above a game's Event line, now right below it
};

struct TTextDrop {
  int64_t Game = 0;  // from 1, in the order of the file
  TDropKind Kind = TDropKind::AfterResult;
  std::string Text;
};

// "game 12: dropped after its result: {text}" with line ends shown as " / ".
std::string DescribeDrop(const TTextDrop& drop);

// Called for each report instead of gathering it; empty: gather.
void SetDropReporter(std::function<void(const TTextDrop&)> reporter);
void ReportTextDrop(const TTextDrop& drop);
// Reports made (gathered or passed on) since the last TakeDropSummary.
int64_t TextDropCount();
// The box text for the gathered reports ("" when none) and a fresh start.
std::string TakeDropSummary();

// True when text holds something besides blanks (space, TAB, CR, LF).
bool HoldsText(std::string_view text);
// The name of a tag line ("Site" of "[Site \"x\"]"), or "" for a line that is no tag line.
std::string_view TagLineName(std::string_view line);
// True when the game's tag lines (from its start up to its first line that is
// not a tag line) hold a tag named name.
bool GameHasTag(std::string_view game, std::string_view name);
// Splits text at its last lines that are tag lines (blank lines between them
// allowed): tags gets those lines, each ending in CR LF; the rest stays in text.
void SplitTrailingTagLines(std::string& text, std::string& tags);
// Puts each of the tag lines (each ending in CR LF) right below the game's
// Event line, unless the game has a tag of that name; those go to refused.
// The game begins with CR LF and its Event line. Returns the lines moved.
std::string MoveTagsBelowEvent(std::string& game, std::string_view tags, std::string& refused);
