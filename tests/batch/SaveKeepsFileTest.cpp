// What every command that writes does to the file it writes: a symbolic link
// is written through and stays a link, the file keeps its mode and owner, a
// target that is no regular file is refused. (Outputs that are their own
// input: the exit-status table of CommandLineTest.cpp; pack --append ended at
// any write call: tests/export/PackedFilesTest.cpp.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "export/ExportGame.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

TEST(SaveKeepsFile, LinksModesOwnersAndTargetsThatAreNoRegularFile) {
  TTempDir dir;
  std::string out;
  const auto batch = [&](const std::string& args, const std::string& target) {
    return RunCapture("timeout 60 " + BatchExe() + " " + args + " '" + target + "'", out, true);
  };
  // Games whose every tag the packing library knows.
  WriteFileBytes(dir.File("in.pgn"), ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn"))));
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
