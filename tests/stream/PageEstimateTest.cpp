// The page count worked out before converting, against the page maps that
// conversions really build, and the question it leads to.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "stream/PageEstimate.h"
#include "tests/support/TestSupport.h"

namespace {

// The collection repeated until the file holds at least minBytes.
std::string WriteRepeated(const TTempDir& dir, const std::string& name, const std::string& games,
                          size_t minBytes) {
  std::string text;
  while (text.size() < minBytes) text += games;
  WriteFileBytes(dir.File(name), text);
  return dir.File(name);
}

TFileSample SampleAt(const std::string& path, int32_t bufferSize) {
  TFStreamTxStr input(path, "", "", TOpenMode::Read, bufferSize);
  const char* cursor = nullptr;
  input.LoadGameBuffer(cursor);
  return SampleOf(input, input.BufferText());
}

int32_t RealPageCount(const TTempDir& dir, const std::string& path, int32_t bufferSize) {
  return ConvertAndMap(path, dir.File("bullet.tmp"), bufferSize)->PageCount();
}

struct TCollection {
  const char* Name;
  bool CrLf;  // already CR LF
};
constexpr TCollection kCollections[] = {
    {"london1851.pgn", true}, {"tatamast22.pgn", false}, {"test-P.pgn", false}};

TEST(PageEstimate, EstimateIsCloseToTheRealPageCount) {
  TTempDir dir;
  for (const TCollection& c : kCollections) {
    const std::string games = c.CrLf ? TestData(c.Name) : ToCrLf(TestData(c.Name));
    const std::string path = WriteRepeated(dir, "big.pgn", games, 3'000'000);
    for (int32_t size : {10000, 30000, 100000}) {
      SCOPED_TRACE(std::string(c.Name) + " buffer " + std::to_string(size));
      const int64_t estimate = EstimatePageCount(SampleAt(path, size), size);
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
  const std::string path = WriteRepeated(dir, "big.pgn", TestData("london1851.pgn"), 4'000'000);
  for (int32_t limit : {20, 60, 150}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    const int32_t fitting = SmallestFittingBufferSize(SampleAt(path, 10000), limit);
    ASSERT_GT(fitting, 0);
    EXPECT_EQ(fitting % 10000, 0);
    EXPECT_LE(RealPageCount(dir, path, fitting), limit);
    // no more than a few steps above the smallest size that really fits
    if (fitting >= 40000) {
      EXPECT_GT(RealPageCount(dir, path, fitting - 30000), limit);
    }
  }
  EXPECT_EQ(SmallestFittingBufferSize(SampleAt(path, 10000), 1), 0) << "nothing fits one page";
}

TEST(PageEstimate, SmallFileFitsWithoutAQuestion) {
  TTempDir dir;
  TScriptDialogs dialogs;
  TFStreamTxStr input(TestDataPath("london1851.pgn"), "", "", TOpenMode::Read, 900000);
  const char* cursor = nullptr;
  input.LoadGameBuffer(cursor);
  EXPECT_TRUE(input.AtEof);
  EXPECT_EQ(ChooseBufferSizeForFile(input, input.BufferText(), "london1851.pgn"), 900000);
  EXPECT_TRUE(dialogs.Shown.empty());
}

// A 2.2 GB file at the default size: games at its start, a hole after them
// (nothing past the first buffer is read before the question).
std::string WriteHugeSparseFile(const TTempDir& dir, int64_t size) {
  const std::string path = WriteRepeated(dir, "huge.pgn", TestData("london1851.pgn"), 1'000'000);
  std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
  return path;
}

TEST(PageEstimate, HugeFileIsToldAtOnceWithTheSizeThatFits) {
  TTempDir dir;
  const std::string path = WriteHugeSparseFile(dir, 2'200'000'000);
  struct {
    TMsgAnswer Answer;
    int32_t Expected;  // 0: the size named in the question
  } rows[] = {{TMsgAnswer::Yes, 0}, {TMsgAnswer::No, -1}};
  for (const auto& row : rows) {
    TScriptDialogs dialogs;
    dialogs.Answers.push_back(row.Answer);
    TFStreamTxStr input(path, "", "", TOpenMode::Read, kDefaultBufferSize);
    const char* cursor = nullptr;
    input.LoadGameBuffer(cursor);
    const int32_t chosen = ChooseBufferSizeForFile(input, input.BufferText(), "huge.pgn");
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    const TShownBox& box = dialogs.Shown[0];
    EXPECT_EQ(box.Buttons, TMsgButtons::YesNo);
    EXPECT_NE(box.Text.find("huge.pgn is too large for the page map at buffer size 100000"),
              std::string::npos)
        << box.Text;
    const int32_t named = SmallestFittingBufferSize(SampleOf(input, input.BufferText()));
    EXPECT_GE(named, 220000);
    EXPECT_LE(named, 260000);
    EXPECT_NE(box.Text.find("smallest buffer size that fits is " + std::to_string(named)),
              std::string::npos);
    EXPECT_EQ(chosen, row.Expected == 0 ? named : 0);
  }
}

TEST(PageEstimate, FileTooLargeForAnySizeIsOnlyTold) {
  TTempDir dir;
  const std::string path = WriteHugeSparseFile(dir, 12'000'000'000);
  TScriptDialogs dialogs;
  TFStreamTxStr input(path, "", "", TOpenMode::Read, kDefaultBufferSize);
  const char* cursor = nullptr;
  input.LoadGameBuffer(cursor);
  EXPECT_EQ(ChooseBufferSizeForFile(input, input.BufferText(), "huge.pgn"), 0);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Buttons, TMsgButtons::Ok);
  EXPECT_NE(dialogs.Shown[0].Text.find("Even the largest buffer size, 900000"), std::string::npos);
}

TEST(PageEstimate, NormalizeRefusesAHugeFileWithStatusTwo) {
  TTempDir dir;
  const std::string path = WriteHugeSparseFile(dir, 2'200'000'000);
  std::string out;
  EXPECT_EQ(
      RunCapture(BatchExe() + " normalize '" + path + "' '" + dir.File("out.pgn") + "'", out, true),
      2);
  EXPECT_NE(out.find("too large for the page map at buffer size 100000"), std::string::npos) << out;
  EXPECT_NE(out.find("--buffer "), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.pgn")));
}

}  // namespace
