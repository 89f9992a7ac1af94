// Recovery of the work file: the map file's format, recovery after commits, a
// crash at every write call of every work-file change, live instances, and a
// failure injected at every write call of every stream-level write path.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>

#include "stream/Recovery.h"
#include "stream/SaveTarget.h"
#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string Game(const std::string& name, size_t comment) {
  return "[Event \"" + name + "\"]\r\n[Site \"?\"]\r\n[Result \"*\"]\r\n\r\n1.e4 {" +
         std::string(comment, 'c') + "} e5 *\r\n\r\n";
}

std::string Record(const std::string& name, size_t comment) {
  std::string g = Game(name, comment);
  return "\xB7\r\n" + g.substr(0, g.size() - 2);
}

using TPages = std::vector<std::string>;

TPages PagesOf(TFStreamTxStr& s) {
  TPages pages;
  std::string text;
  for (int32_t p = 1; p <= s.PageCount(); ++p) {
    s.GotoPage(p, text);
    pages.push_back(text);
  }
  return pages;
}

class RecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearWorkFileNames();
    Name(1);
    std::string pgn;
    for (int i = 0; i < 30; ++i) pgn += Game("G" + std::to_string(i), 800 + 400 * (i % 3));
    WriteFileBytes(Input(), pgn);
  }
  void TearDown() override {
    SetWriteFaultAtCall(0);
    ClearWorkFileNames();
  }
  std::string Input() const { return dir.File("in.pgn"); }
  // Makes run n's work-file names the names in force.
  void Name(int run) {
    std::string digits = TickDigits(static_cast<uint64_t>(run));
    BulletFileName = dir.File("~korvane.bullet.file." + digits + ".tmp");
    OutputFileName = dir.File("~korvane.reorg.file." + digits + ".tmp");
  }
  std::unique_ptr<TFStreamTxStr> Open() {
    std::string text;
    auto s = ProcessInputFile(OpenInputFile(Input(), text, 10000), text);
    EXPECT_NE(s, nullptr);
    EXPECT_GE(s->PageCount(), 3);
    return s;
  }
  // What the next run recovers from this run's files (run 2's names).
  TPages Recover(std::string* origin = nullptr) {
    Name(2);
    auto found = FindRecoverableWorkFiles(dir.Path().string());
    if (found.size() != 1) {
      ADD_FAILURE() << "recoverable work files: " << found.size();
      return {};
    }
    if (origin) *origin = found[0].Map.Origin;
    EXPECT_TRUE(AdoptWorkFile(found[0]));
    std::string text;
    auto s = OpenRecoveredBulletFile(found[0].Map, text);
    if (!s) return {};
    TPages pages = PagesOf(*s);
    s.reset();
    for (const auto& f : {BulletFileName, MapFileNameOf(BulletFileName), OutputFileName})
      fs::remove(f);
    Name(1);
    return pages;
  }

  TTempDir dir;
  TScriptDialogs dialogs;
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

void PreparePage2(TFStreamTxStr& s) {
  std::string t;
  s.GotoPage(2, t);
}

// The changes of the work file tried below; each starts after its Prepare.
struct TChange {
  const char* Path;
  void (*Prepare)(TFStreamTxStr&);
  std::function<bool(std::unique_ptr<TFStreamTxStr>&)> Change;  // true on success
  const char* Message = nullptr;  // the box a failure shows; nullptr for an exception alone
};

std::vector<TChange> WorkFileChanges() {
  return {
      {"commit in place", PreparePage2,
       [](auto& s) {
         std::string t = Record("P", 5);
         return s->WritePage(t) > 0;
       }},
      {"commit into a gap", PrepareGap,
       [](auto& s) {
         std::string t = Record("Q", 2000);
         int64_t size = s->FileSize();
         bool ok = s->WritePage(t) > 0;
         EXPECT_EQ(s->FileSize(), size) << "not written into the gap";
         return ok;
       }},
      {"commit at the end", PreparePage2,
       [](auto& s) {
         std::string t = Record("E", 14000);
         return s->WritePage(t) > 0;
       }},
      {"add page", PreparePage2, [](auto& s) { return s->AddPage() > 0; }},
  };
}

TEST(RecoveryMap, TextRoundTripsAndDamageIsRefused) {
  TRecoveryMap map;
  map.Origin = "/home/u/a b\n\xE9.pgn";
  map.BufferSize = 20000;
  map.Inode = 123456789;
  map.Current = 2;
  map.Entries = {{0, 300, 1}, {300, 0, 0}, {5000000000LL, 20, 1}};
  const std::string text = RecoveryMapText(map);
  TRecoveryMap back;
  ASSERT_TRUE(ParseRecoveryMap(text, back));
  EXPECT_EQ(back.Origin, map.Origin);
  EXPECT_EQ(RecoveryMapText(back), text);

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = text;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const struct {
    const char* Why;
    std::string Text;
  } kDamaged[] = {
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
      {"empty", ""},
  };
  for (const auto& c : kDamaged) EXPECT_FALSE(ParseRecoveryMap(c.Text, back)) << c.Why;
}

// Commits of every kind, Add Page and an emptied page survive a crash, and the
// recovered collection names the file it came from.
TEST_F(RecoveryTest, CommittedPagesComeBackAfterACrash) {
  auto s = Open();
  TPages model = PagesOf(*s);
  std::string text;
  auto commit = [&](int32_t page, std::string newText) {
    s->GotoPage(page, text);
    s->WritePage(newText);
    model[static_cast<size_t>(page - 1)] = newText;
  };
  commit(2, Record("Shrunk", 10));             // in place
  commit(1, model[0] + Record("Grown", 400));  // to the end
  commit(3, Record("IntoGap", 30));            // in place again, smaller
  commit(2, Record("Gap", 500));               // into the gap page 1 left
  s->AddPage();
  model.push_back("");
  commit(s->PageCount(), Record("Added", 50));
  s->AddPage();
  model.push_back("");
  commit(4, "");
  ASSERT_EQ(PagesOf(*s), model);
  s.reset();  // no clean end: the files stay as a crash leaves them

  std::string origin;
  EXPECT_TRUE(Recover(&origin) == model);
  EXPECT_EQ(origin, Input());
}

// A crash at any write call of a work-file change leaves either the state
// before it or the state after it, never a damaged page.
TEST_F(RecoveryTest, ACrashAtEveryWriteCallLeavesOldOrNew) {
  std::vector<TChange> kPaths = WorkFileChanges();
  kPaths.push_back({"save", PreparePage2, [this](auto& s) {
                      return SaveOrAppend(*s, TSaveMode::Save, dir.File("out.pgn"), true);
                    }});
  for (const auto& path : kPaths) {
    // The states before and after, and the number of write calls, from a clean run.
    auto s = Open();
    path.Prepare(*s);
    const TPages before = PagesOf(*s);
    path.Prepare(*s);
    const int64_t first = WriteCallCount();
    path.Change(s);
    const int64_t calls = WriteCallCount() - first;
    const TPages after = PagesOf(*s);
    s.reset();
    const std::string saved =
        fs::exists(dir.File("out.pgn")) ? ReadFileBytes(dir.File("out.pgn")) : "";
    ASSERT_EQ(Recover(), after) << path.Path;
    ASSERT_GT(calls, 0) << path.Path;

    int survived = 0;
    for (int64_t n = 1; n <= calls; ++n) {
      fs::remove(dir.File("out.pgn"));
      auto w = Open();
      path.Prepare(*w);
      pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        SetWriteCrashAtCall(n);
        path.Change(w);
        ::_exit(0);
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kCrashExitCode)
          << path.Path << " call " << n;
      w.reset();
      TPages recovered = Recover();
      EXPECT_TRUE(recovered == before || recovered == after) << path.Path << " call " << n;
      survived += recovered == before || recovered == after;
      // A save killed midway leaves no target or the whole one; its temporary
      // file goes at the next save.
      if (fs::exists(dir.File("out.pgn"))) {
        EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), saved) << path.Path << " call " << n;
      }
    }
    std::cout << "crash at each write call, " << path.Path << ": " << survived << " of " << calls
              << " survived\n";
  }
  // The next save clears what the killed ones left.
  auto s = Open();
  ASSERT_TRUE(SaveOrAppend(*s, TSaveMode::Save, dir.File("out.pgn"), true));
  for (const auto& e : fs::directory_iterator(dir.Path()))
    EXPECT_NE(e.path().filename().string().rfind(kSaveTempPrefix, 0), 0u) << e.path();
}

// Work files of a running instance are neither offered nor deleted; without a
// map file a work file holds nothing committed and goes as stale.
TEST_F(RecoveryTest, LiveInstancesAreNeverTouched) {
  auto s = Open();
  const std::string bullet = BulletFileName, mapFile = MapFileNameOf(BulletFileName);
  TWorkFileLock live;
  ASSERT_TRUE(live.Hold(bullet));
  Name(2);
  const std::string unmapped = dir.File("~korvane.bullet.file.00000003.tmp");
  const std::string orphanMap = dir.File("~korvane.bullet.file.00000004.map");
  WriteFileBytes(unmapped, "x");
  WriteFileBytes(orphanMap, "x");
  EXPECT_TRUE(FindRecoverableWorkFiles(dir.Path().string()).empty());
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 2);
  EXPECT_FALSE(fs::exists(unmapped));
  EXPECT_FALSE(fs::exists(orphanMap));
  EXPECT_TRUE(fs::exists(bullet));
  EXPECT_TRUE(fs::exists(mapFile));
  EXPECT_TRUE(fs::exists(Input()));

  // The instance ends without a clean shutdown: now its files are offered, and
  // the stale-file clean-up leaves them for the question.
  live.Release();
  s.reset();
  EXPECT_EQ(DeleteStaleWorkFiles(dir.Path().string()), 0);
  auto found = FindRecoverableWorkFiles(dir.Path().string());
  ASSERT_EQ(found.size(), 1u);
  // The question shows when the file last changed: a moment ago, wall-clock time.
  const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  EXPECT_NEAR(static_cast<double>(found[0].ModifiedAt), static_cast<double>(now), 600.0);
  DeleteWorkFileSet(found[0]);  // the answer No
  EXPECT_FALSE(fs::exists(bullet));
  EXPECT_FALSE(fs::exists(mapFile));
}

// After a reorganisation the map file names the old file until the new map is
// written; recovery then reads the compact new file afresh.
TEST_F(RecoveryTest, ACrashRightAfterReorganisationRecoversTheNewFile) {
  auto s = Open();
  std::string t;
  s->GotoPage(1, t);
  t += Record("Grown", 900);
  s->WritePage(t);
  auto done = ReorganizeBulletFile(std::move(s));
  ASSERT_NE(done, nullptr);
  done.reset();
  SwapReorgFile();
  // What opening the reorganised file afresh gives, without a map file.
  TFStreamTxStr plain(BulletFileName, "", "", TOpenMode::ReadWrite, 10000);
  plain.BuildPageMap();
  const TPages fresh = PagesOf(plain);
  ASSERT_GE(plain.PageCount(), 3);
  EXPECT_TRUE(Recover() == fresh);
}

TEST_F(RecoveryTest, AMapThatDoesNotFitIsRebuiltFromTheFile) {
  auto s = Open();
  const TPages model = PagesOf(*s);
  s.reset();
  TRecoveryMap map;
  ASSERT_TRUE(ReadRecoveryMapFile(MapFileNameOf(BulletFileName), map));
  map.Entries[1].Offset += 3;  // no longer at a record's start
  ASSERT_TRUE(WriteRecoveryMapFile(MapFileNameOf(BulletFileName), map));
  EXPECT_TRUE(Recover() == model);
}

// A failure injected at each write call in turn: the user's files stay byte for
// byte, the work file still reads back page for page (and so does its map file),
// and the message says what did not happen.
TEST_F(RecoveryTest, AFailureAtEveryWriteCallHarmsNothing) {
  const std::string target = dir.File("target.pgn");
  const std::string oldTarget = Game("Old", 10);
  const char* kIncomplete = "I/O error on write. Save was incomplete (ref: 4254)";
  std::vector<TChange> kPaths = WorkFileChanges();
  kPaths.push_back({"save", PreparePage2,
                    [&](auto& s) { return SaveOrAppend(*s, TSaveMode::Save, target, true); },
                    kIncomplete});
  kPaths.push_back({"save as", PreparePage2,
                    [&](auto& s) { return SaveOrAppend(*s, TSaveMode::SaveAs, target, true); },
                    kIncomplete});
  kPaths.push_back({"append", PreparePage2,
                    [&](auto& s) { return SaveOrAppend(*s, TSaveMode::Append, target, true); },
                    kIncomplete});
  kPaths.push_back({"reorganisation", PreparePage2,
                    [](auto& s) {
                      s = ReorganizeBulletFile(std::move(s));
                      return s != nullptr;
                    },
                    "Error reorganizing bullet file (I/O error on write)."});
  for (const auto& path : kPaths) {
    int failures = 0;
    int64_t calls = 0;
    for (int64_t n = 1;; ++n) {
      WriteFileBytes(target, oldTarget);
      auto s = Open();
      path.Prepare(*s);
      const TPages before = PagesOf(*s);
      const std::string bulletBefore = ReadFileBytes(BulletFileName);
      path.Prepare(*s);
      dialogs.Shown.clear();
      dialogs.Answers = {TMsgAnswer::Yes};  // "Do you want to continue?" after a failed save
      const int64_t first = WriteCallCount();
      SetWriteFaultAtCall(n);
      bool ok = false;
      try {
        ok = path.Change(s);
      } catch (const EChessException& e) {
        EXPECT_STREQ(e.what(), "i/o error on bullet write") << path.Path;
      }
      const bool injected = WriteCallCount() - first >= n;
      SetWriteFaultAtCall(0);
      dialogs.Answers.clear();
      if (!injected) {
        calls = n - 1;
        EXPECT_TRUE(ok) << path.Path;
        break;
      }
      if (!ok) {
        ++failures;
        EXPECT_EQ(ReadFileBytes(target), oldTarget) << path.Path << " call " << n;
        if (path.Message) {
          auto texts = dialogs.Texts();
          // The first line is the flow's; a second one may give the system's reason.
          const auto says = [&](const std::string& head) {
            return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
              return t == head || t.starts_with(head + "\r");
            });
          };
          EXPECT_TRUE(says(path.Message) || says("close error #9789"))
              << path.Path << " call " << n << ": " << ::testing::PrintToString(texts);
        }
      }
      if (!s) {
        // Reorganisation gives the stream up; the bullet file was not touched.
        EXPECT_EQ(ReadFileBytes(BulletFileName), bulletBefore) << path.Path << " call " << n;
        continue;
      }
      const TPages now = PagesOf(*s);
      if (!ok) {
        EXPECT_EQ(now, before) << path.Path << " call " << n;
      }
      s.reset();
      EXPECT_TRUE(Recover() == now) << path.Path << " call " << n;
      for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_NE(e.path().filename().string().rfind(kSaveTempPrefix, 0), 0u) << e.path();
    }
    EXPECT_GT(failures, 0) << path.Path;
    std::cout << "fault at each write call, " << path.Path << ": " << calls << " calls, "
              << failures << " reported as failed, all harmless\n";
  }
}

}  // namespace
