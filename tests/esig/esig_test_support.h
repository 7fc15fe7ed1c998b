// Helpers of the signature tests: a backend whose clock steps and whose
// steps can be made to answer as the real services cannot on demand, the
// accounts, documents on disk, and the person in front of the dialog.
#ifndef TAV_TESTS_ESIG_ESIG_TEST_SUPPORT_H_
#define TAV_TESTS_ESIG_ESIG_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "esig/signature_backend.h"
#include "records/chunk_file.h"
#include "records/list_comp.h"
#include "records/value_comps.h"
#include "services/security/korwinsec.h"
#include "testing/gui_test_support.h"
#include "util/file.h"

namespace tav::testing {

class TestSignatureBackend : public SignatureBackend {
 public:
  DATE Now() override { return clock += 1.0; }  // a day per reading

  // With accept_anyone every credential passes, a blank name or an empty
  // password too, as `anyone`.
  int Authenticate(const char* user, const char* domain, const char* password) override {
    return accept_anyone ? 0 : SignatureBackend::Authenticate(user, domain, password);
  }
  std::string AuthenticFullName() override {
    return accept_anyone ? anyone.full_name : SignatureBackend::AuthenticFullName();
  }
  std::vector<std::string> AuthenticGroups() override {
    if (!accept_anyone) return SignatureBackend::AuthenticGroups();
    return {anyone.groups.begin(), anyone.groups.end()};
  }
  int ImpersonateUser(const char* user, const char* domain, const char* password,
                      HANDLE* token) override {
    if (fail_impersonation) return 1326;
    return SignatureBackend::ImpersonateUser(user, domain, password, token);
  }
  StoreStatus AddSystemEvent(int code, const std::string& user_name) override {
    events.push_back(std::to_string(code) + " " + user_name);
    return SignatureBackend::AddSystemEvent(code, user_name);
  }

  DATE clock = 46000.0;
  bool accept_anyone = false;
  UserRecord anyone;
  bool fail_impersonation = false;
  std::vector<std::string> events;
};

// dave and carol are in the signer group, bob is not; carol has no full name.
inline void AddSignatureAccounts() {
  AddLocalAccount("alice", "Alice-Pass1", {"tav-analysts"}, "Alice Liddell");
  AddLocalAccount("bob", "Bob-Pass2", {"tav-operators"}, "Bob Builder");
  AddLocalAccount("carol", "Carol-Pass3", {"esig-signers"});
  AddLocalAccount("dave", "Dave-Pass4", {"tav-managers", "esig-signers"}, "Dave Signer", true,
                  "Lab manager");
}

inline std::string ImpersonatedName() {
  char buffer[256];
  return KorWinSec_aGetImpersonatedUser(buffer, sizeof buffer) > 0 ? buffer : "";
}

// A document of top-level chunks: a version and an empty list per tag.
inline void WriteDocument(const std::string& path, const std::vector<std::string>& tags) {
  std::vector<std::unique_ptr<CComponent>> chunks;
  chunks.push_back(std::make_unique<CLongComp>("VERS", 3));
  for (const std::string& tag : tags) chunks.push_back(std::make_unique<CListComp>(tag));
  CMemFile file;
  ASSERT_EQ(WriteChunkFile(&file, chunks), kRecordOk);
  WriteFileAtomically(path, file.view());
}

// What a person types and chooses (reason row -1: none) before clicking OK.
struct Signing {
  Signing(std::string user, std::string password, int reason_row, std::string comment = "",
          std::string subfolder = "")
      : user(std::move(user)),
        password(std::move(password)),
        reason_row(reason_row),
        comment(std::move(comment)),
        subfolder(std::move(subfolder)) {}
  std::string user, password;
  int reason_row;
  std::string comment, subfolder;  // an empty sub-folder leaves the box alone
};

inline void FillAndClickOk(QWidget* dialog, const Signing& s) {
  for (auto [name, text] : {std::pair{"ctl1002", &s.user}, std::pair{"ctl1003", &s.password}}) {
    auto* field = dialog->findChild<QLineEdit*>(name);
    field->clear();
    QTest::keyClicks(field, QString::fromStdString(*text));
  }
  dialog->findChild<QComboBox*>("ctl1007")->setCurrentIndex(s.reason_row);
  auto* comment = dialog->findChild<QPlainTextEdit*>("ctl1005");
  comment->clear();
  QTest::keyClicks(comment, QString::fromStdString(s.comment));
  if (!s.subfolder.empty()) {
    dialog->findChild<QLineEdit*>("ctl1018")->setText(QString::fromStdString(s.subfolder));
  }
  QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
}

// Notices (and cancels) a signature dialog while it lives.
class UnexpectedDialogGuard {
 public:
  UnexpectedDialogGuard() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal->objectName() == "dlg131") {
        shown_ = true;
        qobject_cast<QDialog*>(modal)->reject();
      }
    });
    timer_.start(5);
  }
  bool shown() const { return shown_; }

 private:
  QTimer timer_;
  bool shown_ = false;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_ESIG_ESIG_TEST_SUPPORT_H_
