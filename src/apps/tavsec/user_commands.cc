// tavsec user ...: manages the accounts of the local backend and checks a
// password through the configured backend, the way pamtester does.
//
// Passwords come from standard input: one line, or a prompt without echo when
// the input is a terminal. They are held only in SecretString buffers. While
// the compliance features are on, changes are made by the account named
// with --by, whose password comes first (admin_auth.h); every change is
// recorded as a system event. On a store the compliance service keeps, the
// service makes the change, decides who may make it and records its event;
// this process opens no account database. A private data directory without
// a service is changed here.
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/tavsec/admin_auth.h"
#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "apps/tavsec/lockout_commands.h"
#include "client/account_proxy.h"
#include "client/security_proxy.h"
#include "client/service_client.h"
#include "services/security/account_store.h"
#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "services/security/secret.h"
#include "services/security/security_config.h"
#include "services/security/unix_accounts.h"
#include "services/filelib/system_event_manager.h"
#include "util/data_dir.h"
#include "util/strings.h"

namespace tav::tavsec {
namespace {

constexpr int kFailed = 1;
constexpr int kBadInput = 2;

// Opens the local account database of the data directory. Prints why not
// and sets the exit code on failure; *missing tells a database that does not
// exist yet (never with kCreate).
bool OpenStore(AccountStore::Mode mode, std::unique_ptr<AccountStore>* store,
               Context& context, bool* missing = nullptr, SecurityConfig* loaded = nullptr) {
  DataDirChoice choice;
  StoreStatus located = mode == AccountStore::Mode::kCreate ? EnsureDataDir(&choice)
                                                            : LocateDataDir(&choice);
  if (!located.ok()) {
    PrintError(located.message());
    context.exit_code = kFailed;
    return false;
  }
  const std::string& dir = choice.path;
  std::string error;
  SecurityConfig config;
  if (!LoadSecurityConfig(dir, &config, &error)) {
    PrintError(error);
    context.exit_code = kFailed;
    return false;
  }
  if (config.backend != SecurityConfig::Backend::kLocal) {
    PrintError("note: the configured backend is not local; these accounts are used only with "
               "backend = local");
  }
  if (loaded != nullptr) *loaded = config;
  AccountStore::Status status =
      AccountStore::Open(dir + "/" + kAccountsDbFile, mode, store, &error);
  if (status == AccountStore::Status::kOk) return true;
  if (missing != nullptr) *missing = status == AccountStore::Status::kMissing;
  if (missing == nullptr || !*missing) PrintError(error);
  context.exit_code = kFailed;
  return false;
}

void Report(AccountStore::Status status, const std::string& error, Context& context) {
  if (status == AccountStore::Status::kOk) return;
  PrintError(error);
  context.exit_code = status == AccountStore::Status::kInvalid ? kBadInput : kFailed;
}

// Prints what the service answered to a change; true when it was made.
bool ReportServiceChange(const protocol::ChangeAccountReply& reply, Context& context) {
  if (reply.code != protocol::kAccountOk) {
    PrintError(reply.message);
    context.exit_code = reply.code == protocol::kAccountInvalid ? kBadInput : kFailed;
    return false;
  }
  if (!reply.message.empty()) PrintError("note: " + reply.message);
  if (reply.event_status != 0) {
    PrintError("the change is made, but its event could not be recorded", reply.event_message);
    context.exit_code = kFailed;
  }
  return true;
}

protocol::WireAccount Named(const std::string& name) {
  protocol::WireAccount account;
  account.name = name;
  return account;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += ", ";
    out += part;
  }
  return out;
}

// Reads a string query of the security service into a std::string.
template <typename Query>
std::string ReadQuery(Query query) {
  int length = query(nullptr, 0);
  if (length <= 0) return {};
  std::string value(static_cast<size_t>(length) + 1, '\0');
  query(value.data(), length + 1);
  value.resize(static_cast<size_t>(length));
  return value;
}

void AddUserAdd(CLI::App& user, Context& context) {
  auto account = std::make_shared<Account>();
  CLI::App* cmd = user.add_subcommand("add", "Add a local account (password on standard input)");
  cmd->add_option("NAME", account->name, "user name")->required();
  cmd->add_option("--full-name", account->full_name, "full name");
  cmd->add_option("--description", account->description, "description");
  cmd->add_option("--group", account->groups, "group (repeat for more; order is kept)")
      ->take_all()
      ->allow_extra_args(false);
  cmd->add_flag("--admin", account->is_admin, "the user is an administrator");
  auto by = std::make_shared<std::string>();
  AddByOption(cmd, by.get());
  cmd->callback([account, by, &context] {
    std::string error;
    if (!AccountStore::ValidAccountName(account->name, &error)) {
      Report(AccountStore::Status::kInvalid, error, context);
      return;
    }
    if (!AuthorizeChange(*by, context)) return;
    SecretString password;
    std::unique_ptr<AccountStore> store;
    if (!ReadNewPassword(&password)) {
      context.exit_code = kBadInput;
      return;
    }
    if (UsesComplianceService()) {
      ReportServiceChange(client::ChangeAccount(protocol::AccountChange::kAdd,
                                                {account->name, account->full_name,
                                                 account->description, account->groups,
                                                 account->is_admin, false},
                                                password.c_str()),
                          context);
      return;
    }
    SecurityConfig config;
    if (!OpenStore(AccountStore::Mode::kCreate, &store, context, nullptr, &config)) return;
    PasswordSet how;
    how.policy = &config.passwords;
    AccountStore::Status status = store->Add(*account, password.view(), how, &error);
    Report(status, error, context);
    if (status == AccountStore::Status::kOk) {
      RecordAccountEvent(kAuditAccountAdded, account->name, context);
    }
  });
}

void AddUserPasswd(CLI::App& user, Context& context) {
  auto name = std::make_shared<std::string>();
  CLI::App* cmd =
      user.add_subcommand("passwd", "Set a local account's password (on standard input)");
  cmd->add_option("NAME", *name, "user name")->required();
  auto by = std::make_shared<std::string>();
  AddByOption(cmd, by.get());
  cmd->callback([name, by, &context] {
    if (!AuthorizeChange(*by, context)) return;
    SecretString password;
    if (!ReadNewPassword(&password)) {
      context.exit_code = kBadInput;
      return;
    }
    if (UsesComplianceService()) {
      ReportServiceChange(client::ChangeAccount(protocol::AccountChange::kSetPassword,
                                                Named(*name), password.c_str()),
                          context);
      return;
    }
    std::unique_ptr<AccountStore> store;
    bool missing = false;
    SecurityConfig config;
    if (!OpenStore(AccountStore::Mode::kReadWrite, &store, context, &missing, &config)) {
      if (missing) PrintError("no user \"" + *name + "\"");
      return;
    }
    std::string error;
    PasswordSet how;
    how.policy = &config.passwords;
    AccountStore::Status status = store->SetPassword(*name, password.view(), how, &error);
    Report(status, error, context);
    if (status == AccountStore::Status::kOk) {
      RecordAccountEvent(kAuditAccountChanged, *name, context);
    }
  });
}

// disable, enable and remove: one name, one change.
void AddUserChange(CLI::App& user, Context& context, const char* verb, const char* help,
                   AUDITCODE event, protocol::AccountChange remote,
                   AccountStore::Status (*change)(AccountStore&, const std::string&,
                                                  std::string*)) {
  auto name = std::make_shared<std::string>();
  auto by = std::make_shared<std::string>();
  CLI::App* cmd = user.add_subcommand(verb, help);
  cmd->add_option("NAME", *name, "user name")->required();
  AddByOption(cmd, by.get());
  cmd->callback([name, by, change, remote, event, &context] {
    if (!AuthorizeChange(*by, context)) return;
    if (UsesComplianceService()) {
      ReportServiceChange(client::ChangeAccount(remote, Named(*name)), context);
      return;
    }
    std::unique_ptr<AccountStore> store;
    bool missing = false;
    if (!OpenStore(AccountStore::Mode::kReadWrite, &store, context, &missing)) {
      if (missing) PrintError("no user \"" + *name + "\"");
      return;
    }
    std::string error;
    AccountStore::Status status = change(*store, *name, &error);
    Report(status, error, context);
    if (status == AccountStore::Status::kOk) RecordAccountEvent(event, *name, context);
  });
}

// "2026-03-01", the local date of a time; "-" for none.
std::string LocalDate(int64_t when) {
  if (when == 0) return "-";
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  char text[16] = "-";
  if (localtime_r(&t, &local) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The accounts as JSON: an array of {name, full_name, description,
// groups: [...], admin, disabled, removed (date or null), must_change,
// password_set (date)}.
std::string AccountsJson(const std::vector<Account>& accounts) {
  JsonWriter json;
  json.BeginArray();
  for (const Account& account : accounts) {
    json.BeginObject()
        .Key("name").Str(account.name)
        .Key("full_name").Str(account.full_name)
        .Key("description").Str(account.description)
        .Key("groups").BeginArray();
    for (const std::string& group : account.groups) json.Str(group);
    json.EndArray()
        .Key("admin").Bool(account.is_admin)
        .Key("disabled").Bool(account.disabled)
        .Key("removed");
    if (account.removed_at != 0) {
      json.Str(LocalDate(account.removed_at));
    } else {
      json.Null();
    }
    json.Key("must_change").Bool(account.must_change)
        .Key("password_set").Str(LocalDate(account.password_set_at))
        .EndObject();
  }
  return json.EndArray().Finish();
}

// The accounts of a private data directory; false with nothing to list
// (exit code 0: no database yet, so no accounts) or after printing why.
bool ListInProcess(bool include_removed, std::vector<Account>* accounts, Context& context) {
  std::unique_ptr<AccountStore> store;
  bool missing = false;
  if (!OpenStore(AccountStore::Mode::kReadOnly, &store, context, &missing)) {
    if (missing) context.exit_code = 0;
    return false;
  }
  std::string error;
  AccountStore::Status status = store->List(include_removed, accounts, &error);
  Report(status, error, context);
  return status == AccountStore::Status::kOk;
}

bool ListThroughService(bool include_removed, std::vector<Account>* accounts,
                        Context& context) {
  protocol::ListAccountsReply reply = client::ListAccounts(include_removed);
  if (reply.code != protocol::kAccountOk) {
    PrintError(reply.message);
    context.exit_code = kFailed;
    return false;
  }
  if (!reply.message.empty()) PrintError("note: " + reply.message);
  for (protocol::WireAccount& account : reply.accounts) {
    accounts->push_back({std::move(account.name), std::move(account.full_name),
                         std::move(account.description), std::move(account.groups),
                         account.is_admin, account.disabled, account.removed_at,
                         account.must_change, account.password_set_at});
  }
  return true;
}

void AddUserList(CLI::App& user, Context& context) {
  CLI::App* cmd = user.add_subcommand(
      "list", "List the local accounts: name, full name, description, groups, "
              "administrator, disabled (tab-separated); with --all also the removed "
              "accounts and when they were removed");
  auto format = std::make_shared<FormatOption>();
  AddFormatOption(cmd, format.get());
  auto all = std::make_shared<bool>(false);
  cmd->add_flag("--all", *all, "also the removed accounts, whose names stay taken");
  cmd->callback([format, all, &context] {
    std::vector<Account> accounts;
    if (UsesComplianceService()) {
      if (!ListThroughService(*all, &accounts, context)) return;
    } else if (!ListInProcess(*all, &accounts, context)) {
      if (context.exit_code == 0 && format->json()) std::cout << AccountsJson({});
      return;
    }
    if (format->json()) {
      std::cout << AccountsJson(accounts);
      return;
    }
    for (const Account& account : accounts) {
      std::cout << account.name << '\t' << account.full_name << '\t' << account.description
                << '\t' << Join(account.groups) << '\t' << (account.is_admin ? "admin" : "-")
                << '\t' << (account.disabled && account.removed_at == 0 ? "disabled" : "-");
      if (*all) {
        std::cout << '\t'
                  << (account.removed_at != 0 ? "removed " + LocalDate(account.removed_at) : "-");
      }
      std::cout << '\n';
    }
  });
}

// A failed check is a failed logon of the name (or of "(unknown user)"),
// and the one that locks the account says so too.
void RecordFailedCheck(const std::string& name, Context& context) {
  const std::string recorded = RecordedUserName(name.c_str());
  const bool locked = KorWinSec_LastAttemptLockedAccount() != 0;
  CSystemEventManager events;
  StoreStatus status = events.RecordSystemEvent(kAuditFailedLogin, recorded.c_str());
  if (status.ok() && locked) status = events.RecordSystemEvent(kAuditAccountLocked, recorded.c_str());
  if (!status.ok()) {
    PrintError("the failed attempt could not be recorded", status.message());
    context.exit_code = kFailed;
  }
}

void PrintCheckResult(int code, const std::string& detail) {
  const char* text = SecurityMessageText(code);
  std::cout << "result: " << code << " " << (text != nullptr ? text : "") << "\n";
  if (code == kSecBackendUnavailable && !detail.empty()) std::cout << "detail: " << detail << "\n";
}

void PrintCheckedUser(const std::string& full_name, const std::string& description,
                      const std::vector<std::string>& groups, bool is_admin,
                      int64_t password_expires_at) {
  std::cout << "full name: " << full_name << "\n"
            << "description: " << description << "\n"
            << "groups: " << Join(groups) << "\n"
            << "administrator: " << (is_admin ? "yes" : "no") << "\n";
  if (password_expires_at != 0) {
    std::cout << "password expires: " << LocalDate(password_expires_at) << "\n";
  }
}

// The service checks the password as a login, which records its events
// (a failure, and the lock it caused) itself.
void CheckThroughService(const std::string& name, const std::string& domain,
                         SecretString* password, Context& context) {
  const protocol::AuthenticateReply reply = client::Authenticate(
      protocol::AuthPurpose::kLogin, name.c_str(), domain.c_str(), password->c_str());
  password->Clear();
  PrintCheckResult(static_cast<int>(reply.code), reply.detail);
  if (reply.event_status != 0) {
    PrintError("the attempt could not be recorded", reply.event_message);
    context.exit_code = kFailed;
    return;
  }
  if (reply.code != kSecOk) {
    context.exit_code = kFailed;
    return;
  }
  PrintCheckedUser(reply.user.full_name, reply.user.description, reply.user.groups,
                   reply.user.is_admin, reply.user.password_expires_at);
}

void AddUserCheck(CLI::App& user, Context& context) {
  auto name = std::make_shared<std::string>();
  auto domain = std::make_shared<std::string>();
  CLI::App* cmd = user.add_subcommand(
      "check", "Authenticate through the configured backend (password on standard input)");
  cmd->add_option("NAME", *name, "user name")->required();
  cmd->add_option("--domain", *domain, "domain (default: the configured one)");
  cmd->callback([name, domain, &context] {
    if (HasControlChar(*name)) {
      PrintError("the user name holds a control character");
      context.exit_code = kBadInput;
      return;
    }
    SecretString password;
    if (!ReadOneSecret("Password: ", &password)) {
      context.exit_code = kBadInput;
      return;
    }
    if (UsesComplianceService()) {
      CheckThroughService(*name, *domain, &password, context);
      return;
    }
    // A private data directory without a service: checked and recorded here.
    int code = KorWinSec_aAuthenticateUser(name->c_str(), domain->c_str(), password.c_str());
    password.Clear();
    if (code != kSecOk) RecordFailedCheck(*name, context);
    PrintCheckResult(code, SecurityBackendErrorDetail());
    if (code != kSecOk) {
      context.exit_code = kFailed;
      return;
    }
    std::vector<std::string> groups;
    int count = KorWinSec_GetAuthenticUserGroupInfo(nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
      groups.push_back(ReadQuery([i](char* b, int n) {
        return KorWinSec_aGetAuthenticUserGroup(i, b, n);
      }));
    }
    PrintCheckedUser(ReadQuery(KorWinSec_aGetAuthenticUserFullname),
                     ReadQuery(KorWinSec_aGetAuthenticUserDesc), groups,
                     KorWinSec_IsAuthenticUserAdmin() != 0, KorWinSec_AuthenticPasswordExpiry());
  });
}

}  // namespace

void AddUserCommands(CLI::App& app, Context& context) {
  CLI::App* user = app.add_subcommand("user", "Accounts of the security service");
  user->require_subcommand(1);
  AddUserAdd(*user, context);
  AddUserPasswd(*user, context);
  AddUserList(*user, context);
  AddUserChange(*user, context, "disable", "Disable a local account", kAuditAccountChanged,
                protocol::AccountChange::kDisable, [](AccountStore& store, const std::string& name, std::string* error) {
                  return store.SetDisabled(name, true, error);
                });
  AddUserChange(*user, context, "enable", "Enable a disabled local account", kAuditAccountChanged,
                protocol::AccountChange::kEnable, [](AccountStore& store, const std::string& name, std::string* error) {
                  return store.SetDisabled(name, false, error);
                });
  AddUserChange(*user, context, "expire",
                "Make a local account's user change the password at the next logon",
                kAuditAccountChanged, protocol::AccountChange::kExpire,
                [](AccountStore& store, const std::string& name, std::string* error) {
                  return store.Expire(name, error);
                });
  AddUserChange(*user, context, "confirm-uid",
                "Accept a system account's present uid as the same person's (pam backend)",
                kAuditAccountChanged, protocol::AccountChange::kConfirmUid,
                [](AccountStore& store, const std::string& name, std::string* error) {
                  UnixUser unix_user;
                  if (!LookUpUnixUser(name, &unix_user)) {
                    *error = "the system knows no user \"" + name + "\"";
                    return AccountStore::Status::kNotFound;
                  }
                  return store.ConfirmSystemUid(unix_user.name,
                                                static_cast<int64_t>(unix_user.uid), 0, error);
                });
  AddUserChange(*user, context, "remove",
                "Retire a local account: it can never log on again, and its name is never "
                "given to anybody else",
                kAuditAccountRemoved,
                protocol::AccountChange::kRemove, [](AccountStore& store, const std::string& name, std::string* error) {
                  return store.Remove(name, error);
                });
  AddUserCheck(*user, context);
  AddUserUnlock(*user, context);
}

}  // namespace tav::tavsec
