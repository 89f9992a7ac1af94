#include "stream/SaveTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

namespace {

std::mutex registryMutex;
std::vector<std::string> pendingTemps;  // guarded by registryMutex
std::string lastFailure;                // guarded by registryMutex

// mkstemp, with the name on the pending list before anyone can stop the save.
int MakePendingTemp(std::string& pattern) {
  std::lock_guard<std::mutex> hold(registryMutex);
  const int fd = ::mkstemp(pattern.data());
  if (fd >= 0) pendingTemps.push_back(pattern);
  return fd;
}

void DropPending(const std::string& name) {
  std::lock_guard<std::mutex> hold(registryMutex);
  pendingTemps.erase(std::remove(pendingTemps.begin(), pendingTemps.end(), name),
                     pendingTemps.end());
}

void SetLastFailure(std::string text) {
  std::lock_guard<std::mutex> hold(registryMutex);
  lastFailure = std::move(text);
}

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "a socket";
}

// Links followed at most this many times, as the system itself does.
constexpr int kMaxLinks = 40;

}  // namespace

std::string ResolveSaveName(const std::string& name, std::string& errorText) {
  std::filesystem::path at(name);
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at.string();
    std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4095) + 1);
    const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<size_t>(n) >= target.size()) {
      errorText = "cannot read the link " + at.string() + ": " + std::strerror(errno);
      return {};
    }
    std::filesystem::path next(std::string(target.data(), static_cast<size_t>(n)));
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  errorText = "cannot write " + name + ": " + std::strerror(ELOOP);
  return {};
}

std::string NotRegularFileText(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  return name + " is " + KindOf(st.st_mode) + ", not a regular file; nothing was written";
}

std::string LastSaveFailure() {
  std::lock_guard<std::mutex> hold(registryMutex);
  return lastFailure;
}

void StopSavesAndRemoveTemps() {
  // Never released: the program ends before any save would go on.
  registryMutex.lock();
  for (const std::string& name : pendingTemps) ::unlink(name.c_str());
  pendingTemps.clear();
}

bool TSaveTarget::Fail(const std::string& what, int error) {
  SetLastFailure(what + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
  return false;
}

bool TSaveTarget::Open(const std::string& name, bool append) {
  append_ = append;
  std::string error;
  name_ = ResolveSaveName(name, error);
  if (name_.empty()) {
    SetLastFailure(error);
    return false;
  }
  struct stat st {};
  const bool exists = ::stat(name_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Fail("cannot write " + name, errno);
  if (exists && !S_ISREG(st.st_mode)) {
    refusal_ = NotRegularFileText(name);
    return Fail(refusal_, 0);
  }
  if (append) {
    // Append needs an existing file, as the text-file append does.
    if (!exists) return Fail("cannot append to " + name, ENOENT);
    if (!file_.Open(name_, TOpenMode::ReadWrite)) return Fail("cannot append to " + name, errno);
    start_ = at_ = file_.Size();
    return start_ >= 0 || Fail("cannot append to " + name, errno);
  }
  std::filesystem::path target(name_);
  std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
  // A save that was killed leaves its temporary file behind, unlocked; one that
  // is still going holds its own locked.
  DeleteUnlockedFiles(dir, kSaveTempPrefix);
  std::string pattern = dir + "/" + kSaveTempPrefix + "XXXXXX";
  int fd = MakePendingTemp(pattern);
  if (fd < 0) return Fail("cannot create a file in " + dir, errno);
  ::close(fd);
  temp_ = pattern;
  if (!file_.Open(temp_, TOpenMode::ReadWrite)) return Fail("cannot create " + temp_, errno);
  file_.Lock();
  // The saved file keeps the permissions, owner and group of the file it
  // replaces; an owner the process may not give is left as it comes.
  if (exists) {
    if (::fchown(file_.Fd(), st.st_uid, st.st_gid) != 0)
      (void)::fchown(file_.Fd(), static_cast<uid_t>(-1), st.st_gid);
  }
  ::fchmod(file_.Fd(), exists ? (st.st_mode & 07777) : DefaultMode());
  return true;
}

void TSaveTarget::Write(std::string_view bytes) {
  pending_.append(bytes);
  if (pending_.size() >= (1u << 20)) Flush();
}

void TSaveTarget::Flush() {
  if (pending_.empty()) return;
  if (!file_.WriteAt(at_, pending_.data(), static_cast<int64_t>(pending_.size()))) {
    Fail("cannot write " + name_, errno);
    throw ETextFileError("#8263");
  }
  at_ += static_cast<int64_t>(pending_.size());
  pending_.clear();
}

bool TSaveTarget::Commit() {
  // A failure here is a failed close: the caller says so and drops the output.
  try {
    Flush();
  } catch (const ETextFileError&) {
    return false;
  }
  if (!file_.Sync()) return Fail("cannot write " + name_, errno);
  if (!file_.Close()) return Fail("cannot close " + name_, errno);
  if (!append_ && std::rename(temp_.c_str(), name_.c_str()) != 0)
    return Fail("cannot replace " + name_, errno);
  DropPending(temp_);
  temp_.clear();
  committed_ = true;
  return true;
}

void TSaveTarget::Abandon() {
  if (committed_) return;
  if (append_ && file_.IsOpen() && start_ >= 0) file_.Truncate(start_);
  file_.Close();
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    DropPending(temp_);
  }
  temp_.clear();
  committed_ = true;
}

mode_t TSaveTarget::DefaultMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}
