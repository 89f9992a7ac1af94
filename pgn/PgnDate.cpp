#include "pgn/PgnDate.h"

#include <algorithm>
#include <ctime>

#include "pgn/StrScan.h"

namespace {

constexpr int32_t kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int32_t MonthLength(int32_t year, int32_t month) {
  return month == 2 && IsLeapYear(year) ? 29 : kMonthLength[month - 1];
}

// Wide arithmetic so that the year search of DayNumberToDate cannot overflow
// near the ends of the 32-bit range.
int64_t DayNumber64(int64_t year, int32_t month, int32_t day) {
  int64_t d = year - 1900;
  int64_t yearPart = 0;
  if (d > 0) {
    int64_t leaps = d / 4;
    if (d > 200) {
      int64_t c = (d - 1) / 100 - 1;
      leaps = leaps - c + c / 4;
    }
    if (year % 4 == 0) --leaps;
    yearPart = leaps * 366 + (d - leaps) * 365;
  }
  int64_t monthPart = 0;
  for (int32_t m = 1; m < month && m <= 12; ++m)
    monthPart += MonthLength(static_cast<int32_t>(year), m);
  return yearPart + monthPart + day - 32767;
}

// A date field as the text holds it: all digits, or 0.
int32_t ReadField(std::string_view text, size_t from, size_t length) {
  std::string_view field = from < text.size() ? text.substr(from, length) : std::string_view{};
  if (!IsAllDigits(field)) return 0;
  int32_t value = 0;
  for (char c : field) value = value * 10 + (c - '0');
  return value;
}

bool LocalToday(std::tm& out) {
  std::time_t now = std::time(nullptr);
  return localtime_r(&now, &out) != nullptr;
}

}  // namespace

bool IsLeapYear(int32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DateToDayNumber(int32_t year, int32_t month, int32_t day) {
  return static_cast<int32_t>(DayNumber64(year, month, day));
}

TCalendarDate DayNumberToDate(int32_t dayNumber) {
  int64_t n = static_cast<int64_t>(dayNumber) + 32766;
  if (n < 0) n = 0;
  auto y = static_cast<int64_t>(static_cast<double>(n) / 365.25);
  do {
    ++y;
  } while (dayNumber >= DayNumber64(1900 + y, 1, 1));

  TCalendarDate date;
  date.Year = static_cast<int32_t>(1899 + y);
  // A day number before 1900 leaves r negative: it comes back as 1900-01 with a
  // day of 0 or less, which is what makes such dates fail the round trip.
  auto r = static_cast<int32_t>(dayNumber - DayNumber64(date.Year, 1, 1));
  int32_t month = 1;
  for (;;) {
    r -= MonthLength(date.Year, month);
    if (r < 0 || month == 12) break;
    ++month;
  }
  date.Month = month;
  date.Day = r + MonthLength(date.Year, month) + 1;
  date.DayOfWeek = dayNumber % 7;
  return date;
}

bool IsValidDateText(std::string_view text) {
  int32_t year = ReadField(text, 0, 4);
  int32_t month = ReadField(text, 5, 2);
  int32_t day = ReadField(text, 8, 2);
  if (month < 1 || month > 12) return false;
  TCalendarDate back = DayNumberToDate(DateToDayNumber(year, month, day));
  return back.Year == year && back.Month == month && back.Day == day;
}

int32_t TodayDayNumber() {
  std::tm t{};
  if (!LocalToday(t)) return 0;
  return DateToDayNumber(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

std::string TodayDateText() {
  std::tm t{};
  char text[16] = "????.??.??";
  if (LocalToday(t)) std::strftime(text, sizeof text, "%Y.%m.%d", &t);
  return text;
}

bool IsBadDateTag(std::string_view tag, int32_t today) {
  std::string value(tag.substr(0, kDateTagLength).substr(std::min(tag.size(), size_t{7})));
  if (value.size() < 8 || value[4] != '.' || value[7] != '.') return true;
  if (value == kUnknownDate) return false;

  // Literal replacement: the wildcard routines would read "?" as any byte.
  for (size_t p = value.find(".??"); p != std::string::npos; p = value.find(".??"))
    value.replace(p, 3, ".01");
  for (char& c : value)
    if (c == '.') c = '-';
  // The 1500s to 1800s have no day numbers; judge them by the same year in the 1900s.
  if (value[0] == '1' && value[1] >= '5' && value[1] <= '8') value[1] = '9';

  if (!IsValidDateText(value)) return true;
  int32_t year = ReadField(value, 0, 4);
  int32_t month = ReadField(value, 5, 2);
  int32_t day = ReadField(value, 8, 2);
  return DateToDayNumber(year, month, day) > today;
}
