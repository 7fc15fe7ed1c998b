#include "apps/tavsec/admin_auth.h"

#include <syslog.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <list>

#include "apps/tavsec/output.h"
#include "client/security_proxy.h"
#include "client/service_client.h"
#include "services/config/system_configuration.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "util/auth_syslog.h"
#include "util/strings.h"

namespace tav::tavsec {
namespace {

// The activity that lets a user change the configuration.
constexpr int kConfigurationActivity = 0;

std::list<std::string> ImpersonatedGroups() {
  std::list<std::string> groups;
  int count = 0;
  int longest = 0;
  KorWinSec_GetImpersonatedUserGroupInfo(&count, &longest);
  std::string buffer(static_cast<size_t>(longest) + 1, '\0');
  for (int i = 0; i < count; ++i) {
    const int length = KorWinSec_aGetImpersonatedUserGroup(i, buffer.data(), longest + 1);
    if (length > 0) groups.push_back(buffer.substr(0, static_cast<size_t>(length)));
  }
  return groups;
}

bool Refuse(const std::string& why, int exit_code, Context& context) {
  PrintError(why);
  context.exit_code = exit_code;
  return false;
}

// Who --by names, once the password has been checked.
struct CheckedAccount {
  std::string name;
  std::list<std::string> groups;
  bool is_admin = false;
};

// Records a failed check of --by as a failed login (and the lock it caused).
void RecordFailedCheck(const std::string& recorded, bool locked_now) {
  CSystemEventManager events;
  events.RecordSystemEvent(kAuditFailedLogin, recorded.c_str());
  if (locked_now) events.RecordSystemEvent(kAuditAccountLocked, recorded.c_str());
}

std::string FailureText(int code) {
  const char* text = SecurityMessageText(code);
  return text != nullptr ? text : "authentication failed (" + std::to_string(code) + ")";
}

// A private data directory without a service: this process checks the
// password, and impersonates the account until it ends.
bool CheckInProcess(const std::string& by, SecretString* password, CheckedAccount* account,
                    Context& context) {
  HANDLE token = nullptr;
  const int code = KorWinSec_aImpersonateUser(by.c_str(), "", password->c_str(), &token);
  password->Clear();
  if (code != kSecOk) {
    RecordFailedCheck(RecordedUserName(by.c_str()), KorWinSec_LastAttemptLockedAccount() != 0);
    return Refuse(FailureText(code), kExitFailed, context);
  }
  account->name = by;
  account->groups = ImpersonatedGroups();
  account->is_admin = KorWinSec_IsImpersonatedUserAdmin() != 0;
  return true;
}

}  // namespace

bool ReadOneSecret(const char* prompt, SecretString* out) {
  termios saved;
  bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    std::cerr << prompt << std::flush;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ReadSecretResult result = ReadSecretLine(STDIN_FILENO, out);
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
  }
  switch (result) {
    case ReadSecretResult::kOk:
      return true;
    case ReadSecretResult::kEndOfInput:
      PrintError("no password on standard input");
      return false;
    case ReadSecretResult::kTooLong:
      PrintError("the password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes");
      return false;
    case ReadSecretResult::kError:
      break;
  }
  PrintError("cannot read the password");
  return false;
}

bool ReadNewPassword(SecretString* out) {
  if (!ReadOneSecret("New password: ", out)) return false;
  if (!isatty(STDIN_FILENO)) return true;
  SecretString again;
  if (!ReadOneSecret("Retype new password: ", &again)) return false;
  if (again == *out) return true;
  PrintError("the passwords do not match");
  return false;
}

void AddByOption(CLI::App* command, std::string* by) {
  command->add_option("--by", *by,
                      "account making the change while the 21 CFR Part 11 features are on "
                      "(password on the terminal or the first line of standard input)");
}

namespace {

// Reads the password of the accountable account `by` (a usage error when
// the name holds a control character or nothing can be read).
bool ReadPasswordOf(const std::string& by, SecretString* password, Context& context) {
  if (HasControlChar(by)) return Refuse("the user name holds a control character", kExitUsage, context);
  const std::string prompt = "Password of " + by + ": ";
  if (!ReadOneSecret(prompt.c_str(), password)) {
    context.exit_code = kExitUsage;
    return false;
  }
  return true;
}

// The change decided in this process: a private data directory without a
// service (and, through one, only to say what is missing before asking).
bool AuthorizeInProcess(const std::string& by, Context& context) {
  if (theSystemConfig.Is21CFREnabled() == 0) return true;
  // Settings that fail their seal or cannot be read count as features on,
  // and their rights cannot be trusted: then the service's administrators
  // (--admin accounts, the admin group) may act, to accept or mend them.
  const bool settings_readable = theSystemConfig.VerifySettings() == kConfigOk;
  if (by.empty() && !settings_readable) {
    return Refuse(CSystemConfiguration::LastErrorMessage() +
                      "\ntavsec: until this is mended the 21 CFR Part 11 features count as on: "
                      "name an administrator making the change with --by NAME",
                  kExitFailed, context);
  }
  if (by.empty()) {
    return Refuse("the 21 CFR Part 11 features are on: name the account making the change "
                  "with --by NAME",
                  kExitUsage, context);
  }
  SecretString password;
  if (!ReadPasswordOf(by, &password, context)) return false;
  CheckedAccount account;
  if (!CheckInProcess(by, &password, &account, context)) return false;
  const bool allowed =
      settings_readable
          ? theSystemConfig.IsActivityAllowed(account.groups, kConfigurationActivity, nullptr) != 0
          : account.is_admin;
  if (!allowed) {
    AuthSyslog(LOG_WARNING, "configuration change refused; user=" + by +
                                " lacks the configuration right");
    return Refuse("\"" + by + "\" may not change the configuration (activity 0)", kExitFailed,
                  context);
  }
  SetActingUserShowsSystemUser(true);
  return true;
}

}  // namespace

bool AuthorizeChange(const std::string& by, Context& context) {
  if (!UsesComplianceService()) return AuthorizeInProcess(by, context);
  const bool settings_readable = theSystemConfig.VerifySettings() == kConfigOk;
  if (by.empty()) {
    // The service lets a system administrator change the settings while
    // the features are off, and refuses anyone else.
    if (settings_readable && theSystemConfig.Is21CFREnabled() == 0) return true;
    return AuthorizeInProcess(by, context);  // says what to do
  }
  SecretString password;
  if (!ReadPasswordOf(by, &password, context)) return false;
  // One logon, as a login: the service checks the password (this process
  // checks nothing, so nothing loaded into it can pass a wrong one), records
  // the login's events (a failure, the lock it caused, or the success), and
  // keeps the logon until the process ends: the changes name it, and the
  // service checks its rights with each change.
  HANDLE token = nullptr;
  protocol::LogonReply reply;
  const int code = client::LogonAsLogin(by.c_str(), "", password.c_str(), &token, &reply);
  password.Clear();
  if (code == kSecBackendUnavailable) {
    return Refuse(reply.detail.empty() ? FailureText(code) : reply.detail, kExitFailed, context);
  }
  if (reply.event_status != 0) {
    return Refuse("the attempt could not be recorded: " + reply.event_message, kExitFailed,
                  context);
  }
  if (code != kSecOk) return Refuse(FailureText(code), kExitFailed, context);
  SetServiceAuthenticatedAccount(reply.user.user_name.empty() ? by : reply.user.user_name);
  client::SetActorShowsSystemUser(true);
  SetActingUserShowsSystemUser(true);
  return true;
}

std::string AccountEventName(const std::string& account) {
  return account + " (by " + ActingUserName() + ")";
}

void RecordAccountEvent(AUDITCODE code, const std::string& account, Context& context) {
  // A private data directory without a service: the account database was
  // changed by this process, and the event goes to the same store.
  const StoreStatus status =
      CSystemEventManager::OfStore()->RecordSystemEvent(code, AccountEventName(account).c_str());
  if (status.ok()) return;
  PrintError("the change is made, but its event could not be recorded", status.message());
  context.exit_code = kExitFailed;
}

}  // namespace tav::tavsec
