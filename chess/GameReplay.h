// Replaying the main line of one game text (tags and movetext) on a position:
// what the batch replay and its benchmark share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chess/ChessPos.h"

enum class TReplayStatus { Clean, MoveFailed, Notation, Fatal, Skipped };

struct TReplayOutcome {
  TReplayStatus Status = TReplayStatus::Clean;
  int32_t Plies = 0;    // half-moves that stood
  int32_t FailPly = 0;  // 1-based half-move of the failing token
  std::string Token;    // the failing token as written
  int ErrorCode = 0;    // the move's error code
  std::string Message;  // the parser's or the raised error's message
};

// Whether the tags name a set-up position, which cannot be replayed from the
// initial one.
bool IsSetUpGame(std::string_view tags);
// 0-based offset of the first "1." after the last tag value, or npos.
size_t FindMovetextStart(std::string_view game);
// Parses the game's movetext and plays it on pos, which is reset first.
TReplayOutcome ReplayGame(std::string_view game, TChessPosition& pos);
