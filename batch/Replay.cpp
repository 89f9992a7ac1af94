// korvane-batch replay FILE.pgn: plays the main line of every game of the file
// and prints one line per game that fails, then a summary line.
#include <cstdio>
#include <string>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "chess/ChessPos.h"
#include "chess/GameReplay.h"
#include "stream/TxStream.h"

namespace {

struct TReplayTotals {
  int64_t Games = 0;
  int64_t Clean = 0;
  int64_t Failed = 0;
  int64_t Skipped = 0;
  int64_t Plies = 0;
};

void Report(int64_t gameNumber, const TReplayOutcome& outcome) {
  switch (outcome.Status) {
    case TReplayStatus::MoveFailed:
      std::printf("game %lld ply %d '%s' code %d %s\n", static_cast<long long>(gameNumber),
                  outcome.FailPly, PrintableBytes(outcome.Token).c_str(), outcome.ErrorCode,
                  MoveErrorMeaning(outcome.ErrorCode));
      break;
    case TReplayStatus::Notation:
      std::printf("game %lld notation %s\n", static_cast<long long>(gameNumber),
                  outcome.Message.c_str());
      break;
    case TReplayStatus::Fatal:
      std::printf("game %lld ply %d '%s' error %s\n", static_cast<long long>(gameNumber),
                  outcome.FailPly, PrintableBytes(outcome.Token).c_str(), outcome.Message.c_str());
      break;
    default:
      break;
  }
}

}  // namespace

int RunReplay(const TBatchArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-batch replay FILE.pgn\n");
    return 2;
  }
  // Nothing here should show a box; should anything try, it becomes a report line.
  TReportDialogs report;
  TReplayTotals totals;
  TChessPosition pos;
  std::string game;
  try {
    TFStreamTxStr stream(args[0], "", "", TOpenMode::Read, kDefaultBufferSize);
    while (!stream.GamesDone) {
      stream.ReadGame(game);
      ++totals.Games;
      const TReplayOutcome outcome = ReplayGame(game, pos);
      totals.Plies += outcome.Plies;
      if (outcome.Status == TReplayStatus::Clean)
        ++totals.Clean;
      else if (outcome.Status == TReplayStatus::Skipped)
        ++totals.Skipped;
      else
        ++totals.Failed;
      Report(totals.Games, outcome);
    }
  } catch (const EChessException& e) {
    std::printf("read error %s\n", e.what());
    return 2;
  } catch (const EFileOpenError& e) {
    std::printf("read error %s\n", e.what());
    return 2;
  }
  std::printf("games %lld clean %lld failed %lld skipped %lld plies %lld\n",
              static_cast<long long>(totals.Games), static_cast<long long>(totals.Clean),
              static_cast<long long>(totals.Failed), static_cast<long long>(totals.Skipped),
              static_cast<long long>(totals.Plies));
  return totals.Failed == 0 ? 0 : 1;
}
