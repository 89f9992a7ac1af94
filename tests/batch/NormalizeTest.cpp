#include <gtest/gtest.h>

#include <regex>

#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Normalize(const std::string& in, const std::string& out, const std::string& extra,
                      int& status, bool withStderr = false) {
  std::string output;
  status =
      RunCapture(BatchExe() + " normalize '" + in + "' '" + out + "' " + extra, output, withStderr);
  return output;
}

TEST(Normalize, RealCollectionComesBackInSavedShape) {
  TTempDir dir;
  int status = 0;
  std::string report = Normalize(TestDataPath("london1851.pgn"), dir.File("o.pgn"), "", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(dir.File("o.pgn")), "\r\n" + TestData("london1851.pgn"));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      report, m, std::regex(R"(pages (\d+) games (\d+) bytes (\d+) seconds [0-9.]+)")))
      << report;
  EXPECT_EQ(m[1], "2");  // 160 kB at the default 100000-byte pages
  EXPECT_EQ(m[2], "251");
  EXPECT_EQ(std::stoll(m[3]), static_cast<long long>(TestData("london1851.pgn").size() + 2));
}

// The tool is the window's Open followed by Save: the same flows, the same bytes.
TEST(Normalize, WritesWhatOpenAndSaveWrite) {
  TTempDir dir;
  // Blank lines in odd places, a game without its blank line, text before the
  // first game: what conversion repairs.
  std::string messy =
      "[Event \"A\"]\r\n\r\n\r\n1. e4 1-0\r\n\r\n\r\n\r\n[Event \"B\"]\r\n[White "
      "\"w\"]\r\n1. d4 0-1\r\n[Event \"C\"]\r\n\r\n1. c4 *";
  std::string game = "mail header\r\n";
  for (int i = 0; i < 300; ++i) game += messy + "\r\n\r\n";
  WriteFileBytes(dir.File("in.pgn"), game);
  int status = 0;
  Normalize(dir.File("in.pgn"), dir.File("batch.pgn"), "--buffer 10000", status);
  ASSERT_EQ(status, 1) << "the mail header is dropped, and said";

  TScriptDialogs dialogs;
  ClearWorkFileNames();
  InitWorkFileNames(dir.Path().string() + "/");
  std::string first, page;
  auto bullet = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), first, 10000), page);
  ASSERT_NE(bullet, nullptr);
  ASSERT_EQ(bullet->PageCount() > 1, true);
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Save, dir.File("window.pgn"), true));
  EXPECT_EQ(ReadFileBytes(dir.File("batch.pgn")), ReadFileBytes(dir.File("window.pgn")));
  ClearWorkFileNames();
}

TEST(Normalize, RefusesBadInputWithTheStreamMessage) {
  TTempDir dir;
  int status = 0;
  std::string report =
      Normalize(TestDataPath("tatamast22.pgn"), dir.File("o.pgn"), "", status, true);
  EXPECT_EQ(status, 3);
  EXPECT_NE(report.find("Error while reading file (no paired carRtn-lineFeed (2))."),
            std::string::npos)
      << report;
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.pgn")));
  Normalize(TestDataPath("london1851.pgn"), dir.File("o.pgn"), "--buffer 5", status, true);
  EXPECT_EQ(status, 2);
}

}  // namespace
