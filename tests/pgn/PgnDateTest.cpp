#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "pgn/PgnDate.h"

namespace {

namespace chr = std::chrono;

std::string DateTag(const std::string& value) {
  return "[Date \"" + value + "\"]";
}

std::string DateText(int32_t dayNumber) {
  TCalendarDate c = DayNumberToDate(dayNumber);
  char text[16];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d", c.Year, c.Month, c.Day);
  return text;
}

// Every day from 1900 to 2400 (past 2100 the century correction takes over)
// against the standard library's calendar, and back again.
TEST(PgnDate, DayNumberRoundTripsOverEveryDay) {
  EXPECT_EQ(DateToDayNumber(1900, 3, 1), -32707);
  EXPECT_EQ(DateToDayNumber(2000, 3, 1), 3818);
  const auto first = chr::sys_days{chr::year{1900} / 1 / 1};
  int failures = 0;
  for (auto day = first; day <= chr::sys_days{chr::year{2400} / 12 / 31} && failures < 5;
       day += chr::days{1}) {
    chr::year_month_day ymd{day};
    int y = static_cast<int>(ymd.year());
    auto m = static_cast<int>(static_cast<unsigned>(ymd.month()));
    auto d = static_cast<int>(static_cast<unsigned>(ymd.day()));
    int32_t n = DateToDayNumber(y, m, d);
    TCalendarDate back = DayNumberToDate(n);
    if (n != kDayNumber1900 + (day - first).count() || back.Year != y || back.Month != m ||
        back.Day != d || back.DayOfWeek != n % 7 || back.Hour || back.Minute || back.Second)
      ADD_FAILURE() << ++failures << ": " << y << "-" << m << "-" << d << " gives " << n;
  }
}

TEST(PgnDate, DaysBeforeNineteenHundredComeBackAsNineteenHundred) {
  EXPECT_EQ(DateToDayNumber(1899, 12, 31), DateToDayNumber(1900, 12, 31));
  TCalendarDate c = DayNumberToDate(kDayNumber1900 - 2);
  EXPECT_EQ(c.Year, 1900);
  EXPECT_EQ(c.Day, -1);
  EXPECT_EQ(c.DayOfWeek, -1);  // the signed remainder
  EXPECT_FALSE(IsValidDateText("1899-12-31"));
  EXPECT_TRUE(IsValidDateText("1990x05y15"));  // the separator places are not read
}

TEST(PgnDate, BadDateTagTable) {
  const int32_t today = DateToDayNumber(2030, 1, 1);
  struct {
    std::string tag;
    bool bad;
  } const cases[] = {
      {DateTag("????.??.??"), false},
      {DateTag("1990.??.??"), false},
      {DateTag("1990.05.??"), false},
      {DateTag("1990.??.15"), false},
      {DateTag("19??.??.??"), true},
      {DateTag("????.05.12"), true},
      {DateTag("1990.13.01"), true},
      {DateTag("1990.02.30"), true},
      {DateTag("1990.00.10"), true},
      {DateTag("1990.04.31"), true},
      {DateTag("2000.02.29"), false},
      {DateTag("1900.02.29"), true},
      {DateTag("2100.02.29"), true},
      {DateTag("1850.06.15"), false},
      {DateTag("1600.02.29"), true},
      {DateTag("1450.01.01"), true},
      {DateTag("1500.01.01"), false},
      {DateTag("1990-01-01"), true},
      {DateTag("1990.1.1"), true},
      {DateTag("1990.01.01x"), false},
      {"[Date \"1990.01.", true},  // cut by the text's end
      {"[Da", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBadDateTag(c.tag, today), c.bad) << c.tag;
}

TEST(PgnDate, FutureDatesAreBad) {
  const int32_t today = DateToDayNumber(2024, 2, 29);
  EXPECT_FALSE(IsBadDateTag(DateTag("2024.02.29"), today));
  EXPECT_TRUE(IsBadDateTag(DateTag("2024.03.01"), today));
  EXPECT_FALSE(IsBadDateTag(DateTag("2024.02.??"), today));
  EXPECT_TRUE(IsBadDateTag(DateTag("2024.03.??"), today));
  // The same rule against the real clock.
  EXPECT_EQ(TodayDateText(), DateText(TodayDayNumber()));
  EXPECT_FALSE(IsBadDateTag(DateTag(TodayDateText())));
  EXPECT_TRUE(IsBadDateTag(DateTag(DateText(TodayDayNumber() + 1))));
}

}  // namespace
