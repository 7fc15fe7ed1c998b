// UserLoginDialog: the User Login dialog (dlg130), a thin view over
// LoginController.
//
// Controls: ctl1002 user name, ctl1019/ctl1004 domain label and field
// (hidden on a machine without a domain, the password row then takes their
// place), ctl1000/ctl1003 password label and field, ctl1001 OK (authenticates)
// and ctl2 Cancel. Enter moves from the user name to the domain (or the
// password) field and authenticates from the password field or the OK
// button; a failed authentication shows its message and keeps the dialog
// open with the texts as typed and the focus in the user name field. An
// attempt whose system event cannot be stored is refused the same way,
// with the event log's message instead (logon/unrecorded_event.h).
//
// Secrets: the password is taken from its field into a SecretString only
// when the user authenticates, and the field is emptied when the dialog
// closes. After an accepted run, TakePassword hands the password to the
// caller (who logs on with it) and wipes the dialog's copy.
//
// Threads: the GUI thread. Ownership: an ordinary QDialog; the backend
// must outlive it.
#ifndef TAV_LOGON_USER_LOGIN_DIALOG_H_
#define TAV_LOGON_USER_LOGIN_DIALOG_H_

#include <QDialog>
#include <memory>
#include <string>

#include "logon/login_controller.h"
#include "logon/unrecorded_event.h"
#include "services/security/secret.h"
#include "util/shown_text.h"

namespace Ui {
class UserLoginDialog;
}

namespace tav {

inline constexpr char kUserLoginTitle[] = TAV_TR_NOOP("tav::Logon", "User Login");
inline constexpr char kIdleLoginTitle[] =
    TAV_TR_NOOP("tav::Logon", "Idle Timeout re-authentication required");
// The warning a few days before the password expires: one day, or %d days.
inline constexpr char kPasswordExpiryOneDay[] = TAV_TR_NOOP(
    "tav::Logon",
    "Your password expires in 1 day. After that you must choose a new one when you log on.");
inline constexpr char kPasswordExpiryFormat[] = TAV_TR_NOOP(
    "tav::Logon",
    "Your password expires in %d days. After that you must choose a new one when you log on.");

class UserLoginDialog : public QDialog {
  Q_OBJECT

 public:
  UserLoginDialog(QWidget* parent, LogonBackend& backend, const std::string& user_name,
                  const std::string& domain, const char* title = kUserLoginTitle,
                  RecordedWork work = RecordedWork::kLogon);
  ~UserLoginDialog() override;

  // The user who passed authentication (after an accepted run).
  const UserRecord& authenticated_user() const { return controller_.authenticated_user(); }
  const LoginController& controller() const { return controller_; }

  // The password the user authenticated with; the dialog keeps no copy.
  SecretString TakePassword();

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Authenticate();
  // Offers the Change Password dialog after a logon answered `code` (1330
  // or 1907) and logs on with the new password; true when that succeeded.
  bool ChangePassword(int code);
  // Within the policy's warning period: says when the password expires.
  void WarnOfExpiry();
  void FocusField(LoginField field);
  LoginField FieldOf(const QWidget* widget) const;

  std::unique_ptr<Ui::UserLoginDialog> ui_;
  LoginController controller_;
  RecordedWork work_;
  SecretString password_;
};

}  // namespace tav

#endif  // TAV_LOGON_USER_LOGIN_DIALOG_H_
