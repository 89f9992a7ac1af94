// PGN Date values (yyyy.mm.dd, '?' for an unknown digit), the day numbers they
// are judged by, and today's date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// 1900-01-01; each later day adds one. Days before 1900 have no numbers of their own.
inline constexpr int32_t kDayNumber1900 = -32766;
inline constexpr std::string_view kUnknownDate = "????.??.??";
inline constexpr std::string_view kDateTagStart = "[Date \"";
inline constexpr int kDateTagLength = 17;  // "[Date \"" and the ten value characters

struct TCalendarDate {
  int32_t Year = 0;
  int32_t Month = 0;
  int32_t Day = 0;
  int32_t DayOfWeek = 0;  // the day number's signed remainder modulo 7
  int32_t Hour = 0;
  int32_t Minute = 0;
  int32_t Second = 0;
};

bool IsLeapYear(int32_t year);
// Years before 1900 count as 1900; a month past 12 adds no more than the year's twelve.
int32_t DateToDayNumber(int32_t year, int32_t month, int32_t day);
TCalendarDate DayNumberToDate(int32_t dayNumber);

// Year from places 1-4, month from 6-7, day from 9-10 (a field that is not all
// digits reads as 0); valid when the three survive a round trip through the day number.
bool IsValidDateText(std::string_view text);

int32_t TodayDayNumber();
// The local date as yyyy.mm.dd.
std::string TodayDateText();

// tag: the 17 characters from the '[' of "[Date \"" (fewer at the end of a text).
// Unknown month or day count as the first, years 1500-1899 as the same year in
// the 1900s, and a date after today is bad.
bool IsBadDateTag(std::string_view tag, int32_t today = TodayDayNumber());
