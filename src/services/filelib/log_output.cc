#include "services/filelib/log_output.h"

#include <unistd.h>

#include <mutex>

namespace tav {

namespace {

std::mutex g_mutex;
LogSink g_sink;

void WriteToStderr(std::string_view line) {
  // One write per line, so that lines of several processes do not mix.
  std::string text = "tav: ";
  text.append(line);
  text.push_back('\n');
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) break;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace

LogSink SetLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(g_mutex);
  LogSink previous = std::move(g_sink);
  g_sink = std::move(sink);
  return previous;
}

void LogLine(std::string_view line) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_sink) {
    g_sink(line);
  } else {
    WriteToStderr(line);
  }
}

}  // namespace tav
