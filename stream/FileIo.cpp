#include "stream/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

int64_t writeBudget = -1;
int64_t writeCalls = 0;
int64_t failingCall = 0;   // the writeCalls value whose call fails; 0 for none
int64_t crashingCall = 0;  // the writeCalls value whose call ends the process

// Counts one write call; false (EIO) for the call a test chose to fail.
bool CountWriteCall() {
  ++writeCalls;
  if (crashingCall != 0 && writeCalls == crashingCall) ::_exit(kCrashExitCode);
  if (failingCall == 0 || writeCalls != failingCall) return true;
  failingCall = 0;
  errno = EIO;
  return false;
}

// Takes n bytes from the fault budget; false when the device is "full".
bool SpendWriteBudget(int64_t n) {
  if (writeBudget < 0) return true;
  if (n > writeBudget) {
    writeBudget = 0;
    errno = ENOSPC;
    return false;
  }
  writeBudget -= n;
  return true;
}

}  // namespace

void SetWriteFaultAfter(int64_t bytes) {
  writeBudget = bytes;
}

void SetWriteFaultAtCall(int64_t n) {
  failingCall = n > 0 ? writeCalls + n : 0;
}

void SetWriteCrashAtCall(int64_t n) {
  crashingCall = n > 0 ? writeCalls + n : 0;
}

int64_t WriteCallCount() {
  return writeCalls;
}

TFile::~TFile() {
  Close();
}

TFile::TFile(TFile&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool TFile::Open(const std::string& name, TOpenMode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case TOpenMode::Read:
      flags |= O_RDONLY;
      break;
    case TOpenMode::ReadWrite:
      flags |= O_RDWR;
      break;
    case TOpenMode::Create:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  fd_ = ::open(name.c_str(), flags, 0666);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

bool TFile::OpenAppend(const std::string& name) {
  Close();
  fd_ = ::open(name.c_str(), O_CLOEXEC | O_WRONLY | O_CREAT, 0666);
  return fd_ >= 0;
}

bool TFile::Close() {
  if (fd_ < 0) return true;
  int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0;
}

int64_t TFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

int64_t TFile::ReadAt(int64_t offset, char* dst, int64_t n) const {
  int64_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd_, dst + done, static_cast<size_t>(n - done), offset + done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool TFile::WriteAt(int64_t offset, const char* src, int64_t n) {
  if (fd_ < 0 || !CountWriteCall()) return false;
  int64_t done = 0;
  while (done < n) {
    int64_t chunk = n - done;
    if (!SpendWriteBudget(chunk)) return false;
    ssize_t put = ::pwrite(fd_, src + done, static_cast<size_t>(chunk), offset + done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += put;
  }
  return true;
}

bool TFile::Truncate(int64_t size) {
  return fd_ >= 0 && CountWriteCall() && ::ftruncate(fd_, size) == 0;
}

bool TFile::Sync() {
  return fd_ >= 0 && CountWriteCall() && ::fsync(fd_) == 0;
}

bool TFile::Lock() {
  return fd_ >= 0 && ::flock(fd_, LOCK_SH | LOCK_NB) == 0;
}

bool IsHeldByAnyone(const std::string& name) {
  int fd = ::open(name.c_str(), O_CLOEXEC | O_RDONLY);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

bool TWorkFileLock::Hold(const std::string& name) {
  Release();
  fd_ = ::open(name.c_str(), O_CLOEXEC | O_RDWR | O_CREAT, 0666);
  if (fd_ < 0) return false;
  if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
    Release();
    return false;
  }
  return true;
}

void TWorkFileLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

TScratchDir::TScratchDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data())) path_ = pattern;
}

TScratchDir::~TScratchDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

int DeleteUnlockedFiles(const std::string& dir, const std::string& prefix) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int deleted = 0;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0 || !it->is_regular_file()) continue;
    int fd = ::open(it->path().c_str(), O_CLOEXEC | O_RDONLY);
    if (fd < 0) continue;
    // An exclusive lock is only granted when no other program holds the file.
    bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (free && fs::remove(it->path(), ec)) ++deleted;
    ::close(fd);
  }
  return deleted;
}
