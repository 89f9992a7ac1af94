// How many pages a file will need in the bullet file, worked out from its
// size and its first buffer before the long conversion, so that a file too
// large for the page map is told apart at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stream/TxStream.h"

// What the first buffer of a file shows: the input bytes it took, its kept
// text and its number of games.
struct TFileSample {
  int64_t FileSize = 0;
  int64_t InputBytes = 0;
  int64_t TextBytes = 0;
  int32_t Games = 0;
  bool WholeFile = false;  // the first buffer held every game
};

TFileSample SampleOf(const TFStreamTxStr& input, std::string_view firstText);

// The expected page count at bufferSize: the bullet file's size (the file's
// size scaled as in the sample) over a page's expected fill (a buffer less
// half a game, since a page ends at its last whole game).
int64_t EstimatePageCount(const TFileSample& sample, int32_t bufferSize);
// The smallest buffer size (a multiple of 10000 up to the largest) at which
// even a page that loses a whole game at its end keeps the file within
// maxPages; 0 when none does.
int32_t SmallestFittingBufferSize(const TFileSample& sample, int32_t maxPages = cMaxMap);

// Before converting: the buffer size to open with. The input's own when the
// file fits; otherwise the user is told at once and asked (Yes/No) whether to
// open with the smallest size that fits: that size on Yes, 0 on No or when
// no size fits.
int32_t ChooseBufferSizeForFile(const TFStreamTxStr& input, std::string_view firstText,
                                const std::string& fileName);
// The words of that question, or of the notice when no buffer size fits.
std::string PageMapTooSmallText(const std::string& fileName, int32_t bufferSize, int64_t pages,
                                int32_t fitting);
