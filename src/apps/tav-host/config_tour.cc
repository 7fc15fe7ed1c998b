// The tour's visit to the 21 CFR Part 11 Configuration dialog. The host asks
// whether the logged-on user may configure the compliance settings before it
// opens the dialog: a user who may not is refused, and the tour checks that
// the dialog stays closed. The administrator of the demo then logs on and
// the tour pictures each tab with the settings as they are stored, then
// cancels, so that it changes nothing.
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "TAVSecurityUI.h"
#include "apps/tav-host/host_window.h"
#include "apps/tav-host/tour.h"
#include "services/config/system_ids.h"
#include "ui_host_window.h"

namespace tav::host {

void Tour::AddConfigSteps() {
  Ui::HostWindow& ui = window_.ui();
  if (!ui.actionConfigDialog->isEnabled()) return;

  // The tour's user, when it may not configure: the host's refusal.
  AddStep([this, &ui] {
    if (TAVSecurityUI_IsUserAllowedAccessStealth(kActivityConfigureCompliance) == 1) return;
    // The next step waits until the dialog has had time to show, so that
    // this watch cannot take the administrator's dialog for this one.
    waiting_ = true;
    When(
        "dlg102",
        [this](QWidget* dialog) {
          Fail("the configuration dialog opened for a user who may not configure");
          QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
          waiting_ = false;
        },
        2000, [this] { waiting_ = false; });
    When(
        "StealthMessageBox",
        [](QWidget* box) {
          QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                            Qt::LeftButton);
        },
        3000, [this] { Fail("the host did not refuse the configuration"); });
    ui.actionConfigDialog->trigger();
  });

  // The administrator logs on through the host's Log In.
  if (!admin_.isEmpty()) {
    AddStep([this, &ui] {
      window_.idle_watch().Stop();
      When("dlg130", [this](QWidget* dialog) {
        TypeCredentials(dialog, admin_, admin_password_);
        QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
      });
      ui.actionLogin->trigger();
      window_.RefreshUser();
    });
  }

  AddStep([this, &ui] {
    if (TAVSecurityUI_IsUserAllowedAccessStealth(kActivityConfigureCompliance) != 1) {
      Fail("nobody who may configure is logged on: give the tour an administrator");
      return;
    }
    When("dlg102", [this](QWidget* dialog) {
      auto* tabs = dialog->findChild<QTabWidget*>("ctl1000");
      tabs->setCurrentIndex(0);
      Save(dialog, "14-configuration-permissions.png");
      tabs->setCurrentIndex(1);
      // Templates: a file type with signature activities of its own.
      if (auto* upper = dialog->findChild<QTreeView*>("ctl1003")) {
        const QModelIndex templates = upper->model()->index(3, 0);
        QTest::mouseClick(upper->viewport(), Qt::LeftButton, Qt::NoModifier,
                          upper->visualRect(templates).center());
      }
      Save(dialog, "15-configuration-auditing.png");
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
    });
    ui.actionConfigDialog->trigger();
  });
}

}  // namespace tav::host
