#include "chess/ParseObj.h"

#include <algorithm>
#include <utility>

#include "chess/ChessPos.h"

namespace {

bool IsSpaceLike(char c) {
  return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Blanks the game result at the end of the text. Positions are 1-based here,
// as text[n - 1] is character n; the first two characters are never blanked.
void StripResult(std::string& text) {
  size_t n = text.size();
  while (n > 2 && IsSpaceLike(text[n - 1])) --n;
  if (n == 0) return;
  if (text[n - 1] == '*') {
    text[n - 1] = ' ';
    return;
  }
  const char last = text[n - 1];
  if (n < 2 || (last != '0' && last != '1' && last != '2')) return;
  if (text[n - 2] != '-' && text[n - 2] != '/') return;
  while (n > 2 && !IsSpaceLike(text[n - 1])) text[--n] = ' ';
}

// Move numbers with any number of dots go; digits inside a word (Nf3) stay.
void BlankMoveNumbers(std::string& text) {
  size_t leading = 0;
  while (leading + 1 < text.size() && IsDigit(text[leading])) text[leading++] = ' ';
  bool wordStart = false;
  for (char& c : text) {
    if (c == ' ') {
      wordStart = true;
    } else if (c == '.') {
      c = ' ';
      wordStart = true;
    } else if (IsDigit(c)) {
      if (wordStart) c = ' ';
    } else {
      wordStart = false;
    }
  }
}

}  // namespace

TMove::TMove(int32_t offset, std::string_view text)
    : Offset(offset),
      Length(static_cast<int32_t>(std::min<size_t>(text.size(), kMaxText))),
      Text(text.substr(0, kMaxText)) {}

TParseLine::TParseLine(void* owner, std::string movetext, int32_t caretOffset,
                       int32_t movetextOffset, int32_t pageStart)
    : Owner(owner),
      MovetextOffset(movetextOffset),
      CaretOffset(caretOffset),
      Movetext(std::move(movetext)),
      PageStart(pageStart) {}

void TParseLine::Parse() {
  // Every step blanks characters and none shortens the text, so the offsets
  // stay those of the movetext as handed over.
  std::string text = Movetext;
  StripResult(text);
  BlankComments(text);
  BlankMoveNumbers(text);
  SplitMoves(text);
}

void TParseLine::RaiseNotation(int32_t position, const char* message) {
  ErrorMessage = message;
  ErrorOffset = std::max(position, int32_t{1}) - 1;
  ErrorLength = 4;
  throw ENotationException(message);
}

// One depth serves braces and parentheses alike: the kind of bracket is not
// matched, so "{" may be closed by ")".
void TParseLine::BlankComments(std::string& text) {
  int32_t depth = 0;
  bool inNag = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char& c = text[i];
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    if (c == ' ') {
      inNag = false;
    } else if (c == '(' || c == '{') {
      ++depth;
    } else if (c == ')' || c == '}') {
      c = ' ';
      --depth;
    } else if (c == '$') {
      inNag = true;
    }
    if (inNag || depth >= 1) c = ' ';
    if (depth < 0) RaiseNotation(static_cast<int32_t>(i + 1), "extra )/} found");
  }
  if (depth > 0) RaiseNotation(static_cast<int32_t>(text.size()), "game ended in comment");
}

void TParseLine::SplitMoves(const std::string& text) {
  // The text is walked as a zero-terminated string: a NUL ends it.
  const size_t end = std::min(text.find('\0'), text.size());
  size_t i = 0;
  while (i < end) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < end && text[i] != ' ') ++i;
    Moves.emplace_back(static_cast<int32_t>(start),
                       std::string_view(text).substr(start, i - start));
  }
  if (Moves.empty()) RaiseNotation(0, "null game");
}

std::string MoveLabel(int32_t moveNumber, bool black, std::string_view token) {
  return std::to_string(moveNumber) + (black ? "..." : ".") + std::string(token);
}

std::string MoveFailureText(int32_t moveNumber, bool black, std::string_view token, int code) {
  const std::string meaning = MoveErrorMeaning(code);
  return MoveLabel(moveNumber, black, token) + ": " +
         (meaning.empty() ? "the move cannot be played" : meaning);
}
