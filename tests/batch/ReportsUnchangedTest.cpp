// The replay and check reports of every collection in the test data, against
// the reports recorded in tests/data/expected, with one job and with several:
// faster rules or more threads must not change a byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

std::string Report(const std::string& command, const TTempDir& dir, const std::string& file,
                   const std::string& jobs) {
  std::string out;
  const int status = RunCapture("cd '" + dir.Path().string() + "' && " + BatchExe() + " " +
                                    command + " '" + file + "' " + jobs,
                                out, true);
  return out + "exit " + std::to_string(status) + "\n";
}

TEST(ReportsUnchanged, EveryCollectionWithOneJobAndWithSeveral) {
  TTempDir dir;
  int collections = 0;
  std::string big;
  for (const auto& entry : std::filesystem::directory_iterator(TestDataPath(""))) {
    if (entry.path().extension() != ".pgn") continue;
    ++collections;
    const std::string name = entry.path().filename().string(), stem = entry.path().stem().string();
    WriteFileBytes(dir.File(name), ToCrLf(ReadFileBytes(entry.path().string())));
    if (stem == "london1851" || stem == "tatamast22") big += ReadFileBytes(dir.File(name));
    for (const char* command : {"replay", "check"}) {
      const std::string expected =
          ReadFileBytes(TestDataPath("expected/" + stem + "." + command + ".txt"));
      ASSERT_FALSE(expected.empty()) << stem << " " << command;
      for (const char* jobs : {"--jobs 1", "--jobs 3"})
        EXPECT_EQ(Report(command, dir, name, jobs), expected)
            << stem << " " << command << " " << jobs;
    }
  }
  EXPECT_GE(collections, 19);
  // Many batches and pages: the order of the report lines is the file's order
  // whatever the number of jobs, and a page's boxes stay with their page.
  std::string copies;
  for (int i = 0; i < 12; ++i) copies += big;
  WriteFileBytes(dir.File("big.pgn"), copies);
  for (const char* command : {"replay", "check"}) {
    const std::string one = Report(command, dir, "big.pgn", "--jobs 1");
    EXPECT_NE(one.find(std::string(command) == "replay" ? "games 4104 " : "exit"),
              std::string::npos);
    for (const char* jobs : {"--jobs 2", "--jobs 5", ""})
      EXPECT_EQ(Report(command, dir, "big.pgn", jobs), one) << command << jobs;
  }
}

}  // namespace
