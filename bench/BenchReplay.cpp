// Replaying every game of a large collection (real games repeated) with the
// move rules, against two baselines over the same file: splitting and parsing
// the games without the rules, and a plain byte scan counting "[Event ".
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "chess/ChessPos.h"
#include "chess/GameReplay.h"
#include "chess/ParseObj.h"
#include "stream/TxStream.h"

namespace {

constexpr int64_t kFileBytes = 100'000'000;
constexpr double kTargetPliesPerSecond = 3'000'000;
constexpr double kStretchShareOfScan = 0.20;

// The machine is shared, so the figures are per core: this thread's CPU time.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string path;
int64_t fileBytes = 0;

struct TPass {
  double Seconds = 0;  // best pass
  int64_t Games = 0;
  int64_t Plies = 0;
  int64_t Failed = 0;
};
TPass scan, parse, replay;

void Keep(TPass& best, double seconds, int64_t games, int64_t plies, int64_t failed) {
  if (best.Seconds == 0 || seconds < best.Seconds) best = TPass{seconds, games, plies, failed};
}

void Report(benchmark::State& state, const TPass& pass) {
  state.SetBytesProcessed(state.iterations() * fileBytes);
  state.counters["games/s"] = static_cast<double>(pass.Games) / pass.Seconds;
  state.counters["plies/s"] = static_cast<double>(pass.Plies) / pass.Seconds;
}

void BM_ScanEventTags(benchmark::State& state) {
  std::vector<char> chunk(1 << 20);
  constexpr std::string_view kEvent = "[Event ";
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    FILE* f = std::fopen(path.c_str(), "rb");
    int64_t count = 0;
    size_t kept = 0;  // the tail of the last chunk that may start a tag
    size_t got;
    while ((got = std::fread(chunk.data() + kept, 1, chunk.size() - kept, f)) > 0) {
      const std::string_view text(chunk.data(), kept + got);
      for (size_t at = text.find(kEvent); at != std::string_view::npos;
           at = text.find(kEvent, at + 1))
        ++count;
      kept = std::min(text.size(), kEvent.size() - 1);
      std::memmove(chunk.data(), text.data() + text.size() - kept, kept);
    }
    std::fclose(f);
    benchmark::DoNotOptimize(count);
    Keep(scan, ThreadSeconds() - t0, count, 0, 0);
  }
  Report(state, scan);
}

void BM_ParseOnly(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    TFStreamTxStr stream(path, "", "", TOpenMode::Read, kDefaultBufferSize);
    std::string game;
    int64_t games = 0, tokens = 0;
    while (!stream.GamesDone) {
      stream.ReadGame(game);
      ++games;
      const size_t start = FindMovetextStart(game);
      TParseLine line(nullptr, game.substr(start == std::string::npos ? game.size() : start), 0, 0);
      line.Parse();
      tokens += static_cast<int64_t>(line.Moves.size());
    }
    Keep(parse, ThreadSeconds() - t0, games, tokens, 0);
  }
  Report(state, parse);
}

void BM_Replay(benchmark::State& state) {
  TChessPosition pos;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    TFStreamTxStr stream(path, "", "", TOpenMode::Read, kDefaultBufferSize);
    std::string game;
    int64_t games = 0, plies = 0, failed = 0;
    while (!stream.GamesDone) {
      stream.ReadGame(game);
      ++games;
      const TReplayOutcome outcome = ReplayGame(game, pos);
      plies += outcome.Plies;
      if (outcome.Status != TReplayStatus::Clean) ++failed;
    }
    Keep(replay, ThreadSeconds() - t0, games, plies, failed);
  }
  Report(state, replay);
}

BENCHMARK(BM_ScanEventTags)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Replay)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir dir;
  path = dir.File("big.pgn");
  fileBytes = WriteRepeatedCollection(path, kFileBytes);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (replay.Seconds == 0 || parse.Seconds == 0 || scan.Seconds == 0) return 0;
  const double scanMBps = MBps(fileBytes, scan.Seconds);
  const double parseMBps = MBps(fileBytes, parse.Seconds);
  const double replayMBps = MBps(fileBytes, replay.Seconds);
  const double pliesPerSecond = static_cast<double>(replay.Plies) / replay.Seconds;
  std::printf("\nrates per CPU second of the one benchmark thread (best pass)\n");
  std::printf("file %.1f MB, %lld games, %lld half-moves played, %lld games not clean\n",
              fileBytes / 1e6, static_cast<long long>(replay.Games),
              static_cast<long long>(replay.Plies), static_cast<long long>(replay.Failed));
  std::printf("scan for \"[Event \" (baseline): %9.1f MB/s  %10.0f games/s\n", scanMBps,
              static_cast<double>(scan.Games) / scan.Seconds);
  std::printf("split and parse (baseline):    %9.1f MB/s  %10.0f games/s\n", parseMBps,
              static_cast<double>(parse.Games) / parse.Seconds);
  std::printf("replay:                        %9.1f MB/s  %10.0f games/s  %10.0f half-moves/s\n",
              replayMBps, static_cast<double>(replay.Games) / replay.Seconds, pliesPerSecond);
  std::printf("replay / parse:                %9.2f\n", replayMBps / parseMBps);
  std::printf("replay / scan:                 %9.3f (stretch %.2f: %s)\n", replayMBps / scanMBps,
              kStretchShareOfScan,
              replayMBps / scanMBps >= kStretchShareOfScan ? "met" : "not met");
  std::printf("half-moves per second:         %9.0f (target %.0f: %s)\n", pliesPerSecond,
              kTargetPliesPerSecond, pliesPerSecond >= kTargetPliesPerSecond ? "met" : "not met");
  return 0;
}
