// The "21 CFR Part 11 Configuration" dialog (dlg102): the feature switch
// (ctl1001), the idle timeout (ctl1002), and the tabs (ctl1000) "User
// Group Permissions" and "Auditing and E-Signatures". OK (ctl1004, the
// default button) checks the timeout and saves; Cancel (ctl2) saves
// nothing; Help (ctl1040) and F1 open the help pages.
//
// The dialog reads and saves through an object of its own on the store of
// the configuration it is given (CSystemConfiguration::NewEditor): what it
// saves is what the administrator changed since it read, however often
// others (a host asking theSystemConfig) read meanwhile.
//
// Saving writes the permissions, the auditing and signature settings, the
// switch and the timeout, in that order, as one batch of the configuration
// service: all of them land, each audited under the acting user, or none
// does. When the save fails the dialog says why and stays open.
//
// Threads: the GUI thread. The dialog lives for one modal run.
#ifndef TAV_CONFIG_CONFIG_DIALOG_H_
#define TAV_CONFIG_CONFIG_DIALOG_H_

#include <QDialog>
#include <memory>

#include "config/config_access.h"
#include "util/shown_text.h"

namespace Ui {
class ConfigDialog;
}

namespace tav {

class CAuditESigPage;
class CGroupPermissionsPage;
class CSystemConfiguration;

inline constexpr char kConfigDialogTitle[] =
    TAV_TR_NOOP("tav::Configuration", "21 CFR Part 11 Configuration");
inline constexpr char kSaveFailedCaption[] =
    TAV_TR_NOOP("tav::Configuration", "21 CFR Part 11 Configuration");
// One %s: what the configuration service said.
inline constexpr char kSaveFailedFormat[] = TAV_TR_NOOP(
    "tav::Configuration",
    "The settings could not be saved:\n%s\n\nThe dialog stays open; press OK to try again.");

class CConfigurationDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CConfigurationDialog(CSystemConfiguration& config, QWidget* parent = nullptr);
  ~CConfigurationDialog() override;

  // Checks who may open the dialog, then shows it modally. QDialog::Accepted
  // after a successful OK, else QDialog::Rejected (also when refused).
  int Run(const ConfigAccessChecks& checks);

  CGroupPermissionsPage* PermissionsPage() const { return permissions_; }
  CAuditESigPage* AuditPage() const { return audit_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreatePages();
  void LoadValues();
  void OnFeaturesClicked();
  void OnOk();
  // The first failed write's message, empty when all succeeded.
  std::string Save(int timeout);
  void OnHelp();
  int HelpContextForTab(int requested) const;

  std::unique_ptr<Ui::ConfigDialog> ui_;
  std::unique_ptr<CSystemConfiguration> config_;  // the dialog's own (NewEditor)
  CGroupPermissionsPage* permissions_ = nullptr;  // owned by the tab control
  CAuditESigPage* audit_ = nullptr;               // owned by the tab control
};

// Runs the dialog on theSystemConfig with the process's logon state: the
// export's result (IDOK 1 or IDCANCEL 2).
int ShowConfigurationDialog();

}  // namespace tav

#endif  // TAV_CONFIG_CONFIG_DIALOG_H_
