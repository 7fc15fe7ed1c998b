// The tour's visit to the 21 CFR Part 11 Configuration dialog: a picture of
// each tab with the settings as they are stored, then Cancel, so that the
// tour changes nothing.
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "apps/tav-host/host_window.h"
#include "apps/tav-host/tour.h"
#include "ui_host_window.h"

namespace tav::host {

void Tour::AddConfigSteps() {
  Ui::HostWindow& ui = window_.ui();
  if (!ui.actionConfigDialog->isEnabled()) return;
  AddStep([this, &ui] {
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
