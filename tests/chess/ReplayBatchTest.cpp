// korvane-batch replay over real collections and small made-up ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "chess/GameReplay.h"
#include "chess/ParseObj.h"
#include "tests/support/TestSupport.h"

namespace {

struct TRun {
  int Status = -1;
  std::vector<std::string> Lines;
};

TRun RunReplay(const std::string& file) {
  TRun run;
  const std::string command = std::string(KORVANE_BATCH_EXE) + " replay '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) run.Lines.push_back(line);
  return run;
}

// The games of a collection, split before each "[Event " at a line start.
std::vector<std::string> SplitGames(const std::string& text) {
  std::vector<std::string> games;
  size_t start = text.find("[Event ");
  while (start != std::string::npos) {
    const size_t next = text.find("\n[Event ", start + 1);
    games.push_back(text.substr(start, next == std::string::npos ? next : next + 1 - start));
    start = next == std::string::npos ? next : next + 1;
  }
  return games;
}

int CountMoveTokens(const std::string& game) {
  TParseLine line(nullptr, game.substr(FindMovetextStart(game)), 0, 0);
  line.Parse();
  return static_cast<int>(line.Moves.size());
}

TEST(ReplayBatch, London1851FailsOnlyOnMatesMarkedCheck) {
  // These games end in a mate written with "+" instead of "#".
  const std::vector<int> kMarkedCheckMates = {6,   7,   8,   14,  27,  36,  38,  40,  55,
                                              59,  61,  68,  74,  79,  88,  92,  107, 114,
                                              118, 134, 149, 156, 172, 174, 185, 231};
  const std::string path = TestDataPath("london1851.pgn");
  const std::vector<std::string> games = SplitGames(ReadFileBytes(path));
  ASSERT_EQ(games.size(), 251u);

  const TRun run = RunReplay(path);
  EXPECT_EQ(run.Status, 1);
  ASSERT_EQ(run.Lines.size(), kMarkedCheckMates.size() + 1);
  int totalTokens = 0;
  for (const std::string& game : games) totalTokens += CountMoveTokens(game);
  EXPECT_EQ(run.Lines.back(),
            "games 251 clean 225 failed 26 skipped 0 plies " + std::to_string(totalTokens - 26));
  for (size_t i = 0; i < kMarkedCheckMates.size(); ++i) {
    const int number = kMarkedCheckMates[i];
    SCOPED_TRACE(number);
    const std::string& game = games[static_cast<size_t>(number - 1)];
    const int lastPly = CountMoveTokens(game);
    const std::string prefix =
        "game " + std::to_string(number) + " ply " + std::to_string(lastPly) + " '";
    const std::string& line = run.Lines[i];
    ASSERT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
    const size_t tokenEnd = line.find('\'', prefix.size());
    ASSERT_NE(tokenEnd, std::string::npos);
    EXPECT_EQ(line[tokenEnd - 1], '+') << line;
    EXPECT_EQ(line.substr(tokenEnd + 1, 9), " code 25 ") << line;
  }
}

TEST(ReplayBatch, KasparovDeepBlueAllClean) {
  TTempDir dir;
  const std::string path = dir.File("kasparov.pgn");
  WriteFileBytes(path, ToCrLf(TestData("kasparov-deep-blue-1997.pgn")));
  const TRun run = RunReplay(path);
  EXPECT_EQ(run.Status, 0);
  ASSERT_EQ(run.Lines.size(), 1u);
  EXPECT_EQ(run.Lines[0].rfind("games 6 clean 6 failed 0 skipped 0 plies ", 0), 0u) << run.Lines[0];
}

TEST(ReplayBatch, ReportsEachKindOfFailure) {
  auto game = [](const std::string& extraTags, const std::string& moves) {
    return "[Event \"T\"]\r\n[White \"A\"]\r\n" + extraTags + "[Result \"*\"]\r\n\r\n" + moves +
           "\r\n\r\n";
  };
  TTempDir dir;
  const std::string path = dir.File("mixed.pgn");
  WriteFileBytes(path,
                 game("", "1.e4 e5 2.Nf3 Nc6 *") + game("", "1.e4 {open comment *") +
                     game("[SetUp \"1\"]\r\n[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]\r\n", "1.Kb2 *") +
                     game("", "1.e4 e5 2.Ke3 *") + game("", "1.e4 e5 2.Qh5 Nc6 3.Qxf7# *"));
  const TRun run = RunReplay(path);
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Lines, (std::vector<std::string>{
                           "game 2 notation game ended in comment",
                           "game 4 ply 3 'Ke3' code 13 " + std::string(MoveErrorMeaning(13)),
                           "game 5 ply 5 'Qxf7#' code 26 " + std::string(MoveErrorMeaning(26)),
                           "games 5 clean 1 failed 3 skipped 1 plies 10",
                       }));
}

TEST(ReplayBatch, ReadErrorsExitWithTwo) {
  TTempDir dir;
  const std::string lf = dir.File("lf.pgn");
  WriteFileBytes(lf, TestData("kasparov-deep-blue-1997.pgn"));
  for (const std::string& path : {lf, dir.File("missing.pgn")}) {
    SCOPED_TRACE(path);
    const TRun run = RunReplay(path);
    EXPECT_EQ(run.Status, 2);
    ASSERT_FALSE(run.Lines.empty());
    EXPECT_EQ(run.Lines.back().rfind("read error ", 0), 0u) << run.Lines.back();
  }
}

}  // namespace
