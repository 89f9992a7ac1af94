// korvane-batch's manners as a command-line program: one exit-status table,
// reports on stdout and everything else on stderr with the system's reason,
// clean-up when a signal ends a run, and find without a list capacity.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "stream/SaveTarget.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

struct TRun {
  int Status;
  std::string Out, Err;
};

// Runs korvane-batch with args, stdout and stderr kept apart; stopped after a
// minute should it hang.
TRun Batch(const TTempDir& dir, const std::string& args) {
  TRun run;
  const std::string err = dir.File("stderr.txt");
  run.Status = RunCapture("timeout 60 " + BatchExe() + " " + args + " 2>'" + err + "'", run.Out);
  run.Err = ReadFileBytes(err);
  return run;
}

int CountStartingWith(const fs::path& dir, const std::string& prefix) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir))
    n += e.path().filename().string().rfind(prefix, 0) == 0;
  return n;
}

TEST(BatchCommandLine, OneExitStatusTableReportsOnStdoutTheRestOnStderr) {
  TTempDir dir;
  const auto f = [&](const char* name) { return " '" + dir.File(name) + "'"; };
  const std::string london = TestData("london1851.pgn"), clean = f("clean.pgn");
  WriteFileBytes(dir.File("clean.pgn"), london);
  WriteFileBytes(dir.File("other.pgn"), london);
  WriteFileBytes(dir.File("old.pgn"), "old contents");
  fs::create_symlink("clean.pgn", dir.File("same.pgn"));
  // An unknown tag: check 7 (pack conflict) finds it, and pack refuses it.
  WriteFileBytes(dir.File("findings.pgn"), ToCrLf(TestData("stockfish-learning.pgn")));
  WriteFileBytes(dir.File("k.pgn"), ToCrLf(TestData("kasparov-deep-blue-1997.pgn")));
  // A game without its result: the notice tells what the repair could not mend.
  WriteFileBytes(dir.File("odd.pgn"),
                 "[Event \"A\"]\r\n\r\n1.e4 e5\r\n\r\n[Event \"B\"]\r\n\r\n1.d4 *\r\n\r\n");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  fs::create_directory(dir.File("sub"));
  const std::string nowhere = dir.File("no/such/dir/out.pgn");
  struct TCase {
    std::string Args;
    int Status;
    std::string InErr;  // a text stderr holds; stdout is empty for status 2 and 3
  };
  std::vector<TCase> cases = {
      {"normalize" + clean + f("o.pgn"), 0, ""},
      {"check" + clean, 0, ""},
      {"check" + f("findings.pgn"), 1, ""},
      {"replay" + clean, 1, ""},
      {"normalize" + f("odd.pgn") + f("o.pgn"), 1, "normalize: Odd game end"},
      {"pack" + clean + f("c.pgc"), 0, ""},
      {"replay" + f("missing.pgn"), 3,
       "cannot read " + dir.File("missing.pgn") + ": No such file or directory"},
      {"replay" + f("sub"), 3, "Is a directory"},
      {"normalize" + clean + " '" + nowhere + "'", 3,
       nowhere + " was not written: cannot create a file in " + dir.File("no/such/dir") +
           ": No such file or directory"},
      // Never a device here: a faulty save run as root would replace it.
      {"normalize" + clean + f("fifo"), 3, dir.File("fifo") + " is a FIFO, not a regular file"},
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
      {"find" + clean + " a b --buffer 5", 2, "--buffer"},
      {"find" + clean, 2, ""},
      {"frobnicate", 2, "usage:"},
      {"", 2, "usage:"},
  };
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
    const TRun run = Batch(dir, c.Args);
    EXPECT_EQ(run.Status, c.Status) << c.Args << "\n" << run.Err;
    EXPECT_NE(run.Err.find(c.InErr), std::string::npos) << c.Args << "\n" << run.Err;
    EXPECT_TRUE(c.InErr.empty() || c.Status < 2 || run.Out.empty()) << c.Args;
    // Nobody is there to answer.
    EXPECT_EQ(run.Err.find("continue?"), std::string::npos) << c.Args << "\n" << run.Err;
  }
  // Refused runs write nothing.
  EXPECT_EQ(ReadFileBytes(dir.File("clean.pgn")) + ReadFileBytes(dir.File("other.pgn")),
            london + london);
  EXPECT_EQ(ReadFileBytes(dir.File("old.pgn")), "old contents");
  EXPECT_TRUE(fs::is_fifo(dir.File("fifo")) && fs::is_symlink(dir.File("same.pgn")));
  EXPECT_FALSE(fs::exists(dir.File("k.pgc")) || fs::exists(dir.File("o2.pgn")));
  EXPECT_EQ(ReadFileBytes(dir.File("c.pgc")).size(), fs::file_size(dir.File("c.pgc")));
}

// SIGINT, SIGTERM and SIGHUP, sent while the work file is converted and while
// the output is written: the run ends by that signal, the old output stays,
// and neither the work directory nor the save's temporary file is left. A run
// killed outright leaves its directory, which the next run of any command removes.
TEST(BatchCommandLine, SignalsLeaveNoWorkDirectoryOrPartialSave) {
  TTempDir dir;
  const fs::path tmp = dir.Path() / "tmp";
  fs::create_directory(tmp);
  std::string block;  // about 40 MB of games, long enough a run to be stopped in the middle
  for (int i = 0; i < 2000; ++i)
    block += "[Event \"K" + std::to_string(i) +
             "\"]\r\n[Site \"?\"]\r\n[White \"a\"]\r\n[Black \"b\"]\r\n[Result "
             "\"1-0\"]\r\n\r\n1.e4 e5 {" +
             std::string(i % 200, 'x') + "} 1-0\r\n\r\n";
  std::ofstream(dir.File("in.pgn"), std::ios::binary) << [&] {
    std::string all;
    while (all.size() < (40u << 20)) all += block;
    return all;
  }();
  const std::string target = dir.File("target.pgn");
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    for (bool whileSaving : {false, true}) {
      SCOPED_TRACE("signal " + std::to_string(sig) + " saving " + std::to_string(whileSaving));
      WriteFileBytes(target, "old");
      const pid_t child = ::fork();
      if (child == 0) {
        ::setenv("TMPDIR", tmp.c_str(), 1);
        ::execl(KORVANE_BATCH_EXE, KORVANE_BATCH_EXE, "normalize", dir.File("in.pgn").c_str(),
                target.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
      }
      // Wait for the moment: the work directory, or the save's temporary file.
      bool seen = false;
      for (int i = 0; i < 200000 && !seen; ++i) {
        seen = whileSaving ? CountStartingWith(dir.Path(), kSaveTempPrefix) > 0
                           : CountStartingWith(tmp, "korvane-batch-") > 1;
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
      ::kill(child, sig);
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(seen);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
      EXPECT_EQ(ReadFileBytes(target), "old");
      EXPECT_EQ(
          CountStartingWith(tmp, "korvane-batch-") + CountStartingWith(dir.Path(), kSaveTempPrefix),
          0);
    }
  }
  fs::create_directories(tmp / "korvane-batch-dead01");
  WriteFileBytes((tmp / "korvane-batch-dead01" / "~korvane.bullet.file.batch.tmp").string(), "x");
  WriteFileBytes((tmp / "korvane-batch-dead01.lock").string(), "");
  std::string out;
  RunCapture("TMPDIR='" + tmp.string() + "' " + BatchExe() + " replay '" +
                 TestDataPath("fools-mate.pgn") + "'",
             out);
  EXPECT_EQ(CountStartingWith(tmp, "korvane-batch-"), 0);
}

// More matching lines than the window's Find list holds (twice the buffer
// size in bytes): every one is listed, in file order.
TEST(BatchCommandLine, FindListsEveryMatchingLine) {
  TTempDir dir;
  std::string pgn;
  for (int g = 0; g < 20000; ++g) pgn += "[Event \"E\"]\r\n[Site \"Zork\"]\r\n\r\n1.e4 *\r\n\r\n";
  WriteFileBytes(dir.File("z.pgn"), pgn);
  const TRun run = Batch(dir, "find " + dir.File("z.pgn") + " Zork");
  EXPECT_EQ(run.Status, 0) << run.Err;
  const std::regex entry("page (\\d+) offset (\\d+): \\[Site \"Zork\"\\]\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(run.Out.begin(), run.Out.end(), entry),
                          std::sregex_iterator()),
            20000);
  EXPECT_NE(run.Out.find("entries 20000 pages "), std::string::npos);
}

}  // namespace
