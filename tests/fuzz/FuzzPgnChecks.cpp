// One libFuzzer program per routine (KORVANE_FUZZ_TARGET: 1-7 the game checks,
// 8 the caret locator, 9 the date routines). Besides the sanitizers' own
// findings, each run traps when a result breaks what the routine promises.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "pgn/PgnDate.h"
#include "pgn/PgnTags.h"
#include "pgn/StrScan.h"
#include "settings/Dialogs.h"

namespace {

constexpr int kTarget = KORVANE_FUZZ_TARGET;
constexpr char kBulletByte = '\xB7';

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Checks 6 and 7 halt on a text without a bullet; the fallback Dialogs throws EHalt.
template <class Check>
std::string RunHalting(const std::string& text, Check check) {
  try {
    return check(text);
  } catch (const EHalt& halt) {
    Require(halt.ExitCode == 999 && FindBullet(text, 1) == 0);
    return {};
  }
}

void FuzzFlag(const std::string& text) {
  std::string flagged = text;
  std::string found = FlagEmbeddedQuotes(flagged);
  Require(flagged.size() == text.size());
  bool changed = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (flagged[i] == text[i]) continue;
    changed = true;
    Require(flagged[i] == kFlagChar && std::strchr("\"[]", text[i]) && text[i] != '\0');
  }
  if (found.empty()) Require(!changed);
  if (found == std::string(1, kFlagChar)) Require(changed);
}

void FuzzLocate(const std::string& text, int caret) {
  TGameAtCaret g = LocateGameAtCaret(text, caret);
  if (!g.Found) return Require(g.Area == 0);
  int size = static_cast<int>(text.size());
  Require(g.GameStart >= 4 && g.GameStart < g.GameEnd && g.GameEnd <= size + 1);
  Require(g.MoveStart >= 1 && g.MoveStart < size && text.compare(g.MoveStart - 1, 2, "1.") == 0);
  Require(g.Area == (g.MoveStart <= caret ? 2 : 1));
}

void FuzzDate(const uint8_t* data, size_t size, const std::string& text) {
  int32_t today = DateToDayNumber(2030, 1, 1);
  IsBadDateTag(text, today);
  IsValidDateText(text);
  if (size < 4) return;
  int32_t n;
  std::memcpy(&n, data, sizeof n);
  TCalendarDate c = DayNumberToDate(n);
  Require(c.Month >= 1 && c.Month <= 12 && c.DayOfWeek == n % 7);
  if (n >= kDayNumber1900 && n < DateToDayNumber(9999, 1, 1))
    Require(DateToDayNumber(c.Year, c.Month, c.Day) == n && c.Day >= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string found;
  switch (kTarget) {
    case 1:
      found = CheckBadBullet(text);
      Require(found.size() <= 2 && (found.empty() || Contains(found, std::string(1, kBulletByte))));
      break;
    case 2:
      found = CheckBadDate(text, DateToDayNumber(2030, 1, 1));
      Require(found.empty() || (found.rfind(kDateTagStart, 0) == 0 && found.size() <= 17));
      break;
    case 3:
      found = CheckConflictingResult(text);
      break;
    case 4:
      Require(CheckHighAscii(text).size() <= 1);
      break;
    case 5:
      FuzzFlag(text);
      break;
    case 6:
      found = RunHalting(text, CheckEmptyGame);
      break;
    case 7:
      found = RunHalting(text, CheckPackConflict);
      Require(found.empty() || (found[0] == '[' && found.size() <= 21));
      break;
    case 8:
      FuzzLocate(text, size >= 2 ? (data[0] | data[1] << 8) % static_cast<int>(size + 2) : 0);
      break;
    case 9:
      FuzzDate(data, size, text);
      break;
  }
  // Every search text must be found in the text it came from.
  Require(found.empty() || Contains(text, found));
  return 0;
}
