// Security events for the system's log: failed logons, locked accounts,
// failed signatures, the compliance features switched on or off, stores
// that cannot be opened. They go to syslog with the facility LOG_AUTHPRIV,
// as PAM modules send theirs, so that the site's monitoring sees them as
// they happen; the event log in the data directory keeps its own record.
//
// Messages start with "tavsecurity: " and have their control characters
// escaped (util/strings.h), so a typed name cannot forge a line. They never
// hold a password; a name that is not an account is given as
// "(unknown user)" by the callers.
//
// Thread safety: any thread. The process's openlog settings are left alone.
#ifndef TAV_UTIL_AUTH_SYSLOG_H_
#define TAV_UTIL_AUTH_SYSLOG_H_

#include <functional>
#include <string>
#include <string_view>

namespace tav {

// Sends `message` with `priority` (LOG_WARNING, LOG_NOTICE, ...; the facility
// is always LOG_AUTHPRIV).
void AuthSyslog(int priority, std::string_view message);

// Where the messages go instead of syslog: the full priority (facility
// included) and the finished text. An empty function restores syslog. For
// tests.
using AuthSyslogSink = std::function<void(int priority, const std::string& text)>;
void SetAuthSyslogSinkForTesting(AuthSyslogSink sink);

}  // namespace tav

#endif  // TAV_UTIL_AUTH_SYSLOG_H_
