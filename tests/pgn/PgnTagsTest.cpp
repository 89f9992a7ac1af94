#include <gtest/gtest.h>

#include <array>

#include "pgn/PgnTags.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kB = "\xB7";

// One game as the work file holds it: bullet line, tag lines, blank line, moves.
std::string Game(std::initializer_list<std::string> tags, const std::string& moves) {
  std::string g = kB + "\r\n";
  for (const auto& t : tags) g += t + "\r\n";
  return g + "\r\n" + moves + "\r\n";
}

std::string Roster(const std::string& result, const std::string& moves,
                   const std::string& date = "1990.01.01") {
  return Game({"[Event \"E\"]", "[Date \"" + date + "\"]", "[White \"W\"]", "[Black \"B\"]",
               "[Result \"" + result + "\"]"},
              moves);
}

const std::string kPlayed = Roster("1-0", "1. e4 1-0");
const std::string kDraw = Roster("1/2-1/2", "1. e4 e5 1/2-1/2");
const std::string kEventOnly = kB + "\r\n[Event \"E\"]\r\n\r\n1-0";
const std::string kNoQuote = "[Result \"" + std::string(200, 'x');

struct TCheckCase {
  int code;
  std::string text, expected;
  std::string box = {};  // the box shown, if any
};

TEST(GameChecks, ReturnTheirSearchTexts) {
  const TCheckCase cases[] = {
      {1, kPlayed + "{a" + kB + "b}\r\n" + kPlayed, ""},               // inside a line 0xB7 is text
      {1, kPlayed.substr(0, kPlayed.size() - 2) + kPlayed, "0" + kB},  // its line break deleted
      {1, kPlayed + kB + "x", kB + "x"},
      {1, kPlayed + kB, "\n" + kB},                 // nothing after it: misplaced too
      {1, std::string("ab\0 ", 4) + kB + "x", ""},  // the walk stops at a NUL
      // 2: the last bad one, not the first; a tag cut by the text's end is read as far as it goes.
      {2, Roster("*", "*", "1990.02.30") + Roster("*", "*", "1991.13.01") + kPlayed,
       "[Date \"1991.13.01"},
      {2, kPlayed + "[Date \"1990.0", "[Date \"1990.0"},
      {2, kPlayed + std::string(1, '\0') + Roster("*", "*", "1991.13.01"), ""},
      // 3: from the value to the game's end, without its last character (the LF).
      {3, kDraw + kDraw + kB + "\r\n[Result \"1-0\"]\r\n\r\n1. e4 1-0", ""},
      {3, kDraw + Roster("0-1", "1. e4 1-0") + kDraw, "0-1\"]\r\n\r\n1. e4 1-0\r"},
      {3, kPlayed + kB + "\r\n" + kNoQuote, kNoQuote.substr(0, 100), "bad game"},
      {4, kPlayed + "\x7F\r\n" + Roster("1-0", "1. e4 {R\xE9ti}\t1-0"), "\xE9"},
      {4, kPlayed + "{Lul\xB7l}", "\xB7"},  // a middle dot inside a line is no bullet
      {4, Roster("1-0", "1. e4\t1-0 \xE9"), "\t"},
      {5, kPlayed + "[Site \"S", "\r\n[Site \"S", "bad game"},
      {6, kPlayed + kEventOnly + "\r\n\r\n" + kPlayed, kEventOnly},
      {6, kPlayed + kB + "1-0\r\n", kB + "1-0\r\n", "bad game"},
      {7, Game({"[Event \"E\"]", "[ECO \"A\"]", "[PlyCount \"1\"]", "[Annotator \"A\"]"}, "1-0"),
       ""},
      {7, kPlayed + Game({"[Event \"E\"]", "[EventDate \"?\"]"}, "1-0"), "[EventDate"},
      {7, Game({"[ABCDEFGHIJKLMNOPQRSTUVWXY \"v\"]"}, "1-0"), "[ABCDEFGHIJKLMNOPQRST"},
      {7, Game({"[event \"E\"]"}, "1-0"), "[event"},  // names are case-sensitive
      {7, Game({"[Event \"E\"]"}, "1. e4 {[%clk 0:01]} 1-0"), "[%clk"},
      {7, "[Junk \"x\"]\r\n" + kPlayed, ""},  // before the first bullet
      {7, kPlayed + "[Event", ""},            // a name running to the text's end
      // A page without a bullet holds no game: nothing to find.
      {6, "[Event \"E\"]\r\n\r\n1-0\r\n", "", ""},
      // A last tag without its closing quote flags nothing on the lines after it.
      {5, "[Site \"S\"]\r\n[Result \"1-0\r\n\r\n\xB7\r\n[Event \"E\"]\r\n",
       "\r\n[Result \"1-0\r\n\r\n\xB7\r\n[Event \"E\"]\r\n", "bad game"},
  };
  for (const auto& c : cases) {
    TScriptDialogs dialogs;
    std::string text = c.text;
    const std::string found =
        c.code == 2 ? CheckBadDate(text, DateToDayNumber(2030, 1, 1)) : RunGameCheck(c.code, text);
    EXPECT_EQ(found, c.expected) << c.code << ": " << c.text;
    EXPECT_EQ(dialogs.Texts(), c.box.empty() ? std::vector<std::string>{} : std::vector{c.box})
        << c.code << ": " << c.text;
  }
}

TEST(GameChecks, FlagEmbeddedQuotesChangesValuesOnly) {
  // The first tag line has no CR LF before it and is not looked at.
  std::string text = "[Event \"a\"b\"]" + Game({"[Event \"He said \"hi\"\"]", "[Site \"a [b] c\"]"},
                                               "1. e4 {\"x\"} 1-0");
  EXPECT_EQ(FlagEmbeddedQuotes(text), "\x7F");
  EXPECT_EQ(text, "[Event \"a\"b\"]" + Game({"[Event \"He said \x7Fhi\x7F\"]",
                                             "[Site \"a \x7F"
                                             "b\x7F c\"]"},
                                            "1. e4 {\"x\"} 1-0"));
}

// {GameStart, GameEnd, MoveStart, Area}; all 0 when nothing is found.
TEST(LocateGameAtCaret, FindsTheGameAndTheArea) {
  const std::string two = kPlayed + Roster("0-1", "1. d4 0-1");
  const int size = static_cast<int>(kPlayed.size()), start = size + 4;  // after bullet, CR, LF
  const int moves = static_cast<int>(two.find("1. d4")) + 1, end = static_cast<int>(two.size()) + 1;
  const std::tuple<std::string, int, std::array<int, 4>> cases[] = {
      {two, moves - 1, {start, end, moves, 1}},  // in the tags
      {two, moves, {start, end, moves, 2}},
      {two, end + 50, {start, end, moves, 2}},  // past the last game
      {two, 5, {4, size + 1, static_cast<int>(kPlayed.find("1. e4")) + 1, 1}},
      {kPlayed, 0, {}},
      {kPlayed + Roster("*", "*"), 2 * size, {}},  // no "1." after the last game's tags
      {kPlayed + Game({"[White \"A\"]", "[White \"B\"]"}, "1. e4 *"), size + 5, {}},
      {kPlayed + kB + "\r\n1. e4 1-0\r\n", size + 6, {}},
      {Game({"[Event \"E\"]"}, "1. e4 *"), 5, {}},  // no White tag anywhere after it
  };
  for (const auto& [text, caret, want] : cases) {
    TGameAtCaret g = LocateGameAtCaret(text, caret);
    EXPECT_EQ((std::array{g.GameStart, g.GameEnd, g.MoveStart, g.Area}), want) << caret << text;
    EXPECT_EQ(g.Found, want[3] != 0) << caret << text;
  }
}

}  // namespace
