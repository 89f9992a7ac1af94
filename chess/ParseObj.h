// The movetext parser: turns one game's movetext into its move tokens, each
// with its place in the text, dropping the result, comments, variations, NAGs
// and move numbers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class ENotationException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TMove {
 public:
  static constexpr int32_t kMaxText = 9;
  // offset: 0-based within the movetext; text is kept to its first 9 characters.
  TMove(int32_t offset, std::string_view text);

  int32_t Offset;
  int32_t Length;
  std::string Text;
};

class TParseLine {
 public:
  // owner: the window that receives select-range messages; the parser never
  // uses it, nor pageStart, which the caller keeps here for itself.
  TParseLine(void* owner, std::string movetext, int32_t caretOffset, int32_t movetextOffset,
             int32_t pageStart = 0);

  // Fills Moves, or raises ENotationException and fills the error fields.
  void Parse();

  void* Owner;
  int32_t MovetextOffset;  // 0-based offset of the movetext in the page
  int32_t CaretOffset;     // 0-based offset of the caret within the movetext
  std::string Movetext;
  std::string ErrorMessage;
  int32_t ErrorOffset = 0;  // 0-based within the movetext
  int32_t ErrorLength = 0;
  std::vector<TMove> Moves;
  int32_t PageStart;
  // The game's tag lines, for its names and its start position; the parser
  // does not read them.
  std::string Tags;

 private:
  [[noreturn]] void RaiseNotation(int32_t position, const char* message);
  void BlankComments(std::string& text);
  void SplitMoves(const std::string& text);
};

// A move as a reader names it: "23.Qf5" for White's move, "23...Qf5" for Black's.
std::string MoveLabel(int32_t moveNumber, bool black, std::string_view token);
// Why a move was not played, for the user: "23...Qf5: the move mates and the
// text marks only check".
std::string MoveFailureText(int32_t moveNumber, bool black, std::string_view token, int code);
