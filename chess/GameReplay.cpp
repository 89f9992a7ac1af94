#include "chess/GameReplay.h"

#include "chess/ParseObj.h"
#include "settings/CTErrorU.h"

bool IsSetUpGame(std::string_view tags) {
  return tags.find("[SetUp \"1\"]") != std::string_view::npos ||
         tags.find("[FEN \"") != std::string_view::npos;
}

size_t FindMovetextStart(std::string_view game) {
  const size_t lastValueEnd = game.rfind("\"]");
  const size_t from = lastValueEnd == std::string_view::npos ? 0 : lastValueEnd + 2;
  return game.find("1.", from);
}

TReplayOutcome ReplayGame(std::string_view game, TChessPosition& pos) {
  TReplayOutcome outcome;
  // Without a "1." the parser sees an empty movetext and calls it a null game.
  const size_t start = FindMovetextStart(game);
  if (IsSetUpGame(game.substr(0, start))) {
    outcome.Status = TReplayStatus::Skipped;
    return outcome;
  }
  TParseLine line(nullptr, std::string(start == std::string_view::npos ? "" : game.substr(start)),
                  0, static_cast<int32_t>(start == std::string_view::npos ? 0 : start));
  try {
    line.Parse();
  } catch (const ENotationException& e) {
    outcome.Status = TReplayStatus::Notation;
    outcome.Message = e.what();
    return outcome;
  }
  pos.ResetPosition(true);
  int32_t ply = 0;
  try {
    for (const TMove& move : line.Moves) {
      ++ply;
      if (pos.ReadSan(move.Text) && pos.ValidateMove()) pos.MakeMove();
      if (pos.CurMove.Failed) {
        outcome.Status = TReplayStatus::MoveFailed;
        outcome.FailPly = ply;
        outcome.Token = move.Text;
        outcome.ErrorCode = pos.CurMove.ErrorCode;
        break;
      }
    }
  } catch (const ECtError& e) {
    outcome.Status = TReplayStatus::Fatal;
    outcome.FailPly = ply;
    outcome.Token = line.Moves[static_cast<size_t>(ply - 1)].Text;
    outcome.Message = e.what();
  }
  outcome.Plies = pos.Ply;
  return outcome;
}
