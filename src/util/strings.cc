#include "util/strings.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace tav {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string StrFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = StrFormatV(format, args);
  va_end(args);
  return out;
}

std::string StrFormatV(const char* format, va_list args) {
  char buf[256];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(buf, sizeof buf, format, copy);
  va_end(copy);
  if (n < 0) return "";
  if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n), '\0');
  // The string's buffer holds n + 1 bytes: room for the terminator.
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    // Bytes compare unsigned, so non-ASCII sorts after ASCII.
    const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string ToLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string ToUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

std::string_view TrimWhitespace(std::string_view s) {
  constexpr std::string_view kBlank = " \t\r\n\v\f";
  const size_t first = s.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return s.substr(s.size());
  return s.substr(first, s.find_last_not_of(kBlank) - first + 1);
}

namespace {

std::string_view TrimSettingBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

bool ForEachSettingLine(std::string_view text,
                        const std::function<bool(const SettingLine&)>& line) {
  int number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    const std::string_view whole = TrimSettingBlanks(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (whole.empty() || whole.front() == '#') continue;
    SettingLine setting;
    setting.number = number;
    const size_t equals = whole.find('=');
    setting.has_equals = equals != std::string_view::npos;
    setting.key = setting.has_equals ? TrimSettingBlanks(whole.substr(0, equals)) : whole;
    if (setting.has_equals) setting.value = TrimSettingBlanks(whole.substr(equals + 1));
    if (!line(setting)) return false;
  }
  return true;
}

std::vector<std::string> SplitString(std::string_view s, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t pos = s.find(separator, start);
    if (pos == std::string_view::npos) break;
    parts.emplace_back(s.substr(start, pos - start));
    start = pos + 1;
  }
  parts.emplace_back(s.substr(start));
  return parts;
}

std::string JoinStrings(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

std::string CrlfToLf(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

std::string_view Utf8Prefix(std::string_view s, size_t max_bytes) {
  if (s.size() <= max_bytes) return s;
  size_t cut = max_bytes;
  // A character is at most four bytes: step back over at most three
  // continuation bytes. A longer run is not UTF-8, and cutting it anywhere
  // is as good as anywhere else.
  for (int i = 0; i < 3 && cut > 0 && IsUtf8Continuation(s[cut]); ++i) --cut;
  if (IsUtf8Continuation(s[cut])) cut = max_bytes;
  return s.substr(0, cut);
}

std::string FormatUtcMs(int64_t ms) {
  const time_t t = static_cast<time_t>(ms / 1000);
  struct tm tm;
  if (gmtime_r(&t, &tm) == nullptr) return std::to_string(ms) + " ms after 1970 (UTC)";
  char buf[40];
  strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return buf;
}

std::string HexEncode(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

bool HasControlChar(std::string_view s) {
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) return true;
  }
  return false;
}

std::string EscapeControlChars(std::string_view s) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '\\') {
      out += "\\\\";
    } else if (b < 0x20 || b == 0x7f) {
      out += "\\x";
      out += kDigits[b >> 4];
      out += kDigits[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

bool ParseInt64(std::string_view text, long long* out) {
  // from_chars takes a leading '-' but not '+'.
  const bool plus = !text.empty() && text[0] == '+';
  if (plus) text.remove_prefix(1);
  const size_t first_digit = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (plus && first_digit == 1) return false;
  if (first_digit >= text.size() || text[first_digit] < '0' || text[first_digit] > '9') {
    return false;
  }
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
  if (ec != std::errc() || ptr != end) return false;
  if (out != nullptr) *out = value;
  return true;
}

}  // namespace tav
