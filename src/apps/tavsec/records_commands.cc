// tavsec records: dump, diff, rewrite and check files of chunks.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/component.h"
#include "records/property_item.h"
#include "util/file.h"
#include "util/strings.h"

namespace tav::tavsec {

namespace {

using Components = std::vector<std::unique_ptr<CComponent>>;

// What reading a chunk file found: the chunks read (those before a failure
// only) and, one line each, the failure and the damage that the read
// tolerated for older files ("FILE: offset N: what").
struct Loaded {
  Components chunks;
  bool failed = false;      // the file could not be read to its end
  bool unreadable = false;  // nor opened or read at all
  std::vector<std::string> issues;
  std::vector<std::string> notes;  // older layouts read into the current form
};

Loaded LoadChunkFile(const std::string& path) {
  Loaded loaded;
  try {
    CDiskFile file(path, CDiskFile::modeRead);
    CheckedChunkFile read = ReadChunkFileChecked(&file);
    loaded.chunks = std::move(read.chunks);
    loaded.failed = read.error.code != kRecordOk;
    auto line = [&path](const ReadIssueCollector::Issue& issue) {
      return path + ": offset " + std::to_string(issue.offset) + ": " + issue.text;
    };
    for (const auto& issue : read.issues) loaded.issues.push_back(line(issue));
    for (const auto& note : read.notes) loaded.notes.push_back(line(note));
  } catch (const CFileException& e) {
    loaded.failed = loaded.unreadable = true;
    loaded.issues.push_back(e.what());
  }
  return loaded;
}

// Reads a whole chunk file; on failure prints the first line of damage and
// returns false with what was read before it. With `report_tolerated`,
// damage that the read tolerated counts as failure too.
bool LoadChunks(const std::string& path, Components& out, bool report_tolerated) {
  Loaded loaded = LoadChunkFile(path);
  out = std::move(loaded.chunks);
  if (!loaded.failed && (!report_tolerated || loaded.issues.empty())) return true;
  PrintError(loaded.issues.front());
  return false;
}

// rewrite: reads IN and writes what was read to OUT. A file that `check`
// accepts comes out with the same bytes, except for older layouts read into
// the current form, each told on standard error. A file that `check`
// rejects would come out with different bytes (what follows a failure is
// lost; a list cut short, a negative count or a skipped path is written as
// read), so it is refused unless `force`, which writes anyway and warns.
int RewriteChunkFile(const std::string& in, const std::string& out, bool force) {
  Loaded loaded = LoadChunkFile(in);
  if (loaded.unreadable) {
    PrintError(loaded.issues.front());
    return 1;
  }
  if (!loaded.issues.empty()) {
    const char* prefix = force ? "warning: " : "";
    for (const std::string& issue : loaded.issues) std::cerr << prefix << issue << "\n";
    if (!force) {
      PrintError(std::string(in) + " is damaged; " + out +
                 " not written (--force writes what could be read, with other bytes)");
      return 1;
    }
    std::cerr << "warning: " << out << " holds what could be read of " << in
              << "; its bytes differ from the damaged input\n";
  }
  // Not damage, but other bytes than the input's: say so.
  for (const std::string& note : loaded.notes) std::cerr << "note: " << note << "\n";
  try {
    CMemFile memory;
    const int result = WriteChunkFile(&memory, loaded.chunks);
    if (result != kRecordOk) {
      PrintError(out, RecordStatusText(result));
      return 1;
    }
    WriteFileAtomically(out, memory.view());
  } catch (const CFileException& e) {
    PrintError(e.what());
    return 1;
  }
  return 0;
}

// The property tree that dump prints and diff compares: each chunk's header
// properties, then its properties.
std::unique_ptr<CPropertyItemList> BuildTree(const Components& components) {
  auto list = std::make_unique<CPropertyItemList>();
  for (const auto& c : components) {
    c->AppendHeaderProperties(*list);
    c->AppendProperties(*list);
  }
  return list;
}

// The property tree as JSON: each item {name, value, children: [...]}.
void AppendItems(const CPropertyItemList& list, JsonWriter& json) {
  json.BeginArray();
  for (size_t i = 0; i < list.size(); ++i) {
    const CPropertyItem* item = list.at(i);
    if (item == nullptr) continue;
    json.BeginObject().Key("name").Str(item->name()).Key("value").Str(item->value_text());
    json.Key("children");
    if (item->children() != nullptr) {
      AppendItems(*item->children(), json);
    } else {
      json.BeginArray().EndArray();
    }
    json.EndObject();
  }
  json.EndArray();
}

// The entries of an audit event as JSON: [{code, path, record}], record
// the display text of the record an entry holds, else null.
std::string AuditEntriesJson(CAuditEventComp& event) {
  JsonWriter json;
  json.BeginArray();
  POSITION pos = event.GetFirstChildPosition();
  while (pos != nullptr) {
    const auto* entry = dynamic_cast<const CAuditEntryComp*>(event.GetNextChild(pos));
    if (entry == nullptr) continue;
    json.BeginObject().Key("code").Str(GetAuditCodeName(entry->GetAuditCode())).Key("path");
    json.Str(entry->GetRecordPath() != nullptr ? entry->GetRecordPath()->GetPathText() : "");
    json.Key("record");
    entry->GetRecord() != nullptr ? json.Str(entry->GetRecord()->GetDisplayText()) : json.Null();
    json.EndObject();
  }
  return json.EndArray().Finish();
}

void PrintEngineText(const std::string& text) {
  const std::string out = CrlfToLf(text);
  std::fwrite(out.data(), 1, out.size(), stdout);
}

// One function per records subcommand: its arguments and what it does.
void AddDump(CLI::App& records, Context& context) {
  auto* dump = records.add_subcommand("dump", "Print the property tree of every chunk of FILE");
  static std::string dump_file;
  static FormatOption dump_format;
  dump->add_option("FILE", dump_file, "record file")->required();
  AddFormatOption(dump, &dump_format);
  dump->callback([&context] {
    Components chunks;
    const bool ok = LoadChunks(dump_file, chunks, false);
    context.exit_code = ok ? kExitOk : kExitFailed;
    if (dump_format.json()) {
      // What could be read, and whether that was the whole file.
      JsonWriter json;
      json.BeginObject().Key("complete").Bool(ok).Key("items");
      AppendItems(*BuildTree(chunks), json);
      std::cout << json.EndObject().Finish();
      return;
    }
    std::string text;
    BuildTree(chunks)->DescribeAll(std::string(), text, std::string_view());
    PrintEngineText(text);
  });
}

void AddDiff(CLI::App& records, Context& context) {
  auto* diff = records.add_subcommand("diff", "Describe the changes from OLD to NEW");
  static std::string diff_old, diff_new;
  diff->add_option("OLD", diff_old, "old version")->required();
  diff->add_option("NEW", diff_new, "new version")->required();
  diff->callback([&context] {
    Components old_chunks, new_chunks;
    if (!LoadChunks(diff_old, old_chunks, false) || !LoadChunks(diff_new, new_chunks, false)) {
      context.exit_code = 1;
      return;
    }
    auto old_tree = BuildTree(old_chunks);
    auto new_tree = BuildTree(new_chunks);
    std::string text;
    new_tree->Compare(*old_tree, text, std::string());
    PrintEngineText(text);
  });
}

void AddRewrite(CLI::App& records, Context& context) {
  auto* rewrite = records.add_subcommand("rewrite", "Read every chunk of IN and write it to OUT");
  static std::string rewrite_in, rewrite_out;
  rewrite->add_option("IN", rewrite_in, "file to read")->required();
  rewrite->add_option("OUT", rewrite_out, "file to write")->required();
  static bool rewrite_force = false;
  rewrite->add_flag("--force", rewrite_force,
                    "also rewrite a file that check rejects: writes what could be read and warns");
  rewrite->callback([&context] {
    context.exit_code = RewriteChunkFile(rewrite_in, rewrite_out, rewrite_force);
  });
}

void AddAudit(CLI::App& records, Context& context) {
  auto* audit = records.add_subcommand(
      "audit",
      "Print the audit entries for the changes from OLD to NEW (each file one top-level chunk): "
      "code name, path and, for an entry holding a record, its display text, separated by tabs");
  static std::string audit_old, audit_new;
  static FormatOption audit_format;
  audit->add_option("OLD", audit_old, "old version")->required();
  audit->add_option("NEW", audit_new, "new version")->required();
  AddFormatOption(audit, &audit_format);
  audit->callback([&context] {
    Components old_chunks, new_chunks;
    if (!LoadChunks(audit_old, old_chunks, false) || !LoadChunks(audit_new, new_chunks, false)) {
      context.exit_code = 1;
      return;
    }
    for (const auto* loaded : {&old_chunks, &new_chunks}) {
      if (loaded->size() != 1) {
        PrintError(loaded == &old_chunks ? audit_old : audit_new,
                   "holds " + std::to_string(loaded->size()) +
                       " top-level chunks; audit compares one with one");
        context.exit_code = 1;
        return;
      }
    }
    CAuditEventComp event;
    new_chunks[0]->AuditChanges(old_chunks[0], &event, nullptr);
    if (audit_format.json()) {
      std::cout << AuditEntriesJson(event);
      return;
    }
    std::string out;
    POSITION pos = event.GetFirstChildPosition();
    while (pos != nullptr) {
      const auto* entry = dynamic_cast<const CAuditEntryComp*>(event.GetNextChild(pos));
      if (entry == nullptr) continue;
      out += GetAuditCodeName(entry->GetAuditCode());
      out += '\t';
      if (entry->GetRecordPath() != nullptr) out += entry->GetRecordPath()->GetPathText();
      if (entry->GetRecord() != nullptr) {
        out += '\t';
        out += entry->GetRecord()->GetDisplayText();
      }
      out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  });
}

void AddCheck(CLI::App& records, Context& context) {
  auto* check = records.add_subcommand("check", "Check that FILE is well formed");
  static std::string check_file;
  check->add_option("FILE", check_file, "record file")->required();
  check->callback([&context] {
    Components chunks;
    context.exit_code = LoadChunks(check_file, chunks, true) ? 0 : 1;
  });
}

}  // namespace

void AddRecordsCommands(CLI::App& app, Context& context) {
  CLI::App* records = app.add_subcommand("records", "Read, compare, rewrite and check record files");
  records->require_subcommand(1);
  AddDump(*records, context);
  AddDiff(*records, context);
  AddRewrite(*records, context);
  AddAudit(*records, context);
  AddCheck(*records, context);
}

}  // namespace tav::tavsec
