// OLE automation dates: the day count since 30 December 1899 as a double, the
// fraction being the time of day, in local time. Every stored record date uses
// this form, so formatting and parsing must be exact to the second.
//
// Negative values count backwards by whole days while the fraction still runs
// forwards: -1.25 is 29 December 1899, 06:00.
//
// Thread safety: all functions are safe to call from several threads.
#ifndef TAV_UTIL_OLE_DATE_H_
#define TAV_UTIL_OLE_DATE_H_

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

using DATE = double;

// The valid range of an OLE date: 1 January 100 to 31 December 9999.
inline constexpr DATE kMinOleDate = -657434.0;
inline constexpr DATE kMaxOleDate = 2958465.99999999;

struct DateParts {
  int year = 1899;
  int month = 12;   // 1..12
  int day = 30;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int day_of_week = 0;  // 0 = Sunday
};

// Splits a date into its calendar parts, rounded to the nearest second.
// Returns nothing when the date is outside the valid range or not finite.
std::optional<DateParts> SplitOleDate(DATE date);

// Builds a date from calendar parts. Returns nothing for an impossible date
// (31 February, hour 24, year outside 100..9999).
std::optional<DATE> MakeOleDate(int year, int month, int day, int hour = 0,
                                int minute = 0, int second = 0);

// The current local time as a date, to the second.
DATE OleDateNow();

// Conversions between a date (local time) and seconds since the epoch. The
// conversion to time_t does not pay glibc's per-call re-reading of the time
// zone file: it caches the zone offset per local hour.
std::optional<DATE> OleDateFromTimeT(std::time_t t);
std::optional<std::time_t> OleDateToTimeT(DATE date);

// The date in the user's locale form, as the system's variant conversion gives
// it: date and time ("12/6/2026 9:40:36 AM" in the C and US English locales),
// the date alone when the time is midnight, the time alone on day zero. Uses
// the LC_TIME locale of the process; an invalid date gives "".
std::string FormatOleDate(DATE date);

// FormatOleDate for the many dates of a long list: the text of each day and
// of each second of the day is made once (formatting is most of the cost of
// a row), and the result is the same, byte for byte. Use one cache for one
// fill: it does not notice a change of locale. Not thread-safe.
class OleDateTextCache {
 public:
  OleDateTextCache();
  // FormatOleDate(date); the view is valid until the next call.
  std::string_view Format(DATE date);

 private:
  bool us_form_;
  bool by_day_;     // the locale's date text depends on the day alone
  bool by_second_;  // its time text on the second of the day alone
  std::string text_;
  int64_t day_ = INT64_MIN;  // the day whose text day_text_ holds
  std::string day_text_;
  bool first_ = true;               // no date formatted yet
  std::vector<std::string> times_;  // by second of the day; empty: not made yet
};

// strftime-style formatting of a date (for example "%Y-%m-%d %H:%M:%S").
std::string FormatOleDate(DATE date, const char* format);

// Parses what FormatOleDate writes, ISO 8601 ("2026-12-06 09:40:36", with "T"
// too) and the US form with or without a time. Returns nothing on bad input.
std::optional<DATE> ParseOleDate(std::string_view text);

}  // namespace tav

#endif  // TAV_UTIL_OLE_DATE_H_
