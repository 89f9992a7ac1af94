// The page count worked out before converting, against the page maps that
// conversions really build, and the question it leads to.
#include <cmath>
#include <filesystem>

#include "stream/PageEstimate.h"
#include "tests/stream/StreamTestUtil.h"

namespace {

// The games repeated until the file holds at least minBytes, then made size
// bytes long by a hole (nothing past the first buffer is read before the question).
std::string WriteRepeated(const TTempDir& dir, const std::string& games, size_t minBytes,
                          int64_t size = 0) {
  std::string text;
  while (text.size() < minBytes) text += games;
  WriteFileBytes(dir.File("big.pgn"), text);
  if (size) std::filesystem::resize_file(dir.File("big.pgn"), static_cast<uintmax_t>(size));
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

TEST(PageEstimate, EstimateIsCloseToTheRealPageCount) {
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
  }
}

// The size named must really fit, and the one below it must not be needed:
// shown with a small page limit, so that a moderate file stands for a huge one.
TEST(PageEstimate, SmallestFittingSizeFitsAndIsNotFarAboveTheNeed) {
  TTempDir dir;
  const std::string path = WriteRepeated(dir, TestData("london1851.pgn"), 4'000'000);
  const TFileSample sample = TFirstBuffer(path, 10000).Sample();
  for (int32_t limit : {20, 60, 150}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    const int32_t fitting = SmallestFittingBufferSize(sample, limit);
    EXPECT_EQ(fitting % 10000, 0);
    EXPECT_LE(RealPageCount(dir, path, fitting), limit);
    if (fitting >= 40000) {
      EXPECT_GT(RealPageCount(dir, path, fitting - 30000), limit);
    }
  }
  EXPECT_EQ(SmallestFittingBufferSize(sample, 1), 0) << "nothing fits one page";
}

// A small file is opened without a question; a huge one at the default size is
// asked about at once, naming the size that fits; one too large for any size is told.
TEST(PageEstimate, TheQuestionAndItsAnswers) {
  TTempDir dir;
  const std::string games = TestData("london1851.pgn");
  const struct {
    int64_t Size;
    std::vector<TMsgAnswer> Answers;
    const char* Text;  // nullptr: no box
    int32_t Chosen;    // -1: the size named in the box
  } rows[] = {
      {0, {}, nullptr, 900000},
      {12'000'000'000, {}, "Even the largest buffer size, 900000", 0},
      {2'200'000'000, {TMsgAnswer::Yes}, "too large for the page map at buffer size 100000", -1},
      {2'200'000'000, {TMsgAnswer::No}, "too large for the page map at buffer size 100000", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Size);
    TScriptDialogs dialogs;
    dialogs.Answers.assign(row.Answers.begin(), row.Answers.end());
    const std::string path = WriteRepeated(dir, games, row.Size ? 1'000'000 : 1, row.Size);
    TFirstBuffer first(path, row.Size ? kDefaultBufferSize : 900000);
    const int32_t chosen =
        ChooseBufferSizeForFile(first.Input, first.Input.BufferText(), "big.pgn");
    if (!row.Text) {
      EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{});
      EXPECT_EQ(chosen, row.Chosen);
      continue;
    }
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].Buttons, row.Answers.empty() ? TMsgButtons::Ok : TMsgButtons::YesNo);
    EXPECT_NE(dialogs.Shown[0].Text.find(row.Text), std::string::npos) << dialogs.Shown[0].Text;
    if (row.Answers.empty()) {
      EXPECT_EQ(chosen, 0);
      continue;
    }
    const int32_t named = SmallestFittingBufferSize(first.Sample());
    EXPECT_GE(named, 220000);
    EXPECT_LE(named, 260000);
    EXPECT_NE(
        dialogs.Shown[0].Text.find("smallest buffer size that fits is " + std::to_string(named)),
        std::string::npos);
    EXPECT_EQ(chosen, row.Chosen < 0 ? named : row.Chosen);
  }
  // The batch tool refuses the 2.2 GB file with status 2, naming the option that helps.
  std::string out;
  EXPECT_EQ(RunCapture(BatchExe() + " normalize '" + dir.File("big.pgn") + "' '" +
                           dir.File("out.pgn") + "'",
                       out, true),
            2);
  EXPECT_NE(out.find("too large for the page map at buffer size 100000"), std::string::npos) << out;
  EXPECT_NE(out.find("--buffer "), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.pgn")));
}

}  // namespace
