// korvane-batch normalize over an existing target, and pack --append, killed
// with SIGKILL at 20 random moments: each time the target is the old file or
// the whole new one, and the next run clears what the killed one left. Slow (a
// 200 MB file), so they run under their own ctest label.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "stream/SaveTarget.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// About 200 MB of CR LF games, each game a little different.
void WriteLargeCollection(const std::string& path) {
  std::string block;
  for (int i = 0; i < 2000; ++i) {
    block += "[Event \"K" + std::to_string(i) +
             "\"]\r\n[Site \"?\"]\r\n[White \"a\"]\r\n[Black \"b\"]\r\n[Result \"1-0\"]\r\n\r\n"
             "1.e4 e5 2.Nf3 Nc6 3.Bb5 a6 {" +
             std::string(static_cast<size_t>(i % 200), 'x') + "} 1-0\r\n\r\n";
  }
  std::ofstream out(path, std::ios::binary);
  for (size_t written = 0; written < (200u << 20); written += block.size()) out << block;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::vector<char> ba(1 << 20), bb(1 << 20);
  while (fa && fb) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount() || !std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin()))
      return false;
  }
  return true;
}

int CountStartingWith(const fs::path& dir, const std::string& prefix) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir))
    n += e.path().filename().string().rfind(prefix, 0) == 0;
  return n;
}

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp = dir.Path() / "tmp";
    fs::create_directory(tmp);
    WriteLargeCollection(In());
  }
  std::string In() const { return dir.File("in.pgn"); }
  std::string Target() const { return dir.File("target.pgn"); }

  pid_t Start(const std::string& out) {
    pid_t child = ::fork();
    if (child == 0) {
      ::setenv("TMPDIR", tmp.c_str(), 1);
      ::execl(KORVANE_BATCH_EXE, KORVANE_BATCH_EXE, "normalize", In().c_str(), out.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return child;
  }
  int Wait(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
  }

  TTempDir dir;
  fs::path tmp;
};

TEST_F(KillTest, TheTargetIsTheOldFileOrTheWholeNewOne) {
  const std::string reference = dir.File("reference.pgn");
  const std::string old = "[Event \"old\"]\r\n\r\n1.e4 *\r\n";
  auto started = Clock::now();
  int status = Wait(Start(reference));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto full = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  std::cout << "a whole run takes " << full.count() / 1000 << " ms\n";

  // Moments up to a little past a whole run, so that both outcomes are seen.
  std::mt19937 rng(20261207);
  int oldSeen = 0, newSeen = 0;
  for (int round = 0; round < 20; ++round) {
    if (!fs::exists(Target()) || fs::file_size(Target()) != old.size())
      WriteFileBytes(Target(), old);
    const auto moment = std::chrono::microseconds(
        std::uniform_int_distribution<int64_t>(0, full.count() * 13 / 10)(rng));
    pid_t child = Start(Target());
    std::this_thread::sleep_for(moment);
    ::kill(child, SIGKILL);
    Wait(child);
    const bool isOld =
        ReadFileBytes(Target()).size() == old.size() && ReadFileBytes(Target()) == old;
    const bool isNew = !isOld && SameFile(Target(), reference);
    EXPECT_TRUE(isOld || isNew) << "round " << round << ", killed after " << moment.count()
                                << " us";
    oldSeen += isOld;
    newSeen += isNew;
    // Each run clears what the runs before it left: at most the killed run's
    // own directory and lock file remain (and those of the run before, when
    // this one was killed before it got to the clean-up).
    EXPECT_LE(CountStartingWith(tmp, "korvane-batch-"), 4) << "round " << round;
    EXPECT_LE(CountStartingWith(dir.Path(), kSaveTempPrefix), 2) << "round " << round;
  }
  std::cout << "20 kills: target old " << oldSeen << " times, whole new " << newSeen << " times\n";

  // The next run after the last kill finishes and leaves nothing behind.
  WriteFileBytes(Target(), old);
  status = Wait(Start(Target()));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(SameFile(Target(), reference));
  EXPECT_EQ(CountStartingWith(tmp, "korvane-batch-"), 0);
  EXPECT_EQ(CountStartingWith(dir.Path(), kSaveTempPrefix), 0);
}

}  // namespace

namespace {

// korvane-batch pack --append killed with SIGKILL at 20 random moments: each
// time the packed file is the old one or the old one with every game added,
// so that it unpacks in full.
TEST(KillPackAppend, ThePackedFileIsTheOldOneOrTheWholeNewOne) {
  TTempDir dir;
  const fs::path tmp = dir.Path() / "tmp";
  fs::create_directory(tmp);
  std::string games;
  const std::string known = ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn")));
  for (int i = 0; i < 200; ++i) games += known;
  const std::string in = dir.File("in.pgn"), packed = dir.File("p.pgc");
  WriteFileBytes(in, games);
  std::string out;
  ASSERT_EQ(RunCapture(BatchExe() + " pack '" + in + "' '" + packed + "'", out, true), 0) << out;
  const std::string old = ReadFileBytes(packed);

  auto start = [&] {
    pid_t child = ::fork();
    if (child == 0) {
      ::setenv("TMPDIR", tmp.c_str(), 1);
      ::execl(KORVANE_BATCH_EXE, KORVANE_BATCH_EXE, "pack", in.c_str(), packed.c_str(), "--append",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return child;
  };
  auto wait = [](pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
  };
  auto started = Clock::now();
  int status = wait(start());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto full = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  const std::string appended = ReadFileBytes(packed);
  ASSERT_EQ(appended, old + old);
  std::cout << "a whole append takes " << full.count() / 1000 << " ms\n";

  std::mt19937 rng(20261208);
  int oldSeen = 0, newSeen = 0;
  for (int round = 0; round < 20; ++round) {
    WriteFileBytes(packed, old);
    const auto moment = std::chrono::microseconds(
        std::uniform_int_distribution<int64_t>(0, full.count() * 13 / 10)(rng));
    pid_t child = start();
    std::this_thread::sleep_for(moment);
    ::kill(child, SIGKILL);
    wait(child);
    const std::string now = ReadFileBytes(packed);
    EXPECT_TRUE(now == old || now == appended)
        << "round " << round << ", killed after " << moment.count() << " us, size " << now.size();
    oldSeen += now == old;
    newSeen += now == appended;
    EXPECT_EQ(
        RunCapture(BatchExe() + " unpack '" + packed + "' '" + dir.File("u.pgn") + "'", out, true),
        0)
        << "round " << round << out;
  }
  std::cout << "20 kills: packed file old " << oldSeen << " times, whole new " << newSeen
            << " times\n";
}

}  // namespace
