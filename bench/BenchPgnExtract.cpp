// korvane-batch replay against pgn-extract -s -r (which also replays every
// move of every game) on the same generated collection, both as a user runs
// them: whole programs, wall-clock time, all cores for korvane-batch.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"

namespace {

constexpr int64_t kFileBytes = 60'000'000;
constexpr double kTargetRatio = 5.0;

std::string path;
std::string pgnExtract;
int64_t games = 0;
double korvaneSeconds = 0, pgnExtractSeconds = 0;

std::string FindPgnExtract() {
  // Debian puts it in /usr/games, which a plain PATH may lack.
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  std::string dirs = path + ":/usr/games:/usr/local/games";
  for (size_t from = 0; from <= dirs.size();) {
    size_t to = dirs.find(':', from);
    if (to == std::string::npos) to = dirs.size();
    const std::string candidate = dirs.substr(from, to - from) + "/pgn-extract";
    if (to > from && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    from = to + 1;
  }
  return "";
}

// Runs command; its standard output comes back in out.
double Timed(const std::string& command, std::string& out) {
  out.clear();
  const double t0 = NowSeconds();
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, got);
  pclose(pipe);
  return NowSeconds() - t0;
}

void Keep(double& best, double seconds) {
  if (best == 0 || seconds < best) best = seconds;
}

void BM_KorvaneBatchReplay(benchmark::State& state) {
  std::string out;
  for (auto _ : state) {
    const double s = Timed(std::string("'") + KORVANE_BENCH_BATCH + "' replay '" + path + "'", out);
    state.SetIterationTime(s);
    Keep(korvaneSeconds, s);
    const size_t at = out.rfind("games ");
    if (at != std::string::npos) games = std::atoll(out.c_str() + at + 6);
  }
  state.counters["games/s"] = static_cast<double>(games) / korvaneSeconds;
}

void BM_PgnExtractCheck(benchmark::State& state) {
  if (pgnExtract.empty()) {
    state.SkipWithError("pgn-extract is not installed (Debian package pgn-extract)");
    return;
  }
  std::string out;
  for (auto _ : state) {
    const double s = Timed("'" + pgnExtract + "' -s -r '" + path + "' 2>/dev/null", out);
    state.SetIterationTime(s);
    Keep(pgnExtractSeconds, s);
  }
  state.counters["games/s"] = static_cast<double>(games) / pgnExtractSeconds;
}

BENCHMARK(BM_KorvaneBatchReplay)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PgnExtractCheck)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir dir;
  path = dir.File("big.pgn");
  const int64_t bytes = WriteRepeatedCollection(path, kFileBytes);
  pgnExtract = FindPgnExtract();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (korvaneSeconds == 0) return 0;
  std::printf(
      "\nfile %.1f MB, %lld games; korvane-batch on %u cores, wall-clock time (best pass)\n",
      bytes / 1e6, static_cast<long long>(games), std::thread::hardware_concurrency());
  std::printf("korvane-batch replay:  %8.3f s  %10.0f games/s\n", korvaneSeconds,
              static_cast<double>(games) / korvaneSeconds);
  if (pgnExtractSeconds == 0) {
    std::printf(
        "pgn-extract -s -r:            not installed (Debian package pgn-extract): no ratio\n");
    return 0;
  }
  const double ratio = pgnExtractSeconds / korvaneSeconds;
  std::printf("pgn-extract -s -r (baseline): %8.3f s  %10.0f games/s\n", pgnExtractSeconds,
              static_cast<double>(games) / pgnExtractSeconds);
  std::printf("ratio korvane / pgn-extract: %.2f (target %.1f: %s)\n", ratio, kTargetRatio,
              ratio >= kTargetRatio ? "met" : "not met");
  return 0;
}
