#include "batch/Parallel.h"

#include <cstdio>
#include <cstdlib>

bool TakeJobsOption(TBatchArgs& args, int& jobs) {
  jobs = static_cast<int>(std::thread::hardware_concurrency());
  if (jobs < 1) jobs = 1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--jobs") continue;
    char* end = nullptr;
    const long n = i + 1 < args.size() ? std::strtol(args[i + 1].c_str(), &end, 10) : 0;
    if (i + 1 >= args.size() || *end != '\0' || n < 1 || n > 1024) {
      std::fprintf(stderr, "--jobs takes a number from 1 to 1024\n");
      return false;
    }
    jobs = static_cast<int>(n);
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return true;
  }
  return true;
}
