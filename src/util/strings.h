// Small string helpers shared by every layer. Strings are UTF-8 byte strings.
#ifndef TAV_UTIL_STRINGS_H_
#define TAV_UTIL_STRINGS_H_

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <functional>
#include <string_view>
#include <vector>

namespace tav {

// printf-style formatting into a new string.
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string StrFormatV(const char* format, va_list args);

// ASCII case-insensitive comparison (the suite compares names without regard
// to case; non-ASCII bytes compare as they are).
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);

std::string_view TrimWhitespace(std::string_view s);

// One line of a settings file of `key = value` lines (security.conf,
// store.conf, the machine's configuration): its number from 1, its key and
// value with spaces, tabs and carriage returns trimmed. A line without '='
// has has_equals false and the whole line as its key.
struct SettingLine {
  int number = 0;
  std::string_view key;
  std::string_view value;
  bool has_equals = false;
};

// Calls `line` for each line of `text` that is neither blank nor a comment
// (first non-blank character '#'), until it returns false. Returns false
// when `line` did.
bool ForEachSettingLine(std::string_view text,
                        const std::function<bool(const SettingLine&)>& line);
std::vector<std::string> SplitString(std::string_view s, char separator);
std::string JoinStrings(const std::vector<std::string>& parts, std::string_view separator);

// Replaces every "\r\n" by "\n".
std::string CrlfToLf(std::string_view s);

// The longest prefix of `s` of at most `max_bytes` bytes that does not end
// inside a UTF-8 character.
std::string_view Utf8Prefix(std::string_view s, size_t max_bytes);

// Lower-case hexadecimal of bytes, without separators.
std::string HexEncode(std::string_view bytes);

// "2026-12-08 01:30:00 UTC" for milliseconds since 1970 (UTC).
std::string FormatUtcMs(int64_t ms);

// True when `s` holds a C0 control character (0x00-0x1F) or DEL.
bool HasControlChar(std::string_view s);

// `s` fit for one line of text output: every control character (0x00-0x1F,
// DEL) becomes "\xHH" and a backslash becomes "\\", so that stored text
// can neither start a line of its own nor pass for an escape. Other bytes
// (UTF-8 included) are kept.
std::string EscapeControlChars(std::string_view s);

// Parses a whole decimal integer (optional sign); false on any other text or
// overflow.
bool ParseInt64(std::string_view text, long long* out);

}  // namespace tav

#endif  // TAV_UTIL_STRINGS_H_
