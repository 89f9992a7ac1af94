// korvane-batch fix IN.pgn OUT.pgn --macro N [--macro M ...]: the repairing
// check macros applied to every page of a collection, one after the other, as
// Replace "in file" applies them in the window; the result is then saved as
// Save does (a temporary file renamed over OUT when complete).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "find/CheckMacros.h"
#include "stream/TxFlows.h"

namespace {

constexpr char kUsage[] =
    "usage: korvane-batch fix IN.pgn OUT.pgn --macro N [--macro M ...] [--buffer N]\n";

}  // namespace

int RunFix(const TBatchArgs& args) {
  std::string in, out;
  std::vector<int> macros;
  int32_t bufferSize = kDefaultBufferSize;
  bool bad = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--macro" && i + 1 < args.size()) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (end == args[i].c_str() || *end != '\0' || !IsReplaceMacro(static_cast<int>(n))) {
        std::fprintf(stderr,
                     "fix: macro %s does not replace; the repairing macros are 2, 3, 4, 11, 12, "
                     "13, 18, 19 and 20\n",
                     args[i].c_str());
        return 2;
      }
      macros.push_back(static_cast<int>(n));
    } else if (args[i] == "--buffer" && i + 1 < args.size()) {
      bufferSize = static_cast<int32_t>(std::strtol(args[++i].c_str(), nullptr, 10));
    } else if (in.empty()) {
      in = args[i];
    } else if (out.empty()) {
      out = args[i];
    } else {
      bad = true;
    }
  }
  if (bad || in.empty() || out.empty() || macros.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!CheckBatchBufferSize(bufferSize)) return 2;
  TReportDialogs report;
  TBatchWorkDir dir;
  try {
    auto work = ConvertForBatch("fix", dir, in, bufferSize, report);
    if (!work) return 1;
    for (int macro : macros) {
      const TMacroTally t = ApplyReplaceMacro(*work, macro);
      std::printf("macro %d %s replaced %lld pages %d\n", macro,
                  std::string(kMacros[macro - 1].Item).c_str(), static_cast<long long>(t.Replaced),
                  t.Pages);
      if (t.Refused > 0) {
        std::printf("macro %d: %d pages could not take every replacement (page too long)\n",
                    macro, t.Refused);
      }
    }
    if (!SaveOrAppend(*work, TSaveMode::Save, out, true)) {
      std::fprintf(stderr, "fix: %s was not written\n", out.c_str());
      return 1;
    }
    return 0;
  } catch (const EHalt& halt) {
    std::fprintf(stderr, "fix: stopped; %s was not written\n", out.c_str());
    return halt.ExitCode == 0 ? 1 : halt.ExitCode;
  }
}
