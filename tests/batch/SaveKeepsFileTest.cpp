// What every command that writes does to the file it writes: a symbolic link
// is written through and stays a link, the file keeps its mode and owner, a
// target that is no regular file is refused, an output that is its own input
// is refused, and pack --append never leaves a packed file that does not unpack.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "export/ExportGame.h"
#include "export/PackedFiles.h"
#include "stream/SaveTarget.h"
#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

int Batch(const std::string& args, std::string& output) {
  return RunCapture("timeout 60 " + BatchExe() + " " + args, output, true);
}

std::string Q(const std::string& path) {
  return "'" + path + "'";
}

// Games whose every tag the packing library knows.
std::string KnownTagGames() {
  return ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn")));
}

struct TWriter {
  const char* Name;
  std::string (*Args)(const TTempDir& dir, const std::string& out);
};

// Each command that writes OUT, with inputs made in dir.
const TWriter kWriters[] = {
    {"normalize",
     [](const TTempDir& d, const std::string& out) {
       return "normalize " + Q(d.File("in.pgn")) + " " + Q(out);
     }},
    {"fix",
     [](const TTempDir& d, const std::string& out) {
       return "fix " + Q(d.File("in.pgn")) + " " + Q(out) + " --macro 19";
     }},
    {"pack", [](const TTempDir& d,
                const std::string& out) { return "pack " + Q(d.File("in.pgn")) + " " + Q(out); }},
    {"unpack",
     [](const TTempDir& d, const std::string& out) {
       return "unpack " + Q(d.File("in.pgc")) + " " + Q(out);
     }},
};

class SaveKeepsFile : public testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(dir.File("in.pgn"), KnownTagGames());
    std::string out;
    ASSERT_EQ(Batch("pack " + Q(dir.File("in.pgn")) + " " + Q(dir.File("in.pgc")), out), 0) << out;
  }
  TTempDir dir;
};

TEST_F(SaveKeepsFile, ALinkIsWrittenThroughAndModeAndOwnerStay) {
  fs::create_directory(dir.File("real"));
  const std::string real = dir.File("real/target"), link = dir.File("link");
  const bool root = ::geteuid() == 0;
  for (const TWriter& w : kWriters) {
    std::string out;
    ASSERT_EQ(Batch(w.Args(dir, dir.File("plain")), out), 0) << w.Name << out;
    WriteFileBytes(real, "old");
    ::chmod(real.c_str(), 0640);
    if (root) {
      ASSERT_EQ(::chown(real.c_str(), 4321, 4322), 0);
    }
    fs::remove(link);
    fs::create_symlink("real/target", link);

    ASSERT_EQ(Batch(w.Args(dir, link), out), 0) << w.Name << out;
    EXPECT_TRUE(fs::is_symlink(link)) << w.Name;
    EXPECT_EQ(fs::read_symlink(link), "real/target") << w.Name;
    EXPECT_EQ(ReadFileBytes(real), ReadFileBytes(dir.File("plain"))) << w.Name;
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << w.Name;
    if (root) {
      EXPECT_EQ(st.st_uid, 4321u) << w.Name;
      EXPECT_EQ(st.st_gid, 4322u) << w.Name;
    }
  }
}

TEST_F(SaveKeepsFile, ATargetThatIsNoRegularFileIsRefused) {
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("fifo", dir.File("to-fifo"));
  for (const TWriter& w : kWriters) {
    for (const std::string& target : {fifo, dir.File("to-fifo")}) {
      std::string out;
      EXPECT_EQ(Batch(w.Args(dir, target), out), 3) << w.Name;
      EXPECT_NE(out.find(target + " is a FIFO, not a regular file; nothing was written"),
                std::string::npos)
          << w.Name << out;
      EXPECT_TRUE(fs::is_fifo(fifo)) << w.Name;
    }
  }
  std::string out;
  EXPECT_EQ(Batch("pack " + Q(dir.File("in.pgn")) + " " + Q(fifo) + " --append", out), 3) << out;
  EXPECT_TRUE(fs::is_fifo(fifo));
  // Export, in the window.
  TScriptDialogs dialogs;
  const std::string page =
      "\xB7\r\n[Event \"E\"]\r\n[Site \"S\"]\r\n[Date \"1851.05.27\"]\r\n[White \"W\"]\r\n"
      "[Black \"B\"]\r\n[Result \"1-0\"]\r\n\r\n1.e4 e5 1-0\r\n";
  EXPECT_EQ(WriteExportGame(page, 10, fifo), TExportWrite::IoFailed);
  EXPECT_EQ(dialogs.Texts(),
            std::vector<std::string>{fifo + " is a FIFO, not a regular file; nothing was written"});
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(SaveKeepsFile, PackAndUnpackRefuseTheirInputAsOutput) {
  const std::string pgn = ReadFileBytes(dir.File("in.pgn")),
                    pgc = ReadFileBytes(dir.File("in.pgc"));
  fs::create_symlink("in.pgn", dir.File("same.pgn"));
  std::string out;
  for (const std::string& args :
       {"pack " + Q(dir.File("in.pgn")) + " " + Q(dir.File("in.pgn")),
        "pack " + Q(dir.File("in.pgn")) + " " + Q(dir.File("same.pgn")),
        "pack " + Q(dir.File("in.pgn")) + " " + Q(dir.File("in.pgn")) + " --append",
        "unpack " + Q(dir.File("in.pgc")) + " " + Q(dir.File("in.pgc"))}) {
    EXPECT_EQ(Batch(args, out), 2) << args;
    EXPECT_NE(out.find("is the input file"), std::string::npos) << out;
  }
  // Packed lines are added only to a packed file.
  WriteFileBytes(dir.File("other.pgn"), pgn);
  EXPECT_EQ(
      Batch("pack " + Q(dir.File("in.pgn")) + " " + Q(dir.File("other.pgn")) + " --append", out),
      3);
  EXPECT_NE(out.find("is not a packed file"), std::string::npos) << out;
  EXPECT_EQ(ReadFileBytes(dir.File("in.pgn")), pgn);
  EXPECT_EQ(ReadFileBytes(dir.File("in.pgc")), pgc);
  EXPECT_EQ(ReadFileBytes(dir.File("other.pgn")), pgn);
}

// An I/O error is told with the system's reason.
TEST(SaveFailure, TellsTheSystemsReason) {
  TTempDir dir;
  TScriptDialogs dialogs;
  ClearWorkFileNames();
  InitWorkFileNames(dir.Path().string() + "/");
  WriteFileBytes(dir.File("in.pgn"), TestData("london1851.pgn"));
  std::string text;
  auto work = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), text, 10000), text);
  ASSERT_NE(work, nullptr);
  SetWriteFaultAfter(1000);
  dialogs.Answers.push_back(TMsgAnswer::Yes);  // the catch-all question: go on
  EXPECT_FALSE(SaveOrAppend(*work, TSaveMode::Save, dir.File("out.pgn"), true));
  SetWriteFaultAfter(-1);
  EXPECT_EQ(LastSaveFailure(), "cannot write " + dir.File("out.pgn") + ": No space left on device");
  work.reset();
  ClearWorkFileNames();
}

// pack --append ended at each write call in turn (the process ends there, as
// a kill would end it): the packed file is the old one or the old one with
// every game added, and unpacks in full either way.
TEST(PackAppend, EndedAtAnyWriteCallLeavesAFileThatUnpacks) {
  TTempDir dir;
  TScriptDialogs dialogs;
  ClearWorkFileNames();
  InitWorkFileNames(dir.Path().string() + "/");
  TDlopenLoader loader;
  TPackingLibrary lib{loader};
  ASSERT_TRUE(lib.LoadPackingLibrary(PackerLibraryPath()));
  // More than 1 MB of packed lines, so that the added text takes several writes.
  std::string pgn;
  for (int i = 0; i < 30; ++i) pgn += KnownTagGames();
  WriteFileBytes(dir.File("in.pgn"), pgn);
  std::string text;
  auto work = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), text, 100000), text);
  ASSERT_NE(work, nullptr);
  const std::string packed = dir.File("p.pgc"), temp = dir.File(kPackedTempFile);
  const int64_t games = PackAllPages(lib, *work, packed);
  const std::string old = ReadFileBytes(packed);
  ASSERT_GT(old.size(), 1u << 20);

  int crashes = 0;
  for (int64_t n = 1;; ++n) {
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
    if (WEXITSTATUS(status) == kCrashExitCode) {
      ++crashes;
      EXPECT_TRUE(unpacked == games || unpacked == 2 * games) << "call " << n << ": " << unpacked;
      continue;
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "call " << n;
    EXPECT_EQ(unpacked, 2 * games);
    break;
  }
  EXPECT_GT(crashes, 3);
  work.reset();
  ClearWorkFileNames();
}

}  // namespace
