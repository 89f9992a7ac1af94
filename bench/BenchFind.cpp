// Searching a 100 MB work file: the page-byte test that lets Find and Replace
// "in file" pass over pages without a match, and gathering the Find list, each
// against a plain read of every page in the same run. Prints MB/s and ratios.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/BenchSupport.h"
#include "find/FindList.h"
#include "find/PageSearch.h"
#include "stream/TxStream.h"

namespace {

constexpr int64_t kFileBytes = 100'000'000;
TFStreamTxStr* work = nullptr;
int64_t bulletBytes = 0;
double bestRead = 0, bestScanNoCase = 0, bestScanWhole = 0, bestList = 0;
int64_t sink = 0;

// Calls visit(page bytes) for every page, as a file-wide pass reads them.
template <class Visit>
void EveryPage(Visit visit) {
  for (int32_t page = 1; page <= work->PageCount(); ++page) {
    const char* text = nullptr;
    int32_t length = 0;
    work->GotoPageRaw(page, text, length);
    visit(std::string_view(text, static_cast<size_t>(length)));
  }
}

void BM_ReadPages(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    EveryPage([](std::string_view page) { sink += page.size() ? page[page.size() / 2] : 0; });
    KeepBest(bestRead, bulletBytes, t0);
  }
}

// A text no page holds: every page is read and searched to its end.
void BM_ScanIgnoringCase(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    EveryPage([](std::string_view page) { sink += SearchText(page, "Zukertort", 0, {}); });
    KeepBest(bestScanNoCase, bulletBytes, t0);
  }
}

// A short, common text as a whole word with case: many candidates to reject.
void BM_ScanWholeWord(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    EveryPage([](std::string_view page) {
      for (int64_t at = SearchText(page, "e4", 0, {true, true}); at >= 0;
           at = SearchText(page, "e4", at + 1, {true, true})) {
        ++sink;
      }
    });
    KeepBest(bestScanWhole, bulletBytes, t0);
  }
}

void BM_CollectFindList(benchmark::State& state) {
  for (auto _ : state) {
    const double t0 = NowSeconds();
    TList2 list;
    TListCollector c{list, "Anderssen, Adolf", false, 2 * int64_t{work->BufferSize}};
    // Every page: the capacity would end the walk early, so it is lifted here.
    c.Capacity = INT64_MAX / 2;
    CollectFileMatches(*work, c);
    SortByLine(list);
    sink += list.Count();
    KeepBest(bestList, bulletBytes, t0);
  }
}

BENCHMARK(BM_ReadPages)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanIgnoringCase)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanWholeWord)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CollectFindList)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  TBenchDir dir;
  const std::string input = dir.File("big.pgn");
  WriteRepeatedCollection(input, kFileBytes);
  auto converted = ConvertToWorkFile(input, dir);
  TFStreamTxStr& bullet = *converted;
  work = &bullet;
  bulletBytes = bullet.FileSize();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto ratio = [](double v) { return bestRead > 0 ? v / bestRead : 0.0; };
  std::printf("\nwork file %.1f MB in %d pages\n", bulletBytes / 1e6, bullet.PageCount());
  std::printf("plain read of every page (baseline): %8.1f MB/s\n", bestRead);
  std::printf("search ignoring case, no match:      %8.1f MB/s  ratio %.2f\n", bestScanNoCase,
              ratio(bestScanNoCase));
  std::printf("search \"e4\" whole word, every hit:  %8.1f MB/s  ratio %.2f\n", bestScanWhole,
              ratio(bestScanWhole));
  std::printf("Find list of every page, sorted:     %8.1f MB/s  ratio %.2f\n", bestList,
              ratio(bestList));
  benchmark::DoNotOptimize(sink);
  return 0;
}
