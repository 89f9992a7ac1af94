// korvane-batch's manners as a command-line program: one exit-status table,
// reports on stdout and everything else on stderr with the system's reason;
// refused runs write nothing, and the runs that write give Save's bytes; a
// run ended by a signal leaves nothing of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

TEST(BatchCommandLine, OneExitStatusTableReportsOnStdoutTheRestOnStderr) {
  TTempDir dir;
  const auto f = [&](const char* name) { return " '" + dir.File(name) + "'"; };
  const std::string london = TestData("london1851.pgn"), clean = f("clean.pgn");
  for (const char* name : {"clean.pgn", "other.pgn"}) WriteFileBytes(dir.File(name), london);
  WriteFileBytes(dir.File("old.pgn"), "old contents");
  fs::create_symlink("clean.pgn", dir.File("same.pgn"));
  // An unknown tag: check 7 (pack conflict) finds it, and pack refuses it.
  WriteFileBytes(dir.File("findings.pgn"), ToCrLf(TestData("stockfish-learning.pgn")));
  WriteFileBytes(dir.File("k.pgn"), ToCrLf(TestData("kasparov-deep-blue-1997.pgn")));
  // A game without its result: the notice tells what the repair could not mend.
  WriteFileBytes(dir.File("odd.pgn"),
                 "[Event \"A\"]\r\n\r\n1.e4 e5\r\n\r\n[Event \"B\"]\r\n\r\n1.d4 *\r\n\r\n");
  fs::create_directory(dir.File("sub"));
  const std::string nowhere = dir.File("no/such/dir/out.pgn");
  struct TCase {
    std::string Args;
    int Status;
    std::string InErr;  // a text stderr holds; stdout is empty for status 2 and 3
  };
  std::vector<TCase> cases = {
      {"normalize" + clean + f("n.pgn"), 0, ""},
      {"fix" + clean + f("f.pgn") + " --macro 19", 0, ""},
      {"pack" + clean + f("c.pgc"), 0, ""},
      {"unpack" + f("c.pgc") + f("u.pgn"), 0, ""},
      {"check" + clean, 0, ""},
      {"check" + f("findings.pgn"), 1, ""},
      {"replay" + clean, 1, ""},
      {"normalize" + f("odd.pgn") + f("o.pgn"), 1, "normalize: Odd game end"},
      {"replay" + f("missing.pgn"), 3,
       "cannot read " + dir.File("missing.pgn") + ": No such file or directory"},
      {"replay" + f("sub"), 3, "Is a directory"},
      {"normalize" + clean + " '" + nowhere + "'", 3,
       nowhere + " was not written: cannot create a file in " + dir.File("no/such/dir") +
           ": No such file or directory"},
      {"normalize '" + TestDataPath("tatamast22.pgn") + "'" + f("o2.pgn"), 3,
       "Error while reading file (no paired carRtn-lineFeed (2))."},
      {"pack" + f("k.pgn") + f("k.pgc"), 3, "Pack Error (unknown tag \"EventDate\""},
      {"unpack" + f("k.pgn") + f("o2.pgn"), 3, "Unpacking error: (not a packed game line)"},
      // An input without line ends is refused at once, not read for ever.
      {"unpack /dev/zero" + f("o2.pgn"), 3, "not a packed file: line 1 has no line end"},
      {"pack" + clean + f("other.pgn") + " --append", 3, "is not a packed file"},
      {"pack" + clean + clean, 2, "is the input file"},
      {"pack" + clean + f("same.pgn"), 2, "is the input file"},
      {"pack" + clean + clean + " --append", 2, "is the input file"},
      {"unpack" + f("c.pgc") + f("c.pgc"), 2, "is the input file"},
      {"unpack" + f("c.pgc") + f("o2.pgn") + " --start x", 2, "--start"},
      {"normalize" + clean + f("o.pgn") + " --buffer 5", 2, "--buffer"},
      {"find" + clean, 2, "TEXT is required"},
      {"frobnicate", 2, "usage:"},
      {"", 2, "usage:"}};
  for (const char* jobs : {" --jobs 0", " --jobs x", " --jobs"})
    cases.push_back({"replay" + clean + jobs, 2, "--jobs"});
  // A searching macro, a number out of range, no macro.
  for (const char* macros : {" --macro 19 --macro 5", " --macro 22", " --macro x", ""})
    cases.push_back({"fix" + f("odd.pgn") + f("old.pgn") + macros, 2, "--macro"});
  for (const char* command : {"replay X", "check X", "find X x", "normalize X o.pgn",
                              "fix X old.pgn --macro 19", "pack X o.pgc", "unpack X old.pgn"})
    cases.push_back({std::regex_replace(command, std::regex("X"), dir.File("missing.pgn")), 3,
                     "No such file or directory"});
  for (const TCase& c : cases) {
    std::string out;
    const int status =
        RunCapture("timeout 60 " + BatchExe() + " " + c.Args + " 2>" + f("err.txt"), out);
    const std::string err = ReadFileBytes(dir.File("err.txt"));
    EXPECT_EQ(status, c.Status) << c.Args << "\n" << err;
    EXPECT_NE(err.find(c.InErr), std::string::npos) << c.Args << "\n" << err;
    EXPECT_TRUE(c.InErr.empty() || c.Status < 2 || out.empty()) << c.Args;
    // Nobody is there to answer.
    EXPECT_EQ(err.find("continue?"), std::string::npos) << c.Args << "\n" << err;
  }
  for (const char* name : {"n.pgn", "f.pgn", "u.pgn"})
    EXPECT_EQ(ReadFileBytes(dir.File(name)), "\r\n" + london) << name;
  EXPECT_EQ(ReadFileBytes(dir.File("clean.pgn")) + ReadFileBytes(dir.File("other.pgn")),
            london + london);
  EXPECT_EQ(ReadFileBytes(dir.File("old.pgn")), "old contents");
  EXPECT_TRUE(fs::is_symlink(dir.File("same.pgn")));
  EXPECT_FALSE(fs::exists(dir.File("k.pgc")) || fs::exists(dir.File("o2.pgn")));
}

// SIGINT, SIGTERM and SIGHUP while the output is written: the run ends by that
// signal, the old output stays, and neither the work directory nor the save's
// temporary file is left.
TEST(BatchCommandLine, SignalsLeaveNoWorkDirectoryOrPartialSave) {
  TTempDir dir;
  const fs::path tmp = dir.Path() / "tmp", out = dir.Path() / "out";
  fs::create_directory(tmp);
  fs::create_directory(out);
  std::string pgn;  // about 30 MB of games, a run long enough to be stopped
  for (int i = 0; pgn.size() < (30u << 20); ++i)
    pgn += "[Event \"K\"]\r\n\r\n1.e4 e5 {" + std::string(i % 200, 'x') + "} 1-0\r\n\r\n";
  WriteFileBytes(dir.File("in.pgn"), pgn);
  const std::string target = (out / "target.pgn").string();
  const auto files = [&] { return std::distance(fs::directory_iterator(out), {}); };
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    WriteFileBytes(target, "old");
    const pid_t child = ::fork();
    if (child == 0) {
      ::setenv("TMPDIR", tmp.c_str(), 1);
      ::execl(KORVANE_BATCH_EXE, KORVANE_BATCH_EXE, "normalize", dir.File("in.pgn").c_str(),
              target.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 200000 && files() == 1; ++i) ::usleep(50);  // until the save begins
    ::kill(child, sig);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " status " << status;
    EXPECT_EQ(ReadFileBytes(target) + std::to_string(files()), "old1") << sig;
    EXPECT_TRUE(fs::is_empty(tmp)) << sig;
  }
}
