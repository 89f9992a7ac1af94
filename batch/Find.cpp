// korvane-batch find FILE TEXT [--whole] [--buffer N]: every line of the file
// that holds TEXT, by the window's Find rules, in file order, each as it is
// found, then the count of lines and of the pages they lie on. Unlike the
// window's Find list there is no capacity: only one page is held at a time.
// The input is only read.
#include <cstdio>
#include <limits>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "find/FindList.h"

namespace {

int FindInFile(const TBatchOptions& o, TReportDialogs& report) {
  TBatchWorkDir dir;
  auto work = ConvertForBatch(dir, o.In, o.BufferSize, report);
  if (!work) return kExitFailure;
  TList2 list;
  TListCollector collector{list, o.Text, o.Whole, std::numeric_limits<int64_t>::max()};
  int64_t entries = 0;
  int32_t pages = 0;
  const int32_t count = work->PageCount();
  for (int32_t page = 1; page <= count; ++page) {
    const char* text = nullptr;
    int32_t length = 0;
    if (work->GotoPageRaw(page, text, length) != page) {
      std::fprintf(stderr, "find: page %d cannot be read\n", page);
      return kExitFailure;
    }
    list.Items.clear();
    collector.Total = 0;
    CollectPageMatches(collector, std::string_view(text, static_cast<size_t>(length)), page);
    for (const auto& e : list.Items) {
      std::string_view line = e->Line;
      if (line.ends_with("\r\n")) line.remove_suffix(2);
      std::printf("page %d offset %d: %s\n", e->Page, e->Offset, PrintableBytes(line).c_str());
    }
    entries += static_cast<int64_t>(list.Items.size());
    pages += list.Items.empty() ? 0 : 1;
  }
  std::printf("entries %lld pages %d\n", static_cast<long long>(entries), pages);
  return kExitClean;
}

}  // namespace

int RunFind(const TBatchOptions& o) {
  TReportDialogs report;
  try {
    return FindInFile(o, report);
  } catch (const EHalt& halt) {
    return ReportHalt(halt);
  }
}
