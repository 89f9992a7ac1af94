// The replay and check reports of every collection in the test data, against
// the reports recorded in tests/data/expected, with one job and with several:
// faster rules or more threads must not change a byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

std::string Report(const std::string& command, const std::string& dir, const std::string& file,
                   const std::string& options) {
  std::string out;
  const int status =
      RunCapture("cd '" + dir + "' && " + BatchExe() + " " + command + " '" + file + "' " + options,
                 out, true);
  return out + "exit " + std::to_string(status) + "\n";
}

TEST(ReportsUnchanged, EveryCollectionWithOneJobAndWithSeveral) {
  TTempDir dir;
  int collections = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TestDataPath(""))) {
    if (entry.path().extension() != ".pgn") continue;
    ++collections;
    const std::string name = entry.path().filename().string();
    const std::string stem = entry.path().stem().string();
    WriteFileBytes(dir.File(name), ToCrLf(ReadFileBytes(entry.path().string())));
    for (const char* command : {"replay", "check"}) {
      const std::string expected =
          ReadFileBytes(TestDataPath("expected/" + stem + "." + command + ".txt"));
      ASSERT_FALSE(expected.empty()) << stem << " " << command;
      for (const char* jobs : {"--jobs 1", "--jobs 3"})
        EXPECT_EQ(Report(command, dir.Path().string(), name, jobs), expected)
            << stem << " " << command << " " << jobs;
    }
  }
  EXPECT_GE(collections, 19);
}

// Many batches and pages: the order of the report lines is the file's order
// whatever the number of jobs, and a page's boxes stay with their page.
TEST(ReportsUnchanged, LargeFileSameReportForAnyNumberOfJobs) {
  TTempDir dir;
  std::string big;
  const std::string games = ReadFileBytes(TestDataPath("london1851.pgn")) +
                            ToCrLf(ReadFileBytes(TestDataPath("tatamast22.pgn"))) +
                            ToCrLf(ReadFileBytes(TestDataPath("nested-comment.pgn")));
  for (int i = 0; i < 12; ++i) big += games;
  WriteFileBytes(dir.File("big.pgn"), big);
  for (const char* command : {"replay", "check"}) {
    const std::string one = Report(command, dir.Path().string(), "big.pgn", "--jobs 1");
    EXPECT_NE(one.find("exit"), std::string::npos);
    for (const char* jobs : {"--jobs 2", "--jobs 5", ""})
      EXPECT_EQ(Report(command, dir.Path().string(), "big.pgn", jobs), one) << command << jobs;
  }
  const std::string replay = Report("replay", dir.Path().string(), "big.pgn", "--jobs 4");
  // every game counted once: the nested-comment file holds no tag line, so its
  // text joins the game before it
  EXPECT_NE(replay.find("games " + std::to_string(12 * (251 + 91)) + " "), std::string::npos)
      << replay.substr(replay.size() - 200);
}

TEST(ReportsUnchanged, BadJobsOptionIsAUsageError) {
  std::string out;
  for (const char* bad : {"--jobs 0", "--jobs x", "--jobs"})
    EXPECT_EQ(
        RunCapture(BatchExe() + " replay '" + TestDataPath("london1851.pgn") + "' " + bad, out), 2)
        << bad;
}

}  // namespace
