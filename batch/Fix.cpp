// korvane-batch fix IN.pgn OUT.pgn --macro N [--macro M ...]: the repairing
// check macros applied to every page of a collection, one after the other, as
// Replace "in file" applies them in the window; the result is then saved as
// Save does (a temporary file renamed over OUT when complete).
#include <cstdio>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "find/CheckMacros.h"
#include "stream/TxFlows.h"

int RunFix(const TBatchOptions& o) {
  TReportDialogs report;
  TBatchWorkDir dir;
  try {
    auto work = ConvertForBatch(dir, o.In, o.BufferSize, report);
    if (!work) return kExitFailure;
    bool refused = false;
    for (int macro : o.Macros) {
      const TMacroTally t = ApplyReplaceMacro(*work, macro);
      std::printf("macro %d %s replaced %lld pages %d\n", macro,
                  std::string(kMacros[macro - 1].Item).c_str(), static_cast<long long>(t.Replaced),
                  t.Pages);
      if (t.Refused > 0) {
        std::fprintf(stderr,
                     "fix: macro %d: %d pages could not take every replacement (page too long)\n",
                     macro, t.Refused);
        refused = true;
      }
    }
    if (!SaveOrAppend(*work, TSaveMode::Save, o.Out, true)) {
      ReportNotWritten(o.Out);
      return kExitFailure;
    }
    return refused ? kExitFindings : report.CleanOrDrops();
  } catch (const EHalt& halt) {
    ReportNotWritten(o.Out);
    return ReportHalt(halt);
  }
}
