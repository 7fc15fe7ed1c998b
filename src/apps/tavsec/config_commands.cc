// tavsec config ...: shows and changes the compliance settings, shows
// their audit trail, checks them against their seal and, after an
// administrator's review, accepts settings that fail it. Every change is
// audited, with the reason given by --reason, under the system user running
// tavsec; while the compliance features are on, under the account named by
// --by beside the system user (admin_auth.h).
//
// Exit status: 0 done (also when the setting already had the value), 1 the
// settings could not be read or written, 2 bad arguments.
#include <iostream>
#include <string>

#include "apps/tavsec/admin_auth.h"
#include "apps/tavsec/commands.h"
#include "apps/tavsec/export_commands.h"
#include "apps/tavsec/output.h"
#include "audit/listing.h"
#include "services/filelib/log_writers.h"
#include "apps/tavsec/report_commands.h"
#include "services/config/config_trail.h"
#include "services/config/identifier_parsing.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav::tavsec {
namespace {


// Arguments of the config subcommands. CLI11 keeps references to them, so
// they live as long as the program.
struct ConfigArgs {
  std::string reason;
  std::string value;
  std::string group, activity;
  std::string data_type, recording_type;
  std::string esig_reason, esig_setting;
  std::string trail_format;  // trail --format; "text" or empty: the plain listing
  bool trail_workstations = false;  // trail --workstations
  std::string trail_export;  // trail --export FILE: a signed listing
  ReportArgs trail_report;   // trail --pdf FILE and its filter
  FormatOption show_format;
  std::string by;            // --by: the account making a change
};

ConfigArgs& Args() {
  static ConfigArgs args;
  return args;
}

int Report(int code) {
  if (code == kConfigOk) return 0;
  PrintError(CSystemConfiguration::LastErrorMessage());
  return code == kConfigInvalidValue || code == kConfigInvalidId ? kExitUsage : kExitFailed;
}

// Parses with `parse`; on failure prints its message and sets the exit code.
template <typename Parse>
bool Parsed(Context& context, Parse parse, int* out) {
  std::string error;
  *out = parse(&error);
  if (*out >= 0) return true;
  PrintError(error);
  context.exit_code = kExitUsage;
  return false;
}

// The parts of `config show --format json`. Each returns false, with the
// exit status set, when its settings cannot be read.
bool AppendGroupsJson(JsonWriter& json, Context& context) {
  CTAVGroupRightsArray rights;
  if (const int code = theSystemConfig.ReadActivityGroupArray(rights); code != kConfigOk) {
    context.exit_code = Report(code);
    return false;
  }
  json.Key("groups").BeginArray();
  for (const CTAVGroupRights& group : rights.groups()) {
    json.BeginObject().Key("name").Str(group.name).Key("activities").BeginArray();
    for (const CTAVActivityRight& activity : group.activities) {
      json.BeginObject().Key("id").Int(activity.id);
      json.Key("name").Str(SystemTable::GetActivityName(activity.id)).EndObject();
    }
    json.EndArray().EndObject();
  }
  json.EndArray();
  return true;
}

bool AppendAuditingJson(JsonWriter& json, Context& context) {
  CTAVAuditDataTypeSettingArray audit;
  if (const int code = theSystemConfig.ReadAuditTypeSettingArray(audit); code != kConfigOk) {
    context.exit_code = Report(code);
    return false;
  }
  json.Key("auditing").BeginArray();
  for (int type = 0; type < kDataTypeCount; ++type) {
    const int recording = audit.GetRecordingType(type);
    json.BeginObject().Key("type").Int(type);
    json.Key("name").Str(SystemTable::GetAuditTypeName(type, true)).Key("recording");
    recording < 0 ? json.Null() : json.Int(recording);
    json.Key("recording_name");
    recording < 0 ? json.Null() : json.Str(SystemTable::GetAuditRecordingTypeName(recording));
    json.EndObject();
  }
  json.EndArray();
  return true;
}

bool AppendESignaturesJson(JsonWriter& json, Context& context) {
  json.Key("esignatures").BeginArray();
  for (int type = 0; type < kDataTypeCount; ++type) {
    const int count = SystemTable::GetNumPredefinedESigReasons(type);
    if (count == 0) continue;
    CTAVESigConfiguration esig;
    if (const int code = theSystemConfig.ReadESigConfiguration(type, esig); code != kConfigOk) {
      context.exit_code = Report(code);
      return false;
    }
    json.BeginObject().Key("type").Int(type);
    json.Key("name").Str(SystemTable::GetAuditTypeName(type, false)).Key("reasons").BeginArray();
    for (int i = 0; i < count; ++i) {
      ESigReason reason;
      SystemTable::GetESigReason(i, reason, type);
      const int setting = esig.GetSetting(reason);
      json.BeginObject().Key("index").Int(i);
      json.Key("name").Str(SystemTable::GetESigReasonName(reason)).Key("setting");
      setting < 0 ? json.Null() : json.Int(setting);
      json.Key("setting_name");
      setting < 0 ? json.Null() : json.Str(SystemTable::GetESigSettingName(setting));
      json.EndObject();
    }
    json.EndArray().EndObject();
  }
  json.EndArray();
  return true;
}

// The settings as one JSON object (the manual page gives its shape); nothing
// is printed when a part cannot be read.
void ShowJson(Context& context) {
  CSystemConfiguration& config = theSystemConfig;
  JsonWriter json;
  json.BeginObject().Key("refused");
  if (config.VerifySettings() != kConfigOk) {
    json.Str(CSystemConfiguration::LastErrorMessage());
    context.exit_code = kExitFailed;
  } else {
    json.Null();
  }
  json.Key("part11").Bool(config.Is21CFREnabled() != 0);
  json.Key("idle_timeout_minutes").Int(config.GetConfigInt(kIdleTimeoutName, 0));
  if (AppendGroupsJson(json, context) && AppendAuditingJson(json, context) &&
      AppendESignaturesJson(json, context)) {
    std::cout << json.EndObject().Finish();
  }
}

void Show(Context& context) {
  if (Args().show_format.json()) {
    ShowJson(context);
    return;
  }
  CSystemConfiguration& config = theSystemConfig;
  if (config.VerifySettings() != kConfigOk) {
    // What follows is what the library answers while it refuses them.
    std::cout << "The stored settings are refused: "
              << CSystemConfiguration::LastErrorMessage() << "\n\n";
    context.exit_code = kExitFailed;
  }
  std::cout << "21 CFR Part 11 features: " << (config.Is21CFREnabled() ? "on" : "off") << "\n";
  const int idle = config.GetConfigInt(kIdleTimeoutName, 0);
  std::cout << "Idle timeout: " << idle << (idle == 0 ? " (never)" : " minutes") << "\n";

  CTAVGroupRightsArray rights;
  if (const int code = config.ReadActivityGroupArray(rights); code != kConfigOk) {
    context.exit_code = Report(code);
    return;
  }
  std::cout << "\nRights of the user groups:\n";
  for (const CTAVGroupRights& group : rights.groups()) {
    std::cout << "  " << group.name << ":";
    if (group.activities.empty()) std::cout << " (none)";
    std::cout << "\n";
    for (const CTAVActivityRight& activity : group.activities) {
      std::cout << "    " << activity.id << "  " << SystemTable::GetActivityName(activity.id)
                << "\n";
    }
  }

  CTAVAuditDataTypeSettingArray audit;
  if (const int code = config.ReadAuditTypeSettingArray(audit); code != kConfigOk) {
    context.exit_code = Report(code);
    return;
  }
  std::cout << "\nAuditing:\n";
  for (int type = 0; type < kDataTypeCount; ++type) {
    const int recording = audit.GetRecordingType(type);
    std::cout << "  " << type << "  " << SystemTable::GetAuditTypeName(type, true) << ": "
              << (recording < 0 ? "not set" : SystemTable::GetAuditRecordingTypeName(recording))
              << "\n";
  }

  std::cout << "\nE-signatures:\n";
  for (int type = 0; type < kDataTypeCount; ++type) {
    const int count = SystemTable::GetNumPredefinedESigReasons(type);
    if (count == 0) continue;
    CTAVESigConfiguration esig;
    if (const int code = config.ReadESigConfiguration(type, esig); code != kConfigOk) {
      context.exit_code = Report(code);
      return;
    }
    std::cout << "  " << SystemTable::GetAuditTypeName(type, false) << ":\n";
    for (int i = 0; i < count; ++i) {
      ESigReason reason;
      SystemTable::GetESigReason(i, reason, type);
      const int setting = esig.GetSetting(reason);
      std::cout << "    " << i << "  " << SystemTable::GetESigReasonName(reason) << ": "
                << (setting < 0 ? "not set" : SystemTable::GetESigSettingName(setting)) << "\n";
    }
  }
}

void SetIdleTimeout(Context& context) {
  long long minutes = 0;
  if (!ParseInt64(TrimWhitespace(Args().value), &minutes) || minutes < 0 ||
      minutes > kMaxIdleTimeoutMinutes) {
    PrintError("the idle timeout must be a number of minutes from 0 to " +
               std::to_string(kMaxIdleTimeoutMinutes) + " (0: never)");
    context.exit_code = kExitUsage;
    return;
  }
  context.exit_code = Report(theSystemConfig.SetConfigInt(
      kIdleTimeoutName, static_cast<int>(minutes), Args().reason));
}

void SetPart11(Context& context) {
  const std::string value = ToLowerAscii(TrimWhitespace(Args().value));
  if (value != "on" && value != "off") {
    PrintError("say on or off");
    context.exit_code = kExitUsage;
    return;
  }
  context.exit_code = Report(theSystemConfig.Set21CFREnabled(value == "on", Args().reason));
}

void ChangeGrant(Context& context, bool grant) {
  int group = 0, activity = 0;
  if (!Parsed(context, [](std::string* e) { return ParseGroup(Args().group, e); }, &group) ||
      !Parsed(context, [](std::string* e) { return ParseActivity(Args().activity, e); },
              &activity)) {
    return;
  }
  CTAVGroupRightsArray rights;
  if (const int code = theSystemConfig.ReadActivityGroupArray(rights); code != kConfigOk) {
    context.exit_code = Report(code);
    return;
  }
  const std::string name = SystemTable::GetGroupName(group);
  if (grant) {
    rights.Grant(name, activity, SystemTable::GetActivityName(activity));
  } else {
    rights.Revoke(name, activity);
  }
  context.exit_code = Report(theSystemConfig.WriteActivityGroupArray(rights, Args().reason));
}

void SetAuditType(Context& context) {
  int type = 0, recording = 0;
  if (!Parsed(context, [](std::string* e) { return ParseDataType(Args().data_type, e); }, &type) ||
      !Parsed(context, [](std::string* e) { return ParseRecordingType(Args().recording_type, e); },
              &recording)) {
    return;
  }
  if (IsAlwaysAuditedType(type) && recording != kRecordingAudited) {
    PrintError(std::string(SystemTable::GetAuditTypeName(type, false)) +
               " is always audited, without a reason for change");
    context.exit_code = kExitUsage;
    return;
  }
  CTAVAuditDataTypeSettingArray audit;
  if (const int code = theSystemConfig.ReadAuditTypeSettingArray(audit); code != kConfigOk) {
    context.exit_code = Report(code);
    return;
  }
  audit.Add(type, recording, SystemTable::GetAuditTypeName(type, false),
            SystemTable::GetAuditRecordingTypeName(recording));
  context.exit_code = Report(theSystemConfig.WriteAuditTypeSettingArray(audit, Args().reason));
}

void SetESig(Context& context) {
  int type = 0, index = 0, setting = 0;
  if (!Parsed(context, [](std::string* e) { return ParseDataType(Args().data_type, e); }, &type) ||
      !Parsed(context, [type](std::string* e) { return ParseESigReason(type, Args().esig_reason, e); },
              &index) ||
      !Parsed(context, [](std::string* e) { return ParseESigSetting(Args().esig_setting, e); },
              &setting)) {
    return;
  }
  CTAVESigConfiguration esig;
  if (const int code = theSystemConfig.ReadESigConfiguration(type, esig); code != kConfigOk) {
    context.exit_code = Report(code);
    return;
  }
  ESigReason reason;
  SystemTable::GetESigReason(index, reason, type);
  esig.SetSetting(reason, setting);
  context.exit_code = Report(theSystemConfig.WriteESigConfiguration(type, esig, Args().reason));
}

// A description of lines ending in '\n', each line escaped on its own.
std::string EscapeLines(const std::string& text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    const size_t stop = end == std::string::npos ? text.size() : end;
    out += EscapeControlChars(std::string_view(text).substr(start, stop - start));
    if (end == std::string::npos) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

void Trail(Context& context) {
  if (!Args().trail_export.empty()) {
    TableFormat format = TableFormat::kCsv;
    if (!Args().trail_format.empty() && !ParseTableFormat(Args().trail_format, &format)) {
      PrintError("--export", "writes csv or json");
      context.exit_code = kExitUsage;
      return;
    }
    WriteSignedExport(ExportedLog::kConfigTrail, format, Args().trail_export, context);
    return;
  }
  std::vector<ConfigTrailEvent> events;
  if (!DescribeConfigTrail(theSystemConfig, &events)) {
    PrintError(CSystemConfiguration::LastErrorMessage());
    context.exit_code = kExitFailed;
    return;
  }
  if (!Args().trail_report.pdf.empty()) {
    WriteTrailReport(Args().trail_report, events, context);
    return;
  }
  std::vector<WriterRun> writers;
  if (Args().trail_workstations) {
    const StoreStatus status = LoadLogWriters(ChainedLog::kConfigAudit, &writers);
    if (!status.ok()) {
      PrintError(status.message());
      context.exit_code = kExitFailed;
      return;
    }
  }
  TableFormat format = TableFormat::kCsv;
  if (!Args().trail_format.empty() && ParseTableFormat(Args().trail_format, &format)) {
    std::cout << FormatTrailListing(events, format, kWholeLog, nullptr,
                                    Args().trail_workstations ? &writers : nullptr);
    return;
  }
  // Stored text is escaped: a line break in a name or a reason must not
  // read as a line of the trail.
  for (const ConfigTrailEvent& event : events) {
    std::cout << "#" << event.number << "  " << FormatOleDate(event.date, "%Y-%m-%d %H:%M:%S")
              << "  " << EscapeControlChars(event.user);
    if (!event.reason.empty()) std::cout << "  reason: " << EscapeControlChars(event.reason);
    if (const std::string_view writer = WriterOf(writers, event.number); !writer.empty()) {
      std::cout << "  [" << EscapeControlChars(writer) << "]";
    }
    std::cout << "\n";
    for (const ConfigTrailEntry& entry : event.entries) {
      std::cout << "  " << EscapeControlChars(entry.what) << ": "
                << EscapeControlChars(entry.where) << "\n"
                << EscapeLines(entry.description);
    }
  }
}

void Verify(Context& context) {
  if (theSystemConfig.VerifySettings() != kConfigOk) {
    std::cout << CSystemConfiguration::LastErrorMessage() << "\nVERIFICATION FAILED\n";
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << "The stored settings match their seal.\n";
}

void Seal(Context& context) {
  context.exit_code = Report(theSystemConfig.AcceptStoredSettings(Args().reason));
  if (context.exit_code == 0) std::cout << "The stored settings are sealed as they are.\n";
}

}  // namespace

void AddConfigCommands(CLI::App& app, Context& context) {
  // Setting records read by any command (records dump, config trail) show
  // their own kinds and the names of activities.
  LoadConfigurationService();
  CLI::App* config = app.add_subcommand("config", "Show and change the compliance settings");
  config->require_subcommand(1);
  ConfigArgs& args = Args();
  auto with_reason = [&args](CLI::App* command) {
    command->add_option("--reason", args.reason, "reason for the change, kept in the audit trail");
    AddByOption(command, &args.by);
  };
  // A change runs once its maker is known.
  auto changing = [&context](void (*change)(Context&)) {
    return [&context, change] {
      if (AuthorizeChange(Args().by, context)) change(context);
    };
  };

  CLI::App* show = config->add_subcommand("show", "Print every compliance setting");
  AddFormatOption(show, &args.show_format);
  show->callback([&context] { Show(context); });
  config->add_subcommand("verify", "Check that the stored settings match their seal")
      ->callback([&context] { Verify(context); });
  CLI::App* seal = config->add_subcommand(
      "seal", "Accept stored settings that fail their seal as they are (audited)");
  seal->add_option("--reason", args.reason, "why they are accepted, kept in the audit trail")
      ->required();
  AddByOption(seal, &args.by);
  seal->callback(changing(Seal));

  CLI::App* set = config->add_subcommand("set", "Set the idle timeout or switch the features");
  set->require_subcommand(1);
  CLI::App* idle = set->add_subcommand("idle-timeout", "Minutes of inactivity before the "
                                                       "password is asked again (0: never)");
  idle->add_option("MINUTES", args.value, "0 to 600")->required();
  with_reason(idle);
  idle->callback(changing(SetIdleTimeout));
  CLI::App* part11 = set->add_subcommand("part11", "Switch the 21 CFR Part 11 features on or off");
  part11->add_option("STATE", args.value, "on or off")->required();
  with_reason(part11);
  part11->callback(changing(SetPart11));

  for (bool grant : {true, false}) {
    CLI::App* command = config->add_subcommand(
        grant ? "grant" : "revoke",
        grant ? "Let a user group perform an activity" : "Take an activity from a user group");
    command->add_option("GROUP", args.group, "group number or name")->required();
    command->add_option("ACTIVITY", args.activity, "activity number or name")->required();
    with_reason(command);
    command->callback(changing(grant ? +[](Context& c) { ChangeGrant(c, true); }
                                     : +[](Context& c) { ChangeGrant(c, false); }));
  }

  CLI::App* audit = config->add_subcommand("audit-type", "Set how changes to a data type are audited");
  audit->add_option("DATATYPE", args.data_type, "data type number, name or file extension")
      ->required();
  audit->add_option("RECORDINGTYPE", args.recording_type,
                    "0 none, 1 audited, 2 optional reason, 3 required reason")
      ->required();
  with_reason(audit);
  audit->callback(changing(SetAuditType));

  CLI::App* esig = config->add_subcommand("esig", "Set whether a signature reason is offered");
  esig->add_option("DATATYPE", args.data_type, "data type number, name or file extension")
      ->required();
  esig->add_option("REASON", args.esig_reason, "reason number (see config show) or name")
      ->required();
  esig->add_option("SETTING", args.esig_setting, "0 none, 1 optional, 2 required")->required();
  with_reason(esig);
  esig->callback(changing(SetESig));

  CLI::App* trail = config->add_subcommand("trail", "Print the audit trail of the settings");
  trail->add_option("--format", args.trail_format, "text (default), json or csv")
      ->check(CLI::IsMember({"text", "json", "csv"}));
  trail->add_option("--export", args.trail_export,
                    "write the trail to FILE as csv (or --format json), with the service's "
                    "signature in FILE.sig");
  trail->add_option("--pdf", args.trail_report.pdf,
                    "write the trail (or the changes a filter keeps) to FILE as a PDF report, "
                    "newest first, as the System Audit viewer prints it");
  AddReportFilterOptions(trail, &args.trail_report,
                         "only changes holding an entry of this kind (\"Changed Record\")",
                         /*reviewable=*/true);
  trail->add_flag("--workstations", args.trail_workstations,
                  "name the workstation (the lab store's login role) that stored each change");
  trail->callback([&context] { Trail(context); });
}

}  // namespace tav::tavsec
