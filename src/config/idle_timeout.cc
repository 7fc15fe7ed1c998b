#include "config/idle_timeout.h"

#include <charconv>

#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

int ParseIdleTimeout(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  // from_chars takes a minus but not a plus; a plus counts as a sign too.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) return -1;
  }
  if (text.empty()) return -1;
  int value = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return -1;
  return value;
}

std::string TimeoutRangeText() {
  return StrFormat(TranslateText("tav::Configuration",
                                 "The idle timeout must be a value between %d and %d.\n"
                                 "(The value 0 means the timeout is forever.)")
                       .c_str(),
                   kIdleTimeoutMin, kIdleTimeoutMax);
}

}  // namespace tav
