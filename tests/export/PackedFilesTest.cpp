// The packed-file flows over a real work file: save and open again, the game
// selection, Append, and what survives each kind of failure.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "export/PackedFiles.h"
#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

class PackedFilesTest : public testing::Test {
 protected:
  // The work file of London 1851, packed into london.pgc.
  void SetUp() override {
    ClearWorkFileNames();
    InitWorkFileNames(dir.Path().string() + "/");
    ASSERT_TRUE(lib.LoadPackingLibrary(PackerLibraryPath()));
    OpenWork(london);
    ASSERT_EQ(SavePacked(lib, *work, packed, false, temp), 251);
  }
  void TearDown() override {
    work.reset();
    ClearWorkFileNames();
  }

  // A work file of 10000-byte pages holding the PGN text.
  void OpenWork(const std::string& pgn) {
    WriteFileBytes(dir.File("in.pgn"), pgn);
    std::string text;
    work = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), text, 10000), text);
    ASSERT_NE(work, nullptr);
  }

  // The plain PGN that Save writes for the packed file's games from start on.
  std::string OpenedAndSaved(int64_t start = 1, int64_t maximum = kDefaultMaximumGames) {
    std::string page;
    auto opened = ProcessInputFile(OpenPacked(lib, packed, temp, start, maximum, 10000), page);
    fs::remove(temp);
    if (!opened || !SaveOrAppend(*opened, TSaveMode::Save, dir.File("out.pgn"), true)) return "";
    return ReadFileBytes(dir.File("out.pgn"));
  }

  TTempDir dir;
  TScriptDialogs dialogs;
  TDlopenLoader loader;
  TPackingLibrary lib{loader};
  std::unique_ptr<TFStreamTxStr> work;
  const std::string temp = dir.File(kPackedTempFile), packed = dir.File("london.pgc");
  const std::string london = TestData("london1851.pgn");
};

TEST_F(PackedFilesTest, SavedOpenedSelectedAndAppended) {
  std::string page;
  work->GotoPage(3, page);
  ASSERT_EQ(SavePacked(lib, *work, packed, false, temp), 251);
  EXPECT_EQ(work->CurrentPage(), 3);
  std::string lines = ReadFileBytes(packed);
  const std::string once = lines;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 251);
  EXPECT_TRUE(lines.ends_with("\r\n"));
  // Append: the old last line had lost its line end.
  WriteFileBytes(packed, once.substr(0, once.size() - 2));
  EXPECT_EQ(SavePacked(lib, *work, packed, true, temp), 251);
  EXPECT_EQ(ReadFileBytes(packed), once + once);
  EXPECT_THROW(SavePacked(lib, *work, dir.File("missing.pgc"), true, temp), EPackedFileError);
  EXPECT_FALSE(fs::exists(dir.File("missing.pgc")) || fs::exists(temp));
  // Opened again (the work file is replaced), and the lines selected.
  WriteFileBytes(packed, once);
  EXPECT_EQ(OpenedAndSaved(), "\r\n" + london);
  // An empty line is no game.
  lines.insert(lines.find('\n') + 1, "\r\n");
  WriteFileBytes(packed, lines);
  std::vector<std::string> games;
  for (size_t at = 0, next; at < london.size(); at = next + 4) {
    next = std::min(london.find("\r\n\r\n[Event ", at), london.size() - 2);
    games.push_back(london.substr(at, next - at));
  }
  ASSERT_EQ(games.size(), 251u);
  EXPECT_EQ(UnpackToTemp(lib, packed, temp, 3, 2), 2);
  EXPECT_EQ(ReadFileBytes(temp), "\r\n" + games[2] + "\r\n\r\n" + games[3] + "\r\n\r\n\r\n");
  EXPECT_EQ(OpenedAndSaved(250), "\r\n" + games[249] + "\r\n\r\n" + games[250] + "\r\n");
  EXPECT_EQ(OpenedAndSaved(0, 1), "\r\n" + games[0] + "\r\n");
  try {
    OpenPacked(lib, packed, temp, 252, kDefaultMaximumGames, 10000);
    ADD_FAILURE() << "nothing selected";
  } catch (const EPackedFileError& e) {
    EXPECT_STREQ(e.what(), "No games selected (the packed file holds 251 games)");
  }
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_TRUE(dialogs.Shown.empty());
}

// A refused game or a full device leaves an existing packed file as it was
// and the work file on its page, in a save and in an append.
TEST_F(PackedFilesTest, FailedSaveLeavesThePackedFileAlone) {
  const std::string old = "~1old line\r\n";
  const std::string unknown =
      "Pack Error (unknown tag \"EventDate\"; only the 18 known tags can be packed)\r\rgame 252 "
      "of the file, on page 17" +
      std::string(kPackErrorsHelp);
  const std::string bad = london + "\r\n[Event \"x\"]\r\n[EventDate \"?\"]\r\n\r\n1.e4 *\r\n";
  const int64_t size = static_cast<int64_t>(ReadFileBytes(packed).size());
  const struct {
    std::string Pgn;
    bool Append;
    int64_t FaultAfter;  // bytes written before the device is full; -1 never
    std::string Message;
  } cases[] = {{bad, false, -1, unknown},
               {bad, true, -1, unknown},
               {london, false, 1000, kPackIoError},
               {london, true, size + 1000, kPackIoError}};  // adding to the old lines
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message + " append " + std::to_string(c.Append));
    OpenWork(c.Pgn);
    WriteFileBytes(packed, old);
    std::string page;
    work->GotoPage(2, page);
    dialogs.Shown.clear();
    SetWriteFaultAfter(c.FaultAfter);
    std::string message = "not refused";  // the box shown, or the one the caller is to show
    try {
      SavePacked(lib, *work, packed, c.Append, temp);
    } catch (const EPackedFileError& e) {
      message = e.Shown ? (dialogs.Shown.empty() ? "" : dialogs.Shown.back().Text) : e.what();
    }
    SetWriteFaultAfter(-1);
    EXPECT_EQ(message, c.Message);
    EXPECT_LE(dialogs.Shown.size(), 1u);
    EXPECT_EQ(ReadFileBytes(packed), old);
    EXPECT_EQ(work->CurrentPage(), 2);
    // in.pgn, the packed file, the bullet file and its map: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 4);
  }
}

// pack --append ended at each write call in turn (the process ends there, as
// a kill would end it): the packed file is the old one or the old one with
// every game added, and unpacks in full either way.
TEST_F(PackedFilesTest, AppendEndedAtAnyWriteCallLeavesAFileThatUnpacks) {
  // More than 1 MB of packed lines, so that the added text takes several writes.
  std::string pgn;
  for (int i = 0; i < 30; ++i) pgn += ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn")));
  OpenWork(pgn);
  const int64_t games = PackAllPages(lib, *work, packed);
  const std::string old = ReadFileBytes(packed);
  ASSERT_GT(old.size(), 1u << 20);
  int crashes = 0;
  for (int64_t n = 1;; ++n, ++crashes) {
    WriteFileBytes(packed, old);
    const pid_t child = ::fork();
    if (child == 0) {
      SetWriteCrashAtCall(n);
      try {
        SavePacked(lib, *work, packed, true, temp);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "call " << n;
    const int64_t unpacked = UnpackToTemp(lib, packed, temp, 1, kDefaultMaximumGames);
    if (WEXITSTATUS(status) != kCrashExitCode) {
      EXPECT_EQ(WEXITSTATUS(status) * 1000000 + unpacked, 2 * games) << "call " << n;
      break;
    }
    EXPECT_TRUE(unpacked == games || unpacked == 2 * games) << "call " << n << ": " << unpacked;
  }
  EXPECT_GT(crashes, 3);
}

// A page's game runs from its bullet to the next one, without trailing blanks.
TEST(CheckGameForPacking, GameBetweenBulletsOrRefusal) {
  const std::string game = "\xB7\r\n[Event \"a\"]\r\n\r\n1.e4 *", help = kPackErrorsHelp;
  for (auto [page, result] :
       {std::pair<std::string, std::string>{game + "\r\n\r\n \t", "[Event \"a\"]\r\n\r\n1.e4 *"},
        {game + "\r\n" + game, "[Event \"a\"]\r\n\r\n1.e4 *"},
        {"[Event \"a\"]\r\n1.e4 *\r\n", "1st bullet missing/misplaced" + help},
        {"\xB7\r\n[Site \"s\"]\r\n1.e4 *", "Event missing/misplaced" + help},
        {game + "\r\n[Event \"b\"]\r\n1.d4 *", "multiple games between bullets" + help}}) {
    size_t next = 0;
    try {
      EXPECT_EQ(CheckGameForPacking(page, 0, next), result) << page;
    } catch (const EPackedFileError& e) {
      EXPECT_EQ(e.what(), result) << page;
    }
  }
}

}  // namespace
