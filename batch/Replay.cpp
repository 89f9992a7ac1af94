// korvane-batch replay FILE.pgn [--jobs N]: plays the main line of every game of the file
// (from its [FEN] position when it has one) and prints one line per game that
// fails or is skipped (another variant), then a summary line.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "batch/BatchCommands.h"
#include "batch/Parallel.h"
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
    case TReplayStatus::SetUpFailed:
      std::printf("game %lld setup %s\n", static_cast<long long>(gameNumber),
                  PrintableBytes(outcome.Message).c_str());
      break;
    case TReplayStatus::Skipped:
      std::printf("game %lld skipped %s\n", static_cast<long long>(gameNumber),
                  PrintableBytes(outcome.Message).c_str());
      break;
    default:
      break;
  }
}

}  // namespace

// Games are independent, so they are replayed in batches side by side; the
// report still comes game by game in file order.
constexpr size_t kGamesPerBatch = 512;

struct TGameBatch {
  std::vector<std::string> Games;
};

int RunReplay(const TBatchOptions& o) {
  const int jobs = o.Jobs;
  // Nothing here should show a box; should anything try, it goes to stderr.
  TReportDialogs report;
  TReplayTotals totals;
  if (!CheckReadable(o.In)) return kExitFailure;
  try {
    TFStreamTxStr stream(o.In, "", "", TOpenMode::Read, kDefaultBufferSize);
    // A read failure is passed on only after the games read before it.
    std::exception_ptr readFailure;
    auto next = [&stream, &readFailure](TGameBatch& batch) {
      if (readFailure) std::rethrow_exception(readFailure);
      try {
        while (!stream.GamesDone && batch.Games.size() < kGamesPerBatch)
          stream.ReadGame(batch.Games.emplace_back());
      } catch (...) {
        batch.Games.pop_back();
        readFailure = std::current_exception();
        if (batch.Games.empty()) throw;
      }
      return !batch.Games.empty();
    };
    auto work = [](TGameBatch& batch) {
      // The rules raise their errors and show no box; should one appear, it is
      // still printed rather than lost on a worker.
      TReportDialogs threadReport;
      TChessPosition pos;
      std::vector<TReplayOutcome> outcomes;
      outcomes.reserve(batch.Games.size());
      for (const std::string& game : batch.Games) outcomes.push_back(ReplayGame(game, pos));
      return outcomes;
    };
    auto emit = [&totals](const std::vector<TReplayOutcome>& outcomes) {
      for (const TReplayOutcome& outcome : outcomes) {
        ++totals.Games;
        totals.Plies += outcome.Plies;
        if (outcome.Status == TReplayStatus::Clean)
          ++totals.Clean;
        else if (outcome.Status == TReplayStatus::Skipped)
          ++totals.Skipped;
        else
          ++totals.Failed;
        Report(totals.Games, outcome);
      }
    };
    RunInOrder<TGameBatch>(jobs, next, work, emit);
  } catch (const EChessException& e) {
    std::fprintf(stderr, "replay: read error %s\n", e.what());
    return kExitFailure;
  } catch (const EFileOpenError& e) {
    std::fprintf(stderr, "replay: read error %s\n", e.what());
    return kExitFailure;
  } catch (const EHalt& halt) {
    return ReportHalt(halt);
  }
  std::printf("games %lld clean %lld failed %lld skipped %lld plies %lld\n",
              static_cast<long long>(totals.Games), static_cast<long long>(totals.Clean),
              static_cast<long long>(totals.Failed), static_cast<long long>(totals.Skipped),
              static_cast<long long>(totals.Plies));
  return totals.Failed == 0 ? kExitClean : kExitFindings;
}
