#include "audit/system_audit_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>

#include "audit/config_trail_panel.h"
#include "audit/event_log_page.h"
#include "controls/refusable_tab_widget.h"
#include "ui/button_keys.h"
#include "ui/screen_fit.h"
#include "ui_system_audit_dialog.h"

namespace tav {

SystemAuditDialog::SystemAuditDialog(QWidget* parent, int initial_tab)
    : QDialog(parent), CTabPageHost(this), ui_(std::make_unique<Ui::SystemAuditDialog>()) {
  ui_->setupUi(this);
  if (initial_tab != kEventLogTab && initial_tab != kConfigTrailTab) initial_tab = kEventLogTab;
  event_log_ = new EventLogPage();
  ui_->ctl1039->addTab(event_log_,
                       QCoreApplication::translate("tav::SystemAudit", kEventLogTabText));
  config_trail_ = new ConfigTrailPanel();
  // The reviews of the trail are events of the log the event page read.
  config_trail_->SetReviews(event_log_->Reviews());
  ui_->ctl1039->addTab(config_trail_,
                       QCoreApplication::translate("tav::SystemAudit", kConfigTrailTabText));
  ConnectTabControl(ui_->ctl1039);
  connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
  PressFocusedButtonOnEnter(this);
  ui_->ctl1039->setFocus();
  SelectPage(initial_tab);
}

SystemAuditDialog::~SystemAuditDialog() = default;

ITabPage* SystemAuditDialog::GetPage(int index) {
  if (index == kEventLogTab) return event_log_;
  if (index == kConfigTrailTab) return config_trail_;
  return nullptr;
}

int SystemAuditDialog::GetCurSel() const { return ui_->ctl1039->currentIndex(); }

void SystemAuditDialog::SetCurSel(int index) {
  const QSignalBlocker quiet(ui_->ctl1039);
  ui_->ctl1039->setCurrentIndex(index);
}

void SystemAuditDialog::keyPressEvent(QKeyEvent* event) {
  // The viewer is closed with "Close" or the close box; Escape, which would
  // reject a dialog, is swallowed.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void RunSystemAudit(QWidget* parent, int initial_tab) {
  SystemAuditDialog dialog(parent, initial_tab);
  KeepOnScreen(&dialog);
  dialog.exec();
}

}  // namespace tav
