// What every command that writes does to the file it writes: a symbolic link
// is written through and stays a link, the file keeps its mode and owner, a
// target that is no regular file is refused, and pack --append never leaves a
// packed file that does not unpack. (Outputs that are their own input: the
// exit-status table of CommandLineTest.cpp.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include "export/ExportGame.h"
#include "export/PackedFiles.h"
#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// Games whose every tag the packing library knows.
std::string KnownTagGames() {
  return ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn")));
}

class SaveKeepsFile : public testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(dir.File("in.pgn"), KnownTagGames());
    ASSERT_EQ(Batch("pack", "in.pgn", dir.File("in.pgc")), 0) << out;
  }
  // Runs korvane-batch COMMAND IN OUT EXTRA; stdout and stderr go to out.
  int Batch(const std::string& command, const std::string& in, const std::string& target,
            const std::string& extra = "") {
    return RunCapture("timeout 60 " + BatchExe() + " " + command + " '" + dir.File(in) + "' '" +
                          target + "' " + extra,
                      out, true);
  }
  // Each command that writes a target, with its input and options.
  const std::vector<std::array<std::string, 3>> writers = {{"normalize", "in.pgn", ""},
                                                           {"fix", "in.pgn", "--macro 19"},
                                                           {"pack", "in.pgn", ""},
                                                           {"pack", "in.pgn", "--append"},
                                                           {"unpack", "in.pgc", ""}};
  TTempDir dir;
  std::string out;
};

TEST_F(SaveKeepsFile, ALinkIsWrittenThroughAndModeAndOwnerStay) {
  fs::create_directory(dir.File("real"));
  const std::string real = dir.File("real/target"), link = dir.File("link");
  const bool root = ::geteuid() == 0;
  for (const auto& [command, in, extra] : writers) {
    if (extra == "--append") continue;
    SCOPED_TRACE(command);
    fs::remove(dir.File("plain"));
    ASSERT_EQ(Batch(command, in, dir.File("plain"), extra), 0) << out;
    WriteFileBytes(real, "old");
    ::chmod(real.c_str(), 0640);
    ASSERT_TRUE(!root || ::chown(real.c_str(), 4321, 4322) == 0);
    fs::remove(link);
    fs::create_symlink("real/target", link);
    ASSERT_EQ(Batch(command, in, link, extra), 0) << out;
    EXPECT_EQ(fs::read_symlink(link), "real/target");
    EXPECT_EQ(ReadFileBytes(real), ReadFileBytes(dir.File("plain")));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(!root || (st.st_uid == 4321u && st.st_gid == 4322u));
  }
}

TEST_F(SaveKeepsFile, ATargetThatIsNoRegularFileIsRefused) {
  const std::string fifo = dir.File("fifo"),
                    refused = " is a FIFO, not a regular file; nothing was written";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("fifo", dir.File("to-fifo"));
  for (const auto& [command, in, extra] : writers) {
    for (const std::string& target : {fifo, dir.File("to-fifo")}) {
      EXPECT_EQ(Batch(command, in, target, extra), 3) << command;
      EXPECT_NE(out.find(target + refused), std::string::npos) << command << out;
      EXPECT_TRUE(fs::is_fifo(fifo)) << command;
    }
  }
  // Export, in the window.
  TScriptDialogs dialogs;
  const std::string page =
      "\xB7\r\n[Event \"E\"]\r\n[Site \"S\"]\r\n[Date \"1851.05.27\"]\r\n[White \"W\"]\r\n"
      "[Black \"B\"]\r\n[Result \"1-0\"]\r\n\r\n1.e4 e5 1-0\r\n";
  EXPECT_EQ(WriteExportGame(page, 10, fifo), TExportWrite::IoFailed);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{fifo + refused});
  EXPECT_TRUE(fs::is_fifo(fifo));
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
    if (WEXITSTATUS(status) != kCrashExitCode) {
      EXPECT_EQ(WEXITSTATUS(status) * 1000000 + unpacked, 2 * games) << "call " << n;
      break;
    }
    ++crashes;
    EXPECT_TRUE(unpacked == games || unpacked == 2 * games) << "call " << n << ": " << unpacked;
  }
  EXPECT_GT(crashes, 3);
  work.reset();
  ClearWorkFileNames();
}

}  // namespace
