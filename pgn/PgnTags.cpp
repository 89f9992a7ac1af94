#include "pgn/PgnTags.h"

#include <algorithm>
#include <cstring>

#include "pgn/StrScan.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"

namespace {

constexpr std::string_view kResultTagStart = "[Result \"";
constexpr std::string_view kWhiteTag = "[White ";
constexpr std::string_view kWhiteTagValue = "[White \"";
constexpr std::string_view kValueStartMark = " \"";
constexpr std::string_view kValueEndMark = "\"]";
constexpr std::string_view kTagLineStart = "\r\n[";
constexpr std::string_view kRecordStartText = "\xB7\r\n[Event ";

int Len(std::string_view s) {
  return static_cast<int>(s.size());
}

// The byte at 1-based position pos.
char At(std::string_view text, int pos) {
  return text[static_cast<size_t>(pos - 1)];
}

bool IsBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// The text ends at its first NUL for the walks that treat it as zero-terminated.
std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// Shows "bad game" and gives the 100 characters from 1-based pos, so that the
// macro's search lands on the damaged game.
std::string BadGame(std::string_view text, int pos) {
  Dlg().Message(kBadGameText, TMsgKind::Plain, TMsgButtons::Ok);
  return std::string(text.substr(static_cast<size_t>(pos - 1), kBadGameExcerptLength));
}

// Last position in from..limit that is not blank, or from - 1 when all are.
int SkipBlanksBack(std::string_view text, int limit, int from) {
  int p = limit;
  while (p >= from && IsBlank(At(text, p))) --p;
  return p;
}

// Last blank position in from..limit, or from - 1 when there is none.
int SkipWordBack(std::string_view text, int limit, int from) {
  int p = limit;
  while (p >= from && !IsBlank(At(text, p))) --p;
  return p;
}

int GameEndAfter(std::string_view text, int pos) {
  int next = FindBullet(text, pos);
  return next ? next : Len(text) + 1;
}

}  // namespace

bool IsKnownTagName(std::string_view name) {
  name = name.substr(0, kTagNameCompareLength);
  for (std::string_view known : KnownTagNames)
    if (name == known) return true;
  return false;
}

std::string CheckBadBullet(std::string_view text) {
  text = UpToNul(text);
  for (int p = FindChar(text, kBullet, 1); p; p = FindChar(text, kBullet, p + 1)) {
    if (!IsBulletAt(text, static_cast<size_t>(p - 1))) {
      // A 0xB7 inside a line is text, unless a record lost its line break
      // before the bullet ("1-0" and the bullet on one line).
      if (text.substr(static_cast<size_t>(p - 1), kRecordStartText.size()) == kRecordStartText)
        return {At(text, p - 1), kBullet};
      continue;
    }
    if (p == Len(text)) {
      // Nothing follows a bullet that ends the text; the line start before it
      // (if any) is the best search text there is.
      return p > 1 ? std::string{At(text, p - 1), kBullet} : std::string{kBullet};
    }
    if (At(text, p + 1) != '\r') return {kBullet, At(text, p + 1)};
  }
  return {};
}

std::string CheckBadDate(std::string_view text, int32_t today) {
  text = UpToNul(text);
  std::string last;
  for (int p = FindExact(text, kDateTagStart, 1); p; p = FindExact(text, kDateTagStart, p + 1)) {
    std::string_view tag = text.substr(static_cast<size_t>(p - 1), kDateTagLength);
    if (IsBadDateTag(tag, today)) last = tag;
  }
  return last;
}

std::string CheckConflictingResult(std::string_view text) {
  for (int tag = FindExact(text, kResultTagStart, 1); tag;
       tag = FindExact(text, kResultTagStart, tag + 1)) {
    int valueStart = tag + Len(kResultTagStart);
    int valueEnd = FindChar(text, '"', valueStart);  // the closing quote
    if (valueEnd == 0) return BadGame(text, tag);
    std::string_view value = text.substr(static_cast<size_t>(valueStart - 1),
                                         static_cast<size_t>(valueEnd - valueStart));

    int gameEnd = GameEndAfter(text, valueEnd + 1);
    int wordEnd = SkipBlanksBack(text, gameEnd - 1, tag);
    int beforeWord = wordEnd > tag ? SkipWordBack(text, wordEnd, tag) : tag;
    if (beforeWord <= tag) return BadGame(text, tag);
    std::string_view lastWord =
        text.substr(static_cast<size_t>(beforeWord), static_cast<size_t>(wordEnd - beforeWord));

    // A result token followed by a comment or anything else is a conflict too.
    if (value != lastWord)
      return std::string(text.substr(static_cast<size_t>(valueStart - 1),
                                     static_cast<size_t>(std::max(0, gameEnd - 1 - valueStart))));
  }
  return {};
}

std::string CheckHighAscii(std::string_view text) {
  // Eight bytes at a time: a block with no byte above 0x7F and no TAB is passed
  // over whole; only a block that holds one (a bullet, mostly) is looked at.
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kTabs = kOnes * '\t';
  size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    uint64_t w;
    std::memcpy(&w, text.data() + at, 8);
    const uint64_t x = w ^ kTabs;  // a TAB byte becomes zero
    if (((w | ((x - kOnes) & ~x)) & kHigh) == 0) continue;
    for (size_t i = at; i < at + 8; ++i) {
      const char c = text[i];
      if (c == '\t' || (static_cast<unsigned char>(c) >= 0x80 && !IsBulletAt(text, i)))
        return std::string(1, c);
    }
  }
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\t' || (static_cast<unsigned char>(c) >= 0x80 && !IsBulletAt(text, at)))
      return std::string(1, c);
  }
  return {};
}

namespace {

// FindExact(text, kTagLineStart, start), looking for the rare '[' rather than
// for the CR of every line.
int NextTagLine(std::string_view text, int start) {
  for (int bracket = FindChar(text, '[', start + 2); bracket;
       bracket = FindChar(text, '[', bracket + 1)) {
    if (text[static_cast<size_t>(bracket - 3)] == '\r' &&
        text[static_cast<size_t>(bracket - 2)] == '\n')
      return bracket - 2;
  }
  return 0;
}

}  // namespace

std::string FlagEmbeddedQuotes(std::string& text) {
  bool flagged = false;
  // The first tag line of the text has no CR LF before it and is left alone.
  for (int line = NextTagLine(text, 1); line; line = NextTagLine(text, line + 1)) {
    int valueEnd = FindExact(text, kValueEndMark, line);
    int valueStart = FindExact(text, kValueStartMark, line);
    // A value must end on its own line: a tag without its closing quote would
    // otherwise flag the lines after it.
    const int lineEnd = FindExact(text, "\r\n", line + 2);
    if (valueEnd == 0 || valueStart == 0 || valueEnd < valueStart ||
        (lineEnd != 0 && valueEnd > lineEnd))
      return BadGame(text, line);
    // Between the opening quote (valueStart + 1) and the closing one (valueEnd).
    for (int p = valueStart + 2; p < valueEnd; ++p) {
      char& c = text[static_cast<size_t>(p - 1)];
      if (c == '"' || c == '[' || c == ']') {
        c = kFlagChar;
        flagged = true;
      }
    }
  }
  return flagged ? std::string(1, kFlagChar) : std::string{};
}

std::string CheckEmptyGame(std::string_view text) {
  int bullet = FindBullet(text, 1);
  if (bullet == 0) return {};  // a page without games has nothing to find
  for (;;) {
    int next = FindBullet(text, bullet + 1);
    int gameEnd = next ? next : Len(text) + 1;
    int lastNonBlank = SkipBlanksBack(text, gameEnd - 1, bullet + 1);
    if (lastNonBlank <= bullet) return BadGame(text, bullet);
    int beforeWord = SkipWordBack(text, lastNonBlank, bullet + 1);
    if (beforeWord <= bullet) return BadGame(text, bullet);
    // With only blanks back to the bullet, the character before the bullet is the one looked at.
    int stop = SkipBlanksBack(text, beforeWord, bullet + 1);
    if (stop <= bullet) stop = bullet - 1;
    if (stop >= 1 && At(text, stop) == ']')
      return std::string(text.substr(static_cast<size_t>(bullet - 1),
                                     static_cast<size_t>(lastNonBlank - bullet + 1)));
    if (next == 0) return {};
    bullet = next;
  }
}

std::string CheckPackConflict(std::string_view text) {
  int bullet = FindBullet(text, 1);
  if (bullet == 0) return {};  // a page without games has nothing to find
  // Every '[' from the first game on counts, a '[' inside a comment as well.
  for (int open = FindChar(text, '[', bullet); open; open = FindChar(text, '[', open + 1)) {
    std::string_view rest = text.substr(static_cast<size_t>(open));
    std::string_view name = rest.substr(0, rest.find(' ')).substr(0, kTagNameCompareLength);
    if (!IsKnownTagName(name)) return std::string("[").append(name);
  }
  return {};
}

std::string RunGameCheck(int code, std::string& text) {
  switch (code) {
    case 1:
      return CheckBadBullet(text);
    case 2:
      return CheckBadDate(text);
    case 3:
      return CheckConflictingResult(text);
    case 4:
      return CheckHighAscii(text);
    case 5:
      return FlagEmbeddedQuotes(text);
    case 6:
      return CheckEmptyGame(text);
    case 7:
      return CheckPackConflict(text);
    default:
      return {};
  }
}

TGameAtCaret LocateGameAtCaret(std::string_view text, int caret) {
  TGameAtCaret game;
  // FindCharBack reads a limit of 0 as "from the end", so a caret at the start is refused here.
  if (caret <= 0) return {};
  int bullet = FindBulletBack(text, caret);
  if (bullet == 0 || bullet + 3 > Len(text) || At(text, bullet + 3) != '[') return {};
  game.GameStart = bullet + 3;
  game.GameEnd = GameEndAfter(text, game.GameStart);

  int white = FindExact(text, kWhiteTag, bullet);
  if (white == 0) return {};
  int secondWhite = FindExact(text, kWhiteTagValue, white + 1);
  if (secondWhite != 0 && secondWhite < game.GameEnd) return {};

  int lastValueEnd = FindWildBack(text, kValueEndMark, game.GameEnd - 1);
  if (lastValueEnd == 0) return {};
  game.MoveStart = FindExact(text, "1.", lastValueEnd + Len(kValueEndMark));
  if (game.MoveStart == 0) return {};
  game.Area = game.MoveStart <= caret ? 2 : 1;
  game.Found = true;
  return game;
}
