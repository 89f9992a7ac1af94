// Helpers for the benchmarks: a large collection made at run time from real
// games repeated, in a temporary directory, and the process's memory figures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "stream/FileIo.h"
#include "stream/TxStream.h"

// A directory under the system's temporary directory, removed at destruction.
class TBenchDir : public TScratchDir {
 public:
  TBenchDir() : TScratchDir("korvane-bench") {}
};

// The games of the bundled sample collection (CR LF), as one text.
std::string SampleGames();
// Writes SampleGames() repeated until the file holds at least minBytes; returns its size.
int64_t WriteRepeatedCollection(const std::string& path, int64_t minBytes);
// Peak resident memory of this process so far, in kilobytes.
int64_t PeakRssKb();
// Current resident memory, in kilobytes.
int64_t CurrentRssKb();
// Drops the file's pages from the page cache where the system allows it, so that
// a baseline and a measured read start alike; returns false when it cannot.
bool EvictFromCache(const std::string& path);
// Megabytes (10^6 bytes) per second.
double MBps(int64_t bytes, double seconds);
// Monotonic seconds.
double NowSeconds();
// best becomes bytes over the seconds since t0, in MB/s, when that is higher.
void KeepBest(double& best, int64_t bytes, double t0);
// input converted into the work file bullet.tmp of dir, as Open does, with its page map.
std::unique_ptr<TFStreamTxStr> ConvertToWorkFile(const std::string& input, const TBenchDir& dir,
                                                 int32_t bufferSize = kDefaultBufferSize);
