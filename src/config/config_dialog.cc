#include "config/config_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>

#include "config/audit_esig_page.h"
#include "config/config_help.h"
#include "config/group_permissions_page.h"
#include "config/idle_timeout.h"
#include "services/config/system_configuration.h"
#include "ui/message_prompter.h"
#include "ui/screen_fit.h"
#include "ui_config_dialog.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

CConfigurationDialog::CConfigurationDialog(CSystemConfiguration& config, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ConfigDialog>()), config_(config.NewEditor()) {
  ui_->setupUi(this);
  ui_->ctl1004->setDefault(true);
  connect(ui_->ctl1001, &QCheckBox::clicked, this, &CConfigurationDialog::OnFeaturesClicked);
  connect(ui_->ctl1004, &QPushButton::clicked, this, &CConfigurationDialog::OnOk);
  connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->ctl1040, &QPushButton::clicked, this, &CConfigurationDialog::OnHelp);
}

CConfigurationDialog::~CConfigurationDialog() = default;

int CConfigurationDialog::Run(const ConfigAccessChecks& checks) {
  setWindowTitle(QCoreApplication::translate("tav::Configuration", kConfigDialogTitle));
  if (!AdmitConfigurationUser(checks, this)) return QDialog::Rejected;
  CreatePages();
  LoadValues();
  activateWindow();
  raise();
  return exec();
}

void CConfigurationDialog::CreatePages() {
  permissions_ = new CGroupPermissionsPage(ui_->ctl1000);
  ui_->ctl1000->addTab(permissions_,
                       QCoreApplication::translate("tav::Configuration", kPermissionsTabTitle));
  permissions_->Initialize(*config_);
  audit_ = new CAuditESigPage(ui_->ctl1000);
  ui_->ctl1000->addTab(audit_, QCoreApplication::translate("tav::Configuration", kAuditTabTitle));
  audit_->Initialize(*config_);
}

void CConfigurationDialog::LoadValues() {
  ui_->ctl1001->setChecked(config_->Is21CFREnabled() != 0);
  ui_->ctl1002->setText(QString::number(config_->GetConfigInt(kIdleTimeoutSetting, 0)));
  permissions_->Load(*config_);
  audit_->Load(*config_);
}

void CConfigurationDialog::OnFeaturesClicked() {
  ui_->ctl1000->setEnabled(ui_->ctl1001->isChecked());
  ui_->ctl1000->update();
}

void CConfigurationDialog::OnOk() {
  const int timeout = ParseIdleTimeout(ui_->ctl1002->text().toStdString());
  if (!IdleTimeoutInRange(timeout)) {
    const std::string text = TimeoutRangeText();
    StealthMessageBox(IDOK, this, text.c_str(),
                      TranslateText("tav::Configuration", kTimeoutRangeCaption).c_str(), MB_OK);
    return;
  }
  ui_->ctl1002->setText(QString::number(timeout));
  const std::string failure = Save(timeout);
  if (!failure.empty()) {
    const std::string text =
        StrFormat(TranslateText("tav::Configuration", kSaveFailedFormat).c_str(), failure.c_str());
    StealthMessageBox(IDOK, this, text.c_str(),
                      TranslateText("tav::Configuration", kSaveFailedCaption).c_str(),
                      MB_OK | MB_ICONERROR);
    return;
  }
  accept();
}

namespace {

// The dialog's writes as one batch of the configuration service: dropped
// unless committed.
class SaveBatch {
 public:
  explicit SaveBatch(CSystemConfiguration& config) : config_(config) { config_.BeginBatch(); }
  ~SaveBatch() {
    if (!committed_) config_.AbortBatch();
  }
  SaveBatch(const SaveBatch&) = delete;
  SaveBatch& operator=(const SaveBatch&) = delete;

  int Commit() {
    committed_ = true;
    return config_.CommitBatch();
  }

 private:
  CSystemConfiguration& config_;
  bool committed_ = false;
};

std::string FailureText(int result) {
  if (result == 0) return {};
  std::string message = CSystemConfiguration::LastErrorMessage();
  return message.empty()
             ? StrFormat(TranslateText("tav::Configuration", "error %d").c_str(), result)
             : message;
}

}  // namespace

std::string CConfigurationDialog::Save(int timeout) {
  // Every change lands or none does: the writes are queued and stored in
  // one transaction, each with its audit event under the acting user.
  SaveBatch batch(*config_);
  int result = permissions_->Save(*config_);
  if (result == 0) result = audit_->Save(*config_);
  if (result == 0) result = config_->Set21CFREnabled(ui_->ctl1001->isChecked() ? 1 : 0);
  if (result == 0) result = config_->SetConfigInt(kIdleTimeoutSetting, timeout);
  if (result != 0) return FailureText(result);
  return FailureText(batch.Commit());
}

void CConfigurationDialog::OnHelp() { ShowHelp(kHelpConfigDialog); }

int CConfigurationDialog::HelpContextForTab(int requested) const {
  switch (ui_->ctl1000->currentIndex()) {
    case 0: return kHelpPermissionsTab;
    case 1: return kHelpAuditingTab;
    default: return requested;
  }
}

void CConfigurationDialog::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::HelpContents) || event->key() == Qt::Key_F1) {
    ShowHelp(HelpContextForTab(kHelpConfigDialog));
    return;
  }
  QDialog::keyPressEvent(event);
}

int ShowConfigurationDialog() {
  CConfigurationDialog dialog(theSystemConfig);
  KeepOnScreen(&dialog);
  return dialog.Run(ConfigAccessChecks::Default()) == QDialog::Accepted ? IDOK : IDCANCEL;
}

}  // namespace tav
