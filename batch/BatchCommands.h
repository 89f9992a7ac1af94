// The subcommands of korvane-batch. Each takes the arguments after its name and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

using TBatchArgs = std::vector<std::string>;

int RunNormalize(const TBatchArgs& args);
int RunReplay(const TBatchArgs& args);
int RunCheck(const TBatchArgs& args);
int RunFind(const TBatchArgs& args);
int RunFix(const TBatchArgs& args);
int RunPack(const TBatchArgs& args);
int RunUnpack(const TBatchArgs& args);
