#include <gtest/gtest.h>

#include <cstdio>
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

// korvane-batch's standard output; status gets its exit status.
std::string RunBatch(const std::string& args, int& status) {
  std::FILE* pipe = popen((std::string(KORVANE_BATCH_EXE) + " " + args + " 2>&1").c_str(), "r");
  std::string out;
  char chunk[4096];
  for (size_t n; pipe && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
  status = pipe ? pclose(pipe) : -1;
  return out;
}

TEST(BatchCheck, CountsPagesWithOneDefectOfEachKind) {
  const std::string fine = "1990.01.01";
  std::string file = PgnGame("Stray", "a\xB7", fine, "1-0", "1. e4 1-0") +
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
  int status = -1;
  std::string report = RunBatch("check " + dir.File("defects.pgn"), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(
      report,
      "pages 2\n"
      "check 1 bad bullet pages 1 first page 1: a<b7>\n"
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
}

TEST(BatchCheck, BadGameBoxBecomesAReportLine) {
  TTempDir dir;
  WriteFileBytes(dir.File("broken.pgn"), "[Event \"E\"]\r\n[Result \"1-0\r\n\r\n1. e4 1-0\r\n");
  int status = -1;
  std::string report = RunBatch("check " + dir.File("broken.pgn"), status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(report.find("box check 3 page 1: bad game\n"), std::string::npos) << report;
  EXPECT_NE(report.find("check 3 conflicting Result pages 1 first page 1: [Result \"1-0<0d><0a>"),
            std::string::npos)
      << report;
  RunBatch("check " + dir.File("absent.pgn"), status);
  EXPECT_NE(status, 0);
}

}  // namespace
