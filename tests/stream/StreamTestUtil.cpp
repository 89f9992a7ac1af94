#include "tests/stream/StreamTestUtil.h"

#include "pgn/StrScan.h"
#include "pgn/TextDrops.h"

std::string PgnGame(const std::string& event, size_t comment) {
  return "[Event \"" + event + "\"]\r\n[Site \"?\"]\r\n[Result \"*\"]\r\n\r\n1.e4 {" +
         std::string(comment, 'c') + "} e5 *\r\n\r\n";
}

std::string Record(const std::string& event, size_t movetext) {
  return "\xB7\r\n[Event \"" + event + "\"]\r\n\r\n" + std::string(movetext, 'm') + " 1-0\r\n";
}

std::vector<std::string> ReadAllGames(const std::string& path, int32_t bufferSize) {
  TFStreamTxStr stream(path, "", "", TOpenMode::Read, bufferSize);
  std::vector<std::string> games;
  for (std::string game; !stream.GamesDone; games.push_back(game)) stream.ReadGame(game);
  return games;
}

std::vector<std::string> PagesOf(TFStreamTxStr& s) {
  std::vector<std::string> pages;
  std::string text;
  for (int32_t p = 1; p <= s.PageCount(); ++p) {
    EXPECT_EQ(s.GotoPage(p, text), p);
    pages.push_back(text);
  }
  return pages;
}

std::unique_ptr<TFStreamTxStr> MapOf(const std::string& path, const std::string& bytes,
                                     int32_t buffer) {
  WriteFileBytes(path, bytes);
  auto s = std::make_unique<TFStreamTxStr>(path, "", "", TOpenMode::ReadWrite, buffer);
  s->BuildPageMap();
  return s;
}

void TWorkFilesTest::SetUp() {
  ClearWorkFileNames();
  InitWorkFileNames(dir.Path().string() + "/");
  TakeDropSummary();
}

void TWorkFilesTest::TearDown() {
  SetWriteFaultAfter(-1);
  SetWriteFaultAtCall(0);
  SetDropReporter(nullptr);
  ClearWorkFileNames();
}

std::unique_ptr<TFStreamTxStr> TWorkFilesTest::Open(const std::string& path, int32_t buffer) {
  std::string first, page;
  auto input = OpenInputFile(path, first, buffer);
  return input ? ProcessInputFile(std::move(input), page) : nullptr;
}

std::string TWorkFilesTest::OpenAndSave(const std::string& bytes, int32_t buffer, int64_t* games) {
  WriteFileBytes(dir.File("in.pgn"), bytes);
  auto bullet = Open(dir.File("in.pgn"), buffer);
  if (!bullet) return "open failed";
  if (games) {
    *games = 0;
    for (const TBufMapEntry& e : bullet->Map->Entries) *games += e.Games;
  }
  if (!SaveOrAppend(*bullet, TSaveMode::SaveAs, dir.File("out.pgn"), true)) return "save failed";
  return ReadFileBytes(dir.File("out.pgn"));
}
