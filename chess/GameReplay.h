// Replaying the main line of one game text (tags and movetext) on a position:
// what the batch replay, its benchmark and the board window share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chess/ChessPos.h"

enum class TReplayStatus { Clean, MoveFailed, Notation, Fatal, SetUpFailed, Skipped };

struct TReplayOutcome {
  TReplayStatus Status = TReplayStatus::Clean;
  int32_t Plies = 0;    // half-moves that stood
  int32_t FailPly = 0;  // 1-based half-move of the failing token
  std::string Token;    // the failing token as written
  int ErrorCode = 0;    // the move's error code
  std::string Message;  // the parser's, the start's or the raised error's message
};

// The value of the first tag called name in the tags, and whether there is one.
bool FindTagValue(std::string_view tags, std::string_view name, std::string& value);

// How a game's tags say it starts.
enum class TStartKind { Standard, SetUp, BadSetUp, OtherVariant };

// Makes pos start where the tags say: the standard position, or the one of
// their [FEN] tag. BadSetUp and OtherVariant leave pos unchanged and say why
// in message, naming the tag.
TStartKind SetUpStart(std::string_view tags, TChessPosition& pos, std::string& message);

// 0-based offset of the first "1." after the last tag value, or npos.
size_t FindMovetextStart(std::string_view game);
// Parses the game's movetext and plays it on pos from the start its tags give.
TReplayOutcome ReplayGame(std::string_view game, TChessPosition& pos);
