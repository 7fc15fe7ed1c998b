// Who makes a change through tavsec, and the records of account changes.
//
// While the compliance features are on, a command that changes settings or
// accounts is made by an account of the security service that holds the
// configuration right (activity 0), named with --by NAME. Its password is
// asked for on the terminal (without echo), or read as the first line of
// standard input when that is not a terminal; never taken from the command
// line. While the settings fail their seal (or cannot be read) their rights
// are not trusted, and an administrator of the security service (an --admin
// account, or a member of the admin group) may act instead, to accept or
// mend them. The password is checked by the compliance service whenever the
// process uses one (client/service_client.h), never in this process; only a
// private data directory without a service is checked here. The account is
// then the acting user for the rest of the command, so the records of the
// change carry it with the system user beside it: "alice (system user
// root)". While the features are off the system user running tavsec makes
// the change, as before.
//
// Passwords are read into SecretString buffers only.
#ifndef TAV_APPS_TAVSEC_ADMIN_AUTH_H_
#define TAV_APPS_TAVSEC_ADMIN_AUTH_H_

#include <string>

#include <CLI/CLI.hpp>

#include "apps/tavsec/commands.h"
#include "records/audit_code.h"
#include "services/security/secret.h"

namespace tav::tavsec {

// Reads one line of standard input; on a terminal after `prompt`, without
// echo. Prints why not on failure.
bool ReadOneSecret(const char* prompt, SecretString* out);
// A new password: on a terminal typed twice.
bool ReadNewPassword(SecretString* out);

// Adds --by NAME to a command that changes something.
void AddByOption(CLI::App* command, std::string* by);

// Decides who makes a change of the settings, the accounts or a lock. True
// when the command may go ahead; false after printing why not and setting
// the exit code (1 refused, 2 bad input).
//
// Through the compliance service, the account named by `by` is logged on
// in the service (its password checked there, its login recorded there),
// and the service decides with each change whether that logon, or without
// --by the system user while the features are off, may make it: this
// process checks no password and no right, so nothing loaded into it can
// pass a wrong one. Refused here before anything is asked: no --by while
// the features are on. In process (a private data directory without a
// service): the features are off, or `by` names an account that passes
// authentication and holds the configuration right (the thread then
// impersonates it); a failed authentication is recorded as a failed login.
bool AuthorizeChange(const std::string& by, Context& context);

// The user field of a system event about `account` made by the acting user:
// "bob (by alice (system user root))".
std::string AccountEventName(const std::string& account);

// Records a system event about an account changed in process; a failure to
// store it is printed and sets the exit code (the change itself is made
// already). Through the service, the service records it.
void RecordAccountEvent(AUDITCODE code, const std::string& account, Context& context);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_ADMIN_AUTH_H_
