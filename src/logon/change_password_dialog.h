// ChangePasswordDialog: "Change Password" (dlg135), the library's own
// dialog that the User Login dialog opens when a logon answers that the
// password has expired (1330) or must be changed (1907). The user types the
// new password twice (ctl1005, ctl1006); OK (ctl1) has the change made
// (password_change.h), Cancel (ctl2) or Escape gives up, and the logon
// stays refused. A mismatch, a rule that refuses the new password, or a
// failure shows its message and keeps the dialog open.
//
// Threads: the GUI thread. The fields are cleared when the dialog closes;
// the new password is handed to the caller once, in a SecretString.
#ifndef TAV_LOGON_CHANGE_PASSWORD_DIALOG_H_
#define TAV_LOGON_CHANGE_PASSWORD_DIALOG_H_

#include <QDialog>
#include <memory>
#include <string>

#include "logon/password_change.h"
#include "logon/unrecorded_event.h"
#include "services/security/secret.h"
#include "util/shown_text.h"

namespace Ui {
class ChangePasswordDialog;
}

namespace tav {

inline constexpr char kChangePasswordTitle[] = TAV_TR_NOOP("tav::Logon", "Change Password");
inline constexpr char kPasswordExpiredPrompt[] =
    TAV_TR_NOOP("tav::Logon", "The password for this account has expired. Type a new password.");
inline constexpr char kPasswordMustChangePrompt[] = TAV_TR_NOOP(
    "tav::Logon", "The password must be changed before signing in. Type a new password.");

class ChangePasswordDialog : public QDialog {
  Q_OBJECT

 public:
  // `old_password` is read during the dialog's run only; the caller keeps it.
  ChangePasswordDialog(QWidget* parent, LogonBackend& backend, const std::string& user_name,
                       const std::string& domain, const SecretString& old_password, int code,
                       RecordedWork work = RecordedWork::kLogon);
  ~ChangePasswordDialog() override;

  // The new password, after an accepted run; the dialog keeps no copy.
  SecretString TakeNewPassword();

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Change();

  std::unique_ptr<Ui::ChangePasswordDialog> ui_;
  PasswordChange change_;
  const SecretString& old_password_;
  RecordedWork work_;
  SecretString new_password_;
};

}  // namespace tav

#endif  // TAV_LOGON_CHANGE_PASSWORD_DIALOG_H_
