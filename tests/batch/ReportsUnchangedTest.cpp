// The replay and check reports of every collection in the test data, against
// the reports recorded in tests/data/expected, with one job and with several:
// faster rules or more threads must not change a byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

TEST(ReportsUnchanged, EveryCollectionWithOneJobAndWithSeveral) {
  TTempDir dir;
  int collections = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TestDataPath(""))) {
    if (entry.path().extension() != ".pgn") continue;
    ++collections;
    const std::string name = entry.path().filename().string(), stem = entry.path().stem().string();
    WriteFileBytes(dir.File(name), ToCrLf(ReadFileBytes(entry.path().string())));
    for (const char* command : {"replay", "check"}) {
      const std::string expected =
          ReadFileBytes(TestDataPath("expected/" + stem + "." + command + ".txt"));
      ASSERT_FALSE(expected.empty()) << stem << " " << command;
      for (const char* jobs : {" --jobs 1", " --jobs 3"}) {
        std::string out;
        const int status = RunCapture("cd '" + dir.Path().string() + "' && " + BatchExe() + " " +
                                          command + " '" + name + "'" + jobs,
                                      out, true);
        EXPECT_EQ(out + "exit " + std::to_string(status) + "\n", expected)
            << stem << " " << command << jobs;
      }
    }
  }
  EXPECT_GE(collections, 19);
}
