#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

// A game as a PGN file holds it (CR LF line ends, no bullet).
std::string PgnGame(const std::string& event, const std::string& site, const std::string& date,
                    const std::string& result, const std::string& moves,
                    const std::string& extraTag = "") {
  return "[Event \"" + event + "\"]\r\n[Site \"" + site + "\"]\r\n[Date \"" + date +
         "\"]\r\n[White \"R\xE9ti\"]\r\n[Result \"" + result + "\"]\r\n" + extraTag + "\r\n" +
         moves + "\r\n\r\n";
}

TEST(BatchCheck, CountsPagesWithOneDefectOfEachKindAndReportsBoxes) {
  const std::string fine = "1990.01.01";
  // A middle dot inside a line is text (check 4 finds it), a line-start one a bullet.
  std::string file = PgnGame("Stray", "S", fine, "1-0", "1. e4 1-0\r\n\xB7 1-0") +
                     PgnGame("Date", "S", "1990.02.30", "1-0", "1. e4 1-0") +
                     PgnGame("Result", "S", fine, "1-0", "1. e4 e5 0-1") +
                     PgnGame("He said \"hi\"", "S", fine, "1-0", "1. e4 1-0") +
                     PgnGame("Forfeit", "S", fine, "*", "*") +
                     PgnGame("Pack", "S", fine, "1-0", "1. e4 1-0", "[EventDate \"x\"]\r\n");
  // Enough clean games for a second page, which holds a second bad date.
  std::string moves;
  for (int m = 1; m <= 40; ++m) moves += std::to_string(m) + ". Nf3 Nf6\r\n";
  for (int n = 0; n < 300; ++n) file += PgnGame("Clean", "S", fine, "1-0", moves + "1-0");
  file += PgnGame("Date", "S", "1991.02.30", "1-0", "1. e4 1-0");

  TTempDir dir;
  WriteFileBytes(dir.File("defects.pgn"), file);
  std::string report;
  EXPECT_EQ(RunCapture(BatchExe() + " check " + dir.File("defects.pgn"), report, true), 1);
  EXPECT_EQ(
      report,
      "check: convert: Bad bullet<0d><0a>game 1 of the file has a line that begins with the byte "
      "0xB7, which marks the start of a game in the work file. Check 1 (bad bullet) finds "
      "it:<0d><0a><b7> 1-0\n"
      "pages 2\n"
      "check 1 bad bullet pages 1 first page 1: <b7> \n"
      "check 2 bad Date pages 2 first page 1: [Date \"1990.02.30\n"
      "check 3 conflicting Result pages 1 first page 1: 1-0\"]<0d><0a><0d><0a>1. e4 e5 0-1<0d>\n"
      "check 4 high ASCII pages 2 first page 1: <e9>\n"
      "check 5 flag embedded quote (all) pages 1 first page 1: <7f>\n"
      "check 6 empty game pages 1 first page 1: <b7><0d><0a>[Event \"Forfeit\"]<0d><0a>"
      "[Site \"S\"]<0d><0a>[Date \"1990.01.01\"]<0d><0a>[White \"R<e9>ti\"]<0d><0a>"
      "[Result \"*\"]<0d><0a><0d><0a>*\n"
      "check 7 pack conflict pages 1 first page 1: [EventDate\n");
  // Check 5 flags a copy only; the input is never written.
  EXPECT_EQ(ReadFileBytes(dir.File("defects.pgn")), file);

  // A "bad game" box becomes a report line; a missing file fails.
  WriteFileBytes(dir.File("broken.pgn"), "[Event \"E\"]\r\n[Result \"1-0\r\n\r\n1. e4 1-0\r\n");
  EXPECT_EQ(RunCapture(BatchExe() + " check " + dir.File("broken.pgn"), report, true), 1);
  EXPECT_NE(report.find("check: check 3 page 1: bad game\n"), std::string::npos) << report;
  EXPECT_NE(report.find("check 3 conflicting Result pages 1 first page 1: [Result \"1-0<0d><0a>"),
            std::string::npos)
      << report;
  EXPECT_NE(RunCapture(BatchExe() + " check " + dir.File("absent.pgn") + " 2>/dev/null", report),
            0);
}

}  // namespace
