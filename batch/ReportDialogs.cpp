#include "batch/ReportDialogs.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "pgn/TextDrops.h"
#include "settings/CTErrorU.h"
#include "stream/SaveTarget.h"
#include "stream/TxFlows.h"
#include "stream/TxStream.h"

const char* BatchCommand = "korvane-batch";

namespace {

// The work directories of this run and their lock files, for the signal clean-up.
std::mutex workDirsMutex;
std::vector<std::pair<std::string, std::string>> workDirs;  // guarded by workDirsMutex

void UnregisterWorkDir(const std::string& lock) {
  std::lock_guard<std::mutex> hold(workDirsMutex);
  std::erase_if(workDirs, [&](const auto& d) { return d.second == lock; });
}

// Ends the program by sig, leaving nothing of this run: no work directory, no
// temporary file of a save. The other threads are held first (at their next
// line of output, save or work directory), so that none makes a new file or
// reports the failures the clean-up causes.
[[noreturn]] void EndBySignal(int sig) {
  std::fflush(stdout);
  flockfile(stdout);
  flockfile(stderr);
  StopSavesAndRemoveTemps();
  workDirsMutex.lock();  // never released
  std::error_code ec;
  for (const auto& [dir, lock] : workDirs) {
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
    std::filesystem::remove(lock, ec);
  }
  // Ended by the signal itself, so that the caller sees what ended it.
  ::signal(sig, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

// A game the conversion kept although its end is odd.
bool IsDropNotice(const std::string& text) {
  return text.starts_with("Odd game end");
}

// A question's own "Continue?" asks for a person; the batch has none and says No.
std::string WithoutQuestion(std::string text) {
  constexpr std::string_view kContinue = "Continue?";
  if (text.ends_with(kContinue)) {
    text.resize(text.size() - kContinue.size());
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  }
  return text;
}

}  // namespace

std::string PrintableBytes(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b <= 0x7E) {
      out += c;
      continue;
    }
    out += '<';
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
    out += '>';
  }
  return out;
}

TReportDialogs::TReportDialogs(std::FILE* out) : out_(out), previous_(SetDialogs(this)) {
  // Each piece of text the conversion or a repair took out or moved, as it
  // happens, with the game's number in the file.
  SetDropReporter([this](const TTextDrop& drop) {
    ++Boxes;
    ++Drops;
    std::fprintf(out_, "%s: %s\n", BatchCommand, PrintableBytes(DescribeDrop(drop)).c_str());
  });
}

TReportDialogs::~TReportDialogs() {
  SetDropReporter(nullptr);
  SetDialogs(previous_);
}

TMsgAnswer TReportDialogs::Message(const std::string& text, TMsgKind, TMsgButtons buttons, int) {
  const bool question = buttons != TMsgButtons::Ok;
  // The error before it has been printed; the question adds nothing.
  if (!(question && text == kCatchAllQuestion)) {
    ++Boxes;
    Drops += IsDropNotice(text) ? 1 : 0;
    const std::string shown = question ? WithoutQuestion(text) : text;
    std::fprintf(out_, "%s: %s%s%s\n", BatchCommand, Context.c_str(), Context.empty() ? "" : ": ",
                 PrintableBytes(shown).c_str());
  }
  switch (buttons) {
    case TMsgButtons::Ok:
      return TMsgAnswer::Ok;
    case TMsgButtons::OkCancel:
      return TMsgAnswer::Cancel;
    case TMsgButtons::YesNo:
      return TMsgAnswer::No;
    case TMsgButtons::YesCancel:
    case TMsgButtons::YesNoCancel:
      return TMsgAnswer::Cancel;
  }
  return TMsgAnswer::Cancel;
}

bool TReportDialogs::InputQuery(const std::string&, const std::string&, std::string&) {
  return false;
}

bool TReportDialogs::OpenFileName(TFileDialogRequest&) {
  return false;
}

bool TReportDialogs::SaveFileName(TFileDialogRequest&) {
  return false;
}

int RemoveStaleBatchDirs() {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(fs::temp_directory_path(ec), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("korvane-batch-", 0) != 0 || it->path().extension() != ".lock") continue;
    if (!IsHeldByAnyone(it->path().string())) stale.push_back(it->path());
  }
  int removed = 0;
  for (const fs::path& lock : stale) {
    fs::path dir = lock;
    dir.replace_extension();
    fs::remove_all(dir, ec);
    removed += fs::remove(lock, ec) ? 1 : 0;
  }
  return removed;
}

void InstallSignalCleanup() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, sig);
  // Blocked here, so in every thread started later: only the waiting thread
  // takes these signals, and it may do what a signal handler may not.
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set] {
    int sig = 0;
    if (sigwait(&set, &sig) == 0) EndBySignal(sig);
  }).detach();
}

TBatchWorkDir::TBatchWorkDir() {
  ClearWorkFileNames();
  RemoveStaleBatchDirs();
  std::error_code ec;
  std::string pattern =
      (std::filesystem::temp_directory_path(ec) / "korvane-batch-XXXXXX.lock").string();
  // Made and listed in one step, so that a signal finds every directory made.
  std::lock_guard<std::mutex> hold(workDirsMutex);
  int fd = ::mkstemps(pattern.data(), 5);
  if (fd < 0) return;
  ::close(fd);
  lockName_ = pattern;
  // The lock file stands for the directory: it is there before the directory
  // and goes after it, so a directory is never seen without its lock file.
  const std::string dir = pattern.substr(0, pattern.size() - 5);
  workDirs.emplace_back(dir, lockName_);
  if (!lock_.Hold(lockName_) || ::mkdir(dir.c_str(), 0700) != 0) return;
  path_ = dir;
  BulletFileName = path_ + "/~korvane.bullet.file.batch.tmp";
  OutputFileName = path_ + "/~korvane.reorg.file.batch.tmp";
}

TBatchWorkDir::~TBatchWorkDir() {
  ClearWorkFileNames();
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  if (!lockName_.empty()) {
    std::filesystem::remove(lockName_, ec);
    UnregisterWorkDir(lockName_);
  }
  lock_.Release();
}

bool CheckReadable(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  int error = fd < 0 ? errno : 0;
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
  if (fd >= 0) ::close(fd);
  if (error == 0) return true;
  std::fprintf(stderr, "%s: cannot read %s: %s\n", BatchCommand, name.c_str(),
               std::strerror(error));
  return false;
}

void ReportNotWritten(const std::string& name) {
  const std::string reason = LastSaveFailure();
  std::fprintf(stderr, "%s: %s was not written%s%s\n", BatchCommand, name.c_str(),
               reason.empty() ? "" : ": ", reason.c_str());
}

int ReportHalt(const EHalt& halt) {
  if (halt.ExitCode == kTerminatingExitCode)
    std::fprintf(stderr, "%s: stopped by an internal error of the program; please report it\n",
                 BatchCommand);
  else
    std::fprintf(stderr, "%s: stopped after the error above\n", BatchCommand);
  return kExitFailure;
}

std::unique_ptr<TFStreamTxStr> ConvertForBatch(const TBatchWorkDir& dir,
                                               const std::string& fileName, int32_t bufferSize,
                                               TReportDialogs& report) {
  if (dir.Path().empty()) {
    std::fprintf(stderr, "%s: cannot create a temporary directory: %s\n", BatchCommand,
                 std::strerror(errno));
    return nullptr;
  }
  if (!CheckReadable(fileName)) return nullptr;
  std::string text;
  report.Context = "convert";
  auto work = ProcessInputFile(OpenInputFile(fileName, text, bufferSize), text);
  report.Context.clear();
  if (!work)
    std::fprintf(stderr, "%s: %s could not be converted\n", BatchCommand, fileName.c_str());
  return work;
}
