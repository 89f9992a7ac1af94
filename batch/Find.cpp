// korvane-batch find FILE TEXT [--whole] [--buffer N]: the Find list of the
// window for the whole file, one line per entry in the list's order, then the
// count of entries and of the pages they lie on. The input is only read.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "find/FindList.h"

namespace {

int FindInFile(const std::string& fileName, const std::string& find, bool whole,
               int32_t bufferSize, TReportDialogs& report) {
  TBatchWorkDir dir;
  auto work = ConvertForBatch("find", dir, fileName, bufferSize, report);
  if (!work) return 1;
  TList2 list;
  TListCollector collector{list, find, whole, 2 * int64_t{work->BufferSize}};
  CollectFileMatches(*work, collector);
  SortByLine(list);
  std::set<int32_t> pages;
  for (const auto& e : list.Items) {
    pages.insert(e->Page);
    std::printf("page %d offset %d: %s\n", e->Page, e->Offset, PrintableBytes(e->Line).c_str());
  }
  if (collector.CapacityPage != 0) {
    std::printf("Find List capacity reached on page %d\n", collector.CapacityPage);
  }
  std::printf("entries %d pages %zu\n", list.Count(), pages.size());
  return 0;
}

}  // namespace

int RunFind(const TBatchArgs& args) {
  std::string file, find;
  bool whole = false;
  int32_t bufferSize = kDefaultBufferSize;
  int plain = 0;
  bool bad = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--whole") {
      whole = true;
    } else if (args[i] == "--buffer" && i + 1 < args.size()) {
      const long n = std::strtol(args[++i].c_str(), nullptr, 10);
      bad |= n < kMinBufferSize || n > kMaxBufferSize;
      bufferSize = static_cast<int32_t>(n / 10000 * 10000);
    } else if (plain == 0) {
      file = args[i];
      ++plain;
    } else if (plain == 1) {
      find = args[i];
      ++plain;
    } else {
      bad = true;
    }
  }
  if (bad || plain != 2 || find.empty()) {
    std::fprintf(stderr, "usage: korvane-batch find FILE.pgn TEXT [--whole] [--buffer N]\n");
    return 2;
  }
  TReportDialogs report(stdout);
  try {
    return FindInFile(file, find, whole, bufferSize, report);
  } catch (const EHalt& halt) {
    std::fprintf(stderr, "find: stopped (exit code %d)\n", halt.ExitCode);
    return halt.ExitCode != 0 ? halt.ExitCode : 1;
  }
}
