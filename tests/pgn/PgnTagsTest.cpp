#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

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
const std::string kEmpty = Roster("*", "*");
const std::string kDraw = Roster("1/2-1/2", "1. e4 e5 1/2-1/2");
const std::string kNoQuote = "[Result \"" + std::string(200, 'x');

struct TCheckCase {
  int code;
  std::string text, expected;
  bool badGame = false;  // "bad game" shown
};

TEST(GameChecks, ReturnTheirSearchTexts) {
  const TCheckCase cases[] = {
      {1, "", ""},
      {1, kPlayed + kPlayed, ""},
      {1, "1. e4 " + kB + "\r\n", " " + kB},
      {1, kPlayed + "{a" + kB + "b}", "a" + kB},
      {1, kPlayed + kB + "x", kB + "x"},
      {1, kPlayed + kB, "\n" + kB},                 // nothing after it: misplaced too
      {1, std::string("ab\0 ", 4) + kB + "x", ""},  // the walk stops at a NUL
      // 2: the last bad one, not the first; a tag cut by the text's end is read as far as it goes.
      {2, Roster("*", "*", "1990.02.30") + Roster("*", "*", "1991.13.01") + kEmpty,
       "[Date \"1991.13.01"},
      {2, kEmpty + "[Date \"1990.0", "[Date \"1990.0"},
      {2, kEmpty + std::string(1, '\0') + Roster("*", "*", "1991.13.01"), ""},
      // 3: from the value to the game's end, without its last character (the LF).
      {3, "", ""},
      {3, kDraw + kDraw + kB + "\r\n[Result \"1-0\"]\r\n\r\n1. e4 1-0", ""},
      {3, Roster("1/2-1/2", "1. e4 1/2-1/2 {agreed}"),
       "1/2-1/2\"]\r\n\r\n1. e4 1/2-1/2 {agreed}\r"},
      {3, Roster("1/2-1/2", "1. e4 e5 1/2"), "1/2-1/2\"]\r\n\r\n1. e4 e5 1/2\r"},
      {3, kDraw + Roster("0-1", "1. e4 1-0") + kDraw, "0-1\"]\r\n\r\n1. e4 1-0\r"},
      {3, kPlayed + kB + "\r\n" + kNoQuote, kNoQuote.substr(0, 100), true},
      {4, "", ""},
      {4, kPlayed + "\x7F", ""},
      {4, Roster("1-0", "1. e4\t1-0 \xE9"), "\t"},
      {4, Roster("1-0", "1. e4 {R\xE9ti \x80} 1-0"), "\xE9"},
      {5, kPlayed + "[Site \"S", "\r\n[Site \"S", true},
      {5, kPlayed + "[Site S\"]", "\r\n[Site S\"]", true},
      {6, kPlayed + kPlayed, ""},
      {6, kPlayed + kEmpty + "\r\n\r\n" + kPlayed, kEmpty.substr(0, kEmpty.size() - 2)},
      // Only blanks between the bullet and the word: the byte before the bullet decides.
      {6, "]" + kB + "\r\n1-0\r\n", kB + "\r\n1-0"},
      {6, "x" + kB + "\r\n1-0\r\n", ""},
      {6, kPlayed + kB + "1-0\r\n", kB + "1-0\r\n", true},
      {6, kPlayed + kB + "\r\n \r\n", kB + "\r\n \r\n", true},
      {7, Game({"[Event \"E\"]", "[ECO \"A\"]", "[PlyCount \"1\"]", "[Annotator \"A\"]"}, "1-0"),
       ""},
      {7, kPlayed + Game({"[Event \"E\"]", "[EventDate \"?\"]"}, "1-0"), "[EventDate"},
      {7, Game({"[ABCDEFGHIJKLMNOPQRSTUVWXY \"v\"]"}, "1-0"), "[ABCDEFGHIJKLMNOPQRST"},
      {7, Game({"[event \"E\"]"}, "1-0"), "[event"},  // names are case-sensitive
      {7, Game({"[Event \"E\"]"}, "1. e4 {[%clk 0:01]} 1-0"), "[%clk"},
      {7, "[Junk \"x\"]\r\n" + kPlayed, ""},  // before the first bullet
      {7, kPlayed + "[Event", ""},            // a name running to the text's end
      {7, kPlayed + "[Eve", "[Eve"},
  };
  for (const auto& c : cases) {
    TScriptDialogs dialogs;
    std::string text = c.text;
    std::string found =
        c.code == 2 ? CheckBadDate(text, DateToDayNumber(2030, 1, 1)) : RunGameCheck(c.code, text);
    EXPECT_EQ(found, c.expected) << c.code << ": " << c.text;
    EXPECT_EQ(dialogs.Texts(),
              c.badGame ? std::vector<std::string>{"bad game"} : std::vector<std::string>{})
        << c.code << ": " << c.text;
  }
}

TEST(GameChecks, FlagEmbeddedQuotesChangesValuesOnly) {
  // The first tag line has no CR LF before it and is not looked at.
  std::string text = "[Event \"a\"b\"]" + Game({"[Event \"He said \"hi\"\"]", "[Site \"a [b] c\"]"},
                                               "1. e4 {\"x\"} 1-0");
  const std::string expected = "[Event \"a\"b\"]" + Game({"[Event \"He said \x7Fhi\x7F\"]",
                                                          "[Site \"a \x7F"
                                                          "b\x7F c\"]"},
                                                         "1. e4 {\"x\"} 1-0");
  EXPECT_EQ(FlagEmbeddedQuotes(text), "\x7F");
  EXPECT_EQ(text, expected);
  std::string clean = kPlayed;
  EXPECT_EQ(FlagEmbeddedQuotes(clean), "");
  EXPECT_EQ(clean, kPlayed);
}

TEST(GameChecks, TextWithoutBulletIsAnInternalError) {
  for (int code : {6, 7}) {
    TScriptDialogs dialogs;
    std::string text = "[Event \"E\"]\r\n\r\n1-0\r\n";
    try {
      RunGameCheck(code, text);
      ADD_FAILURE() << "check " << code << " went on";
    } catch (const EHalt& halt) {
      EXPECT_EQ(halt.ExitCode, 999);
    }
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Terminating error: logic 7520"});
  }
}

TEST(LocateGameAtCaret, AreaFollowsTheCaret) {
  const std::string text = kPlayed + Roster("0-1", "1. d4 0-1");
  const int start = static_cast<int>(kPlayed.size()) + 4;  // after bullet, CR, LF
  const int moves = static_cast<int>(text.find("1. d4")) + 1;
  const int end = static_cast<int>(text.size()) + 1;
  const std::pair<int, int> caretAndArea[] = {
      {start + 2, 1}, {moves - 1, 1}, {moves, 2}, {end - 1, 2}, {end + 50, 2}};
  for (auto [caret, area] : caretAndArea) {
    TGameAtCaret game = LocateGameAtCaret(text, caret);
    EXPECT_TRUE(game.Found && game.GameStart == start && game.GameEnd == end &&
                game.MoveStart == moves && game.Area == area)
        << caret;
  }
  TGameAtCaret game = LocateGameAtCaret(text, 5);
  EXPECT_TRUE(game.Found && game.GameStart == 4 && game.GameEnd == start - 3 && game.Area == 1);
}

TEST(LocateGameAtCaret, NothingFound) {
  const int size = static_cast<int>(kPlayed.size());
  const std::pair<std::string, int> textAndCaret[] = {
      {kPlayed, 0},
      {kPlayed + kEmpty, 2 * size},  // no "1." after the last game's tags
      {kPlayed + Game({"[White \"A\"]", "[White \"B\"]"}, "1. e4 *"), size + 5},
      {kPlayed + kB + "\r\n1. e4 1-0\r\n", size + 6},
      {Game({"[Event \"E\"]"}, "1. e4 *"), 5},  // no White tag anywhere after it
  };
  for (const auto& [text, caret] : textAndCaret) {
    TGameAtCaret game = LocateGameAtCaret(text, caret);
    EXPECT_FALSE(game.Found || game.Area != 0) << text;
  }
}

}  // namespace
