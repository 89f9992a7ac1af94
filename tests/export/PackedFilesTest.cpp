// The packed-file flows over a real work file: save and open again, the game
// selection, Append, and what survives each kind of failure.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/PackedFiles.h"
#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr char kHelp[] = "\r\rSearch Help file index for \"Pack Errors\"";

class PackedFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearWorkFileNames();
    InitWorkFileNames(dir.Path().string() + "/");
    ASSERT_TRUE(lib.LoadPackingLibrary(PackerLibraryPath()));
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
  std::string OpenedAndSaved(const std::string& packed, int64_t start = 1,
                             int64_t maximum = kDefaultMaximumGames) {
    std::string page;
    auto input = OpenPacked(lib, packed, temp, start, maximum, 10000);
    auto opened = ProcessInputFile(std::move(input), page);
    fs::remove(temp);
    if (!opened || !SaveOrAppend(*opened, TSaveMode::Save, dir.File("out.pgn"), true)) return "";
    return ReadFileBytes(dir.File("out.pgn"));
  }

  TTempDir dir;
  TScriptDialogs dialogs;
  TDlopenLoader loader;
  TPackingLibrary lib{loader};
  std::unique_ptr<TFStreamTxStr> work;
  const std::string temp = dir.File(kPackedTempFile);
  const std::string london = TestData("london1851.pgn");
};

TEST_F(PackedFilesTest, SavedAndOpenedAgainGivesTheSameFile) {
  OpenWork(london);
  ASSERT_GT(work->PageCount(), 5);
  std::string page;
  work->GotoPage(3, page);
  const std::string packed = dir.File("london.pgc");
  EXPECT_EQ(SavePacked(lib, *work, packed, false, temp), 251);
  EXPECT_EQ(work->CurrentPage(), 3);
  const std::string lines = ReadFileBytes(packed);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 251);
  EXPECT_TRUE(lines.ends_with("\r\n"));
  EXPECT_EQ(OpenedAndSaved(packed), "\r\n" + london);
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(PackedFilesTest, StartAndMaximumSelectGameLines) {
  OpenWork(london);
  const std::string packed = dir.File("london.pgc");
  SavePacked(lib, *work, packed, false, temp);
  // An empty line is no game.
  std::string lines = ReadFileBytes(packed);
  lines.insert(lines.find('\n') + 1, "\r\n");
  WriteFileBytes(packed, lines);
  const std::vector<std::string> games = [&] {
    std::vector<std::string> g;
    for (size_t at = 0, next; at < london.size(); at = next + 4) {
      next = london.find("\r\n\r\n[Event ", at);
      if (next == std::string::npos) next = london.size() - 2;
      g.push_back(london.substr(at, next - at));
    }
    return g;
  }();
  ASSERT_EQ(games.size(), 251u);
  EXPECT_EQ(UnpackToTemp(lib, packed, temp, 3, 2), 2);
  EXPECT_EQ(ReadFileBytes(temp),
            "\r\n" + games[2] + "\r\n" + "\r\n" + games[3] + "\r\n" + "\r\n\r\n");
  EXPECT_EQ(OpenedAndSaved(packed, 250), "\r\n" + games[249] + "\r\n\r\n" + games[250] + "\r\n");
  EXPECT_EQ(OpenedAndSaved(packed, 0, 1), "\r\n" + games[0] + "\r\n");
  try {
    OpenPacked(lib, packed, temp, 252, kDefaultMaximumGames, 10000);
    ADD_FAILURE() << "nothing selected";
  } catch (const EPackedFileError& e) {
    EXPECT_STREQ(e.what(), "No games selected (the packed file holds 251 games)");
  }
  EXPECT_FALSE(fs::exists(temp));
}

TEST_F(PackedFilesTest, AppendAddsLinesAndKeepsTheOldOnes) {
  OpenWork(london);
  const std::string packed = dir.File("london.pgc");
  SavePacked(lib, *work, packed, false, temp);
  const std::string once = ReadFileBytes(packed);
  // The old last line lost its line end.
  WriteFileBytes(packed, once.substr(0, once.size() - 2));
  EXPECT_EQ(SavePacked(lib, *work, packed, true, temp), 251);
  EXPECT_EQ(ReadFileBytes(packed), once + once);
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_THROW(SavePacked(lib, *work, dir.File("missing.pgc"), true, temp), EPackedFileError);
  EXPECT_FALSE(fs::exists(dir.File("missing.pgc")));
}

// A failure leaves an existing packed file as it was and the work file on its page.
TEST_F(PackedFilesTest, FailedSaveLeavesThePackedFileAlone) {
  const std::string bad = london + "\r\n[Event \"x\"]\r\n[EventDate \"?\"]\r\n\r\n1.e4 *\r\n";
  const std::string packed = dir.File("old.pgc");
  const std::string old = "~1old line\r\n";
  const std::string unknown =
      std::string("Pack Error (unknown tag \"EventDate\"; only the 18 known tags can be packed)") +
      "\r\rgame 252 of the file, on page 17" + kHelp;
  const struct {
    std::string Pgn;
    bool Append;
    int64_t FaultAfter;  // bytes written before the device is full; -1 never
    std::string Message;
  } kCases[] = {
      {bad, false, -1, unknown},
      {bad, true, -1, unknown},
      {london, false, 1000, "I/O error on write. Save was incomplete (ref: 6254)"},
  };
  for (const auto& c : kCases) {
    OpenWork(c.Pgn);
    WriteFileBytes(packed, old);
    std::string page;
    work->GotoPage(2, page);
    dialogs.Shown.clear();
    SetWriteFaultAfter(c.FaultAfter);
    EXPECT_THROW(SavePacked(lib, *work, packed, c.Append, temp), EPackedFileError);
    SetWriteFaultAfter(-1);
    ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{c.Message});
    EXPECT_EQ(ReadFileBytes(packed), old);
    EXPECT_EQ(work->CurrentPage(), 2);
    EXPECT_FALSE(fs::exists(temp));
    // in.pgn, old.pgc, the bullet file and its map file: no temporary file was left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 4);
  }
}

TEST_F(PackedFilesTest, EachGameIsCheckedBeforeItIsPacked) {
  const std::string game = "\xB7\r\n[Event \"a\"]\r\n\r\n1.e4 *";
  const struct {
    std::string Page;
    std::string Result;  // the game handed over, or the failure
  } kCases[] = {
      {game + "\r\n\r\n \t", "[Event \"a\"]\r\n\r\n1.e4 *"},
      {game + "\r\n" + game, "[Event \"a\"]\r\n\r\n1.e4 *"},
      {"[Event \"a\"]\r\n1.e4 *\r\n", std::string("1st bullet missing/misplaced") + kHelp},
      {"\xB7\r\n[Site \"s\"]\r\n1.e4 *", std::string("Event missing/misplaced") + kHelp},
      {game + "\r\n[Event \"b\"]\r\n1.d4 *", std::string("multiple games between bullets") + kHelp},
      {"\xB7\r\n[Event \"a\"]\r\n[EventDate \"?\"]\r\n1.e4 *",
       "[Event \"a\"]\r\n[EventDate \"?\"]\r\n1.e4 *"},
  };
  for (const auto& c : kCases) {
    std::string result;
    size_t next = 0;
    try {
      result = CheckGameForPacking(c.Page, 0, next);
    } catch (const EPackedFileError& e) {
      result = e.what();
    }
    EXPECT_EQ(result, c.Result) << c.Page;
  }
}

TEST_F(PackedFilesTest, UnpackFailuresAreReported) {
  OpenWork(london);
  const std::string packed = dir.File("london.pgc");
  SavePacked(lib, *work, packed, false, temp);
  std::string lines = ReadFileBytes(packed);
  const size_t second = lines.find('\n') + 1;
  lines[second + 20] = lines[second + 20] == 'A' ? 'B' : 'A';
  WriteFileBytes(dir.File("damaged.pgc"), lines);
  const struct {
    std::string File;
    std::string Raised;
    std::vector<std::string> Shown;
  } kCases[] = {
      {"damaged.pgc",
       "notified error",
       {"Unpacking error: (packed line damaged (the packed data is cut or changed))"}},
      {"missing.pgc", "file not found", {}},
      {"in.pgn", "notified error", {"Unpacking error: (not a packed game line)"}},
  };
  for (const auto& c : kCases) {
    dialogs.Shown.clear();
    try {
      OpenPacked(lib, dir.File(c.File), temp, 1, kDefaultMaximumGames, 10000);
      ADD_FAILURE() << c.File;
    } catch (const EPackedFileError& e) {
      EXPECT_EQ(e.what(), c.Raised);
    }
    EXPECT_EQ(dialogs.Texts(), c.Shown);
    EXPECT_FALSE(fs::exists(temp));
  }
  // The line before the damaged one was fine.
  EXPECT_EQ(UnpackToTemp(lib, dir.File("damaged.pgc"), temp, 1, 1), 1);
}

}  // namespace

namespace {

// A failure at each write call of Save As Packed and of its append: the packed
// file stays byte for byte, the work file still reads back, the box says so.
TEST_F(PackedFilesTest, AFailureAtEveryWriteCallLeavesThePackedFile) {
  const std::string packed = dir.File("old.pgc");
  const std::string old = "~1old line\r\n";
  for (bool append : {false, true}) {
    int failed = 0;
    for (int64_t n = 1;; ++n) {
      OpenWork(london);
      WriteFileBytes(packed, old);
      dialogs.Shown.clear();
      const int64_t first = WriteCallCount();
      SetWriteFaultAtCall(n);
      bool threw = false;
      std::string message;  // the box shown, or the one the caller is left to show
      try {
        SavePacked(lib, *work, packed, append, temp);
      } catch (const EPackedFileError& e) {
        threw = true;
        message = e.Shown && !dialogs.Shown.empty() ? dialogs.Shown.back().Text : e.what();
      }
      const bool injected = WriteCallCount() - first >= n;
      SetWriteFaultAtCall(0);
      if (!injected) {
        EXPECT_FALSE(threw);
        break;
      }
      ++failed;
      EXPECT_TRUE(threw) << "call " << n;
      EXPECT_EQ(ReadFileBytes(packed), old) << "call " << n;
      EXPECT_FALSE(fs::exists(temp)) << "call " << n;
      EXPECT_EQ(message, "I/O error on write. Save was incomplete (ref: 6254)") << "call " << n;
      std::string page;
      EXPECT_EQ(work->GotoPage(1, page), 1);
    }
    EXPECT_GT(failed, 0) << "append " << append;
  }
}

}  // namespace
