// Save, Append, Open and New as the window does them, on work files in a
// fresh directory.
#include <filesystem>

#include "tests/stream/StreamTestUtil.h"

namespace {

namespace fs = std::filesystem;
using FlowsTest = TWorkFilesTest;

// Save writes the pages in page order, not file order, each game after one
// blank line; a bad bullet is cleaned off and the rest of its page saved.
// Append adds to the file.
TEST_F(FlowsTest, SaveWritesPagesInOrderAndCleansBadBullets) {
  const std::string g1 = "\xB7\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n", g3 = Record("3", 1);
  WriteFileBytes(BulletFileName, g1 + "\xB7\r\n\r\n\r\n[Event \"2\"]\r\n\r\n1. d4 0-1\r\n\r\n\r\n");
  std::string page;
  auto bullet = OpenBulletFile(40, page);
  ASSERT_EQ(bullet ? bullet->PageCount() : 0, 2);
  bullet->GotoPage(1, page);
  page += g3;
  bullet->WritePage(page);  // page 1 moves behind page 2 in the file
  ASSERT_GT(bullet->Map->Entry(1).Offset, bullet->Map->Entry(2).Offset);
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::SaveAs, dir.File("o.pgn"), true));
  EXPECT_EQ(ReadFileBytes(dir.File("o.pgn")), "\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n" +
                                                  g3.substr(1) +
                                                  "\r\n[Event \"2\"]\r\n\r\n1. d4 0-1\r\n");
  EXPECT_EQ(bullet->CurrentPage(), 1) << "the current page is read back after the save";

  WriteFileBytes(BulletFileName, g1 + "\xB7  [Event \"2\"]\r\n\r\n1. d4 \xB7 0-1\r\n");
  bullet = OpenBulletFile(100000, page);
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Save, dir.File("o.pgn"), true));
  EXPECT_EQ(ReadFileBytes(dir.File("o.pgn")),
            "\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n[Event \"2\"]\r\n\r\n1. d4 \xB7 0-1\r\n")
      << "only bullets go: a 0xB7 inside a line is text";
  EXPECT_EQ(dialogs.Shown.size(), 1u);
  // Saves keep the target's permissions; a failed one is the recovery walk's.
  bullet = Open(TestDataPath("london1851.pgn"), 10000);
  ASSERT_NE(bullet, nullptr);
  const std::string target = dir.File("keep.pgn");
  WriteFileBytes(target, "old\r\n");
  fs::permissions(target, fs::perms(0640));
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Append, target, true));
  EXPECT_EQ(ReadFileBytes(target), "old\r\n\r\n" + TestData("london1851.pgn"));
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Save, target, true));
  EXPECT_EQ(ReadFileBytes(target), "\r\n" + TestData("london1851.pgn"));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
}

// A file that cannot be read, one in LF, and a work file that cannot be made:
// each is told, with its reason.
TEST_F(FlowsTest, OpenFailuresSayWhy) {
  std::string first, page;
  dialogs.Answers = {TMsgAnswer::Yes};
  EXPECT_EQ(OpenInputFile(dir.File("none.pgn"), first, 100000), nullptr);
  EXPECT_EQ(OpenInputFile(TestDataPath("tatamast22.pgn"), first, 100000), nullptr);
  std::filesystem::create_directory(BulletFileName);
  EXPECT_EQ(ProcessInputFile(OpenInputFile(TestDataPath("london1851.pgn"), first, 100000), page),
            nullptr);
  EXPECT_TRUE(first.starts_with("[Event \"London2\"]\r\n[S"));
  ASSERT_EQ(dialogs.Shown.size(), 4u);
  EXPECT_NE(dialogs.Shown[2].Text.find(": its lines end in LF alone"), std::string::npos);
}

TEST_F(FlowsTest, NewWorkFileHoldsTheTemplate) {
  const std::string prefix = dir.Path().string() + "/~korvane.bullet.file.";
  EXPECT_TRUE(BulletFileName.starts_with(prefix)) << BulletFileName;
  EXPECT_EQ(BulletFileName.size(), prefix.size() + 12);
  ASSERT_TRUE(CreateNewBulletFile(100000, "2026.12.06"));
  const std::string made = ReadFileBytes(BulletFileName);  // one game, the date given
  EXPECT_TRUE(made.starts_with("\xB7\r\n[Event \"?\"]\r\n") &&
              made.ends_with("\r\n\r\n1.e4 *\r\n"));
  EXPECT_NE(made.find("\r\n[Date \"2026.12.06\"]\r\n"), std::string::npos);
  std::string page;
  ASSERT_NE(OpenBulletFile(100000, page), nullptr);
  EXPECT_EQ(page, made);
}

}  // namespace
