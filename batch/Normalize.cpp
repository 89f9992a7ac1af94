// korvane-batch normalize: what Open followed by Save does in the window, for a
// collection that only needs cleaning.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "stream/PageEstimate.h"
#include "stream/TxFlows.h"

int RunNormalize(const TBatchOptions& o) {
  TReportDialogs report;
  TBatchWorkDir work;
  auto started = std::chrono::steady_clock::now();
  try {
    if (!CheckReadable(o.In)) return kExitFailure;
    std::string firstText, pageText;
    auto input = OpenInputFile(o.In, firstText, o.BufferSize);
    if (!input) return kExitFailure;
    // Told before the conversion, which would fail only at its end.
    const TFileSample sample = SampleOf(*input, firstText);
    if (const int64_t pages = EstimatePageCount(sample, o.BufferSize); pages > cMaxMap) {
      const int32_t fitting = SmallestFittingBufferSize(sample);
      std::fprintf(stderr,
                   "normalize: %s is too large for the page map at buffer size %d: about %lld "
                   "pages, at most %d. ",
                   o.In.c_str(), o.BufferSize, static_cast<long long>(pages), cMaxMap);
      if (fitting != 0)
        std::fprintf(stderr, "The smallest buffer size that fits is %d (--buffer %d).\n", fitting,
                     fitting);
      else
        std::fprintf(stderr, "Even the largest buffer size, %d, is too small.\n", kMaxBufferSize);
      return kExitUsage;
    }
    auto bullet = ProcessInputFile(std::move(input), pageText);
    if (!bullet) return kExitFailure;
    if (!SaveOrAppend(*bullet, TSaveMode::Save, o.Out, true)) {
      ReportNotWritten(o.Out);
      return kExitFailure;
    }
    int64_t games = 0;
    for (const auto& e : bullet->Map->Entries) games += e.Games;
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::error_code ec;
    std::printf("pages %d games %lld bytes %lld seconds %.3f\n", bullet->PageCount(),
                static_cast<long long>(games),
                static_cast<long long>(std::filesystem::file_size(o.Out, ec)), seconds);
    return report.CleanOrDrops();
  } catch (const EHalt& halt) {
    ReportNotWritten(o.Out);
    return ReportHalt(halt);
  }
}
