// The page count worked out before converting, against the page maps that
// conversions really build, and the question it leads to.
#include <cmath>
#include <filesystem>

#include "stream/PageEstimate.h"
#include "tests/stream/StreamTestUtil.h"

namespace {

// The games repeated until the file holds at least minBytes.
std::string WriteRepeated(const TTempDir& dir, const std::string& games, size_t minBytes) {
  std::string text;
  while (text.size() < minBytes) text += games;
  WriteFileBytes(dir.File("big.pgn"), text);
  return dir.File("big.pgn");
}

// The first buffer of the file loaded and what it tells.
struct TFirstBuffer {
  TFirstBuffer(const std::string& path, int32_t size) : Input(path, "", "", TOpenMode::Read, size) {
    const char* cursor = nullptr;
    Input.LoadGameBuffer(cursor);
  }
  TFileSample Sample() const { return SampleOf(Input, Input.BufferText()); }
  TFStreamTxStr Input;
};

int32_t RealPageCount(const TTempDir& dir, const std::string& path, int32_t bufferSize) {
  return ConvertAndMap(path, dir.File("bullet.tmp"), bufferSize)->PageCount();
}

// The smallest fitting size, with a small page limit standing for the page
// map's, must really fit, and 30000 less must not be enough.
TEST(PageEstimate, EstimateAndFittingSizeAgainstRealPageMaps) {
  TTempDir dir;
  for (const char* name : {"london1851.pgn", "tatamast22.pgn", "test-P.pgn"}) {
    const std::string path = WriteRepeated(dir, ToCrLf(TestData(name)), 3'000'000);
    for (int32_t size : {10000, 30000, 100000}) {
      SCOPED_TRACE(std::string(name) + " buffer " + std::to_string(size));
      const int64_t estimate = EstimatePageCount(TFirstBuffer(path, size).Sample(), size);
      const int32_t real = RealPageCount(dir, path, size);
      EXPECT_LE(std::abs(static_cast<double>(estimate - real)), 0.06 * real + 2)
          << "estimate " << estimate << " real " << real;
    }
    const TFileSample sample = TFirstBuffer(path, 10000).Sample();
    for (int32_t limit : {20, 60, 150}) {
      const int32_t fitting = SmallestFittingBufferSize(sample, limit);
      EXPECT_LE(RealPageCount(dir, path, fitting), limit) << name;
      EXPECT_TRUE(fitting < 40000 || RealPageCount(dir, path, fitting - 30000) > limit);
    }
  }
}

// At the default buffer size a file is opened without a question up to the
// largest size whose estimate fits the page map; one byte more and the user is
// asked about the smallest size that fits. A file too large for any size is
// only told; the batch tool refuses the huge file.
TEST(PageEstimate, TheQuestionComesJustPastTheLimit) {
  TTempDir dir;
  const std::string path = WriteRepeated(dir, TestData("london1851.pgn"), 1'000'000);
  TFileSample sample = TFirstBuffer(path, kDefaultBufferSize).Sample();
  int64_t fits = sample.FileSize;
  for (int64_t step = int64_t{1} << 40; step > 0; step /= 2) {
    sample.FileSize = fits + step;
    if (EstimatePageCount(sample, kDefaultBufferSize) <= cMaxMap) fits += step;
  }
  sample.FileSize = fits + 1;
  const int32_t fitting = SmallestFittingBufferSize(sample);
  // Each row: the file's size (a hole after the games: nothing past the first
  // buffer is read before the question), the answer, the boxes, the size chosen.
  const std::tuple<int64_t, TMsgAnswer, size_t, int32_t> rows[] = {
      {fits, TMsgAnswer::Yes, 0, kDefaultBufferSize},
      {fits + 1, TMsgAnswer::Yes, 1, fitting},
      {fits + 1, TMsgAnswer::No, 1, 0},
      {12'000'000'000, TMsgAnswer::Yes, 1, 0}};
  for (const auto& [size, answer, boxes, chosen] : rows) {
    TScriptDialogs dialogs;
    dialogs.Answers = {answer};
    std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
    TFirstBuffer first(path, kDefaultBufferSize);
    EXPECT_EQ(ChooseBufferSizeForFile(first.Input, first.Input.BufferText(), "big.pgn"), chosen)
        << size;
    EXPECT_EQ(dialogs.Shown.size(), boxes) << size;
  }
  std::string out;
  EXPECT_EQ(
      RunCapture(BatchExe() + " normalize '" + path + "' '" + dir.File("o.pgn") + "'", out, true),
      2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.pgn")));
}

}  // namespace
