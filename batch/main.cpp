// korvane-batch: the command-line tool over the core.
#include <cstdio>
#include <cstring>
#include <string>

#include "batch/BatchCommands.h"

namespace {

struct TSubcommand {
  const char* Name;
  const char* Usage;
  int (*Run)(const TBatchArgs&);
};

constexpr TSubcommand kSubcommands[] = {
    {"normalize", "normalize IN.pgn OUT.pgn [--buffer N]", RunNormalize},
    {"replay", "replay FILE.pgn [--jobs N]", RunReplay},
    {"check", "check FILE.pgn [--jobs N]", RunCheck},
    {"find", "find FILE.pgn TEXT [--whole] [--buffer N]", RunFind},
    {"fix", "fix IN.pgn OUT.pgn --macro N [--macro M ...] [--buffer N]", RunFix},
    {"pack", "pack IN.pgn OUT.pgc [--append]", RunPack},
    {"unpack", "unpack IN.pgc OUT.pgn [--start N] [--max M]", RunUnpack},
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage:\n");
  for (const auto& s : kSubcommands) std::fprintf(out, "  korvane-batch %s\n", s.Usage);
  std::fprintf(out, "  korvane-batch --help | --version\n");
}

int Usage() {
  PrintUsage(stderr);
  return 2;
}

int Help() {
  std::printf(
      "korvane-batch: the Korvane PGN collection editor's commands without its window.\n\n");
  PrintUsage(stdout);
  std::printf(
      "\n"
      "normalize  Open followed by Save: IN.pgn cleaned into OUT.pgn\n"
      "replay     plays every game's moves with the move rules, one line per failing game\n"
      "check      the seven game checks over every page of the file\n"
      "find       counts the games that hold TEXT\n"
      "pack       Save As Packed; unpack: Open Packed, then Save\n\n"
      "--buffer N  the buffer size (a multiple of 10000 from 10000 to 900000)\n"
      "--jobs N    threads for replay and check (default: every core)\n\n"
      "Exit status: 0 done (clean), 1 findings or failure, 2 wrong use or unreadable input.\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) return Help();
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("korvane-batch %s\n", KORVANE_VERSION);
    return 0;
  }
  TBatchArgs args(argv + 2, argv + argc);
  for (const auto& s : kSubcommands)
    if (std::strcmp(argv[1], s.Name) == 0) return s.Run(args);
  return Usage();
}
