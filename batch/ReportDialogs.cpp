#include "batch/ReportDialogs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "stream/TxFlows.h"
#include "stream/TxStream.h"

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

TReportDialogs::TReportDialogs(std::FILE* out) : out_(out), previous_(SetDialogs(this)) {}

TReportDialogs::~TReportDialogs() {
  SetDialogs(previous_);
}

TMsgAnswer TReportDialogs::Message(const std::string& text, TMsgKind, TMsgButtons buttons, int) {
  std::fprintf(out_, "box%s%s: %s\n", Context.empty() ? "" : " ", Context.c_str(),
               PrintableBytes(text).c_str());
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

TBatchWorkDir::TBatchWorkDir() {
  ClearWorkFileNames();
  RemoveStaleBatchDirs();
  std::error_code ec;
  std::string pattern =
      (std::filesystem::temp_directory_path(ec) / "korvane-batch-XXXXXX.lock").string();
  int fd = ::mkstemps(pattern.data(), 5);
  if (fd < 0) return;
  ::close(fd);
  lockName_ = pattern;
  // The lock file stands for the directory: it is there before the directory
  // and goes after it, so a directory is never seen without its lock file.
  const std::string dir = pattern.substr(0, pattern.size() - 5);
  if (!lock_.Hold(lockName_) || ::mkdir(dir.c_str(), 0700) != 0) return;
  path_ = dir;
  BulletFileName = path_ + "/~korvane.bullet.file.batch.tmp";
  OutputFileName = path_ + "/~korvane.reorg.file.batch.tmp";
}

TBatchWorkDir::~TBatchWorkDir() {
  ClearWorkFileNames();
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  if (!lockName_.empty()) std::filesystem::remove(lockName_, ec);
  lock_.Release();
}

std::unique_ptr<TFStreamTxStr> ConvertForBatch(const char* command, const TBatchWorkDir& dir,
                                               const std::string& fileName, int32_t bufferSize,
                                               TReportDialogs& report) {
  if (dir.Path().empty()) {
    std::fprintf(stderr, "%s: cannot create a temporary directory\n", command);
    return nullptr;
  }
  std::string text;
  report.Context = "convert";
  auto work = ProcessInputFile(OpenInputFile(fileName, text, bufferSize), text);
  report.Context.clear();
  if (!work) std::fprintf(stderr, "%s: %s could not be converted\n", command, fileName.c_str());
  return work;
}

bool CheckBatchBufferSize(int32_t size) {
  if (size >= kMinBufferSize && size <= kMaxBufferSize && size % 10000 == 0) return true;
  std::fprintf(stderr, "buffer size must be a multiple of 10000 from 10000 to 900000\n");
  return false;
}
