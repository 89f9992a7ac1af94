// Packing a large work file into a packed file and unpacking it again, each
// against a plain Save of the same work file. Prints throughputs (MB of plain
// PGN per second), the ratios and the size of the packed file against the PGN.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "bench/BenchSupport.h"
#include "export/PackedFiles.h"
#include "stream/TxFlows.h"

namespace {

constexpr int64_t kFileBytes = 100'000'000;
TBenchDir* dir = nullptr;
TFStreamTxStr* work = nullptr;
TPackingLibrary* library = nullptr;
int64_t plainBytes = 0, packedBytes = 0;
double bestSave = 0, bestPack = 0, bestUnpack = 0;

void BM_PlainSave(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    if (!SaveOrAppend(*work, TSaveMode::Save, dir->File("plain.pgn"), true))
      state.SkipWithError("save failed");
    KeepBest(bestSave, plainBytes, t0);
    plainBytes = static_cast<int64_t>(std::filesystem::file_size(dir->File("plain.pgn")));
  }
}

void BM_SavePacked(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    SavePacked(*library, *work, dir->File("packed.pgc"), false, dir->File(kPackedTempFile));
    KeepBest(bestPack, plainBytes, t0);
    packedBytes = static_cast<int64_t>(std::filesystem::file_size(dir->File("packed.pgc")));
  }
}

void BM_UnpackToTemp(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    UnpackToTemp(*library, dir->File("packed.pgc"), dir->File(kPackedTempFile), 1,
                 kDefaultMaximumGames);
    KeepBest(bestUnpack, plainBytes, t0);
  }
}

BENCHMARK(BM_PlainSave)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SavePacked)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_UnpackToTemp)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir benchDir;
  dir = &benchDir;
  WriteRepeatedCollection(benchDir.File("big.pgn"), kFileBytes);
  ClearWorkFileNames();
  InitWorkFileNames(benchDir.Path() + "/");
  std::string text;
  auto stream =
      ProcessInputFile(OpenInputFile(benchDir.File("big.pgn"), text, kDefaultBufferSize), text);
  TDlopenLoader loader;
  TPackingLibrary packing(loader);
  if (!stream || !packing.LoadPackingLibrary(KORVANE_BENCH_PACKER)) {
    std::fprintf(stderr, "cannot make the work file or load %s\n", KORVANE_BENCH_PACKER);
    return 1;
  }
  work = stream.get();
  library = &packing;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nwork file %.1f MB in %d pages; plain PGN %.1f MB, packed %.1f MB\n",
              static_cast<double>(work->FileSize()) / 1e6, work->PageCount(), plainBytes / 1e6,
              packedBytes / 1e6);
  std::printf("plain Save (baseline):   %8.1f MB/s\n", bestSave);
  std::printf("Save As Packed:          %8.1f MB/s  ratio %.3f\n", bestPack,
              bestSave > 0 ? bestPack / bestSave : 0.0);
  std::printf("unpack to temporary:     %8.1f MB/s  ratio %.3f\n", bestUnpack,
              bestSave > 0 ? bestUnpack / bestSave : 0.0);
  std::printf("packed size / plain PGN: %8.3f\n",
              plainBytes > 0 ? static_cast<double>(packedBytes) / plainBytes : 0.0);
  return 0;
}
