// korvane-batch check FILE.pgn [--jobs N]: the seven game checks over every page of the
// file's bullet work file, one report line per check; exit status 1 when any
// check found something. The input is only read; the work file lives in a
// temporary directory of its own.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/Parallel.h"
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

// What the seven checks found on one page, and the boxes they showed.
struct TPageFindings {
  int Page = 0;
  std::string Found[7];
  std::string Boxes;
};

TPageFindings RunChecksOnPage(int page, const std::string& text) {
  TPageFindings findings;
  findings.Page = page;
  // The boxes of this page are kept apart, so that pages checked side by side
  // still report in page order.
  char* boxes = nullptr;
  size_t boxesSize = 0;
  std::FILE* out = open_memstream(&boxes, &boxesSize);
  if (!out) throw std::runtime_error("no memory for the report");
  try {
    TReportDialogs report(out);
    int32_t today = TodayDayNumber();
    for (int code = 1; code <= 7; ++code) {
      report.Context = "check " + std::to_string(code) + " page " + std::to_string(page);
      // Check 5 flags its text in place: it works on a copy so that nothing is written back.
      std::string copy = text;
      findings.Found[code - 1] = code == 2 ? CheckBadDate(copy, today) : RunGameCheck(code, copy);
    }
  } catch (...) {
    std::fclose(out);
    std::free(boxes);
    throw;
  }
  std::fclose(out);
  findings.Boxes.assign(boxes, boxesSize);
  std::free(boxes);
  return findings;
}

void AddFindings(const TPageFindings& findings, std::array<TCheckSummary, 7>& summary) {
  std::fputs(findings.Boxes.c_str(), stderr);
  for (size_t i = 0; i < summary.size(); ++i) {
    if (findings.Found[i].empty()) continue;
    TCheckSummary& s = summary[i];
    if (s.Pages++ == 0) {
      s.FirstPage = findings.Page;
      s.FirstText = findings.Found[i];
    }
  }
}

// True when any check found something.
bool PrintSummary(const std::array<TCheckSummary, 7>& summary) {
  bool found = false;
  for (size_t i = 0; i < summary.size(); ++i) {
    const TCheckSummary& s = summary[i];
    std::printf("check %zu %s pages %d", i + 1, s.Label, s.Pages);
    if (s.Pages > 0)
      std::printf(" first page %d: %s", s.FirstPage, PrintableBytes(s.FirstText).c_str());
    std::printf("\n");
    found |= s.Pages > 0;
  }
  return found;
}

constexpr int kPagesPerBatch = 4;

struct TPageBatch {
  std::vector<std::pair<int32_t, std::string>> Pages;
};

int CheckFile(const std::string& fileName, int jobs, TReportDialogs& report) {
  TBatchWorkDir dir;
  auto work = ConvertForBatch(dir, fileName, kDefaultBufferSize, report);
  if (!work) return kExitFailure;

  std::array<TCheckSummary, 7> summary;
  for (size_t i = 0; i < summary.size(); ++i) summary[i].Label = kCheckLabels[i];
  int32_t page = 0;
  bool unreadable = false;
  auto next = [&](TPageBatch& batch) {
    while (!unreadable && page < work->PageCount() &&
           batch.Pages.size() < static_cast<size_t>(kPagesPerBatch)) {
      ++page;
      std::string text;
      if (work->GotoPage(page, text) != page) {
        unreadable = true;
        break;
      }
      batch.Pages.emplace_back(page, std::move(text));
    }
    return !batch.Pages.empty();
  };
  auto check = [](TPageBatch& batch) {
    std::vector<TPageFindings> found;
    for (const auto& [n, text] : batch.Pages) found.push_back(RunChecksOnPage(n, text));
    return found;
  };
  auto emit = [&summary](const std::vector<TPageFindings>& found) {
    for (const TPageFindings& f : found) AddFindings(f, summary);
  };
  RunInOrder<TPageBatch>(jobs, next, check, emit);
  if (unreadable) {
    std::fprintf(stderr, "check: page %d cannot be read\n", page);
    return kExitFailure;
  }
  std::printf("pages %d\n", work->PageCount());
  return PrintSummary(summary) ? kExitFindings : kExitClean;
}

}  // namespace

int RunCheck(const TBatchOptions& o) {
  TReportDialogs report;
  try {
    return CheckFile(o.In, o.Jobs, report);
  } catch (const EHalt& halt) {
    return ReportHalt(halt);
  }
}
