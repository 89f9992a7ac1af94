// The window killed with SIGKILL after committing edits on two pages: the next
// start recovers the work file, Save writes it over the user's file, and the
// file holds exactly the games of the original with both edits. Under the slow
// label (it starts two window processes).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// The text with insert put before the first move list of game n (1-based).
std::string WithEdit(const std::string& text, int n, const std::string& insert) {
  size_t at = std::string::npos;
  for (int i = 0; i < n; ++i) at = text.find("[Event ", at == std::string::npos ? 0 : at + 1);
  if (at == std::string::npos) return text;
  const size_t moves = text.find("\r\n1.", at);
  if (moves == std::string::npos) return text;
  std::string edited = text;
  edited.insert(moves + 2, insert);
  return edited;
}

// Starts the driver's edit run; the line it prints once the edits are
// committed (empty when it printed none within a minute). pid is the process.
std::string StartEditRun(const std::string& dir, const std::string& file, pid_t& pid) {
  int out[2];
  if (::pipe(out) != 0) return "";
  pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execl(KORVANE_KILL_DRIVER, KORVANE_KILL_DRIVER, "edit", dir.c_str(), file.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string line;
  pollfd p{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&p, 1, 60000) > 0) {
    char chunk[256];
    const ssize_t got = ::read(out[0], chunk, sizeof chunk);
    if (got <= 0) break;
    line.append(chunk, static_cast<size_t>(got));
  }
  ::close(out[0]);
  return line;
}

int CountWorkFiles(const std::string& dir) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir))
    n += e.path().filename().string().starts_with("~korvane.");
  return n;
}

}  // namespace

TEST(WindowKill, CommittedEditsOfTwoPagesAreRecoveredAndSaved) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  TTempDir temp;
  const std::string dir = temp.Path().string();
  const std::string file = temp.File("london1851.pgn");
  WriteFileBytes(file, TestData("london1851.pgn"));
  // What Save writes for the unedited collection.
  const std::string plain = temp.File("plain.pgn");
  std::string output;
  ASSERT_EQ(RunCapture(BatchExe() + " normalize '" + file + "' '" + plain + "'", output, true), 0)
      << output;

  pid_t pid = -1;
  const std::string ready = StartEditRun(dir, file, pid);
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(ready.starts_with("READY ")) << ready;
  const int secondPageGame = std::atoi(ready.c_str() + 6);
  ASSERT_GT(secondPageGame, 1);
  EXPECT_EQ(ReadFileBytes(file), TestData("london1851.pgn"));  // nothing saved before the kill

  ASSERT_EQ(
      RunCapture(std::string("'") + KORVANE_KILL_DRIVER + "' recover '" + dir + "'", output, true),
      0)
      << output;
  const std::string expected = WithEdit(WithEdit(ReadFileBytes(plain), 1, "{kill edit A} "),
                                        secondPageGame, "{kill edit B} ");
  ASSERT_NE(expected, ReadFileBytes(plain));
  EXPECT_EQ(ReadFileBytes(file), expected);
  EXPECT_EQ(CountWorkFiles(dir), 0);  // the recovering run ended cleanly
}
