// Where the file library reports what callers cannot learn from a result
// they ignore: an event that could not be stored, a log that could not be
// read. By default each message is one line on standard error, the log
// output of the calling program; a host (or a test) may install its own.
//
// Thread safety: any thread; the sink is called under a lock, one message at
// a time, and must not call back into the file library.
#ifndef TAV_SERVICES_FILELIB_LOG_OUTPUT_H_
#define TAV_SERVICES_FILELIB_LOG_OUTPUT_H_

#include <functional>
#include <string>
#include <string_view>

namespace tav {

using LogSink = std::function<void(std::string_view line)>;

// Installs `sink`; an empty function restores standard error. Returns the
// sink that was installed before.
LogSink SetLogSink(LogSink sink);

// Sends one line ("tav: " is put in front).
void LogLine(std::string_view line);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_LOG_OUTPUT_H_
