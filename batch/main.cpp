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
    {"replay", "replay FILE.pgn", RunReplay},
    {"check", "check FILE.pgn", RunCheck},
    {"find", "find FILE.pgn TEXT [--whole] [--buffer N]", RunFind},
    {"fix", "fix IN.pgn OUT.pgn --macro N [--macro M ...] [--buffer N]", RunFix},
    {"pack", "pack IN.pgn OUT.pgc [--append]", RunPack},
    {"unpack", "unpack IN.pgc OUT.pgn [--start N] [--max M]", RunUnpack},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const auto& s : kSubcommands) std::fprintf(stderr, "  korvane-batch %s\n", s.Usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  TBatchArgs args(argv + 2, argv + argc);
  for (const auto& s : kSubcommands)
    if (std::strcmp(argv[1], s.Name) == 0) return s.Run(args);
  return Usage();
}
