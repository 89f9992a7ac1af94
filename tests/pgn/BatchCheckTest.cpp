// What `korvane-batch check` adds to the game checks and to the recorded
// reports of the test data: findings on more than one page are counted, the
// first one named, and a box a check shows becomes a report line.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

TEST(BatchCheck, CountsPagesAcrossTheFileAndReportsBoxes) {
  TTempDir dir;
  const std::string bad =
      "[Event \"E\"]\r\n[Date \"1990.02.30\"]\r\n[Result \"1-0\r\n\r\n1. e4 1-0\r\n";
  WriteFileBytes(dir.File("d.pgn"), bad + "\r\n" + TestData("london1851.pgn") + "\r\n" + bad);
  std::string report;
  EXPECT_EQ(RunCapture(BatchExe() + " check '" + dir.File("d.pgn") + "'", report, true), 1);
  for (const char* line : {"check: check 3 page 2: bad game\n", "pages 2\n",
                           "check 2 bad Date pages 2 first page 1: [Date \"1990.02.30\n"})
    EXPECT_NE(report.find(line), std::string::npos) << line << report;
}
