// Recovery of the work file: the map file's format, recovery after commits,
// live instances and stale files, and a crash or a write failure at every
// write call of every work-file change and save.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "stream/Recovery.h"
#include "stream/SaveTarget.h"
#include "tests/stream/StreamTestUtil.h"

namespace {

namespace fs = std::filesystem;
using TPages = std::vector<std::string>;

// A game of a PGN file and its blank line, with a comment of that many bytes.
std::string PgnGame(const std::string& event, size_t comment) {
  return "[Event \"" + event + "\"]\r\n[Site \"?\"]\r\n[Result \"*\"]\r\n\r\n1.e4 {" +
         std::string(comment, 'c') + "} e5 *\r\n\r\n";
}

// The text of every page, in page order.
TPages PagesOf(TFStreamTxStr& s) {
  TPages pages;
  std::string text;
  for (int32_t p = 1; p <= s.PageCount(); ++p) {
    EXPECT_EQ(s.GotoPage(p, text), p);
    pages.push_back(text);
  }
  return pages;
}

class RecoveryTest : public TWorkFilesTest {
 protected:
  void SetUp() override {
    TWorkFilesTest::SetUp();
    Name(1);
    std::string pgn;
    for (int i = 0; i < 30; ++i) pgn += PgnGame("G" + std::to_string(i), 800 + 400 * (i % 3));
    WriteFileBytes(Input(), pgn);
  }
  std::string Input() const { return dir.File("in.pgn"); }
  // Makes run n's work-file names the names in force.
  void Name(int run) {
    std::string digits = TickDigits(static_cast<uint64_t>(run));
    BulletFileName = dir.File("~korvane.bullet.file." + digits + ".tmp");
    OutputFileName = dir.File("~korvane.reorg.file." + digits + ".tmp");
  }
  std::unique_ptr<TFStreamTxStr> OpenInput() {
    auto s = Open(Input(), 10000);
    EXPECT_GE(s ? s->PageCount() : 0, 3);
    return s;
  }
  // What the next run recovers from this run's files (run 2's names).
  TPages Recover(std::string* origin = nullptr) {
    Name(2);
    auto found = FindRecoverableWorkFiles(dir.Path().string());
    EXPECT_EQ(found.size(), 1u);
    if (found.size() != 1) return {};
    if (origin) *origin = found[0].Map.Origin;
    EXPECT_TRUE(AdoptWorkFile(found[0]));
    std::string text;
    auto s = OpenRecoveredBulletFile(found[0].Map, text);
    TPages pages = s ? PagesOf(*s) : TPages{};
    s.reset();
    for (const auto& f : {BulletFileName, MapFileNameOf(BulletFileName), OutputFileName})
      fs::remove(f);
    Name(1);
    return pages;
  }
  void ExpectNoSaveTemps() {
    for (const auto& e : fs::directory_iterator(dir.Path()))
      EXPECT_FALSE(e.path().filename().string().starts_with(kSaveTempPrefix)) << e.path();
  }
};

// Leaves a gap at the start of the file and page 3 small, with page 3 current:
// a larger page 3 then goes into the gap.
void PrepareGap(TFStreamTxStr& s) {
  std::string t;
  s.GotoPage(3, t);
  t = Record("Tiny", 1);
  s.WritePage(t);
  s.GotoPage(1, t);
  t.clear();
  s.WritePage(t);
  s.GotoPage(3, t);
}

// A change of the work file or a save, tried after its Prepare.
struct TChange {
  const char* Path;
  void (*Prepare)(TFStreamTxStr&);
  std::function<bool(std::unique_ptr<TFStreamTxStr>&)> Change;  // true on success
  bool Crashed;                                                 // also killed at each write call
  bool Save;  // a failure shows a box; a save's map names its target
};

void PreparePage2(TFStreamTxStr& s) {
  std::string t;
  s.GotoPage(2, t);
}

std::function<bool(std::unique_ptr<TFStreamTxStr>&)> Commit(const std::string& text) {
  return [=](auto& s) {
    std::string t = text;
    s->WritePage(t);
    return true;
  };
}

std::vector<TChange> Changes(const std::string& target) {
  auto save = [target](TSaveMode mode) {
    return [=](auto& s) { return SaveOrAppend(*s, mode, target, true); };
  };
  return {
      {"commit in place", PreparePage2, Commit(Record("P", 5)), true, false},
      {"commit into a gap", PrepareGap, Commit(Record("Q", 2000)), true, false},
      {"commit at the end", PreparePage2, Commit(Record("E", 14000)), true, false},
      {"empty a page", PreparePage2, Commit(""), true, false},
      {"add page", PreparePage2, [](auto& s) { return s->AddPage() > 0; }, true, false},
      {"save", PreparePage2, save(TSaveMode::Save), true, true},
      {"save as", PreparePage2, save(TSaveMode::SaveAs), false, true},
      {"append", PreparePage2, save(TSaveMode::Append), false, true},
      {"reorganisation", PreparePage2,
       [](auto& s) { return (s = ReorganizeBulletFile(std::move(s))) != nullptr; }, false, true},
  };
}

TEST(RecoveryMap, TextRoundTripsAndDamageIsRefused) {
  const TRecoveryMap map{"/home/u/a b\n\xE9.pgn",
                         20000,
                         123456789,
                         2,
                         {{0, 300, 1}, {300, 0, 0}, {5000000000LL, 20, 1}}};
  const std::string text = RecoveryMapText(map);
  TRecoveryMap back;
  ASSERT_TRUE(ParseRecoveryMap(text, back));
  EXPECT_EQ(back.Origin, map.Origin);
  EXPECT_EQ(RecoveryMapText(back), text);
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = text;
    return t.replace(t.find(from), from.size(), to);
  };
  const std::pair<const char*, std::string> kDamaged[] = {
      {"cut short", text.substr(0, text.size() - 4)},
      {"no final line end", text.substr(0, text.size() - 1)},
      {"one entry missing", replaced("300 0 0\n", "")},
      {"not a number", replaced("300 0 0", "300 x 0")},
      {"a sign", replaced("300 0 0", "-300 0 0")},
      {"more games than bytes", replaced("300 0 0", "300 0 1")},
      {"current page past the end", replaced("current 2", "current 4")},
      {"current page zero", replaced("current 2", "current 0")},
      {"buffer too small", replaced("buffer 20000", "buffer 9000")},
      {"odd hex", replaced("origin ", "origin 0")},
      {"other header", replaced("map 1", "map 2")},
  };
  for (const auto& [why, damaged] : kDamaged) EXPECT_FALSE(ParseRecoveryMap(damaged, back)) << why;
  EXPECT_TRUE(ParseRecoveryMap(replaced("current 2", "current 3"), back)) << "the last page";
}

// Each change runs cleanly (and is recovered as made, naming the file it came
// from), then with a failure injected at each of its write calls in turn, then
// killed at each: the user's files stay byte for byte (or a save's target is
// whole), the work file reads back page for page before or after the change
// (and so does its map file), and a failure's message says what did not happen.
TEST_F(RecoveryTest, AFailureOrACrashAtEveryWriteCallHarmsNothing) {
  const std::string target = dir.File("target.pgn"), oldTarget = PgnGame("Old", 10);
  for (const TChange& path : Changes(target)) {
    TPages after;
    std::string saved;
    int64_t calls = 0;
    int failures = 0;
    for (int64_t n = 0; n == 0 || n <= calls; ++n) {
      for (bool crash : {false, true}) {
        if (crash && (n == 0 || !path.Crashed)) continue;
        SCOPED_TRACE(std::string(path.Path) + (crash ? " crash" : " failure") + " at call " +
                     std::to_string(n));
        WriteFileBytes(target, oldTarget);
        auto s = OpenInput();
        path.Prepare(*s);
        const TPages before = PagesOf(*s);
        const std::string bulletBefore = ReadFileBytes(BulletFileName);
        path.Prepare(*s);
        if (crash) {
          pid_t child = ::fork();
          ASSERT_GE(child, 0);
          if (child == 0) {
            SetWriteCrashAtCall(n);
            path.Change(s);
            ::_exit(0);
          }
          int status = 0;
          ::waitpid(child, &status, 0);
          ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kCrashExitCode);
          s.reset();
          const TPages recovered = Recover();
          EXPECT_TRUE(recovered == before || recovered == after);
          const std::string now = ReadFileBytes(target);
          EXPECT_TRUE(now == oldTarget || now == saved);
          continue;
        }
        dialogs.Shown.clear();
        dialogs.Answers = {TMsgAnswer::Yes};  // "Do you want to continue?" after a failed save
        const int64_t first = WriteCallCount();
        SetWriteFaultAtCall(n);
        bool ok = false;
        try {
          ok = path.Change(s);
        } catch (const EChessException&) {  // a commit's failure
        }
        SetWriteFaultAtCall(0);
        dialogs.Answers.clear();
        if (n == 0) {
          calls = WriteCallCount() - first;
          ASSERT_TRUE(ok);
          ASSERT_GT(calls, 0);
          if (!path.Crashed) continue;  // its state after is not looked at
        } else if (!ok) {
          ++failures;
          EXPECT_EQ(ReadFileBytes(target), oldTarget);
          EXPECT_TRUE(!path.Save || !dialogs.Shown.empty());
        }
        if (!s) {  // reorganisation gives the stream up; the bullet file was not touched
          EXPECT_EQ(ReadFileBytes(BulletFileName), bulletBefore);
          continue;
        }
        const TPages now = PagesOf(*s);
        EXPECT_TRUE(ok || now == before);
        s.reset();
        std::string origin;
        EXPECT_TRUE(Recover(&origin) == now);
        EXPECT_TRUE(path.Save || origin == Input());
        if (n == 0) {
          after = now;
          saved = ReadFileBytes(target);
        }
        ExpectNoSaveTemps();
      }
    }
    EXPECT_GT(failures, 0) << path.Path;
  }
  // The next save clears the temporary files the killed ones left.
  auto s = OpenInput();
  ASSERT_TRUE(SaveOrAppend(*s, TSaveMode::Save, target, true));
  ExpectNoSaveTemps();
}

// Work files of a running instance are neither offered nor deleted; without a
// map file a work file holds nothing committed and goes as stale.
TEST_F(RecoveryTest, LiveInstancesAreNeverTouchedAndStaleFilesGo) {
  EXPECT_EQ(TickDigits(0), "00000000");
  EXPECT_EQ(TickDigits(123456789012ULL), "56789012");
  auto s = OpenInput();
  const std::string bullet = BulletFileName, mapFile = MapFileNameOf(BulletFileName);
  TWorkFileLock live;
  ASSERT_TRUE(live.Hold(bullet));
  Name(2);
  const std::string stale[] = {dir.File("~korvane.bullet.file.00000003.tmp"),
                               dir.File("~korvane.bullet.file.00000004.map"),
                               dir.File("~korvane.reorg.file.00000005.tmp")};
  for (const auto& f : stale) WriteFileBytes(f, "x");
  WriteFileBytes(dir.File("korvane.ini"), "x");
  TWorkFileLock held;
  ASSERT_TRUE(held.Hold(stale[2]));  // another instance's work file
  EXPECT_TRUE(FindRecoverableWorkFiles(dir.Path().string()).empty());
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 2);
  for (const auto& f : {bullet, mapFile, Input(), stale[2], dir.File("korvane.ini")})
    EXPECT_TRUE(fs::exists(f)) << f;
  held.Release();
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 1);

  // The instance ends without a clean shutdown: now its files are offered, and
  // the stale-file clean-up leaves them for the question.
  live.Release();
  s.reset();
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 0);
  auto found = FindRecoverableWorkFiles(dir.Path().string());
  ASSERT_EQ(found.size(), 1u);
  // The question shows when the file last changed: a moment ago, wall-clock time.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  EXPECT_NEAR(static_cast<double>(found[0].ModifiedAt),
              static_cast<double>(std::chrono::duration_cast<std::chrono::seconds>(now).count()),
              600.0);
  DeleteWorkFileSet(found[0]);  // the answer No
  EXPECT_FALSE(fs::exists(bullet));
  EXPECT_FALSE(fs::exists(mapFile));
}

// After a reorganisation the map file names the old file until the new map is
// written; recovery then reads the compact new file afresh. So does a map that
// no longer fits its file.
TEST_F(RecoveryTest, AMapThatDoesNotFitIsRebuiltFromTheFile) {
  auto s = OpenInput();
  const TPages model = PagesOf(*s);
  s.reset();
  TRecoveryMap map;
  ASSERT_TRUE(ReadRecoveryMapFile(MapFileNameOf(BulletFileName), map));
  map.Entries[1].Offset += 3;  // no longer at a record's start
  ASSERT_TRUE(WriteRecoveryMapFile(MapFileNameOf(BulletFileName), map));
  EXPECT_TRUE(Recover() == model);

  s = OpenInput();
  std::string t;
  s->GotoPage(1, t);
  t += Record("Grown", 900);
  s->WritePage(t);
  auto done = ReorganizeBulletFile(std::move(s));
  ASSERT_NE(done, nullptr);
  done.reset();
  SwapReorgFile();
  TFStreamTxStr plain(BulletFileName, "", "", TOpenMode::ReadWrite, 10000);
  plain.BuildPageMap();
  const TPages fresh = PagesOf(plain);
  ASSERT_GE(plain.PageCount(), 3);
  EXPECT_TRUE(Recover() == fresh);
}

}  // namespace
