#include "util/ole_date.h"

#include <langinfo.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "util/strings.h"

namespace tav {
namespace {

// Inside this file a date is handled as "local seconds": whole seconds of
// local wall-clock time since 30 December 1899, 00:00. That form is linear
// (unlike the OLE value, whose negative half runs its fraction forwards), so
// rounding, carrying and comparing are plain integer arithmetic.

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerHour = 3600;
// OLE day number of 1 January 1970.
constexpr int64_t kUnixEpochDay = 25569;
constexpr int64_t kMinDay = -657434;  // 1 January 100
constexpr int64_t kMaxDay = 2958465;  // 31 December 9999
constexpr int64_t kMaxSeconds = kMaxDay * kSecondsPerDay + kSecondsPerDay - 1;

constexpr int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days since 1 January 1970 of a proleptic Gregorian date.
constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr int64_t OleDayFromCivil(int y, int m, int d) {
  return DaysFromCivil(y, m, d) + kUnixEpochDay;
}

static_assert(OleDayFromCivil(1899, 12, 30) == 0);
static_assert(OleDayFromCivil(100, 1, 1) == kMinDay);
static_assert(OleDayFromCivil(9999, 12, 31) == kMaxDay);

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeapYear(y)) ? 29 : kDays[m - 1];
}

std::optional<int64_t> OleToSeconds(DATE date) {
  if (!std::isfinite(date) || date < kMinOleDate || date > kMaxOleDate) return std::nullopt;
  const double whole = std::trunc(date);
  // The fraction is the time of day for negative dates too.
  const double frac = std::fabs(date - whole);
  const int64_t s = static_cast<int64_t>(whole) * kSecondsPerDay +
                    std::llround(frac * static_cast<double>(kSecondsPerDay));
  // The last half second of 9999 would round into year 10000.
  return std::min(s, kMaxSeconds);
}

DATE SecondsToOle(int64_t s) {
  const int64_t day = FloorDiv(s, kSecondsPerDay);
  const double frac =
      static_cast<double>(s - day * kSecondsPerDay) / static_cast<double>(kSecondsPerDay);
  return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

DateParts SplitSeconds(int64_t s) {
  const int64_t ole_day = FloorDiv(s, kSecondsPerDay);
  const int64_t sod = s - ole_day * kSecondsPerDay;
  // Civil date from the day count (inverse of DaysFromCivil).
  int64_t z = ole_day - kUnixEpochDay + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));

  DateParts p;
  p.year = y;
  p.month = m;
  p.day = d;
  p.hour = static_cast<int>(sod / kSecondsPerHour);
  p.minute = static_cast<int>(sod / 60 % 60);
  p.second = static_cast<int>(sod % 60);
  // Day 0 (30 December 1899) was a Saturday.
  p.day_of_week = static_cast<int>(((ole_day + 6) % 7 + 7) % 7);
  return p;
}

std::optional<int64_t> MakeSeconds(int year, int month, int day, int hour, int minute,
                                   int second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  return OleDayFromCivil(year, month, day) * kSecondsPerDay + hour * kSecondsPerHour +
         minute * 60 + second;
}

// ---------------------------------------------------------------------------
// Local time to time_t.
//
// glibc's mktime re-reads the zone on every call (a stat of /etc/localtime
// when TZ is unset), which is many times slower than the conversion itself.
// The zone's answer is found here with localtime_r, which does not re-read,
// and cached per local hour. A changed TZ is noticed; a changed
// /etc/localtime is seen by the next process.
//
// Resolution of a local time L, matching mktime with tm_isdst = -1:
// - the offsets in force around L are the candidates; an offset o is valid
//   when localtime(L - o) reads L again;
// - one valid offset: that one;
// - a repeated hour (several valid): the earliest instant, i.e. the first
//   time the clock showed L. mktime itself answers this case from a guess
//   left by its previous call, so a fixed rule gives a stable result;
// - a gap (spring forward, none valid): mktime's own answer. Its choice
//   depends on the kind of transition, and such times are rare in data.

// Offsets are never more than a day away from UTC; probing this far either
// side of L brackets any single transition that can affect L.
constexpr int64_t kProbeSeconds = 36 * kSecondsPerHour;

std::optional<int64_t> GmtOffsetAt(int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  if (localtime_r(&tt, &tm) == nullptr) return std::nullopt;
  return static_cast<int64_t>(tm.tm_gmtoff);
}

struct Resolution {
  bool gap = false;
  int64_t offset = 0;  // local minus UTC, seconds; unset in a gap
};

// Resolves local epoch second `local` (seconds of wall-clock time since
// 1970-01-01 00:00 local).
std::optional<Resolution> Resolve(int64_t local) {
  std::array<int64_t, 3> candidates{};
  size_t count = 0;
  for (int64_t probe : {local - kProbeSeconds, local, local + kProbeSeconds}) {
    const std::optional<int64_t> off = GmtOffsetAt(probe);
    if (!off) return std::nullopt;
    bool seen = false;
    for (size_t i = 0; i < count; ++i) seen = seen || candidates[i] == *off;
    if (!seen) candidates[count++] = *off;
  }
  Resolution r;
  r.gap = true;
  for (size_t i = 0; i < count; ++i) {
    const std::optional<int64_t> at = GmtOffsetAt(local - candidates[i]);
    if (!at) return std::nullopt;
    // The larger offset is the earlier instant.
    if (*at == candidates[i] && (r.gap || candidates[i] > r.offset)) {
      r.gap = false;
      r.offset = candidates[i];
    }
  }
  return r;
}

std::optional<std::time_t> MktimeLocal(int64_t local) {
  const DateParts p = SplitSeconds(local + kUnixEpochDay * kSecondsPerDay);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  tm.tm_wday = -1;  // stays -1 only on failure; -1 is also a valid time_t
  const std::time_t t = std::mktime(&tm);
  if (tm.tm_wday == -1) return std::nullopt;
  return t;
}

class ZoneCache {
 public:
  std::optional<std::time_t> ToTimeT(int64_t local) {
    std::lock_guard<std::mutex> lock(mu_);
    CheckZoneLocked();
    const int64_t hour = FloorDiv(local, kSecondsPerHour);
    Entry& e = entries_[static_cast<size_t>(hour) % entries_.size()];
    if (!e.filled || e.hour != hour) {
      const int64_t start = hour * kSecondsPerHour;
      const std::optional<Resolution> first = Resolve(start);
      const std::optional<Resolution> last = Resolve(start + kSecondsPerHour - 1);
      if (!first || !last) return std::nullopt;
      e.filled = true;
      e.hour = hour;
      e.offset = first->offset;
      // A transition inside the hour changes the answer mid-hour: such
      // hours (and gaps) are resolved per call.
      e.regular = !first->gap && !last->gap && first->offset == last->offset;
    }
    if (e.regular) return static_cast<std::time_t>(local - e.offset);
    const std::optional<Resolution> r = Resolve(local);
    if (!r) return std::nullopt;
    if (r->gap) return MktimeLocal(local);
    return static_cast<std::time_t>(local - r->offset);
  }

  // Re-reads the zone when TZ changed since the last call, as mktime would.
  void CheckZone() {
    std::lock_guard<std::mutex> lock(mu_);
    CheckZoneLocked();
  }

 private:
  struct Entry {
    bool filled = false;
    bool regular = false;
    int64_t hour = 0;
    int64_t offset = 0;
  };

  void CheckZoneLocked() {
    const char* tz = std::getenv("TZ");
    const bool has_tz = tz != nullptr;
    if (checked_ && has_tz == has_tz_ && (!has_tz || tz_ == tz)) return;
    checked_ = true;
    has_tz_ = has_tz;
    tz_ = has_tz ? tz : "";
    tzset();
    entries_ = {};
  }

  std::mutex mu_;
  bool checked_ = false;
  bool has_tz_ = false;
  std::string tz_;
  // Direct-mapped by hour: ten days of consecutive hours fit.
  std::array<Entry, 256> entries_{};
};

ZoneCache& TheZoneCache() {
  static ZoneCache cache;
  return cache;
}

// ---------------------------------------------------------------------------
// Locale forms.

// The C and POSIX locales use the US English form, as the variant
// conversion does on a US system.
bool UsesUsForm() {
  const char* name = std::setlocale(LC_TIME, nullptr);
  if (name == nullptr) return true;
  return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
         std::strncmp(name, "C.", 2) == 0 || std::strncmp(name, "en_US", 5) == 0;
}

// The locale's short date format with four-digit years: "%x" gives two
// digits in some locales (en_GB), which would not read back to the same
// century.
std::string LocaleDateFormat() {
  std::string out;
  const char* f = nl_langinfo(D_FMT);
  for (; f != nullptr && *f != '\0'; ++f) {
    if (f[0] == '%' && f[1] == 'y') {
      out += "%Y";
      ++f;
    } else if (f[0] == '%' && f[1] == 'D') {
      out += "%m/%d/%Y";
      ++f;
    } else if (f[0] == '%' && f[1] != '\0') {
      out += f[0];
      out += f[1];
      ++f;
    } else {
      out += *f;
    }
  }
  return out.empty() ? "%m/%d/%Y" : out;
}

std::string LocaleTimeFormat() {
  const char* f = nl_langinfo(T_FMT);
  return (f == nullptr || *f == '\0') ? "%H:%M:%S" : f;
}

std::tm PartsToTm(const DateParts& p, int64_t seconds) {
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_wday = p.day_of_week;
  tm.tm_yday = static_cast<int>(FloorDiv(seconds, kSecondsPerDay) -
                                OleDayFromCivil(p.year, 1, 1));
  tm.tm_isdst = -1;
  return tm;
}

std::string Strftime(const char* format, const std::tm& tm) {
  // A trailing blank tells an empty result apart from a short buffer.
  const std::string fmt = std::string(format) + " ";
  std::string buf(128, '\0');
  while (buf.size() <= 65536) {
    const size_t n = std::strftime(buf.data(), buf.size(), fmt.c_str(), &tm);
    if (n > 0) {
      buf.resize(n - 1);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
  return "";
}

// ---------------------------------------------------------------------------
// Parsing.

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  bool AtEnd() const { return pos_ == s_.size(); }
  size_t pos() const { return pos_; }
  void Reset(size_t pos) { pos_ = pos; }

  bool Eat(char c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // Reads between min and max decimal digits.
  bool Number(int min, int max, int* out) {
    int value = 0;
    int n = 0;
    while (n < max && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      value = value * 10 + (s_[pos_] - '0');
      ++pos_;
      ++n;
    }
    if (n < min || (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')) return false;
    *out = value;
    return true;
  }

  // Reads a run of decimal digits, possibly empty.
  std::string_view Digits() {
    const size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
    return s_.substr(start, pos_ - start);
  }

  int SkipSpaces() {
    int n = 0;
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) {
      ++pos_;
      ++n;
    }
    return n;
  }

  bool EatNoCase(std::string_view word) {
    if (s_.size() - pos_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      char c = s_[pos_ + i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != word[i]) return false;
    }
    pos_ += word.size();
    return true;
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// h:mm[:ss][ AM|PM]
bool ScanUsTime(Scanner& sc, TimeOfDay* t) {
  if (!sc.Number(1, 2, &t->hour) || !sc.Eat(':') || !sc.Number(2, 2, &t->minute)) return false;
  t->second = 0;
  if (sc.Eat(':') && !sc.Number(2, 2, &t->second)) return false;
  const size_t before = sc.pos();
  sc.SkipSpaces();
  const bool am = sc.EatNoCase("AM");
  const bool pm = !am && sc.EatNoCase("PM");
  if (!am && !pm) {
    sc.Reset(before);
    return true;
  }
  if (t->hour < 1 || t->hour > 12) return false;
  t->hour = t->hour % 12 + (pm ? 12 : 0);
  return true;
}

std::optional<int64_t> ParseUs(std::string_view text) {
  Scanner sc(text);
  int month = 0;
  int day = 0;
  int year = 0;
  TimeOfDay t;
  if (sc.Number(1, 2, &month) && sc.Eat('/')) {
    if (!sc.Number(1, 2, &day) || !sc.Eat('/') || !sc.Number(1, 4, &year)) return std::nullopt;
    if (!sc.AtEnd() && (sc.SkipSpaces() == 0 || !ScanUsTime(sc, &t))) return std::nullopt;
    if (!sc.AtEnd()) return std::nullopt;
    return MakeSeconds(year, month, day, t.hour, t.minute, t.second);
  }
  // A time alone stands on day zero.
  sc.Reset(0);
  if (!ScanUsTime(sc, &t) || !sc.AtEnd()) return std::nullopt;
  return MakeSeconds(1899, 12, 30, t.hour, t.minute, t.second);
}

// YYYY-MM-DD[(T| )hh:mm[:ss[.fff]]]
std::optional<int64_t> ParseIso(std::string_view text) {
  Scanner sc(text);
  int year = 0;
  int month = 0;
  int day = 0;
  if (!sc.Number(4, 4, &year) || !sc.Eat('-') || !sc.Number(2, 2, &month) || !sc.Eat('-') ||
      !sc.Number(2, 2, &day)) {
    return std::nullopt;
  }
  TimeOfDay t;
  bool round_up = false;
  if (!sc.AtEnd()) {
    if (!sc.Eat('T') && !sc.Eat('t') && sc.SkipSpaces() == 0) return std::nullopt;
    if (!sc.Number(2, 2, &t.hour) || !sc.Eat(':') || !sc.Number(2, 2, &t.minute)) {
      return std::nullopt;
    }
    if (sc.Eat(':')) {
      if (!sc.Number(2, 2, &t.second)) return std::nullopt;
      if (sc.Eat('.') || sc.Eat(',')) {
        // A fraction rounds to the nearest second: its first digit decides.
        const std::string_view digits = sc.Digits();
        if (digits.empty()) return std::nullopt;
        round_up = digits[0] >= '5';
      }
    }
    if (!sc.AtEnd()) return std::nullopt;
  }
  std::optional<int64_t> s = MakeSeconds(year, month, day, t.hour, t.minute, t.second);
  if (s && round_up) {
    if (*s + 1 > kMaxSeconds) return std::nullopt;
    *s += 1;
  }
  return s;
}

std::optional<int64_t> ParseWithStrptime(const std::string& text, const std::string& format,
                                         bool has_date, bool has_time) {
  std::tm tm{};
  tm.tm_mday = 1;
  const char* end = strptime(text.c_str(), format.c_str(), &tm);
  if (end == nullptr || *end != '\0') return std::nullopt;
  if (!has_date) return MakeSeconds(1899, 12, 30, tm.tm_hour, tm.tm_min, tm.tm_sec);
  if (!has_time) return MakeSeconds(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0);
  return MakeSeconds(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                     tm.tm_sec);
}

std::optional<int64_t> ParseLocale(std::string_view text) {
  const std::string s(text);
  const std::string date = LocaleDateFormat();
  const std::string time = LocaleTimeFormat();
  if (auto r = ParseWithStrptime(s, date + " " + time, true, true)) return r;
  if (auto r = ParseWithStrptime(s, date, true, false)) return r;
  return ParseWithStrptime(s, time, false, true);
}

}  // namespace

std::optional<DateParts> SplitOleDate(DATE date) {
  const std::optional<int64_t> s = OleToSeconds(date);
  if (!s) return std::nullopt;
  return SplitSeconds(*s);
}

std::optional<DATE> MakeOleDate(int year, int month, int day, int hour, int minute,
                                int second) {
  const std::optional<int64_t> s = MakeSeconds(year, month, day, hour, minute, second);
  if (!s) return std::nullopt;
  return SecondsToOle(*s);
}

DATE OleDateNow() { return OleDateFromTimeT(std::time(nullptr)).value_or(0.0); }

std::optional<DATE> OleDateFromTimeT(std::time_t t) {
  TheZoneCache().CheckZone();
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return std::nullopt;
  // A leap second (in "right/" zones) reads as the second before it.
  return MakeOleDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                     std::min(tm.tm_sec, 59));
}

std::optional<std::time_t> OleDateToTimeT(DATE date) {
  const std::optional<int64_t> s = OleToSeconds(date);
  if (!s) return std::nullopt;
  return TheZoneCache().ToTimeT(*s - kUnixEpochDay * kSecondsPerDay);
}

namespace {

// The two halves of FormatOleDate's text for the time `s` (its parts `p`).
std::string DatePartText(bool us_form, const DateParts& p, int64_t s) {
  if (us_form) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%04d", p.month, p.day, p.year);
    return buf;
  }
  return Strftime(LocaleDateFormat().c_str(), PartsToTm(p, s));
}

std::string TimePartText(bool us_form, const DateParts& p, int64_t s) {
  if (us_form) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", p.hour % 12 == 0 ? 12 : p.hour % 12,
                  p.minute, p.second, p.hour < 12 ? "AM" : "PM");
    return buf;
  }
  return Strftime(LocaleTimeFormat().c_str(), PartsToTm(p, s));
}

// Whether every conversion of a strftime format reads only the fields that
// `allowed` names, so that its text can be kept for the next equal value.
bool ReadsOnly(const std::string& format, std::string_view allowed) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
    if (i >= format.size() || allowed.find(format[i]) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

std::string FormatOleDate(DATE date) {
  const std::optional<int64_t> s = OleToSeconds(date);
  if (!s) return "";
  const DateParts p = SplitSeconds(*s);
  const int64_t day = FloorDiv(*s, kSecondsPerDay);
  const bool with_date = day != 0;
  const bool with_time = day == 0 || *s != day * kSecondsPerDay;
  const bool us_form = UsesUsForm();
  if (!with_date) return TimePartText(us_form, p, *s);
  if (!with_time) return DatePartText(us_form, p, *s);
  return DatePartText(us_form, p, *s) + " " + TimePartText(us_form, p, *s);
}

OleDateTextCache::OleDateTextCache() : us_form_(UsesUsForm()) {
  // Conversions that read the calendar day only, and the time of day only.
  by_day_ = us_form_ || ReadsOnly(LocaleDateFormat(), "aAbBhCdDeFgGjmuUVwWxyY%nt");
  by_second_ = us_form_ || ReadsOnly(LocaleTimeFormat(), "HIklMpPrRSTX%nt");
}

std::string_view OleDateTextCache::Format(DATE date) {
  const std::optional<int64_t> s = OleToSeconds(date);
  if (!s) return text_.assign("");
  const int64_t day = FloorDiv(*s, kSecondsPerDay);
  const int64_t second = *s - day * kSecondsPerDay;
  if (day == 0 || second == 0 || !by_day_ || !by_second_) return text_ = FormatOleDate(date);
  if (day != day_) {
    day_ = day;
    day_text_ = DatePartText(us_form_, SplitSeconds(*s), *s);
  }
  text_.assign(day_text_);
  text_ += ' ';
  if (first_) {
    // One date alone (a single row) needs no table of the day's seconds.
    first_ = false;
    text_ += TimePartText(us_form_, SplitSeconds(*s), *s);
    return text_;
  }
  if (times_.empty()) times_.resize(kSecondsPerDay);
  std::string& time = times_[static_cast<size_t>(second)];
  if (time.empty()) time = TimePartText(us_form_, SplitSeconds(*s), *s);
  text_ += time;
  return text_;
}

std::string FormatOleDate(DATE date, const char* format) {
  const std::optional<int64_t> s = OleToSeconds(date);
  if (!s || format == nullptr) return "";
  std::tm tm = PartsToTm(SplitSeconds(*s), *s);
  // Zone fields only when asked for: they cost a time zone conversion.
  if (std::strpbrk(format, "zZs") != nullptr) {
    if (const std::optional<std::time_t> t = OleDateToTimeT(date)) {
      std::tm local{};
      if (localtime_r(&*t, &local) != nullptr) {
        tm.tm_isdst = local.tm_isdst;
        tm.tm_gmtoff = local.tm_gmtoff;
        tm.tm_zone = local.tm_zone;
      }
    }
  }
  return Strftime(format, tm);
}

std::optional<DATE> ParseOleDate(std::string_view text) {
  text = TrimWhitespace(text);
  // An embedded NUL would end the text early for strptime.
  if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
  std::optional<int64_t> s;
  // The locale's own form first: a day-first locale with slashes must not
  // be read as month-first.
  if (!UsesUsForm()) s = ParseLocale(text);
  if (!s) s = ParseIso(text);
  if (!s) s = ParseUs(text);
  if (!s) return std::nullopt;
  return SecondsToOle(*s);
}

}  // namespace tav
