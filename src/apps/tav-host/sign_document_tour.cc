// The tour's visit to electronic signatures: it sets up the signer groups
// and reasons, signs an example document (first with a meaning the document
// cannot carry, to show the refusal, then with one it can) and shows the
// signatures the document then holds.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "apps/tav-host/host_window.h"
#include "apps/tav-host/sign_document.h"
#include "apps/tav-host/tour.h"
#include "ui_host_window.h"

namespace tav::host {

namespace {

// `name`: the reason's English name; the box shows it translated.
void ChooseReason(QWidget* dialog, const char* name) {
  auto* reasons = dialog->findChild<QComboBox*>("ctl1007");
  reasons->setCurrentIndex(reasons->findText(QCoreApplication::translate("tav::Names", name)));
}

}  // namespace

void Tour::AddSignatureSteps() {
  Ui::HostWindow& ui = window_.ui();
  const QString document = QDir(directory_).filePath("plate-42.tav");

  AddStep([this, &ui, document] {
    std::string error;
    if (!WriteExampleDocument(QFile::encodeName(document).toStdString(), &error)) {
      Fail(QString::fromStdString(error));
      return;
    }
    ui.actionSignerSetup->trigger();
    When("dlg131", [this](QWidget* dialog) {
      TypeCredentials(dialog, true);
      ChooseReason(dialog, "Approved Analysis Results");
      QTest::keyClicks(dialog->findChild<QPlainTextEdit*>("ctl1005"),
                       "Plate layout checked against the protocol");
      Save(dialog, "09-electronic-signature.png");
      // The document holds a plate setup, but no results to approve.
      When("StealthMessageBox", [this](QWidget* box) {
        Save(box, "10-nothing-to-sign.png");
        QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                          Qt::LeftButton);
        When("dlg131", [this](QWidget* again) {
          ChooseReason(again, "Approved Plate Setup");
          TypeCredentials(again, true);
          QTest::mouseClick(again->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
        });
      });
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
    });
    SetNextDocumentPath(document);
    ui.actionSign->trigger();
  });

  AddStep([this, &ui, document] {
    When("dlgSignatures", [this](QWidget* box) {
      Save(box, "11-signatures.png");
      QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                        Qt::LeftButton);
    });
    SetNextDocumentPath(document);
    ui.actionShowSignatures->trigger();
  });
}

}  // namespace tav::host
