#include "apps/tavsec/lockout_commands.h"

#include <ctime>
#include <iostream>
#include <memory>
#include <string>

#include "apps/tavsec/admin_auth.h"
#include "apps/tavsec/output.h"
#include "client/account_proxy.h"
#include "client/service_client.h"
#include "services/security/lockout.h"
#include "util/data_dir.h"
#include "util/strings.h"

namespace tav::tavsec {

namespace {

void PrintUnlocked(const std::string& name, bool was_locked) {
  if (was_locked) {
    std::cout << "\"" << name << "\" is unlocked\n";
  } else {
    std::cout << "\"" << EscapeControlChars(name) << "\" was not locked; its failed attempts "
              << "are forgotten\n";
  }
}

}  // namespace

void AddUserUnlock(CLI::App& user, Context& context) {
  auto name = std::make_shared<std::string>();
  auto by = std::make_shared<std::string>();
  CLI::App* cmd = user.add_subcommand(
      "unlock", "End the lock that failed authentications put on an account (any backend)");
  cmd->add_option("NAME", *name, "user name")->required();
  AddByOption(cmd, by.get());
  cmd->callback([name, by, &context] {
    if (HasControlChar(*name)) {
      PrintError("the user name holds a control character");
      context.exit_code = kExitUsage;
      return;
    }
    if (!AuthorizeChange(*by, context)) return;
    if (UsesComplianceService()) {
      protocol::WireAccount account;
      account.name = *name;
      const protocol::ChangeAccountReply reply =
          client::ChangeAccount(protocol::AccountChange::kUnlock, account);
      if (reply.code != protocol::kAccountOk) {
        PrintError(reply.message);
        context.exit_code = reply.code == protocol::kAccountInvalid ? kExitUsage : kExitFailed;
        return;
      }
      PrintUnlocked(*name, reply.was_locked);
      if (reply.event_status != 0) {
        PrintError("the lock is ended, but its event could not be recorded", reply.event_message);
        context.exit_code = kExitFailed;
      }
      return;
    }
    DataDirChoice dir;
    StoreStatus status = LocateDataDir(&dir);
    std::unique_ptr<LockoutStore> store;
    bool was_locked = false;
    if (status.ok()) status = LockoutStore::OpenIn(dir.path, &store);
    if (status.ok()) {
      status = store->Unlock(*name, static_cast<int64_t>(std::time(nullptr)), &was_locked);
    }
    if (!status.ok()) {
      PrintError(status.message());
      context.exit_code = kExitFailed;
      return;
    }
    PrintUnlocked(*name, was_locked);
    if (was_locked) RecordAccountEvent(kAuditAccountUnlocked, *name, context);
  });
}

}  // namespace tav::tavsec
