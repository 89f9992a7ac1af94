// korvane-batch pack and unpack: Save As Packed and Open Packed without the
// window, through the same flows and the same packing library, found beside
// the tool.
#include <cstdio>
#include <filesystem>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "export/PackedFiles.h"
#include "stream/TxFlows.h"

namespace {

struct TPackedArgs {
  std::string In, Out;
  bool Append = false;
  int64_t Start = kDefaultStartGame;
  int64_t Maximum = kDefaultMaximumGames;
};

// Digits only, as the dialog's fields take them.
bool ReadCount(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoll(text);
  return true;
}

// False on anything the command does not take.
bool ParseArgs(const TBatchArgs& args, bool packing, TPackedArgs& parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (packing && a == "--append") {
      parsed.Append = true;
    } else if (!packing && a == "--start" && hasValue) {
      if (!ReadCount(args[++i], parsed.Start)) return false;
    } else if (!packing && a == "--max" && hasValue) {
      if (!ReadCount(args[++i], parsed.Maximum)) return false;
    } else if (a.starts_with("--")) {
      return false;
    } else if (parsed.In.empty()) {
      parsed.In = a;
    } else if (parsed.Out.empty()) {
      parsed.Out = a;
    } else {
      return false;
    }
  }
  return !parsed.In.empty() && !parsed.Out.empty();
}

bool LoadLibrary(TPackingLibrary& library, const char* command) {
  if (library.LoadPackingLibrary(PackingLibraryPath())) return true;
  std::fprintf(stderr, "%s: %s not loaded (looked for %s)\n", command, kPackingLibraryFile,
               PackingLibraryPath().c_str());
  return false;
}

int Fail(const char* command, const EPackedFileError& e) {
  // A failure already shown went out as a box line.
  if (!e.Shown) std::fprintf(stderr, "%s: %s\n", command, PrintableBytes(e.what()).c_str());
  return 1;
}

void PrintSummary(int64_t games, const std::string& file) {
  std::error_code ec;
  std::printf("games %lld bytes %lld\n", static_cast<long long>(games),
              static_cast<long long>(std::filesystem::file_size(file, ec)));
}

}  // namespace

int RunPack(const TBatchArgs& args) {
  TPackedArgs a;
  if (!ParseArgs(args, true, a)) {
    std::fprintf(stderr, "usage: korvane-batch pack IN.pgn OUT.pgc [--append]\n");
    return 2;
  }
  TReportDialogs report(stderr);
  TBatchWorkDir work;
  TDlopenLoader loader;
  TPackingLibrary library(loader);
  try {
    if (!LoadLibrary(library, "pack")) return 1;
    std::string firstText, pageText;
    auto bullet = ProcessInputFile(OpenInputFile(a.In, firstText, kDefaultBufferSize), pageText);
    if (!bullet) return 1;
    const int64_t games =
        SavePacked(library, *bullet, a.Out, a.Append, work.Path() + "/" + kPackedTempFile);
    PrintSummary(games, a.Out);
    return 0;
  } catch (const EPackedFileError& e) {
    return Fail("pack", e);
  } catch (const EHalt& halt) {
    return halt.ExitCode == 0 ? 1 : halt.ExitCode;
  }
}

int RunUnpack(const TBatchArgs& args) {
  TPackedArgs a;
  if (!ParseArgs(args, false, a)) {
    std::fprintf(stderr, "usage: korvane-batch unpack IN.pgc OUT.pgn [--start N] [--max M]\n");
    return 2;
  }
  TReportDialogs report(stderr);
  TBatchWorkDir work;
  TDlopenLoader loader;
  TPackingLibrary library(loader);
  const std::string temp = work.Path() + "/" + kPackedTempFile;
  try {
    if (!LoadLibrary(library, "unpack")) return 1;
    std::string pageText;
    auto input = OpenPacked(library, a.In, temp, a.Start, a.Maximum, kDefaultBufferSize);
    auto bullet = ProcessInputFile(std::move(input), pageText);
    std::filesystem::remove(temp);
    if (!bullet || !SaveOrAppend(*bullet, TSaveMode::Save, a.Out, true)) return 1;
    int64_t games = 0;
    for (const auto& e : bullet->Map->Entries) games += e.Games;
    PrintSummary(games, a.Out);
    return 0;
  } catch (const EPackedFileError& e) {
    return Fail("unpack", e);
  } catch (const EHalt& halt) {
    return halt.ExitCode == 0 ? 1 : halt.ExitCode;
  }
}
