#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "export/ExportGame.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kB = "\xB7";
const std::string kRoster =
    "[Event \"E\"]\r\n[Site \"S\"]\r\n[Date \"1851.05.27\"]\r\n[White \"W\"]\r\n"
    "[Black \"B\"]\r\n[Result \"1-0\"]\r\n";
const std::string kMoves = "\r\n1.e4 e5 {a note} 2.Nf3 1-0\r\n";
// The first game carries tags after Result; the second ends its tags with Result.
const std::string kLongTags = kRoster + "[WhiteElo \"2600\"]\r\n[ECO \"C20\"]\r\n" + kMoves;
const std::string kShortTags = kRoster + "\r\n1.d4 d5 0-1\r\n";
const std::string kPage = kB + "\r\n" + kLongTags + kB + "\r\n" + kShortTags;

int CaretAt(const std::string& text, const std::string& what, size_t from = 0) {
  return static_cast<int>(text.find(what, from));
}

class ExportGameTest : public ::testing::Test {
 protected:
  std::string Out() const { return dir_.File("LastPGN.pgn"); }
  TTempDir dir_;
  TScriptDialogs dialogs_;
};

// The caret in the tags or in the moves gives the same game; tags after Result
// go, and the file is replaced, never added to.
TEST_F(ExportGameTest, WritesTheGameAtTheCaretAndReplacesTheFile) {
  const std::string first = kRoster + kMoves;
  const size_t second = kPage.find(kB, 1);
  // A comment that ends a line with "] is part of the moves, not a tag line.
  const std::string quoteMoves = "\r\n1.e4 {he wrote \"e5?\"]\r\n} e5 2.Nf3 Nc6 11.Bb5 1-0\r\n";
  const std::string quoted = kB + "\r\n" + kRoster + "[ECO \"C20\"]\r\n" + quoteMoves;
  for (auto [text, caret, expected] : {std::tuple{kPage, CaretAt(kPage, "Site"), first},
                                       {kPage, CaretAt(kPage, "ECO"), first},
                                       {kPage, CaretAt(kPage, "Nf3"), first},
                                       {kPage, CaretAt(kPage, "Black", second), kShortTags},
                                       {kPage, CaretAt(kPage, "0-1"), kShortTags},
                                       {kPage, static_cast<int>(kPage.size()), kShortTags},
                                       {quoted, CaretAt(quoted, "wrote"), kRoster + quoteMoves}}) {
    ASSERT_EQ(WriteExportGame(text, caret, Out()), TExportWrite::Written) << caret;
    EXPECT_EQ(ReadFileBytes(Out()), expected) << caret;
  }
  EXPECT_TRUE(dialogs_.Shown.empty());
}

TEST_F(ExportGameTest, TextWithoutAGameOrAResultTagLineWritesNothing) {
  const std::string noResult = kB + "\r\n[Event \"E\"]\r\n[White \"W\"]\r\n\r\n1.e4 *\r\n";
  const std::string openResult =
      kB + "\r\n[Event \"E\"]\r\n[White \"W\"]\r\n[Result \"1-0\r\n\r\n1.e4 1-0";
  for (auto [text, caret] : {std::tuple{kPage, 0},  // before the first game
                             {"plain text 1. e4", 5},
                             {noResult, 20},
                             {openResult, 20}}) {
    EXPECT_EQ(ExportGameText(text, caret), "") << text;
    EXPECT_EQ(WriteExportGame(text, caret, Out()), TExportWrite::NoGame);
  }
  EXPECT_FALSE(fs::exists(Out()));
  EXPECT_TRUE(dialogs_.Shown.empty());
}

// A failed write is reported with its checkpoint and the system's error number,
// and leaves no file; the caller goes on.
TEST_F(ExportGameTest, IoErrorsAreReportedAndLeaveNoFile) {
  const std::string missing = dir_.File("gone/LastPGN.pgn");
  EXPECT_EQ(WriteExportGame(kPage, 10, missing), TExportWrite::IoFailed);
  SetWriteFaultAfter(30);
  EXPECT_EQ(WriteExportGame(kPage, 10, Out()), TExportWrite::IoFailed);
  SetWriteFaultAfter(-1);
  EXPECT_FALSE(fs::exists(Out()));
  EXPECT_EQ(dialogs_.Texts(),
            (std::vector<std::string>{"An I/O error has occurred at 987. The result code is 2",
                                      "An I/O error has occurred at 988. The result code is 28"}));
  EXPECT_EQ(dialogs_.Beeps, 2);
}

TEST(ExportPathTest, DirectoryAndFileNameJoinWithOneSeparator) {
  EXPECT_EQ(ExportFilePath("/home/u/pgn", "a.pgn"), "/home/u/pgn/a.pgn");
  EXPECT_EQ(ExportFilePath("/home/u/pgn/", "a.pgn"), "/home/u/pgn/a.pgn");
  EXPECT_EQ(ExportFilePath("/home/u/pgn\\", "a.pgn"), "/home/u/pgn/a.pgn");
}

TEST(ExportLaunchTest, RebelStartsInItsDriveRootFolderAndOthersInThePgnDirectory) {
  struct {
    std::string program, pgnDir, workDir, params;
  } rows[] = {
      {"/opt/fritz/fritz", "/home/u/pgn/", "/home/u/pgn/", "game.pgn"},
      {"/opt/fritz/fritz", "/home/u/pgn", "/home/u/pgn/", "game.pgn"},
      {"D:\\Programs\\Rebel\\rebel.exe", "/home/u/pgn", "D:\\REBEL9\\", "v"},
      {"e:\\prog\\ReBeL9\\r.exe", "/home/u/pgn", "e:\\REBEL9\\", "v"},
      {"/usr/local/rebel/rebel", "/home/u/pgn", "/REBEL9/", "v"},
  };
  for (const auto& row : rows) {
    const TLaunchTarget t = LaunchTarget(row.program, row.pgnDir, "game.pgn");
    EXPECT_EQ(t.WorkDir, row.workDir) << row.program;
    EXPECT_EQ(t.Parameters, row.params) << row.program;
  }
}

// What can be started where, and the shell-style code for what cannot.
TEST(ExportLaunchTest, CheckLaunchNamesTheReasonAProgramCannotStart) {
  TTempDir dir;
  const std::string script = dir.File("engine.sh");
  const std::string document = dir.File("notes.txt");
  WriteFileBytes(script, "#!/bin/sh\n");
  WriteFileBytes(document, "text");
  ::chmod(script.c_str(), 0755);
  const std::string here = dir.Path().string();
  struct {
    std::string program, workDir;
    int code;
    bool executable;
  } rows[] = {
      {script, here, 0, true},
      {document, here, 0, false},
      {document, dir.File("gone"), 0, false},  // a document opens anywhere
      {script, dir.File("gone"), kShellPathNotFound, true},
      {dir.File("missing.sh"), here, kShellFileNotFound, false},
      {dir.File("gone/engine"), here, kShellPathNotFound, false},
      {here, here, kShellAccessDenied, false},
      {"", here, kShellFileNotFound, false},
  };
  for (const auto& row : rows) {
    bool executable = !row.executable;
    EXPECT_EQ(CheckLaunch(row.program, row.workDir, executable), row.code) << row.program;
    EXPECT_EQ(executable, row.executable) << row.program;
  }
}

}  // namespace

namespace {

// A failure at each write call of an export: reported, and no file is left.
TEST_F(ExportGameTest, AFailureAtEveryWriteCallIsReported) {
  int failed = 0;
  for (int64_t n = 1;; ++n) {
    dialogs_.Shown.clear();
    const int64_t first = WriteCallCount();
    SetWriteFaultAtCall(n);
    const TExportWrite result = WriteExportGame(kPage, 10, Out());
    const bool injected = WriteCallCount() - first >= n;
    SetWriteFaultAtCall(0);
    if (!injected) {
      EXPECT_EQ(result, TExportWrite::Written);
      break;
    }
    ++failed;
    EXPECT_EQ(result, TExportWrite::IoFailed) << "call " << n;
    EXPECT_FALSE(fs::exists(Out())) << "call " << n;
    ASSERT_EQ(dialogs_.Shown.size(), 1u) << "call " << n;
    EXPECT_EQ(dialogs_.Shown[0].Text.rfind("An I/O error has occurred at ", 0), 0u);
    fs::remove(Out());
  }
  EXPECT_GT(failed, 0);
}

}  // namespace
