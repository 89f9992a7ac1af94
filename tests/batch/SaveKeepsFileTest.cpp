// What every command that writes does to the file it writes: a symbolic link
// is written through and stays a link, the file keeps its mode and owner, a
// target that is no regular file is refused, and pack --append never leaves a
// packed file that does not unpack. (Outputs that are their own input: the
// exit-status table of CommandLineTest.cpp.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "export/ExportGame.h"
#include "export/PackedFiles.h"
#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

// Games whose every tag the packing library knows.
std::string KnownTagGames() {
  return ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn")));
}

TEST(SaveKeepsFile, LinksModesOwnersAndTargetsThatAreNoRegularFile) {
  TTempDir dir;
  std::string out;
  const auto batch = [&](const std::string& args, const std::string& target) {
    return RunCapture("timeout 60 " + BatchExe() + " " + args + " '" + target + "'", out, true);
  };
  WriteFileBytes(dir.File("in.pgn"), KnownTagGames());
  const std::string in = " '" + dir.File("in.pgn") + "' ";
  ASSERT_EQ(batch("pack" + in, dir.File("in.pgc")), 0) << out;
  const std::string real = dir.File("real/target"), link = dir.File("link"),
                    fifo = dir.File("fifo");
  const std::string refused = " is a FIFO, not a regular file; nothing was written";
  fs::create_directory(dir.File("real"));
  fs::create_symlink("real/target", link);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("fifo", dir.File("to-fifo"));
  const bool root = ::geteuid() == 0;
  for (const std::string& command :
       {"normalize" + in, "fix" + in + "--macro 19", "pack" + in,
        "unpack '" + dir.File("in.pgc") + "'", "pack" + in + "--append"}) {
    SCOPED_TRACE(command);
    for (const std::string& target : {fifo, dir.File("to-fifo")}) {
      EXPECT_EQ(batch(command + " ", target), 3);
      EXPECT_NE(out.find(target + refused), std::string::npos) << out;
      EXPECT_TRUE(fs::is_fifo(fifo));
    }
    if (command.ends_with("--append")) continue;
    fs::remove(dir.File("plain"));
    ASSERT_EQ(batch(command, dir.File("plain")), 0) << out;
    WriteFileBytes(real, "old");
    ::chmod(real.c_str(), 0640);
    ASSERT_TRUE(!root || ::chown(real.c_str(), 4321, 4322) == 0);
    ASSERT_EQ(batch(command, link), 0) << out;
    EXPECT_EQ(fs::read_symlink(link), "real/target");
    EXPECT_EQ(ReadFileBytes(real), ReadFileBytes(dir.File("plain")));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(!root || (st.st_uid == 4321u && st.st_gid == 4322u));
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
  std::string pgn, text;
  for (int i = 0; i < 30; ++i) pgn += KnownTagGames();
  WriteFileBytes(dir.File("in.pgn"), pgn);
  auto work = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), text, 100000), text);
  ASSERT_NE(work, nullptr);
  const std::string packed = dir.File("p.pgc"), temp = dir.File(kPackedTempFile);
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
  work.reset();
  ClearWorkFileNames();
}
