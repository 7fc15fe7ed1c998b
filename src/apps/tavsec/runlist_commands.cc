// tavsec runlist ...: shows the run list and its history, and puts a run
// file on the list under the system user running tavsec. Like the library,
// it asks the compliance service whenever the process must use it, and the
// service then names that system user from the connection's credentials.
//
// Exit status: 0 done, 1 the run list could not be read or changed (or the
// file is on the list already), 2 bad arguments.
#include <limits.h>
#include <unistd.h>
#include <stdlib.h>

#include <iostream>
#include <string>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "records/file_record_comp.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/run_list_manager.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav::tavsec {
namespace {


struct RunListArgs {
  std::string path;
  std::string copied_from;
  bool created = false;
  FormatOption list_format, history_format;
};

RunListArgs& Args() {
  static RunListArgs args;
  return args;
}

const CFileRecordComp* Record(CFileRecordListComp* list, POSITION& pos) {
  return dynamic_cast<const CFileRecordComp*>(list->GetNextChild(pos));
}

std::string Date(const CFileRecordComp& record) {
  return FormatOleDate(record.GetDate(), "%Y-%m-%d %H:%M:%S");
}

// The list, or its history, as a JSON array: {path, date, user, type} per
// file, and for the history also the source of a move (else null).
std::string RecordsJson(CFileRecordListComp* list, bool history) {
  JsonWriter json;
  json.BeginArray();
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    const CFileRecordComp* record = Record(list, pos);
    if (record == nullptr) continue;
    json.BeginObject()
        .Key("path").Str(record->GetFilePath().value_or(""))
        .Key("date").Str(Date(*record))
        .Key("user").Str(record->GetUserName().value_or(""))
        .Key("type").Str(record->GetTypeName());
    if (history) {
      const bool moved = record->GetType() == kFileRecordMoved ||
                         record->GetType() == kFileRecordMovedAndReplaced;
      json.Key("source");
      moved ? json.Str(record->GetSourcePath().value_or("")) : json.Null();
    }
    json.EndObject();
  }
  return json.EndArray().Finish();
}

void List(Context& context) {
  CRunListManager manager;
  CFileRecordListComp* list = manager.LoadCurrentFileList();
  if (list == nullptr) {
    context.exit_code = kExitFailed;
    return;
  }
  if (Args().list_format.json()) {
    std::cout << RecordsJson(list, false);
    return;
  }
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    if (const CFileRecordComp* record = Record(list, pos)) {
      std::cout << record->GetFilePath().value_or("") << "  " << Date(*record) << "  "
                << record->GetUserName().value_or("") << "  " << record->GetTypeName() << "\n";
    }
  }
}

void History(Context& context) {
  CRunListManager manager;
  CFileRecordListComp* list = manager.LoadFileRecordHistory();
  if (list == nullptr) {
    context.exit_code = kExitFailed;
    return;
  }
  if (Args().history_format.json()) {
    std::cout << RecordsJson(list, true);
    return;
  }
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    const CFileRecordComp* record = Record(list, pos);
    if (record == nullptr) continue;
    // The description the run list manager's history page shows.
    std::string description = "[" + record->GetFilePath().value_or("") + "]";
    if (record->GetType() == kFileRecordMoved || record->GetType() == kFileRecordMovedAndReplaced) {
      description += " From [" + record->GetSourcePath().value_or("") + "]";
    }
    std::cout << Date(*record) << "  " << record->GetUserName().value_or("") << "  "
              << record->GetTypeName() << "  " << description << "\n";
  }
}

// The absolute form of a path as typed: resolved when the file exists,
// else made absolute from the working directory.
std::string Absolute(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

void Add(Context& context) {
  RunListArgs& args = Args();
  const std::string path = Absolute(args.path);
  const size_t dot = path.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : ToLowerAscii(path.substr(dot + 1));
  if (ext != "tav" && ext != "tvm" && ext != "tvt") {
    PrintError("[" + path + "] is not a run file (.tav, .tvm or .tvt)");
    context.exit_code = kExitUsage;
    return;
  }
  CRunListManager manager;
  CFileRecordComp record;
  int code;
  if (!args.copied_from.empty()) {
    code = manager.RecordFileOperation(kFileRecordCopied, path.c_str(),
                                       Absolute(args.copied_from).c_str(), &record);
  } else if (args.created) {
    code = manager.RecordFileOperation(kFileRecordCreated, path.c_str(), nullptr, &record);
  } else {
    code = manager.ImportFileRecord(path.c_str(), &record);
  }
  if (code == kFileLibAlreadyOnList) {
    PrintError("[" + path + "] is already on the list");
    context.exit_code = kExitFailed;
    return;
  }
  if (code != kFileLibOk) {
    PrintError("[" + path + "] was not added (error " + std::to_string(code) + ")");
    context.exit_code = code == kFileLibInvalidArgument ? kExitUsage : kExitFailed;
    return;
  }
  std::cout << record.GetTypeName() << ": " << path << "\n";
}

}  // namespace

void AddRunListCommands(CLI::App& app, Context& context) {
  CLI::App* runlist = app.add_subcommand("runlist", "Show and extend the run list");
  runlist->require_subcommand(1);
  RunListArgs& args = Args();
  CLI::App* list = runlist->add_subcommand("list", "Print the run files on the list");
  AddFormatOption(list, &args.list_format);
  list->callback([&context] { List(context); });
  CLI::App* history = runlist->add_subcommand(
      "history", "Print every recorded operation on run files, oldest first");
  AddFormatOption(history, &args.history_format);
  history->callback([&context] { History(context); });
  CLI::App* add = runlist->add_subcommand("add", "Put a run file on the list");
  add->add_option("PATH", args.path, "the run file (.tav, .tvm, .tvt)")->required();
  auto* created = add->add_flag("--created", args.created, "record that the file was created");
  add->add_option("--copied-from", args.copied_from, "record that the file was copied from SOURCE")
      ->excludes(created);
  add->callback([&context] { Add(context); });
}

}  // namespace tav::tavsec
