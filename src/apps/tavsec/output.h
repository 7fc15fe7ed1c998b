// What every tavsec command shares in how it answers: the exit statuses,
// the error line, the --format option of listings and the JSON writer.
//
// Exit statuses: 0 success, 1 failure (the store or a file could not be
// read or changed, damage was found), 2 usage error (bad arguments). CLI11's
// own error numbers never reach the caller.
//
// Errors go to standard error as "tavsec: what: why".
#ifndef TAV_APPS_TAVSEC_OUTPUT_H_
#define TAV_APPS_TAVSEC_OUTPUT_H_

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "apps/tavsec/commands.h"

namespace tav::tavsec {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The footer of every --help page.
inline constexpr char kExitStatusHelp[] =
    "Exit status: 0 success, 1 failure, 2 usage error (bad arguments).";

// Writes "tavsec: what: why" (or "tavsec: what" when `why` is empty) to
// standard error.
void PrintError(std::string_view what, std::string_view why = {});

// The --format of a listing: "text" (the default, the plain listing),
// "json", and with `csv` also "csv".
struct FormatOption {
  std::string name = "text";
  bool json() const { return name == "json"; }
  bool csv() const { return name == "csv"; }
  bool text() const { return name == "text"; }
};
void AddFormatOption(CLI::App* command, FormatOption* format, bool csv = false);

// Builds one JSON document: compact, members in the order written, strings
// escaped as the audit listings escape them. Values inside an array or
// after Key() need no separators: the writer puts them in.
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& Str(std::string_view value);
  JsonWriter& Int(long long value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // The document with a final line break.
  std::string Finish() const { return out_ + "\n"; }

 private:
  void BeforeValue();

  std::string out_;
  std::vector<bool> first_;  // one per open object or array: nothing in it yet
  bool after_key_ = false;
};

// Gives every command the --help footer on exit statuses.
void AddExitStatusFooters(CLI::App& app);

// Parses the command line and runs the chosen command; returns the exit
// status (help and --version: 0; bad arguments: 2 with the reason on
// standard error).
int RunCommandLine(CLI::App& app, int argc, char** argv, const Context& context);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_OUTPUT_H_
