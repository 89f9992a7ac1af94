// The check macros over a 100 MB work file: each check walking every page
// (CheckAllPages) against a plain read of every page, and the repairs of
// korvane-batch fix (two replace macros, then Save) against a Save alone, all
// in the same run. Prints MB/s and ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "bench/BenchSupport.h"
#include "find/CheckMacros.h"
#include "stream/TxFlows.h"
#include "stream/TxStream.h"

namespace {

constexpr int64_t kFileBytes = 100'000'000;
TBenchDir* dir = nullptr;
std::string input;
int64_t bulletBytes = 0;
int32_t pages = 0;
double bestRead = 0, bestSave = 0, bestFix = 0;
double bestCheck[8] = {};
std::string found[8];
int64_t sink = 0;
int64_t replaced = 0;

// Real games with a trailing space after each Round tag and an unused ECO tag
// in each game: work for "trailing space" and "unused ECO".
void WriteSpoiledCollection(const std::string& path, int64_t minBytes) {
  std::string games = SampleGames();
  std::string spoiled;
  spoiled.reserve(games.size() + games.size() / 20);
  for (size_t at = 0; at < games.size();) {
    size_t end = games.find("\r\n", at);
    if (end == std::string::npos) end = games.size();
    const std::string_view line(games.data() + at, end - at);
    spoiled.append(line);
    if (line.starts_with("[Round ")) spoiled += ' ';
    if (end < games.size()) spoiled += "\r\n";
    if (line.starts_with("[Result ")) spoiled += "[ECO \"?\"]\r\n";
    at = end + 2;
  }
  std::ofstream out(path, std::ios::binary);
  for (int64_t written = 0; written < minBytes; written += static_cast<int64_t>(spoiled.size()))
    out << spoiled;
}

std::unique_ptr<TFStreamTxStr> FreshWorkFile() {
  return ConvertToWorkFile(input, *dir);
}

std::unique_ptr<TFStreamTxStr> shared;

// The plain scan: every page read and every byte looked at once (its bullets counted).
void BM_PlainScan(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    for (int32_t p = 1; p <= shared->PageCount(); ++p) {
      const char* text = nullptr;
      int32_t length = 0;
      shared->GotoPageRaw(p, text, length);
      for (const char* at = text; (at = static_cast<const char*>(
                                      std::memchr(at, '\xB7', static_cast<size_t>(text + length - at))));
           ++at)
        ++sink;
    }
    KeepBest(bestRead, bulletBytes, t0);
  }
}

// A check that finds nothing walks every page; one that finds stops there,
// and its figure is printed with what it found.
void BM_CheckAllPages(benchmark::State& state) {
  const int nn = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const double t0 = NowSeconds();
    found[nn] = CheckAllPages(*shared, nn);
    KeepBest(bestCheck[nn], bulletBytes, t0);
  }
}

void BM_Save(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    SaveOrAppend(*shared, TSaveMode::Save, dir->File("saved.pgn"), true);
    KeepBest(bestSave, bulletBytes, t0);
  }
}

// Each round on a fresh work file, made outside the timing.
void BM_FixTwoMacrosThenSave(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto work = FreshWorkFile();
    state.ResumeTiming();
    const double t0 = NowSeconds();
    replaced = ApplyReplaceMacro(*work, 19).Replaced + ApplyReplaceMacro(*work, 13).Replaced;
    SaveOrAppend(*work, TSaveMode::Save, dir->File("fixed.pgn"), true);
    KeepBest(bestFix, bulletBytes, t0);
  }
}

BENCHMARK(BM_PlainScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CheckAllPages)->DenseRange(1, 7)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FixTwoMacrosThenSave)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir benchDir;
  dir = &benchDir;
  input = benchDir.File("spoiled.pgn");
  WriteSpoiledCollection(input, kFileBytes);
  shared = FreshWorkFile();
  bulletBytes = shared->FileSize();
  pages = shared->PageCount();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nwork file %.1f MB in %d pages\n", bulletBytes / 1e6, pages);
  std::printf("plain scan of every page (baseline): %8.1f MB/s\n", bestRead);
  for (int nn = 1; nn <= 7; ++nn) {
    std::printf("check %d over the file:               %8.1f MB/s  ratio %.2f  %s\n", nn,
                bestCheck[nn], bestRead > 0 ? bestCheck[nn] / bestRead : 0.0,
                found[nn].empty() ? "(every page)" : "(stopped at a find)");
  }
  std::printf("Save (baseline of fix):              %8.1f MB/s\n", bestSave);
  std::printf("fix: 2 macros then Save:             %8.1f MB/s  %.2f times a Save, %lld replaced\n",
              bestFix, bestFix > 0 ? bestSave / bestFix : 0.0, static_cast<long long>(replaced));
  shared.reset();
  benchmark::DoNotOptimize(sink);
  return 0;
}
