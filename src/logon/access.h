// The access queries: are the 21 CFR Part 11 features on, may the current
// user run the software or perform a controlled activity, is a data type
// audited, the audit comment flags and the idle timeout.
//
// Every answer reads the configuration service (theSystemConfig) and the
// given user afresh; nothing is cached. While the features are off every
// user may do everything and nothing is audited. A refusal shows its
// message through StealthMessageBox (default answer IDOK), so in stealth
// mode it is silent and the answer is the same.
//
// Threads: the GUI thread (message boxes).
#ifndef TAV_LOGON_ACCESS_H_
#define TAV_LOGON_ACCESS_H_

#include <string>

#include "logon/user_record.h"
#include "util/shown_text.h"

namespace tav {

inline constexpr char kNotAllowedCaption[] =
    TAV_TR_NOOP("tav::Logon", "Access to the TAV software is not allowed");
inline constexpr char kNotAllowedText[] = TAV_TR_NOOP(
    "tav::Logon",
    "The entered username does not have permission to run the TAV software.\n"
    "Please contact your Administrator to setup users with membership in user groups   \n"
    "as appropriate for authentication within the TAV software.\n\n"
    "You may try a different username at the User Login screen, or use Cancel to exit.");
inline constexpr char kActivityRefusedCaption[] =
    TAV_TR_NOOP("tav::Logon", "Access to this feature is not allowed");
// One %s: the activity's name.
inline constexpr char kActivityRefusedFormat[] = TAV_TR_NOOP(
    "tav::Logon",
    "The current logged-on user does not have permission to perform the \"%s\" activity.\n"
    "Please refer to the User Groups tab of the 21 CFR Part 11 configuration.");

// 1 while the features are on, else 0.
int IsUserSecurityEnabled();

// 1 when `user` is logged on (has a name) and one of its groups is one of
// the suite's user groups (whole names, letter case ignored); else shows
// the refusal and returns 0. 1 while the features are off.
int IsUserAllowed(const UserRecord& user);

// 1 when `user` may perform `activity`, else 0; never shows anything.
int IsActivityAllowed(const UserRecord& user, int activity);

// As IsActivityAllowed; a refusal shows its message with the activity's
// name first.
int IsActivityAllowedWithMessage(const UserRecord& user, int activity);

// The same for the user logged on in `logon`. Through the compliance
// service the service answers from the groups it holds for the logon's
// token (client/settings_proxy.h MayPerform), not from the groups this
// process was told; in process, from logon.current_user.
int IsActivityAllowed(const LogonState& logon, int activity);
int IsActivityAllowedWithMessage(const LogonState& logon, int activity);

// The refusal message for an activity (its name, or its number when it has
// none).
std::string ActivityRefusedText(int activity);

// 1 when changes to `data_type` are audited: recording type 1, 2 or 3. A
// type that the configuration service always audits counts as audited
// whatever is stored for it; a type outside the service's range is not
// audited. 0 while the features are off.
int IsAuditRecordingForDataType(int data_type);

// The audit comment flags, stored as 0 or 1 through the pointers that are
// not null when the service answers 0; its result is returned unchanged.
int GetAuditCommentSetting(int data_type, int* first, int* second);

// The idle timeout in minutes; 0 for none; kFailClosedIdleTimeoutMinutes
// (15) while the settings cannot be read.
int GetIdleTimeout();

}  // namespace tav

#endif  // TAV_LOGON_ACCESS_H_
