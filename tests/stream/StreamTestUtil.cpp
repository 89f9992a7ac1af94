#include "tests/stream/StreamTestUtil.h"

#include "pgn/TextDrops.h"

std::string Record(const std::string& event, size_t movetext) {
  return "\xB7\r\n[Event \"" + event + "\"]\r\n\r\n" + std::string(movetext, 'm') + " 1-0\r\n";
}

void TWorkFilesTest::SetUp() {
  ClearWorkFileNames();
  InitWorkFileNames(dir.Path().string() + "/");
  TakeDropSummary();
}

void TWorkFilesTest::TearDown() {
  SetWriteFaultAtCall(0);
  SetDropReporter(nullptr);
  ClearWorkFileNames();
}

std::unique_ptr<TFStreamTxStr> TWorkFilesTest::Open(const std::string& path, int32_t buffer) {
  std::string first, page;
  auto input = OpenInputFile(path, first, buffer);
  return input ? ProcessInputFile(std::move(input), page) : nullptr;
}

std::string TWorkFilesTest::OpenAndSave(const std::string& bytes, int32_t buffer) {
  WriteFileBytes(dir.File("in.pgn"), bytes);
  auto bullet = Open(dir.File("in.pgn"), buffer);
  if (!bullet) return "open failed";
  if (!SaveOrAppend(*bullet, TSaveMode::SaveAs, dir.File("out.pgn"), true)) return "save failed";
  return ReadFileBytes(dir.File("out.pgn"));
}
