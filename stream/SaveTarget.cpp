#include "stream/SaveTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

bool TSaveTarget::Open(const std::string& name, bool append) {
  name_ = name;
  append_ = append;
  if (append) {
    struct stat st {};
    // Append needs an existing file, as the text-file append does.
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (!file_.Open(name, TOpenMode::ReadWrite)) return false;
    start_ = at_ = file_.Size();
    return start_ >= 0;
  }
  std::filesystem::path target(name);
  std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
  // A save that was killed leaves its temporary file behind, unlocked; one that
  // is still going holds its own locked.
  DeleteUnlockedFiles(dir, kSaveTempPrefix);
  std::string pattern = dir + "/" + kSaveTempPrefix + "XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  ::close(fd);
  temp_ = pattern;
  if (!file_.Open(temp_, TOpenMode::ReadWrite)) return false;
  file_.Lock();
  struct stat st {};
  // The saved file keeps the permissions of the file it replaces.
  mode_t mode = ::stat(name.c_str(), &st) == 0 ? (st.st_mode & 07777) : DefaultMode();
  ::fchmod(file_.Fd(), mode);
  return true;
}

void TSaveTarget::Write(std::string_view bytes) {
  pending_.append(bytes);
  if (pending_.size() >= (1u << 20)) Flush();
}

void TSaveTarget::Flush() {
  if (pending_.empty()) return;
  if (!file_.WriteAt(at_, pending_.data(), static_cast<int64_t>(pending_.size())))
    throw ETextFileError("#8263");
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
  if (!file_.Sync() || !file_.Close()) return false;
  if (!append_ && std::rename(temp_.c_str(), name_.c_str()) != 0) return false;
  temp_.clear();
  committed_ = true;
  return true;
}

void TSaveTarget::Abandon() {
  if (committed_) return;
  if (append_ && file_.IsOpen() && start_ >= 0) file_.Truncate(start_);
  file_.Close();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  committed_ = true;
}

mode_t TSaveTarget::DefaultMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}
