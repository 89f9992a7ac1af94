#include <gtest/gtest.h>

#include <filesystem>

#include "stream/TxFlows.h"
#include "tests/stream/StreamTestUtil.h"

namespace {

// Opens a collection for editing the way Open does, with the work files in dir.
class FlowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearWorkFileNames();
    InitWorkFileNames(dir.Path().string() + "/");
  }
  void TearDown() override {
    SetWriteFaultAfter(-1);
    ClearWorkFileNames();
  }

  std::unique_ptr<TFStreamTxStr> OpenForEditing(const std::string& path, int32_t buffer = 100000) {
    std::string first, page;
    auto input = OpenInputFile(path, first, buffer);
    if (!input) return nullptr;
    return ProcessInputFile(std::move(input), page);
  }

  TTempDir dir;
  TScriptDialogs dialogs;
};

TEST_F(FlowsTest, SaveWritesPagesInPageOrderWithOneBlankLineEach) {
  std::string g1 = "\xB7\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n";
  std::string g2 = "\xB7\r\n\r\n\r\n[Event \"2\"]\r\n\r\n1. d4 0-1\r\n\r\n\r\n";
  WriteFileBytes(BulletFileName, g1 + g2);
  std::string page;
  auto bullet = OpenBulletFile(40, page);
  ASSERT_NE(bullet, nullptr);
  ASSERT_EQ(bullet->PageCount(), 2);
  // Page 1 grows and moves behind page 2 in the file; Save still writes it first.
  bullet->GotoPage(1, page);
  page += "\xB7\r\n[Event \"3\"]\r\n\r\n1. c4 *\r\n";
  bullet->WritePage(page);
  ASSERT_GT(bullet->Map->Entry(1).Offset, bullet->Map->Entry(2).Offset);
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::SaveAs, dir.File("o.pgn"), true));
  EXPECT_EQ(ReadFileBytes(dir.File("o.pgn")),
            "\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n\r\n[Event \"3\"]\r\n\r\n1. c4 *\r\n"
            "\r\n[Event \"2\"]\r\n\r\n1. d4 0-1\r\n");
  EXPECT_EQ(bullet->CurrentPage(), 1) << "the current page is read back after the save";
}

TEST_F(FlowsTest, BadBulletSavesTheRestOfItsPageCleaned) {
  std::string good = "\xB7\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n";
  std::string bad = "\xB7  [Event \"2\"]\r\n\r\n1. d4 \xB7 0-1\r\n";
  WriteFileBytes(BulletFileName, good + bad);
  std::string page;
  auto bullet = OpenBulletFile(100000, page);
  ASSERT_NE(bullet, nullptr);
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Save, dir.File("o.pgn"), true));
  EXPECT_EQ(ReadFileBytes(dir.File("o.pgn")),
            "\r\n[Event \"1\"]\r\n\r\n1. e4 1-0\r\n[Event \"2\"]\r\n\r\n1. d4 \xB7 0-1\r\n")
      << "only bullets go: a 0xB7 inside a line is text";
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text.substr(0, 42), "One or more bad bullets across file pages.");
}

TEST_F(FlowsTest, FailedSaveLeavesTheTargetUntouched) {
  auto bullet = OpenForEditing(TestDataPath("london1851.pgn"), 10000);
  ASSERT_NE(bullet, nullptr);
  std::string target = dir.File("keep.pgn");
  WriteFileBytes(target, "precious");
  std::filesystem::permissions(target, std::filesystem::perms(0640));
  dialogs.Answers = {TMsgAnswer::Yes};  // go on after the error
  SetWriteFaultAfter(50000);            // the disk fills up mid-save
  EXPECT_FALSE(SaveOrAppend(*bullet, TSaveMode::Save, target, true));
  SetWriteFaultAfter(-1);
  EXPECT_EQ(ReadFileBytes(target), "precious");
  EXPECT_EQ(dialogs.Texts(),
            (std::vector<std::string>{"I/O error on write. Save was incomplete (ref: 4254)\rCannot "
                                      "write " +
                                          target + ": No space left on device.",
                                      "Write error (I/O error on write. Save was incomplete "
                                      "(ref: 4254) ).",
                                      "An error occurred. Do you want to continue?"}));
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".~korvane-save"), std::string::npos);

  // A save that succeeds replaces the file and keeps its permissions.
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Save, target, true));
  EXPECT_EQ(ReadFileBytes(target), "\r\n" + TestData("london1851.pgn"));
  EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
}

TEST_F(FlowsTest, FailedAppendCutsTheFileBack) {
  std::string game = ToCrLf(TestData("fools-mate.pgn"));
  WriteFileBytes(dir.File("fm.pgn"), game);
  auto bullet = OpenForEditing(dir.File("fm.pgn"));
  ASSERT_NE(bullet, nullptr);
  std::string target = dir.File("t.pgn");
  WriteFileBytes(target, "old\r\n");
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Append, target, true));
  std::string appended = "old\r\n\r\n" + game;
  EXPECT_EQ(ReadFileBytes(target), appended);
  dialogs.Answers = {TMsgAnswer::Yes};
  SetWriteFaultAfter(10);
  EXPECT_FALSE(SaveOrAppend(*bullet, TSaveMode::Append, target, true));
  SetWriteFaultAfter(-1);
  EXPECT_EQ(ReadFileBytes(target), appended);
}

TEST_F(FlowsTest, OpenFailuresAreReportedInTheirOwnWords) {
  std::string first;
  dialogs.Answers = {TMsgAnswer::Yes};
  EXPECT_EQ(OpenInputFile(dir.File("none.pgn"), first, 100000), nullptr);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{
                                 "error opening file " + dir.File("none.pgn") + "\rCannot read " +
                                     dir.File("none.pgn") + ": the file does not exist.",
                                 "An error occurred. Do you want to continue?"}));
  dialogs.Shown.clear();
  EXPECT_EQ(OpenInputFile(TestDataPath("tatamast22.pgn"), first, 100000), nullptr);
  EXPECT_EQ(
      dialogs.Texts(),
      (std::vector<std::string>{"Error while reading file (no paired carRtn-lineFeed (2)).\r" +
                                TestDataPath("tatamast22.pgn") +
                                ": its lines end in LF alone, not CR LF. The repair conversion "
                                "writes every line with CR LF."}));
  dialogs.Shown.clear();
  std::filesystem::create_directory(BulletFileName);  // the work file cannot be written
  std::string page;
  auto input = OpenInputFile(TestDataPath("london1851.pgn"), first, 100000);
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(first.substr(0, 21), "[Event \"London2\"]\r\n[S");
  EXPECT_EQ(ProcessInputFile(std::move(input), page), nullptr);
  EXPECT_EQ(
      dialogs.Texts(),
      (std::vector<std::string>{"Error creating bullet file (terminating error #8363).\rCannot "
                                "write " +
                                BulletFileName + ": a folder of that name is in the way."}));
}

TEST_F(FlowsTest, NewWorkFileHoldsTheTemplate) {
  ASSERT_TRUE(CreateNewBulletFile(100000, "2026.12.06"));
  EXPECT_EQ(ReadFileBytes(BulletFileName),
            "\xB7\r\n[Event \"?\"]\r\n[Site \"?\"]\r\n[Date \"2026.12.06\"]\r\n[Round \"?\"]\r\n"
            "[White \"?\"]\r\n[Black \"?\"]\r\n[Result \"*\"]\r\n[WhiteElo \"0000\"]\r\n"
            "[BlackElo \"0000\"]\r\n[ECO \"C00\"]\r\n\r\n1.e4 *\r\n");
  std::string page;
  auto bullet = OpenBulletFile(100000, page);
  ASSERT_NE(bullet, nullptr);
  EXPECT_EQ(page, ReadFileBytes(BulletFileName));
}

TEST_F(FlowsTest, WorkFileNamesAndStaleFiles) {
  EXPECT_EQ(TickDigits(0), "00000000");
  EXPECT_EQ(TickDigits(123456789012ULL), "56789012");
  EXPECT_EQ(TickDigits(42), "00000042");
  std::string prefix = dir.Path().string() + "/~korvane.bullet.file.";
  EXPECT_EQ(BulletFileName.substr(0, prefix.size()), prefix);
  EXPECT_EQ(BulletFileName.size(), prefix.size() + 12);

  std::string stale = dir.File("~korvane.bullet.file.00000001.tmp");
  std::string held = dir.File("~korvane.reorg.file.00000002.tmp");
  std::string other = dir.File("korvane.ini");
  for (const auto& f : {stale, held, other}) WriteFileBytes(f, "x");
  TWorkFileLock lock;
  ASSERT_TRUE(lock.Hold(held));  // another instance's work file
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 1);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(held));
  EXPECT_TRUE(std::filesystem::exists(other));
  lock.Release();
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 1);
}

}  // namespace
