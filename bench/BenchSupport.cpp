#include "bench/BenchSupport.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string SampleGames() {
  std::ifstream in(std::string(KORVANE_BENCH_DATA) + "/london1851.pgn", std::ios::binary);
  if (!in) throw std::runtime_error("sample collection missing");
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int64_t WriteRepeatedCollection(const std::string& path, int64_t minBytes) {
  std::string games = SampleGames();
  // Every copy must end with a blank line so that the next copy's first game
  // starts as any later game does.
  while (games.size() >= 2 && (games.back() == '\n' || games.back() == '\r')) games.pop_back();
  games += "\r\n\r\n";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  int64_t written = 0;
  while (written < minBytes) {
    out.write(games.data(), static_cast<std::streamsize>(games.size()));
    written += static_cast<int64_t>(games.size());
  }
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
  return written;
}

int64_t PeakRssKb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

int64_t CurrentRssKb() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool EvictFromCache(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  fdatasync(fd);
  bool ok = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
  close(fd);
  return ok;
}

double MBps(int64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
}

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void KeepBest(double& best, int64_t bytes, double t0) {
  const double mbps = MBps(bytes, NowSeconds() - t0);
  if (mbps > best) best = mbps;
}

std::unique_ptr<TFStreamTxStr> ConvertToWorkFile(const std::string& input, const TBenchDir& dir,
                                                 int32_t bufferSize) {
  ClearWorkFileNames();
  const std::string bullet = dir.File("bullet.tmp");
  {
    TFStreamTxStr in(input, bullet, dir.File("reorg.tmp"), TOpenMode::Read, bufferSize);
    in.ConvertToBulletFile();
  }
  auto work = std::make_unique<TFStreamTxStr>(bullet, "", "", TOpenMode::ReadWrite, bufferSize);
  work->BuildPageMap();
  return work;
}
