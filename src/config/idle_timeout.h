// The idle timeout as the configuration dialog takes it from its edit: a
// whole number of minutes from 0 (no timeout) to 600.
//
// Threads: any. No Qt.
#ifndef TAV_CONFIG_IDLE_TIMEOUT_H_
#define TAV_CONFIG_IDLE_TIMEOUT_H_

#include <string>
#include <string_view>

#include "util/shown_text.h"

namespace tav {

inline constexpr int kIdleTimeoutMin = 0;
inline constexpr int kIdleTimeoutMax = 600;
inline constexpr char kIdleTimeoutSetting[] = "Idle Timeout";
inline constexpr char kTimeoutRangeCaption[] =
    TAV_TR_NOOP("tav::Configuration", "Number Out Of Range");

// The text, trimmed of blanks on both sides, read completely as one decimal
// integer (an optional sign, then digits); -1 for anything else, and for a
// number that does not fit an int.
int ParseIdleTimeout(std::string_view text);

// Whether a value read by ParseIdleTimeout may be stored.
inline bool IdleTimeoutInRange(int minutes) {
  return minutes >= kIdleTimeoutMin && minutes <= kIdleTimeoutMax;
}

// "The idle timeout must be a value between 0 and 600.\n(The value 0 means
// the timeout is forever.)"
std::string TimeoutRangeText();

}  // namespace tav

#endif  // TAV_CONFIG_IDLE_TIMEOUT_H_
