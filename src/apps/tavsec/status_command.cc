// tavsec status: where this user's data is and what state it is in: the
// data directory, the storage engine, whether the compliance features and
// stealth mode are on, and the system event log with the state of its
// hash chain.
//
// Exit status: 0 the store is usable and the event chain intact, 1 the
// store cannot be used or the chain is broken.
#include <iostream>
#include <memory>
#include <string>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "services/config/system_configuration.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/store_config.h"
#include "util/data_dir.h"
#include "util/stealth.h"

namespace tav::tavsec {
namespace {

struct Status {
  DataDirChoice dir;
  StoreConfig store;
  bool part11 = false;
  bool stealth = false;
  ChainReport events;
};

// Reads the state; on failure prints why and returns false.
bool ReadStatus(Status* status) {
  StoreStatus located = LocateDataDir(&status->dir);
  if (!located.ok()) {
    PrintError("status", located.message());
    return false;
  }
  located = LoadStoreConfig(status->dir.path, &status->store);
  if (!located.ok()) {
    PrintError("status", located.message());
    return false;
  }
  std::shared_ptr<ComplianceDb> db;
  StoreStatus read = ComplianceDb::Get(&db);
  if (read.ok()) {
    read = db->Read([status](SqlDb& c) {
      return VerifyChain(c, ChainedLog::kSystemEvents, &status->events);
    });
  }
  if (!read.ok()) {
    PrintError("status", read.message());
    return false;
  }
  status->part11 = theSystemConfig.Is21CFREnabled() != 0;
  status->stealth = IsStealthMode();
  return true;
}

void PrintText(const Status& status) {
  std::cout << "data directory: " << status.dir.path
            << (status.dir.machine_wide ? " (machine-wide store)" : " (TAV_DATA_DIR)") << "\n"
            << "engine: " << StoreEngineName(status.store.engine) << "\n"
            << "21 CFR Part 11 features: " << (status.part11 ? "on" : "off") << "\n"
            << "stealth mode: " << (status.stealth ? "on" : "off") << "\n"
            << "events: " << status.events.count << ", chain "
            << (status.events.ok() ? "intact" : "BROKEN (see tavsec events verify)") << "\n";
}

void PrintJson(const Status& status) {
  JsonWriter json;
  json.BeginObject()
      .Key("data_directory").Str(status.dir.path)
      .Key("machine_wide").Bool(status.dir.machine_wide)
      .Key("engine").Str(StoreEngineName(status.store.engine))
      .Key("part11").Bool(status.part11)
      .Key("stealth").Bool(status.stealth)
      .Key("events").BeginObject()
      .Key("count").Int(static_cast<long long>(status.events.count))
      .Key("chain_intact").Bool(status.events.ok())
      .EndObject()
      .EndObject();
  std::cout << json.Finish();
}

}  // namespace

void AddStatusCommand(CLI::App& app, Context& context) {
  auto format = std::make_shared<FormatOption>();
  CLI::App* cmd = app.add_subcommand(
      "status", "Show the data directory, the engine, the features, stealth mode and the "
                "state of the event log");
  AddFormatOption(cmd, format.get());
  cmd->callback([format, &context] {
    Status status;
    if (!ReadStatus(&status)) {
      context.exit_code = kExitFailed;
      return;
    }
    if (format->json()) {
      PrintJson(status);
    } else {
      PrintText(status);
    }
    if (!status.events.ok()) context.exit_code = kExitFailed;
  });
}

}  // namespace tav::tavsec
