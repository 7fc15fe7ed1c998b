#include "util/auth_syslog.h"

#include <syslog.h>

#include <mutex>

#include "util/strings.h"

namespace tav {
namespace {

std::mutex g_sink_mutex;

AuthSyslogSink& Sink() {
  static AuthSyslogSink sink;
  return sink;
}

}  // namespace

void AuthSyslog(int priority, std::string_view message) {
  const int full = LOG_AUTHPRIV | LOG_PRI(priority);
  const std::string text = "tavsecurity: " + EscapeControlChars(message);
  std::lock_guard<std::mutex> lock(g_sink_mutex);
  if (Sink()) {
    Sink()(full, text);
    return;
  }
  syslog(full, "%s", text.c_str());
}

void SetAuthSyslogSinkForTesting(AuthSyslogSink sink) {
  std::lock_guard<std::mutex> lock(g_sink_mutex);
  Sink() = std::move(sink);
}

}  // namespace tav
