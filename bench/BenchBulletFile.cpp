// Converting a large collection into the bullet work file and mapping it, and
// writing all pages out again (reorganisation), each against a plain copy of
// the same bytes. Prints throughputs, ratios and the memory the work added.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "bench/BenchSupport.h"
#include "stream/TxStream.h"

namespace {

constexpr int64_t kFileBytes = 200'000'000;
TBenchDir* dir = nullptr;
std::string input;
int64_t inputBytes = 0, bulletBytes = 0;
double bestCopy = 0, bestConvert = 0, bestBulletCopy = 0, bestWriteAll = 0;
int32_t pages = 0;

// A plain copy; with sync, flushed to disk as WriteAllPages flushes its file.
int64_t CopyFile(const std::string& from, const std::string& to, bool sync = false) {
  std::vector<char> chunk(kDefaultBufferSize);
  FILE* in = std::fopen(from.c_str(), "rb");
  FILE* out = std::fopen(to.c_str(), "wb");
  int64_t total = 0;
  size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
    std::fwrite(chunk.data(), 1, got, out);
    total += got;
  }
  std::fclose(in);
  std::fflush(out);
  if (sync) fsync(fileno(out));
  std::fclose(out);
  return total;
}

void BM_CopyInput(benchmark::State& state) {
  for (auto _ : state) {
    double t0 = NowSeconds();
    CopyFile(input, dir->File("copy.pgn"));
    KeepBest(bestCopy, inputBytes, t0);
  }
}

void BM_ConvertAndMap(benchmark::State& state) {
  for (auto _ : state) {
    double t0 = NowSeconds();
    auto bullet = ConvertToWorkFile(input, *dir);
    pages = bullet->PageCount();
    bulletBytes = bullet->FileSize();
    KeepBest(bestConvert, inputBytes, t0);
  }
  state.counters["pages"] = pages;
}

void BM_CopyBullet(benchmark::State& state) {
  for (auto _ : state) {
    double t0 = NowSeconds();
    CopyFile(dir->File("bullet.tmp"), dir->File("copy.tmp"), true);
    KeepBest(bestBulletCopy, bulletBytes, t0);
  }
}

void BM_WriteAllPages(benchmark::State& state) {
  for (auto _ : state) {
    TFStreamTxStr bullet(dir->File("bullet.tmp"), "", "", TOpenMode::ReadWrite, kDefaultBufferSize);
    bullet.BuildPageMap();
    double t0 = NowSeconds();
    bullet.WriteAllPages();
    KeepBest(bestWriteAll, bulletBytes, t0);
  }
}

BENCHMARK(BM_CopyInput)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ConvertAndMap)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyBullet)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteAllPages)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir benchDir;
  dir = &benchDir;
  input = benchDir.File("big.pgn");
  inputBytes = WriteRepeatedCollection(input, kFileBytes);
  int64_t baselineKb = CurrentRssKb();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  int64_t addedKb = PeakRssKb() - baselineKb;
  std::printf("\ninput %.1f MB, bullet file %.1f MB in %d pages\n", inputBytes / 1e6,
              bulletBytes / 1e6, pages);
  std::printf("plain copy of the input (baseline):   %8.1f MB/s\n", bestCopy);
  std::printf("conversion + page map:                %8.1f MB/s  ratio %.2f (target 0.40)\n",
              bestConvert, bestCopy > 0 ? bestConvert / bestCopy : 0.0);
  std::printf("plain copy of the bullet file, synced: %8.1f MB/s\n", bestBulletCopy);
  std::printf("WriteAllPages:                        %8.1f MB/s  ratio %.2f\n", bestWriteAll,
              bestBulletCopy > 0 ? bestWriteAll / bestBulletCopy : 0.0);
  std::printf("peak memory above baseline:           %8.1f MB (target under 10 MB)\n",
              addedKb / 1024.0);
  return 0;
}
