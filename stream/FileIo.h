// Plain file access with 64-bit offsets and every call checked. All writes of
// the program's files go through TFile, so a test can make them fail.
#pragma once

#include <cstdint>
#include <string>

enum class TOpenMode {
  Read,       // read only (the input file; nothing else may expect to write it)
  ReadWrite,  // an existing file, read and written in place
  Create,     // created or emptied, read and written
};

class TFile {
 public:
  TFile() = default;
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  TFile(TFile&& other) noexcept;
  TFile& operator=(TFile&& other) noexcept;

  bool Open(const std::string& name, TOpenMode mode);
  // Opens for appending at the end (created when missing).
  bool OpenAppend(const std::string& name);
  bool Close();  // false when the close itself failed
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

  // The file's size, or -1 when it cannot be told.
  int64_t Size() const;
  // Reads up to n bytes at offset; the count read, or -1 on a failure.
  int64_t ReadAt(int64_t offset, char* dst, int64_t n) const;
  // Writes all n bytes at offset; false on any failure.
  bool WriteAt(int64_t offset, const char* src, int64_t n);
  bool Truncate(int64_t size);
  bool Sync();
  // Takes a shared advisory lock (see TWorkFileLock); false when refused.
  bool Lock();

 private:
  int fd_ = -1;
};

// True when a running program holds name locked (a missing file is not held).
bool IsHeldByAnyone(const std::string& name);

// A test hook that makes TFile writes fail once this many more bytes have been
// written (a device that fills up); a negative count means never.
void SetWriteFaultAfter(int64_t bytes);
// A test hook that makes the nth write call from now fail once (1: the next
// one); 0 means never. WriteAt, Truncate and Sync each count as one call.
void SetWriteFaultAtCall(int64_t n);
// A test hook for a crash: the nth write call from now ends the process at once
// (_exit with kCrashExitCode) before it writes anything; 0 means never.
inline constexpr int kCrashExitCode = 77;
void SetWriteCrashAtCall(int64_t n);
// The number of TFile write calls made so far, so that a test can try a fault
// at each call of a flow in turn.
int64_t WriteCallCount();

// A work file held with a shared advisory lock while this program runs, so that
// another instance's clean-up of stale work files passes it by.
class TWorkFileLock {
 public:
  TWorkFileLock() = default;
  ~TWorkFileLock() { Release(); }
  TWorkFileLock(const TWorkFileLock&) = delete;
  TWorkFileLock& operator=(const TWorkFileLock&) = delete;

  // Creates the file when missing and locks it; releases any earlier hold.
  bool Hold(const std::string& name);
  void Release();

 private:
  int fd_ = -1;
};

// A fresh directory under the system's temporary directory, removed with all
// it holds at destruction. Path() is empty when it could not be made.
class TScratchDir {
 public:
  explicit TScratchDir(const std::string& prefix);
  ~TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Deletes every file of dir whose name starts with prefix and that no running
// program holds locked. Returns the number deleted.
int DeleteUnlockedFiles(const std::string& dir, const std::string& prefix);
