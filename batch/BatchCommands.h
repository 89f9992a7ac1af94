// The subcommands of korvane-batch. main.cpp parses the command line into
// TBatchOptions; each subcommand returns the process exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One table for every command.
enum TBatchExit : int {
  kExitClean = 0,     // done, nothing to report
  kExitFindings = 1,  // done, with findings (check, replay) or text dropped by a repair
  kExitUsage = 2,     // wrong use: an unknown command or option, a bad value
  kExitFailure = 3,   // not done: unreadable input, an I/O error, an internal error
};

struct TBatchOptions {
  std::string In;          // the input file (FILE of replay, check and find)
  std::string Out;         // the output file
  std::string Text;        // what find looks for
  int32_t BufferSize = 0;  // set by main to the window's default
  int Jobs = 1;
  bool Whole = false;
  std::vector<int> Macros;
  bool Append = false;
  int64_t Start = 0;  // unpack: set by main to the dialog's defaults
  int64_t Maximum = 0;
};

int RunNormalize(const TBatchOptions& options);
int RunReplay(const TBatchOptions& options);
int RunCheck(const TBatchOptions& options);
int RunFind(const TBatchOptions& options);
int RunFix(const TBatchOptions& options);
int RunPack(const TBatchOptions& options);
int RunUnpack(const TBatchOptions& options);
