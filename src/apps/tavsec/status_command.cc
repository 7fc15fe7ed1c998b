// tavsec status: where this user's data is and what state it is in: the
// data directory, the storage engine, whether the compliance features and
// stealth mode are on, the password policy of the local accounts, and the
// system event log with the state of its hash chain.
//
// Exit status: 0 the store is usable and the event chain intact, 1 the
// store cannot be used or the chain is broken.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "client/account_proxy.h"
#include "services/config/system_configuration.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_log_remote.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/store_config.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/account_store.h"
#include "services/security/password_policy.h"
#include "services/security/security_config.h"
#include "util/data_dir.h"
#include "util/stealth.h"

namespace tav::tavsec {
namespace {

struct Status {
  DataDirChoice dir;
  StoreConfig store;
  bool engine_known = true;
  bool part11 = false;
  bool stealth = false;
  ChainReport events;
  // The password policy of security.conf; unknown when this user may not
  // read it.
  bool policy_known = false;
  PasswordPolicy policy;
  std::string policy_error;
  // System accounts (pam backend) refused because their uid is not the one
  // first seen under their name: read from the account database where this
  // user may read it, else asked of the compliance service. Unknown (with
  // why) when neither answers.
  bool uids_known = false;
  std::vector<AccountStore::SystemUid> changed_uids;
  std::string uids_error;
};

// The names whose last logon was refused for another uid than the first.
void ReadChangedUids(const std::string& dir, Status* status) {
  std::unique_ptr<AccountStore> store;
  std::vector<AccountStore::SystemUid> uids;
  AccountStore::Status opened = AccountStore::Open(
      dir + "/" + kAccountsDbFile, AccountStore::Mode::kReadOnly, &store, &status->uids_error);
  if (opened == AccountStore::Status::kMissing) {
    status->uids_known = true;  // no logon has been seen yet
    return;
  }
  if (opened != AccountStore::Status::kOk ||
      store->ListSystemUids(&uids, &status->uids_error) != AccountStore::Status::kOk) {
    return;
  }
  status->uids_known = true;
  for (AccountStore::SystemUid& uid : uids) {
    if (uid.refused_uid >= 0) status->changed_uids.push_back(std::move(uid));
  }
}

// The same, asked of the compliance service, which answers an
// administrator of the machine or a logged-on user with the right to
// change the accounts.
void AskChangedUids(Status* status) {
  const protocol::ListChangedUidsReply reply = client::ListChangedUids();
  if (reply.code != protocol::kAccountOk) {
    status->uids_error = reply.message;
    return;
  }
  status->uids_known = true;
  for (const protocol::WireChangedUid& uid : reply.uids) {
    AccountStore::SystemUid changed;
    changed.name = uid.name;
    changed.uid = uid.uid;
    changed.refused_uid = uid.refused_uid;
    status->changed_uids.push_back(std::move(changed));
  }
}

// Reads the state; on failure prints why and returns false. Through the
// compliance service, a member of its group cannot enter the machine-wide
// store, so the service answers for the log and the settings, and the
// engine is the one its configuration names when this user may read it.
bool ReadStatus(Status* status) {
  const bool through_service = EventLogSeam().InUse() != nullptr;
  StoreStatus located = LocateDataDir(&status->dir);
  if (!located.ok() && through_service) {
    status->dir.path = MachinePath(kSystemDataDir);
    status->dir.machine_wide = true;
  } else if (!located.ok()) {
    PrintError("status", located.message());
    return false;
  }
  if (located.ok()) located = MayOpenStoreFiles(status->dir);
  if (located.ok()) located = LoadStoreConfig(status->dir.path, &status->store);
  status->engine_known = located.ok();
  if (!located.ok() && !through_service) {
    PrintError("status", located.message());
    return false;
  }
  StoreStatus read;
  if (through_service) {
    std::string error;
    if (CSystemEventManager().VerifyEventLog(&status->events, &error) != kFileLibOk) {
      read = StoreStatus(StoreStatus::kUnavailable, error);
    }
  } else {
    std::shared_ptr<ComplianceDb> db;
    read = ComplianceDb::Get(&db);
    if (read.ok()) {
      read = db->Read([status](SqlDb& c) {
        return VerifyChain(c, ChainedLog::kSystemEvents, &status->events);
      });
    }
  }
  if (!read.ok()) {
    PrintError("status", read.message());
    return false;
  }
  SecurityConfig security;
  status->policy_known = LoadSecurityConfig(status->dir.path, &security, &status->policy_error);
  status->policy = security.passwords;
  const std::string accounts = status->dir.path + "/" + kAccountsDbFile;
  if (access(accounts.c_str(), R_OK) == 0 || (!through_service && errno == ENOENT)) {
    ReadChangedUids(status->dir.path, status);
  } else if (through_service) {
    AskChangedUids(status);
  } else {
    status->uids_error = accounts + ": " + std::strerror(errno);
  }
  status->part11 = theSystemConfig.Is21CFREnabled() != 0;
  status->stealth = IsStealthMode();
  return true;
}

std::string EngineName(const Status& status) {
  return status.engine_known ? StoreEngineName(status.store.engine) : "the compliance service's";
}

void PrintText(const Status& status) {
  std::cout << "data directory: " << status.dir.path
            << (status.dir.machine_wide ? " (machine-wide store)" : " (TAV_DATA_DIR)") << "\n"
            << "engine: " << EngineName(status) << "\n"
            << "21 CFR Part 11 features: " << (status.part11 ? "on" : "off") << "\n"
            << "stealth mode: " << (status.stealth ? "on" : "off") << "\n"
            << "events: " << status.events.count << ", chain "
            << (status.events.ok() ? "intact" : "BROKEN (see tavsec events verify)") << "\n";
  if (status.policy_known) {
    std::cout << DescribePasswordPolicy(status.policy);
  } else {
    std::cout << "password policy: unknown (" << status.policy_error << ")\n";
  }
  if (!status.uids_known) std::cout << "system uid changes: unknown (" << status.uids_error << ")\n";
  for (const AccountStore::SystemUid& uid : status.changed_uids) {
    std::cout << "warning: system user " << uid.name << " logged on with uid " << uid.refused_uid
              << ", first seen with uid " << uid.uid << "; its logons are refused until "
              << "\"tavsec user confirm-uid " << uid.name << "\"\n";
  }
}

void PrintJson(const Status& status) {
  JsonWriter json;
  json.BeginObject()
      .Key("data_directory").Str(status.dir.path)
      .Key("machine_wide").Bool(status.dir.machine_wide)
      .Key("engine").Str(EngineName(status))
      .Key("part11").Bool(status.part11)
      .Key("stealth").Bool(status.stealth)
      .Key("events").BeginObject()
      .Key("count").Int(static_cast<long long>(status.events.count))
      .Key("chain_intact").Bool(status.events.ok())
      .EndObject()
      .Key("password_policy");
  if (status.policy_known) {
    json.BeginObject()
        .Key("min_length").Int(status.policy.min_length)
        .Key("quality").Bool(status.policy.quality)
        .Key("history").Int(status.policy.history)
        .Key("max_age_days").Int(status.policy.max_age_days)
        .Key("warn_days").Int(status.policy.warn_days)
        .Key("change_at_first_logon").Bool(status.policy.change_at_first_logon)
        .EndObject();
  } else {
    json.Null();
  }
  json.Key("changed_uids");
  if (status.uids_known) {
    json.BeginArray();
    for (const AccountStore::SystemUid& uid : status.changed_uids) {
      json.BeginObject()
          .Key("name").Str(uid.name)
          .Key("first_uid").Int(uid.uid)
          .Key("refused_uid").Int(uid.refused_uid)
          .EndObject();
    }
    json.EndArray();
  } else {
    json.Null();
  }
  json.EndObject();
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
