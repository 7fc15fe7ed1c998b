#include "apps/tavsec/output.h"

#include <exception>
#include <iostream>

#include "audit/table_export.h"

namespace tav::tavsec {

void PrintError(std::string_view what, std::string_view why) {
  std::string line = "tavsec: ";
  line += what;
  if (!what.empty() && !why.empty()) line += ": ";
  line += why;
  line += '\n';
  std::cerr << line << std::flush;
}

void AddFormatOption(CLI::App* command, FormatOption* format, bool csv) {
  std::vector<std::string> names = {"text", "json"};
  if (csv) names.push_back("csv");
  command
      ->add_option("--format", format->name,
                   csv ? "text (default), json or csv" : "text (default) or json")
      ->check(CLI::IsMember(names));
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  out_ += '}';
  first_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  out_ += ']';
  first_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendJsonString(key, &out_);
  out_ += ':';
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::Str(std::string_view value) {
  BeforeValue();
  AppendJsonString(value, &out_);
  return *this;
}

JsonWriter& JsonWriter::Int(long long value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

void AddExitStatusFooters(CLI::App& app) {
  app.footer(kExitStatusHelp);
  for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) {
    AddExitStatusFooters(*sub);
  }
}

namespace {

// "user add" for the deepest command the parse reached, "" for none.
std::string ParsedCommandPath(const CLI::App& app) {
  std::string path;
  const CLI::App* at = &app;
  for (;;) {
    std::vector<const CLI::App*> chosen = at->get_subcommands(
        [](const CLI::App* sub) { return sub->parsed(); });
    if (chosen.empty()) return path;
    at = chosen.front();
    if (!path.empty()) path += ' ';
    path += at->get_name();
  }
}

}  // namespace

int RunCommandLine(CLI::App& app, int argc, char** argv, const Context& context) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and --version come this way too, as successes.
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(e);
      return kExitOk;
    }
    std::string what = ParsedCommandPath(app);
    // A mistyped command leaves CLI11 saying only that one is required.
    const std::vector<std::string> unused = app.remaining(true);
    const std::string why = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && !unused.empty()
                                ? "unknown command '" + unused.front() + "'"
                                : std::string(e.what());
    PrintError(what.empty() ? "usage" : what, why);
    std::cerr << "Run 'tavsec " << (what.empty() ? "" : what + " ") << "--help' for the usage.\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    PrintError(ParsedCommandPath(app), e.what());
    return kExitFailed;
  }
  return context.exit_code;
}

}  // namespace tav::tavsec
