// ESignatureDialog: the Electronic Signature dialog (dlg131), a thin view
// over ESignatureController.
//
// Controls: ctl1012/ctl1011 the heading and the document name; ctl1002 user
// name; ctl1019/ctl1004 domain (hidden on a machine without a domain, the
// password row then takes its place); ctl1000/ctl1003 password; ctl1006/
// ctl1007 reason (hidden when no reason is offered); ctl1008/ctl1005 comment;
// ctl1009/ctl1017 root folder (read-only) and ctl1010/ctl1018 sub-folder,
// both hidden without a root folder, when the comment box takes their
// space; ctl1001 OK (runs the acceptance checks; not the default button)
// and ctl2 Cancel. Enter moves through the fields (also from the comment
// box, where Ctrl+Enter starts a new line) and runs the checks from the OK
// button.
//
// Secrets: the password is read from its field into a SecretString only at
// a click on OK and wiped unless the dialog closes accepted; the field is
// emptied when the dialog closes. TakePassword hands it to the caller.
//
// Threads: the GUI thread. Ownership: an ordinary QDialog; the backend and
// the document must outlive it.
#ifndef TAV_ESIG_ESIGNATURE_DIALOG_H_
#define TAV_ESIG_ESIGNATURE_DIALOG_H_

#include <QDialog>

#include <memory>

#include "esig/esignature_controller.h"
#include "services/security/secret.h"

namespace Ui {
class ESignatureDialog;
}

namespace tav {

inline constexpr char kESignatureTitle[] = "Electronic Signature";

class ESignatureDialog : public QDialog {
  Q_OBJECT

 public:
  ESignatureDialog(QWidget* parent, SignatureBackend& backend, SignatureDialogSetup setup);
  ~ESignatureDialog() override;

  const ESignatureController& controller() const { return controller_; }

  // The password of the accepted signer; the dialog keeps no copy.
  SecretString TakePassword();

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyLayoutRules();
  void Accept();
  void HandleEnter(SignatureField focus);
  void FocusField(SignatureField field);
  SignatureField FieldOf(const QWidget* widget) const;

  std::unique_ptr<Ui::ESignatureDialog> ui_;
  ESignatureController controller_;
  SecretString password_;
};

}  // namespace tav

#endif  // TAV_ESIG_ESIGNATURE_DIALOG_H_
