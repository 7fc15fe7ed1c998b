#include "util/ole_date.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace tav {
namespace {

DATE Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  const std::optional<DATE> date = MakeOleDate(y, mo, d, h, mi, s);
  EXPECT_TRUE(date.has_value()) << y << "-" << mo << "-" << d << " " << h << ":" << mi << ":" << s;
  return date.value_or(0.0);
}

std::string Iso(DATE date) { return FormatOleDate(date, "%Y-%m-%d %H:%M:%S"); }

// Sets TZ for one test and restores the previous zone afterwards.
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTz() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

std::time_t Mktime(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// ---------------------------------------------------------------------------
// Calendar arithmetic

TEST(OleDateCalendar, KnownDatesAndNegativeDays) {
  EXPECT_EQ(Make(1900, 1, 1), 2.0);
  EXPECT_EQ(Make(100, 1, 1), kMinOleDate);
  EXPECT_EQ(Iso(46362.40319444444), "2026-12-06 09:40:36");
  EXPECT_EQ(SplitOleDate(46362.4)->day_of_week, 0);  // a Sunday
  EXPECT_EQ(SplitOleDate(-1.0)->day_of_week, 5);
  // Below zero whole days count back while the fraction runs forwards.
  EXPECT_EQ(Iso(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(Make(1899, 12, 29, 18), -1.75);
  EXPECT_EQ(Iso(-0.5), "1899-12-30 12:00:00");  // the same moment as 0.5
}

TEST(OleDateCalendar, RoundsToTheNearestSecondWithCarry) {
  const double half = 0.5 / 86400.0;
  EXPECT_EQ(Iso(Make(2026, 12, 6, 9, 40, 36) + half * 0.9), "2026-12-06 09:40:36");
  EXPECT_EQ(Iso(Make(2026, 12, 6, 9, 40, 36) + half * 1.1), "2026-12-06 09:40:37");
  // The carry crosses midnight, also where the fraction runs forwards below zero.
  EXPECT_EQ(Iso(Make(2026, 12, 31) + 1.0 - half * 0.5), "2027-01-01 00:00:00");
  EXPECT_EQ(Iso(-1.9999999), "1899-12-30 00:00:00");
  // The top of the range does not round into year 10000.
  EXPECT_EQ(Iso(kMaxOleDate), "9999-12-31 23:59:59");
}

TEST(OleDateCalendar, RejectsImpossibleDates) {
  EXPECT_TRUE(MakeOleDate(2000, 2, 29));
  const int bad_parts[][6] = {{2026, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2026, 4, 31, 0, 0, 0},
                              {2026, 0, 1, 0, 0, 0},  {2026, 13, 1, 0, 0, 0}, {2026, 1, 0, 0, 0, 0},
                              {2026, 1, 1, 24, 0, 0}, {2026, 1, 1, 0, 60, 0}, {2026, 1, 1, 0, 0, 60},
                              {2026, 1, 1, -1, 0, 0}, {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}};
  for (const auto& p : bad_parts) {
    EXPECT_FALSE(MakeOleDate(p[0], p[1], p[2], p[3], p[4], p[5])) << p[0] << "-" << p[1] << "-" << p[2];
  }
  for (DATE bad : {kMinOleDate - 0.5, kMaxOleDate + 1e-6, std::nan(""),
                   std::numeric_limits<double>::infinity()}) {
    EXPECT_FALSE(SplitOleDate(bad));
    EXPECT_EQ(FormatOleDate(bad), "");
    EXPECT_EQ(FormatOleDate(bad, "%Y"), "");
    EXPECT_FALSE(OleDateToTimeT(bad));
  }
}

// About 100,000 dates spread over the whole range: split and build, format
// and parse must all give the same date back.
TEST(OleDateCalendar, RoundTripsOverTheWholeRange) {
  for (int64_t s = -657434LL * 86400; s < 2958466LL * 86400; s += 1000003) {
    const int64_t day = (s >= 0 ? s : s - 86399) / 86400;
    const int64_t sod = s - day * 86400;
    const DATE date = day >= 0 ? day + sod / 86400.0 : day - sod / 86400.0;
    const std::optional<DateParts> p = SplitOleDate(date);
    ASSERT_TRUE(p) << date;
    ASSERT_EQ(MakeOleDate(p->year, p->month, p->day, p->hour, p->minute, p->second), date);
    ASSERT_EQ(ParseOleDate(FormatOleDate(date)), date) << FormatOleDate(date);
  }
}

// ---------------------------------------------------------------------------
// Locale text

TEST(OleDateFormat, UsFormInTheCLocale) {
  // A test program runs in the C locale until it calls setlocale.
  EXPECT_EQ(FormatOleDate(Make(2026, 12, 6, 9, 40, 36)), "12/6/2026 9:40:36 AM");
  EXPECT_EQ(FormatOleDate(Make(2026, 1, 2, 23, 59, 59)), "1/2/2026 11:59:59 PM");
  EXPECT_EQ(FormatOleDate(Make(2026, 1, 2, 12, 0, 1)), "1/2/2026 12:00:01 PM");
  EXPECT_EQ(FormatOleDate(Make(2026, 1, 2, 0, 5)), "1/2/2026 12:05:00 AM");
  // Midnight: the date alone; day zero: the time alone, even at midnight.
  EXPECT_EQ(FormatOleDate(Make(2026, 12, 6)), "12/6/2026");
  EXPECT_EQ(FormatOleDate(0.0), "12:00:00 AM");
  EXPECT_EQ(FormatOleDate(0.75), "6:00:00 PM");
  EXPECT_EQ(FormatOleDate(-0.75), "6:00:00 PM");
  EXPECT_EQ(FormatOleDate(-1.25), "12/29/1899 6:00:00 AM");
  EXPECT_EQ(FormatOleDate(1.0), "12/31/1899");
}

TEST(OleDateFormat, StrftimeFormat) {
  ScopedTz tz("Europe/Berlin");
  const DATE summer = Make(2026, 7, 1, 14, 5, 9);
  EXPECT_EQ(FormatOleDate(summer, "%Y-%m-%dT%H:%M:%S"), "2026-07-01T14:05:09");
  EXPECT_EQ(FormatOleDate(summer, "%a %j"), "Wed 182");
  // The zone fields come from the date itself, not from today.
  EXPECT_EQ(FormatOleDate(summer, "%z %Z"), "+0200 CEST");
  EXPECT_EQ(FormatOleDate(Make(2026, 1, 1), "%z"), "+0100");
  EXPECT_EQ(FormatOleDate(summer, ""), "");
  EXPECT_EQ(FormatOleDate(summer, nullptr), "");
  const std::string long_text(5000, 'x');
  EXPECT_EQ(FormatOleDate(summer, (long_text + "%Y").c_str()), long_text + "2026");
}

TEST(OleDateParse, AcceptedForms) {
  const DATE expected = Make(2026, 12, 6, 9, 40, 36);
  for (const char* text :
       {"12/6/2026 9:40:36 AM", "12/06/2026 09:40:36 am", "  12/6/2026 9:40:36AM\t",
        "2026-12-06 09:40:36", "2026-12-06T09:40:36", "2026-12-06 09:40:36.499",
        "2026-12-06T09:40:35.5", "12/6/2026 9:40:36"}) {
    const std::optional<DATE> d = ParseOleDate(text);
    ASSERT_TRUE(d) << text;
    EXPECT_EQ(*d, expected) << text;
  }
  EXPECT_EQ(ParseOleDate("12/6/2026"), Make(2026, 12, 6));
  EXPECT_EQ(ParseOleDate("2026-12-06"), Make(2026, 12, 6));
  EXPECT_EQ(ParseOleDate("12/6/2026 9:40 PM"), Make(2026, 12, 6, 21, 40));
  EXPECT_EQ(ParseOleDate("12/6/2026 12:00 AM"), Make(2026, 12, 6));
  EXPECT_EQ(ParseOleDate("12/6/2026 12:30 PM"), Make(2026, 12, 6, 12, 30));
  // A time alone stands on day zero.
  EXPECT_EQ(ParseOleDate("6:00:00 PM"), 0.75);
  EXPECT_EQ(ParseOleDate("18:00"), 0.75);
  EXPECT_EQ(ParseOleDate("12/29/1899 6:00:00 AM"), -1.25);
  // A rounded fraction carries into the next day.
  EXPECT_EQ(ParseOleDate("2026-12-31 23:59:59.5"), Make(2027, 1, 1));
}

TEST(OleDateParse, RejectsBadInput) {
  for (const char* text :
       {"", "   ", "1.5", "42", "abc", "13/1/2026", "2/29/2026", "12/6/26", "12/6/20266",
        "12/6/2026 25:00", "12/6/2026 9:60", "12/6/2026 9:40:60", "12/6/2026 13:00 PM",
        "12/6/2026 0:30 AM", "12/6/2026 9:40:36 AM x", "12/6/2026,9:40", "12/6/2026 9", "9:4",
        "2026-1-6", "2026-12-06X09:40", "2026-12-06T", "2026-12-06T09", "2026-12-06 09:40:36.",
        "2026-12-06 09:40:36Z", "-2026-12-06", "0099-12-31", "9999-12-31 23:59:59.5",
        "12/6/-2026", "+12/6/2026"}) {
    EXPECT_FALSE(ParseOleDate(text)) << '"' << text << '"';
  }
  EXPECT_FALSE(ParseOleDate(std::string_view("12/6/2026\0 junk", 15)));
}

// The cache gives FormatOleDate's text byte for byte: for dates of a few
// days in and out of order (so that day and time texts are reused), the
// edges it formats whole (day zero, midnight, a time that rounds up to the
// next midnight, negative days) and dates that are not valid.
void ExpectCacheMatchesFormat() {
  OleDateTextCache cache;
  std::vector<DATE> dates;
  for (int i = 0; i < 2000; ++i) dates.push_back(46000 + (i % 3) + (i * 37 % 86400) / 86400.0);
  const DATE edges[] = {0.0, 0.75, -0.75, -1.25, -657434.0, 46001.0, 46000.9999999999,
                        kMaxOleDate, kMaxOleDate + 1, std::nan(""), 46000.5, 46000.5};
  dates.insert(dates.end(), std::begin(edges), std::end(edges));
  for (DATE date : dates) ASSERT_EQ(cache.Format(date), FormatOleDate(date)) << date;
}

TEST(OleDateFormat, TheTextCacheFormatsAsFormatOleDate) { ExpectCacheMatchesFormat(); }

TEST(OleDateFormat, TheTextCacheFormatsAsFormatOleDateInALocaleOfItsOwn) {
  const std::string old_locale = std::setlocale(LC_TIME, nullptr);
  if (std::setlocale(LC_TIME, "en_GB.UTF-8") == nullptr) GTEST_SKIP() << "no en_GB.UTF-8";
  ExpectCacheMatchesFormat();
  std::setlocale(LC_TIME, old_locale.c_str());
}

// Machines without the locale skip this; the locale's own form must come
// first (day before month) and keep the century.
TEST(OleDateParse, DayFirstLocaleRoundTrips) {
  const std::string old_locale = std::setlocale(LC_TIME, nullptr);
  if (std::setlocale(LC_TIME, "en_GB.UTF-8") == nullptr) GTEST_SKIP() << "no en_GB.UTF-8";
  const DATE date = Make(1927, 5, 6, 18, 0, 0);
  const std::string text = FormatOleDate(date);
  const std::optional<DATE> back = ParseOleDate(text);
  std::setlocale(LC_TIME, old_locale.c_str());
  EXPECT_EQ(text, "06/05/1927 18:00:00");
  EXPECT_EQ(back, date);
}

// ---------------------------------------------------------------------------
// Local time and time_t

struct ZoneCase {
  const char* name;
  const char* tz;
  int spring_month, spring_day;  // the day clocks go forward (at 02:00)
  int fall_month, fall_day;      // the day clocks go back
  int fall_hour;                 // the local hour that repeats
};

void PrintTo(const ZoneCase& zc, std::ostream* os) { *os << zc.tz; }

class OleDateZone : public ::testing::TestWithParam<ZoneCase> {};

// Every minute of both change-over days: time_t agrees with mktime except
// in the repeated hour, where the earlier instant is taken; a date read
// back from time_t is the same except for the times that do not exist.
TEST_P(OleDateZone, MatchesMktimeAcrossChangeOvers) {
  const ZoneCase& zc = GetParam();
  ScopedTz tz(zc.tz);
  for (const auto& [month, day] : {std::pair{zc.spring_month, zc.spring_day},
                                   std::pair{zc.fall_month, zc.fall_day}}) {
    for (int minute = 0; minute < 24 * 60; ++minute) {
      const int h = minute / 60;
      const int mi = minute % 60;
      const DATE date = Make(2026, month, day, h, mi, 30);
      const std::optional<std::time_t> t = OleDateToTimeT(date);
      ASSERT_TRUE(t);
      const bool repeated = month == zc.fall_month && h == zc.fall_hour;
      const bool skipped = month == zc.spring_month && h == 2;
      if (repeated) {
        // Both readings exist an hour apart: the first one is taken.
        EXPECT_EQ(OleDateFromTimeT(*t), date);
        EXPECT_EQ(OleDateFromTimeT(*t + 3600), date) << "the later reading of " << Iso(date);
      } else {
        ASSERT_EQ(*t, Mktime(2026, month, day, h, mi, 30)) << zc.tz << " " << Iso(date);
        if (skipped) {
          // 02:30 does not exist: it moves on by the hour that was skipped.
          EXPECT_EQ(Iso(*OleDateFromTimeT(*t)), Iso(date + 1.0 / 24));
        } else {
          EXPECT_EQ(OleDateFromTimeT(*t), date) << Iso(date);
        }
      }
    }
  }
}

// The answer for a repeated hour must not depend on earlier conversions
// (mktime's does: it starts from the offset of its previous call).
TEST_P(OleDateZone, RepeatedHourIsStable) {
  const ZoneCase& zc = GetParam();
  ScopedTz tz(zc.tz);
  const DATE repeated = Make(2026, zc.fall_month, zc.fall_day, zc.fall_hour, 30);
  const std::time_t first = *OleDateToTimeT(repeated);
  for (int month : {1, 7, 1}) {
    Mktime(2026, month, 1, 12, 0, 0);
    OleDateToTimeT(Make(2026, month, 1, 12));
    EXPECT_EQ(OleDateToTimeT(repeated), first);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Zones, OleDateZone,
    ::testing::Values(ZoneCase{"NewYork", "America/New_York", 3, 8, 11, 1, 1},
                      ZoneCase{"Berlin", "Europe/Berlin", 3, 29, 10, 25, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// New York switched from local mean time to EST at 12:03:58 on
// 18 November 1883: the offset changes inside an hour, which a cache per
// whole hour must not paper over.
TEST(OleDateZoneHistory, OffsetChangeInsideAnHour) {
  ScopedTz tz("America/New_York");
  for (const auto& [h, mi] : {std::pair{11, 0}, {11, 59}, {12, 4}, {12, 10}, {12, 59}}) {
    EXPECT_EQ(OleDateToTimeT(Make(1883, 11, 18, h, mi)), Mktime(1883, 11, 18, h, mi, 0))
        << h << ":" << mi;
  }
}

TEST(OleDateZoneHistory, NoticesAChangedTz) {
  ScopedTz tz("UTC");
  const DATE date = Make(2026, 12, 6, 9, 40, 36);
  const std::time_t utc = *OleDateToTimeT(date);
  EXPECT_EQ(utc, 1796550036);
  // Changed without tzset: mktime would see it, so must the conversion.
  setenv("TZ", "Asia/Tokyo", 1);
  EXPECT_EQ(OleDateToTimeT(date), utc - 9 * 3600);
  EXPECT_EQ(OleDateFromTimeT(utc), Make(2026, 12, 6, 18, 40, 36));
}

TEST(OleDateZoneHistory, EdgesOfTheRange) {
  ScopedTz tz("Europe/Berlin");
  EXPECT_EQ(OleDateToTimeT(kMinOleDate), Mktime(100, 1, 1, 0, 0, 0));
  EXPECT_EQ(OleDateToTimeT(Make(9999, 12, 31, 23, 59, 59)), Mktime(9999, 12, 31, 23, 59, 59));
  EXPECT_FALSE(OleDateFromTimeT(Mktime(9999, 12, 31, 23, 59, 59) + 1));
  EXPECT_FALSE(OleDateFromTimeT(std::numeric_limits<std::time_t>::max()));
  EXPECT_FALSE(OleDateFromTimeT(std::numeric_limits<std::time_t>::min()));
}

}  // namespace
}  // namespace tav
