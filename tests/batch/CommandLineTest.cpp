// korvane-batch's manners as a command-line program: one exit-status table,
// reports on stdout and everything else on stderr with the system's reason,
// clean-up when a signal ends a run, find without a list capacity, and an
// unpack that does not read for ever.
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
  const std::string clean = dir.File("clean.pgn"), findings = dir.File("findings.pgn");
  WriteFileBytes(clean, TestData("london1851.pgn"));
  // An unknown tag: check 7 (pack conflict) finds it.
  WriteFileBytes(findings, ToCrLf(TestData("stockfish-learning.pgn")));
  fs::create_directory(dir.File("sub"));
  const std::string missing = dir.File("missing.pgn");
  // A game without its result: the notice tells what the repair could not mend.
  const std::string odd = dir.File("odd.pgn");
  WriteFileBytes(odd, "[Event \"A\"]\r\n\r\n1.e4 e5\r\n\r\n[Event \"B\"]\r\n\r\n1.d4 *\r\n\r\n");
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string nowhere = dir.File("no/such/dir/out.pgn");
  struct TCase {
    std::string Args;
    int Status;
    std::string InErr;  // a text stderr holds; stdout is empty for status 2 and 3
  };
  const TCase cases[] = {
      {"normalize " + clean + " " + dir.File("o.pgn"), 0, ""},
      {"check " + clean, 0, ""},
      {"check " + findings, 1, ""},
      {"replay " + clean, 1, ""},
      {"normalize " + odd + " " + dir.File("o.pgn"), 1, "normalize: Odd game end"},
      {"replay " + missing, 3, "cannot read " + missing + ": No such file or directory"},
      {"check " + missing, 3, "No such file or directory"},
      {"find " + missing + " x", 3, "No such file or directory"},
      {"normalize " + missing + " " + dir.File("o.pgn"), 3, "No such file or directory"},
      {"fix " + missing + " " + dir.File("o.pgn") + " --macro 19", 3, "No such file or directory"},
      {"pack " + missing + " " + dir.File("o.pgc"), 3, "No such file or directory"},
      {"unpack " + missing + " " + dir.File("o.pgn"), 3, "No such file or directory"},
      {"replay " + dir.File("sub"), 3, "Is a directory"},
      {"normalize " + clean + " " + nowhere, 3,
       nowhere + " was not written: cannot create a file in " + dir.File("no/such/dir") +
           ": No such file or directory"},
      // Never a device here: a faulty save run as root would replace it.
      {"normalize " + clean + " " + fifo, 3, fifo + " is a FIFO, not a regular file"},
      {"normalize " + clean + " " + dir.File("o.pgn") + " --buffer 5", 2, "--buffer"},
      {"replay " + clean + " --jobs 0", 2, "--jobs"},
      {"frobnicate", 2, "usage:"},
      {"", 2, "usage:"},
  };
  for (const TCase& c : cases) {
    const TRun run = Batch(dir, c.Args);
    EXPECT_EQ(run.Status, c.Status) << c.Args << "\n" << run.Err;
    if (!c.InErr.empty()) {
      EXPECT_NE(run.Err.find(c.InErr), std::string::npos) << c.Args << "\n" << run.Err;
      if (c.Status >= 2) {
        EXPECT_EQ(run.Out, "") << c.Args;
      }
    }
    // Nobody is there to answer.
    EXPECT_EQ(run.Err.find("continue?"), std::string::npos) << c.Args << "\n" << run.Err;
  }
  // The table is in the help.
  const TRun help = Batch(dir, "--help");
  EXPECT_EQ(help.Status, 0);
  for (const char* row : {"0  done", "1  done, with findings", "2  wrong use", "3  failure"})
    EXPECT_NE(help.Out.find(row), std::string::npos) << row;
}

// About 40 MB of games, long enough a run to be stopped in the middle.
void WriteLargeCollection(const std::string& path) {
  std::string block;
  for (int i = 0; i < 2000; ++i) {
    block += "[Event \"K" + std::to_string(i) +
             "\"]\r\n[Site \"?\"]\r\n[White \"a\"]\r\n[Black \"b\"]\r\n[Result \"1-0\"]\r\n\r\n"
             "1.e4 e5 {" +
             std::string(static_cast<size_t>(i % 200), 'x') + "} 1-0\r\n\r\n";
  }
  std::ofstream out(path, std::ios::binary);
  for (size_t written = 0; written < (40u << 20); written += block.size()) out << block;
}

// SIGINT, SIGTERM and SIGHUP, sent while the work file is converted and while
// the output is written: the run ends by that signal, the old output stays,
// and neither the work directory nor the save's temporary file is left.
TEST(BatchCommandLine, SignalsLeaveNoWorkDirectoryOrPartialSave) {
  TTempDir dir;
  const fs::path tmp = dir.Path() / "tmp";
  fs::create_directory(tmp);
  WriteLargeCollection(dir.File("in.pgn"));
  const std::string target = dir.File("target.pgn");
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    for (bool whileSaving : {false, true}) {
      WriteFileBytes(target, "old");
      pid_t child = ::fork();
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
      ASSERT_TRUE(seen) << "signal " << sig << " saving " << whileSaving;
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
          << "signal " << sig << " saving " << whileSaving << " status " << status;
      EXPECT_EQ(ReadFileBytes(target), "old");
      EXPECT_EQ(CountStartingWith(tmp, "korvane-batch-"), 0) << "signal " << sig;
      EXPECT_EQ(CountStartingWith(dir.Path(), kSaveTempPrefix), 0) << "signal " << sig;
    }
  }
}

// A run that was killed leaves its directory; the next run of any command
// removes it, even one that needs no work directory itself.
TEST(BatchCommandLine, AnyCommandRemovesTheWorkDirectoriesOfDeadRuns) {
  TTempDir dir;
  const fs::path tmp = dir.Path() / "tmp";
  fs::create_directories(tmp / "korvane-batch-dead01");
  WriteFileBytes((tmp / "korvane-batch-dead01" / "~korvane.bullet.file.batch.tmp").string(), "x");
  WriteFileBytes((tmp / "korvane-batch-dead01.lock").string(), "");
  std::string out;
  RunCapture("TMPDIR='" + tmp.string() + "' " + BatchExe() + " replay '" +
                 TestDataPath("london1851.pgn") + "'",
             out);
  EXPECT_EQ(CountStartingWith(tmp, "korvane-batch-"), 0);
}

// More matching lines than the window's Find list holds (twice the buffer
// size in bytes): every one is listed, in file order.
TEST(BatchCommandLine, FindListsEveryMatchingLine) {
  TTempDir dir;
  std::string pgn;
  constexpr int kGames = 20000;  // 20000 lines of 16 bytes: 320 kB of matches
  for (int g = 0; g < kGames; ++g) pgn += "[Event \"E\"]\r\n[Site \"Zork\"]\r\n\r\n1.e4 *\r\n\r\n";
  WriteFileBytes(dir.File("z.pgn"), pgn);
  const TRun run = Batch(dir, "find " + dir.File("z.pgn") + " Zork");
  EXPECT_EQ(run.Status, 0) << run.Err;
  const std::regex entry("page (\\d+) offset (\\d+): \\[Site \"Zork\"\\]\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(run.Out.begin(), run.Out.end(), entry),
                          std::sregex_iterator()),
            kGames);
  EXPECT_NE(run.Out.find("entries " + std::to_string(kGames) + " pages "), std::string::npos);
  EXPECT_NE(Batch(dir, "--help").Out.find("lists every line of the file that holds TEXT"),
            std::string::npos);
}

TEST(BatchCommandLine, UnpackOfAFileWithoutLineEndsFailsFast) {
  TTempDir dir;
  const auto started = std::chrono::steady_clock::now();
  const TRun run = Batch(dir, "unpack /dev/zero " + dir.File("o.pgn"));
  EXPECT_EQ(run.Status, 3);
  EXPECT_NE(run.Err.find("not a packed file: line 1 has no line end"), std::string::npos)
      << run.Err;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_FALSE(fs::exists(dir.File("o.pgn")));
}

}  // namespace
