#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "pgn/PgnDate.h"

namespace {

namespace chr = std::chrono;

std::string DateTag(const std::string& value) {
  return "[Date \"" + value + "\"]";
}

// Every day from 1900 to 2400 (past 2100 the century correction takes over)
// against the standard library's calendar, and back again.
TEST(PgnDate, DayNumberRoundTripsOverEveryDay) {
  const auto first = chr::sys_days{chr::year{1900} / 1 / 1};
  for (auto day = first; day <= chr::sys_days{chr::year{2400} / 12 / 31}; day += chr::days{1}) {
    chr::year_month_day ymd{day};
    const int y = int(ymd.year()), m = int(unsigned(ymd.month())), d = int(unsigned(ymd.day()));
    int32_t n = DateToDayNumber(y, m, d);
    TCalendarDate back = DayNumberToDate(n);
    if (n != -32766 + (day - first).count() || back.Year != y || back.Month != m || back.Day != d) {
      ADD_FAILURE() << y << "-" << m << "-" << d << " gives " << n;
      break;
    }
  }
}

// Each row: a good date and a bad one it borders on. The 1500s to 1800s are judged
// as the same year in the 1900s; today is 2024.02.29.
TEST(PgnDate, BadDateTagTable) {
  const int32_t today = DateToDayNumber(2024, 2, 29);
  const std::pair<const char*, const char*> goodAndBad[] = {
      {"????.??.??", "19??.??.??"}, {"1990.??.??", "1990.02.30"}, {"2000.02.29", "1900.02.29"},
      {"1850.06.15", "1600.02.29"}, {"1500.01.01", "1450.01.01"}, {"1990.01.01x", "1990-01-01"},
      {"2024.02.29", "2024.03.01"},
  };
  for (const auto& [good, bad] : goodAndBad) {
    EXPECT_FALSE(IsBadDateTag(DateTag(good), today)) << good;
    EXPECT_TRUE(IsBadDateTag(DateTag(bad), today)) << bad;
  }
  EXPECT_TRUE(IsBadDateTag("[Date \"1990.01.", today));  // cut by the text's end
  // By the real clock: today's text is a good date, tomorrow a bad one.
  TCalendarDate c = DayNumberToDate(TodayDayNumber() + 1);
  char tomorrow[16];
  std::snprintf(tomorrow, sizeof tomorrow, "%04d.%02d.%02d", c.Year, c.Month, c.Day);
  EXPECT_FALSE(IsBadDateTag(DateTag(TodayDateText())));
  EXPECT_TRUE(IsBadDateTag(DateTag(tomorrow)));
}

}  // namespace
