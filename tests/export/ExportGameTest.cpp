// Export to chess programs: the game at the caret written to its file, the
// I/O errors, and where and how a program is started.
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

const std::string kB = "\xB7\r\n";
const std::string kRoster =
    "[Event \"E\"]\r\n[Site \"S\"]\r\n[Date \"1851.05.27\"]\r\n[White \"W\"]\r\n"
    "[Black \"B\"]\r\n[Result \"1-0\"]\r\n";
const std::string kMoves = "\r\n1.e4 e5 {a note} 2.Nf3 1-0\r\n";
// The first game carries tags after Result; the second ends its tags with Result.
const std::string kShortTags = kRoster + "\r\n1.d4 d5 0-1\r\n";
const std::string kPage =
    kB + kRoster + "[WhiteElo \"2600\"]\r\n[ECO \"C20\"]\r\n" + kMoves + kB + kShortTags;
// A comment that ends a line with "] is part of the moves, not a tag line.
const std::string kQuoteMoves = "\r\n1.e4 {he wrote \"e5?\"]\r\n} e5 2.Nf3 Nc6 11.Bb5 1-0\r\n";
const std::string kQuoted = kB + kRoster + "[ECO \"C20\"]\r\n" + kQuoteMoves;

int At(const std::string& text, const std::string& what, size_t from = 0) {
  return static_cast<int>(text.find(what, from));
}

// The caret in the tags or in the moves gives the same game; tags after Result
// go, and the file is replaced, never added to. Without a game or a whole
// Result tag line nothing is written; a failed write leaves no file.
TEST(ExportGame, WritesTheGameAtTheCaretOrNothing) {
  TTempDir dir;
  TScriptDialogs dialogs;
  const std::string out = dir.File("LastPGN.pgn");
  const std::string noResult = kB + "[Event \"E\"]\r\n[White \"W\"]\r\n\r\n1.e4 *\r\n";
  const std::string openResult = kB + "[Event \"E\"]\r\n[Result \"1-0\r\n\r\n1.e4 1-0";
  const struct {
    std::string Text;
    int Caret;
    std::string Game;  // empty: no game
  } rows[] = {{kPage, At(kPage, "Site"), kRoster + kMoves},
              {kPage, At(kPage, "Nf3"), kRoster + kMoves},
              {kPage, At(kPage, "Black", At(kPage, kB, 1)), kShortTags},
              {kPage, static_cast<int>(kPage.size()), kShortTags},
              {kQuoted, At(kQuoted, "wrote"), kRoster + kQuoteMoves},
              {kPage, 0, ""},  // before the first game
              {"plain text 1. e4", 5, ""},
              {noResult, 20, ""},
              {openResult, 20, ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Text.substr(0, 40) + " at " + std::to_string(row.Caret));
    fs::remove(out);
    EXPECT_EQ(ExportGameText(row.Text, row.Caret), row.Game);
    EXPECT_EQ(WriteExportGame(row.Text, row.Caret, out),
              row.Game.empty() ? TExportWrite::NoGame : TExportWrite::Written);
    EXPECT_EQ(fs::exists(out) ? ReadFileBytes(out) : "", row.Game);
  }
  EXPECT_TRUE(dialogs.Shown.empty());
  // A full device: reported, and no file is left; the caller goes on.
  SetWriteFaultAfter(30);
  EXPECT_EQ(WriteExportGame(kPage, 10, out), TExportWrite::IoFailed);
  SetWriteFaultAfter(-1);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(dialogs.Texts(),
            std::vector<std::string>{"An I/O error has occurred at 988. The result code is 28"});
}

// The exported file's path, where and how a program starts, and why it cannot.
TEST(ExportLaunch, WorkDirParametersAndWhatCannotStart) {
  for (const char* dir : {"/home/u/pgn", "/home/u/pgn/", "/home/u/pgn\\"})
    EXPECT_EQ(ExportFilePath(dir, "a.pgn"), "/home/u/pgn/a.pgn") << dir;
  // Rebel starts in the folder REBEL9 at its drive's root with "v", any other
  // program in the PGN directory with the file.
  for (auto [program, target] : {std::pair{"/opt/fritz/fritz", "/home/u/pgn/ game.pgn"},
                                 {"D:\\Programs\\Rebel\\rebel.exe", "D:\\REBEL9\\ v"},
                                 {"e:\\prog\\ReBeL9\\r.exe", "e:\\REBEL9\\ v"},
                                 {"/usr/local/rebel/rebel", "/REBEL9/ v"}}) {
    const TLaunchTarget t = LaunchTarget(program, "/home/u/pgn", "game.pgn");
    EXPECT_EQ(t.WorkDir + " " + t.Parameters, target) << program;
  }
  TTempDir dir;
  const std::string script = dir.File("engine.sh"), document = dir.File("notes.txt"),
                    here = dir.Path().string();
  WriteFileBytes(script, "#!/bin/sh\n");
  WriteFileBytes(document, "text");
  ::chmod(script.c_str(), 0755);
  // The failure code * 10 + 1 when the program runs, 0 when it is opened.
  for (auto [program, workDir, code] : {std::tuple{script, here, 1},
                                        {document, dir.File("gone"), 0},
                                        {script, dir.File("gone"), 31},
                                        {dir.File("missing.sh"), here, 20},
                                        {here, here, 50}}) {
    bool executable = code % 10 == 0;  // the call sets it
    EXPECT_EQ(CheckLaunch(program, workDir, executable) * 10 + executable, code) << program;
  }
}

}  // namespace
