#include "chess/GameReplay.h"

#include "chess/ParseObj.h"
#include "settings/CTErrorU.h"

bool FindTagValue(std::string_view tags, std::string_view name, std::string& value) {
  const std::string opening = "[" + std::string(name) + " \"";
  size_t at = tags.find(opening);
  // A tag starts a line: "[Black " is not found inside another tag's value.
  while (at != std::string_view::npos && at != 0 && tags[at - 1] != '\n' && tags[at - 1] != '\r')
    at = tags.find(opening, at + 1);
  if (at == std::string_view::npos) return false;
  const size_t start = at + opening.size();
  const size_t end = tags.find("\"]", start);
  if (end == std::string_view::npos) return false;
  value.assign(tags.substr(start, end - start));
  return true;
}

TStartKind SetUpStart(std::string_view tags, TChessPosition& pos, std::string& message) {
  std::string variant;
  if (FindTagValue(tags, "Variant", variant)) {
    std::string lower;
    for (char c : variant) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (!lower.empty() && lower != "standard" && lower != "chess" && lower != "normal") {
      message = "[Variant \"" + variant + "\"]: only standard chess is replayed";
      return TStartKind::OtherVariant;
    }
  }
  std::string fen, setUp;
  const bool hasSetUp = FindTagValue(tags, "SetUp", setUp) && setUp == "1";
  if (!FindTagValue(tags, "FEN", fen)) {
    if (hasSetUp) {
      message = "[SetUp \"1\"] without a [FEN] tag to give the position";
      return TStartKind::BadSetUp;
    }
    pos.UseStandardStart();
    return TStartKind::Standard;
  }
  std::string why;
  if (!pos.SetUpFromFen(fen, why)) {
    message = "[FEN \"" + fen + "\"] is not a legal position: " + why;
    return TStartKind::BadSetUp;
  }
  return TStartKind::SetUp;
}

size_t FindMovetextStart(std::string_view game) {
  const size_t lastValueEnd = game.rfind("\"]");
  const size_t from = lastValueEnd == std::string_view::npos ? 0 : lastValueEnd + 2;
  return game.find("1.", from);
}

TReplayOutcome ReplayGame(std::string_view game, TChessPosition& pos) {
  TReplayOutcome outcome;
  // Without a "1." the parser sees an empty movetext and calls it a null game.
  size_t start = FindMovetextStart(game);
  switch (SetUpStart(game.substr(0, start), pos, outcome.Message)) {
    case TStartKind::OtherVariant:
      outcome.Status = TReplayStatus::Skipped;
      return outcome;
    case TStartKind::BadSetUp:
      outcome.Status = TReplayStatus::SetUpFailed;
      return outcome;
    case TStartKind::SetUp:
      // The moves of a set-up game need not start at move 1 ("23...Qf5"):
      // they start where the tags end.
      {
        const size_t lastValueEnd = game.rfind("\"]");
        const size_t from = lastValueEnd == std::string_view::npos ? 0 : lastValueEnd + 2;
        start = game.find_first_not_of(" \t\r\n", from);
      }
      break;
    case TStartKind::Standard:
      break;
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
