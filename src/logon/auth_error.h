// The message of a failed authentication, shown by the User Login dialog
// and by the signature dialog.
//
// Threads: the GUI thread.
#ifndef TAV_LOGON_AUTH_ERROR_H_
#define TAV_LOGON_AUTH_ERROR_H_

#include <string>

#include "util/shown_text.h"

class QWidget;

namespace tav {

inline constexpr char kAuthErrorCaption[] =
    TAV_TR_NOOP("tav::Logon", "Windows System Authentication error");
inline constexpr char kBlankUserNameText[] = TAV_TR_NOOP(
    "tav::Logon",
    "Logon failure: The user name field cannot be blank for successful authentication.   \n");
inline constexpr char kPasswordCaseHint[] =
    TAV_TR_NOOP("tav::Logon", "Letters in passwords must be typed using the correct case.   \n");
inline constexpr int kBlankUserNameCode = -1;
inline constexpr int kLogonFailureCode = 1326;

// The body of the message for a code of the security service: the
// service's text of the code, or "Authentication failure: Error code N"
// when it has none; the blank-name text for -1; the letter-case hint added
// for 1326; for 1311 (no usable security store or backend) the service's
// reason, when it gave one, on a line of its own, so that the user learns
// what an administrator must mend.
std::string AuthenticationErrorText(int code);

// Shows the message in a stealth-aware, task-modal error box owned by
// `dialog`'s window (or by none when null).
void ShowAuthenticationError(QWidget* dialog, int code);

}  // namespace tav

#endif  // TAV_LOGON_AUTH_ERROR_H_
