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

int RunNormalize(const TBatchArgs& args) {
  std::string in, out;
  int32_t bufferSize = kDefaultBufferSize;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--buffer" && i + 1 < args.size()) {
      bufferSize = static_cast<int32_t>(std::strtol(args[++i].c_str(), nullptr, 10));
    } else if (in.empty()) {
      in = args[i];
    } else if (out.empty()) {
      out = args[i];
    } else {
      in.clear();
      break;
    }
  }
  if (in.empty() || out.empty()) {
    std::fprintf(stderr, "usage: korvane-batch normalize IN.pgn OUT.pgn [--buffer N]\n");
    return 2;
  }
  if (!CheckBatchBufferSize(bufferSize)) return 2;
  TReportDialogs report;
  TBatchWorkDir work;
  auto started = std::chrono::steady_clock::now();
  try {
    std::string firstText, pageText;
    auto input = OpenInputFile(in, firstText, bufferSize);
    if (!input) return 1;
    // Told before the conversion, which would fail only at its end.
    const TFileSample sample = SampleOf(*input, firstText);
    if (const int64_t pages = EstimatePageCount(sample, bufferSize); pages > cMaxMap) {
      const int32_t fitting = SmallestFittingBufferSize(sample);
      std::fprintf(stderr,
                   "normalize: %s is too large for the page map at buffer size %d: about %lld "
                   "pages, at most %d. ",
                   in.c_str(), bufferSize, static_cast<long long>(pages), cMaxMap);
      if (fitting != 0)
        std::fprintf(stderr, "The smallest buffer size that fits is %d (--buffer %d).\n", fitting,
                     fitting);
      else
        std::fprintf(stderr, "Even the largest buffer size, %d, is too small.\n", kMaxBufferSize);
      return 2;
    }
    auto bullet = ProcessInputFile(std::move(input), pageText);
    if (!bullet) return 1;
    if (!SaveOrAppend(*bullet, TSaveMode::Save, out, true)) return 1;
    int64_t games = 0;
    for (const auto& e : bullet->Map->Entries) games += e.Games;
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("pages %d games %lld bytes %lld seconds %.3f\n", bullet->PageCount(),
                static_cast<long long>(games),
                static_cast<long long>(std::filesystem::file_size(out)), seconds);
    return 0;
  } catch (const EHalt& halt) {
    return halt.ExitCode == 0 ? 1 : halt.ExitCode;
  }
}
