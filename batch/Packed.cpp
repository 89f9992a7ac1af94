// korvane-batch pack and unpack: Save As Packed and Open Packed without the
// window, through the same flows and the same packing library, found beside
// the tool.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "export/PackedFiles.h"
#include "stream/SaveTarget.h"
#include "stream/TxFlows.h"

namespace {

bool LoadLibrary(TPackingLibrary& library) {
  if (library.LoadPackingLibrary(PackingLibraryPath())) return true;
  std::fprintf(stderr, "%s: %s not loaded (looked for %s)\n", BatchCommand, kPackingLibraryFile,
               PackingLibraryPath().c_str());
  return false;
}

int Fail(const EPackedFileError& e) {
  // A failure already shown went out as a box line.
  if (!e.Shown) std::fprintf(stderr, "%s: %s\n", BatchCommand, PrintableBytes(e.what()).c_str());
  const std::string reason = LastSaveFailure();
  if (!reason.empty()) std::fprintf(stderr, "%s: %s\n", BatchCommand, reason.c_str());
  return kExitFailure;
}

void PrintSummary(int64_t games, const std::string& file) {
  std::error_code ec;
  std::printf("games %lld bytes %lld\n", static_cast<long long>(games),
              static_cast<long long>(std::filesystem::file_size(file, ec)));
}

// The output must not be the input under another name (or the same one): the
// input would be replaced by its own conversion.
bool DifferentFiles(const TBatchOptions& o) {
  struct stat in {
  }, out{};
  if (::stat(o.In.c_str(), &in) != 0 || ::stat(o.Out.c_str(), &out) != 0) return true;
  if (in.st_dev != out.st_dev || in.st_ino != out.st_ino) return true;
  std::fprintf(stderr, "%s: %s is the input file %s; give another output file\n", BatchCommand,
               o.Out.c_str(), o.In.c_str());
  return false;
}

}  // namespace

int RunPack(const TBatchOptions& o) {
  if (!DifferentFiles(o)) return kExitUsage;
  TReportDialogs report;
  TBatchWorkDir work;
  TDlopenLoader loader;
  TPackingLibrary library(loader);
  try {
    if (!CheckReadable(o.In) || !LoadLibrary(library)) return kExitFailure;
    if (o.Append) {
      if (const std::string refusal = NotRegularFileText(o.Out); !refusal.empty()) {
        std::fprintf(stderr, "pack: %s\n", refusal.c_str());
        return kExitFailure;
      }
      if (!CheckReadable(o.Out)) return kExitFailure;
      if (!IsPackedFile(library, o.Out)) {
        std::fprintf(stderr,
                     "pack: %s is not a packed file (its last line does not unpack); nothing was "
                     "added\n",
                     o.Out.c_str());
        return kExitFailure;
      }
    }
    std::string firstText, pageText;
    auto bullet = ProcessInputFile(OpenInputFile(o.In, firstText, kDefaultBufferSize), pageText);
    if (!bullet) return kExitFailure;
    const int64_t games =
        SavePacked(library, *bullet, o.Out, o.Append, work.Path() + "/" + kPackedTempFile);
    PrintSummary(games, o.Out);
    return report.CleanOrDrops();
  } catch (const EPackedFileError& e) {
    return Fail(e);
  } catch (const EHalt& halt) {
    return ReportHalt(halt);
  }
}

int RunUnpack(const TBatchOptions& o) {
  if (!DifferentFiles(o)) return kExitUsage;
  TReportDialogs report;
  TBatchWorkDir work;
  TDlopenLoader loader;
  TPackingLibrary library(loader);
  const std::string temp = work.Path() + "/" + kPackedTempFile;
  try {
    if (!CheckReadable(o.In) || !LoadLibrary(library)) return kExitFailure;
    std::string pageText;
    auto input = OpenPacked(library, o.In, temp, o.Start, o.Maximum, kDefaultBufferSize);
    auto bullet = ProcessInputFile(std::move(input), pageText);
    std::filesystem::remove(temp);
    if (!bullet) return kExitFailure;
    if (!SaveOrAppend(*bullet, TSaveMode::Save, o.Out, true)) {
      ReportNotWritten(o.Out);
      return kExitFailure;
    }
    int64_t games = 0;
    for (const auto& e : bullet->Map->Entries) games += e.Games;
    PrintSummary(games, o.Out);
    return report.CleanOrDrops();
  } catch (const EPackedFileError& e) {
    return Fail(e);
  } catch (const EHalt& halt) {
    ReportNotWritten(o.Out);
    return ReportHalt(halt);
  }
}
