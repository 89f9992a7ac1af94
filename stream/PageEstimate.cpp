#include "stream/PageEstimate.h"

#include <algorithm>

#include "settings/Dialogs.h"

namespace {

int32_t CountGames(std::string_view text) {
  int32_t games = text.starts_with(kEventTag) ? 1 : 0;
  for (size_t at = text.find("\n[Event "); at != std::string_view::npos;
       at = text.find("\n[Event ", at + 1))
    ++games;
  return games;
}

// Bullet-file bytes per input byte, and per game: each game gains its bullet.
struct TRates {
  double BulletPerInput = 1;
  double GameBytes = 0;
};

TRates RatesOf(const TFileSample& s) {
  TRates r;
  const double bullet = static_cast<double>(s.TextBytes + s.Games);
  if (s.InputBytes > 0 && bullet > 0) r.BulletPerInput = bullet / static_cast<double>(s.InputBytes);
  if (s.Games > 0) r.GameBytes = bullet / s.Games;
  return r;
}

int64_t PagesWithFill(const TFileSample& s, double fill) {
  const TRates r = RatesOf(s);
  const double bulletBytes = static_cast<double>(s.FileSize) * r.BulletPerInput;
  fill = std::max(fill, 1.0);
  return static_cast<int64_t>(bulletBytes / fill) + 1;
}

}  // namespace

TFileSample SampleOf(const TFStreamTxStr& input, std::string_view firstText) {
  TFileSample s;
  s.FileSize = input.FileSize();
  s.InputBytes = input.Position();
  s.TextBytes = static_cast<int64_t>(firstText.size());
  s.Games = CountGames(firstText);
  s.WholeFile = input.AtEof;
  return s;
}

int64_t EstimatePageCount(const TFileSample& sample, int32_t bufferSize) {
  if (sample.WholeFile) return 1;
  return PagesWithFill(sample, bufferSize - RatesOf(sample).GameBytes / 2);
}

int32_t SmallestFittingBufferSize(const TFileSample& sample, int32_t maxPages) {
  for (int32_t size = kMinBufferSize; size <= kMaxBufferSize; size += 10000)
    if (sample.WholeFile || PagesWithFill(sample, size - RatesOf(sample).GameBytes) <= maxPages)
      return size;
  return 0;
}

std::string PageMapTooSmallText(const std::string& fileName, int32_t bufferSize, int64_t pages,
                                int32_t fitting) {
  std::string text = fileName + " is too large for the page map at buffer size " +
                     std::to_string(bufferSize) + ": it needs about " + std::to_string(pages) +
                     " pages, and a file may have at most " + std::to_string(cMaxMap) + ".\r\n";
  if (fitting == 0)
    return text + "Even the largest buffer size, " + std::to_string(kMaxBufferSize) +
           ", is too small for it.";
  return text + "The smallest buffer size that fits is " + std::to_string(fitting) +
         ".\r\n\r\nOpen it with buffer size " + std::to_string(fitting) + "?";
}

int32_t ChooseBufferSizeForFile(const TFStreamTxStr& input, std::string_view firstText,
                                const std::string& fileName) {
  const TFileSample sample = SampleOf(input, firstText);
  const int64_t pages = EstimatePageCount(sample, input.BufferSize);
  if (pages <= cMaxMap) return input.BufferSize;
  const int32_t fitting = SmallestFittingBufferSize(sample);
  const std::string text = PageMapTooSmallText(fileName, input.BufferSize, pages, fitting);
  if (fitting == 0) {
    Dlg().Message(text, TMsgKind::Warning, TMsgButtons::Ok);
    return 0;
  }
  return Dlg().Message(text, TMsgKind::Confirmation, TMsgButtons::YesNo) == TMsgAnswer::Yes
             ? fitting
             : 0;
}
