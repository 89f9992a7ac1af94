// korvane-batch check FILE.pgn: the seven game checks over every page of the
// file's bullet work file, one report line per check. The input is only read;
// the work file lives in a temporary directory of its own.
#include <array>
#include <cstdio>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "pgn/PgnTags.h"
#include "stream/TxFlows.h"

namespace {

// The macro labels of "$$01" to "$$07", without the trailing blank of the first.
constexpr const char* kCheckLabels[7] = {
    "bad bullet", "bad Date",     "conflicting Result", "high ASCII", "flag embedded quote (all)",
    "empty game", "pack conflict"};

struct TCheckSummary {
  const char* Label = "";
  int Pages = 0;  // pages with a finding
  int FirstPage = 0;
  std::string FirstText;
};

void RunChecksOnPage(int page, const std::string& text, std::array<TCheckSummary, 7>& summary,
                     TReportDialogs& report) {
  int32_t today = TodayDayNumber();
  for (int code = 1; code <= 7; ++code) {
    report.Context = "check " + std::to_string(code) + " page " + std::to_string(page);
    // Check 5 flags its text in place: it works on a copy so that nothing is written back.
    std::string copy = text;
    std::string found = code == 2 ? CheckBadDate(copy, today) : RunGameCheck(code, copy);
    if (found.empty()) continue;
    TCheckSummary& s = summary[static_cast<size_t>(code - 1)];
    if (s.Pages++ == 0) {
      s.FirstPage = page;
      s.FirstText = found;
    }
  }
  report.Context.clear();
}

void PrintSummary(const std::array<TCheckSummary, 7>& summary) {
  for (size_t i = 0; i < summary.size(); ++i) {
    const TCheckSummary& s = summary[i];
    std::printf("check %zu %s pages %d", i + 1, s.Label, s.Pages);
    if (s.Pages > 0)
      std::printf(" first page %d: %s", s.FirstPage, PrintableBytes(s.FirstText).c_str());
    std::printf("\n");
  }
}

int CheckFile(const std::string& fileName, TReportDialogs& report) {
  TBatchWorkDir dir;
  auto work = ConvertForBatch("check", dir, fileName, kDefaultBufferSize, report);
  if (!work) return 1;
  std::string text;

  std::array<TCheckSummary, 7> summary;
  for (size_t i = 0; i < summary.size(); ++i) summary[i].Label = kCheckLabels[i];
  for (int32_t page = 1; page <= work->PageCount(); ++page) {
    if (work->GotoPage(page, text) != page) {
      std::fprintf(stderr, "check: page %d cannot be read\n", page);
      return 1;
    }
    RunChecksOnPage(page, text, summary, report);
  }
  std::printf("pages %d\n", work->PageCount());
  PrintSummary(summary);
  return 0;
}

}  // namespace

int RunCheck(const TBatchArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-batch check FILE.pgn\n");
    return 2;
  }
  TReportDialogs report(stdout);
  try {
    return CheckFile(args[0], report);
  } catch (const EHalt& halt) {
    std::fprintf(stderr, "check: stopped (exit code %d)\n", halt.ExitCode);
    return halt.ExitCode != 0 ? halt.ExitCode : 1;
  }
}
