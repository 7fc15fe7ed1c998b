// The tour's visit to the Run List Manager: it imports a run file through
// the file chooser, pictures both tabs, opens the file in a document
// window, then tries to delete it while it is open and pictures the
// refusal. The file stays on the list and on disk.
#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

#include "TAVSecurityUI.h"

#include "apps/tav-host/host_window.h"
#include "apps/tav-host/sign_document.h"
#include "apps/tav-host/tour.h"
#include "ui_host_window.h"

namespace tav::host {

namespace {

// Selects the run list row of the file called `name`; false without one.
bool SelectRow(QWidget* dialog, const QString& name) {
  auto* list = dialog->findChild<QTreeView*>("ctl1031");
  if (list == nullptr) return false;
  QAbstractItemModel* model = list->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    if (model->data(model->index(row, 1)).toString() == name) {
      list->setCurrentIndex(model->index(row, 0));
      return true;
    }
  }
  return false;
}

void Press(QWidget* dialog, const char* button) {
  QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
}

}  // namespace

void Tour::AddRunListSteps() {
  Ui::HostWindow& ui = window_.ui();
  if (!ui.actionRunList->isEnabled()) return;
  const QString name = "run-7.tav";
  const QString document = QDir(directory_).absoluteFilePath(name);
  // The visit needs the history tab (13) and Delete (6); a tour user without
  // them skips it rather than meeting refusals nobody answers.
  auto skip = std::make_shared<bool>(false);

  AddStep([this, &ui, name, document, skip] {
    *skip = TAVSecurityUI_IsUserAllowedAccessStealth(13) == 0 ||
            TAVSecurityUI_IsUserAllowedAccessStealth(6) == 0;
    if (*skip) return;
    std::string error;
    if (!WriteExampleDocument(QFile::encodeName(document).toStdString(), &error)) {
      Fail(QString::fromStdString(error));
      return;
    }
    When("dlg1008", [this, name, document](QWidget* dialog) {
      When("dlgFileImport", [document](QWidget* chooser) {
        auto* files = qobject_cast<QFileDialog*>(chooser);
        // Typed into the name field: the folder view fills only later.
        files->findChild<QLineEdit*>("fileNameEdit")->setText(document);
        static_cast<QDialog*>(files)->accept();  // as the "&Import" button does
      });
      Press(dialog, "ctl6");
      if (!SelectRow(dialog, name)) {
        Fail("the imported run file is not on the run list");
        Press(dialog, "ctl2");
        return;
      }
      Save(dialog, "16-run-list.png");
      auto* tabs = dialog->findChild<QTabWidget*>("ctl1030");
      tabs->setCurrentIndex(1);
      Save(dialog, "17-run-list-audit-trail.png");
      tabs->setCurrentIndex(0);
      SelectRow(dialog, name);
      Press(dialog, "ctl1034");  // posts "open file" and closes the dialog
    });
    ui.actionRunList->trigger();
  });

  AddStep([this, &ui, name, document, skip] {
    if (*skip) return;
    QWidget* window = window_.documents().Window(QFile::encodeName(document).toStdString());
    if (window == nullptr) {
      Fail("the run file did not open in a document window");
      return;
    }
    Save(window, "18-run-document.png");
    When("dlg1008", [this, name](QWidget* dialog) {
      When("StealthMessageBox", [this](QWidget* box) {
        Save(box, "19-deletion-refused.png");
        QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                          Qt::LeftButton);
      });
      if (SelectRow(dialog, name)) Press(dialog, "ctl5");
      Press(dialog, "ctl2");
    });
    ui.actionRunList->trigger();
  });

  AddStep([this, document] {
    if (QWidget* window =
            window_.documents().Window(QFile::encodeName(document).toStdString())) {
      window->close();
    }
  });
}

}  // namespace tav::host
