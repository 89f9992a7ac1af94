// Reading a large collection game by game against a plain buffered read of the
// same file. Prints both throughputs, their ratio and the memory the reading
// added to the process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/BenchSupport.h"
#include "stream/TxStream.h"

namespace {

constexpr int64_t kFileBytes = 200'000'000;
std::string path;
int64_t fileBytes = 0;
double bestPlain = 0, bestGames = 0;
int64_t gamesRead = 0;

void BM_PlainRead(benchmark::State& state) {
  std::vector<char> chunk(kDefaultBufferSize);
  for (auto _ : state) {
    double t0 = NowSeconds();
    FILE* f = std::fopen(path.c_str(), "rb");
    int64_t total = 0;
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) total += got;
    std::fclose(f);
    benchmark::DoNotOptimize(total);
    double mbps = MBps(total, NowSeconds() - t0);
    if (mbps > bestPlain) bestPlain = mbps;
  }
  state.SetBytesProcessed(state.iterations() * fileBytes);
}

void BM_ReadGame(benchmark::State& state) {
  for (auto _ : state) {
    double t0 = NowSeconds();
    TFStreamTxStr stream(path, "", "", TOpenMode::Read, kDefaultBufferSize);
    std::string game;
    int64_t games = 0;
    while (!stream.GamesDone) {
      stream.ReadGame(game);
      ++games;
    }
    gamesRead = games;
    double mbps = MBps(fileBytes, NowSeconds() - t0);
    if (mbps > bestGames) bestGames = mbps;
  }
  state.SetBytesProcessed(state.iterations() * fileBytes);
  state.counters["games"] = static_cast<double>(gamesRead);
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadGame)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir dir;
  path = dir.File("big.pgn");
  fileBytes = WriteRepeatedCollection(path, kFileBytes);
  int64_t baselineKb = CurrentRssKb();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  int64_t addedKb = PeakRssKb() - baselineKb;
  std::printf("\nfile %.1f MB, %lld games\n", fileBytes / 1e6, static_cast<long long>(gamesRead));
  std::printf("plain buffered read (baseline): %8.1f MB/s\n", bestPlain);
  std::printf("ReadGame:                       %8.1f MB/s\n", bestGames);
  std::printf("ratio ReadGame / plain read:    %8.2f (target 0.50 or more)\n",
              bestPlain > 0 ? bestGames / bestPlain : 0.0);
  std::printf("peak memory above baseline:     %8.1f MB (target under 10 MB)\n", addedKb / 1024.0);
  return 0;
}
