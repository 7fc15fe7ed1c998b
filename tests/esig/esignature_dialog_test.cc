// The Electronic Signature dialog driven as a person drives it: which rows
// show, where Enter goes, and each acceptance check with its message.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "esig/esignature_dialog.h"
#include "esig/signature_rules.h"
#include "logon/auth_error.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/config/system_table.h"
#include "services/filelib/file_manager.h"
#include "services/filelib/system_event_manager.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/stealth.h"

#include "esig_test_support.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::Signing;

// Rows of the run file's Reason box (its predefined order).
constexpr int kAuthoredPlateSetup = 0;
constexpr int kApprovedAnalysisResults = 5;
constexpr int kVerifiedDocument = 6;

class ESignatureDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    testing::AddSignatureAccounts();
    testing::RegisterSigners(registry_);
  }

  SignatureDialogSetup Setup(const TAV2FileManager* document = nullptr) {
    SignatureDialogSetup setup;
    setup.document = document;
    setup.document_name = "plate-42.tav";
    setup.data_type = kDataTypeRunFile;
    CTAVESigConfiguration config;
    backend_.ReadESigConfiguration(kDataTypeRunFile, config);
    setup.reasons =
        BuildOfferedReasons(kDataTypeRunFile, registry_.Reasons(kDataTypeRunFile), config);
    setup.signer_groups = registry_.groups();
    return setup;
  }

  template <typename T>
  static T* Find(QWidget* dialog, const char* name) {
    T* widget = dialog->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  static void Show(QDialog& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }

  static QString Focus(QDialog& dialog) {
    return dialog.focusWidget() != nullptr ? dialog.focusWidget()->objectName() : QString();
  }

  testing::TempDataDir data_dir_;
  testing::TestSignatureBackend backend_;
  ESigRegistry registry_;
};

TEST_F(ESignatureDialogTest, ShowsTheDocumentTheReasonsAndTheFolders) {
  SignatureDialogSetup setup = Setup();
  setup.root_folder = "/srv/esig";
  setup.allow_subfolder = true;
  setup.subfolder = "batch-7";
  ESignatureDialog dialog(nullptr, backend_, setup);
  Show(dialog);
  EXPECT_EQ(dialog.objectName(), "dlg131");
  EXPECT_EQ(dialog.windowTitle(), "Electronic Signature");
  EXPECT_EQ(Find<QLabel>(&dialog, "ctl1012")->text(), "Electronic Signature for :");
  EXPECT_EQ(Find<QLabel>(&dialog, "ctl1011")->text(), "plate-42.tav");
  EXPECT_EQ(Focus(dialog), "ctl1002");
  EXPECT_TRUE(Find<QLineEdit>(&dialog, "ctl1017")->isReadOnly());
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1017")->text(), "/srv/esig");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1018")->text(), "batch-7");
  EXPECT_TRUE(Find<QLineEdit>(&dialog, "ctl1018")->isVisible());

  // The offered reasons in order, each with its number; none chosen.
  auto* reasons = Find<QComboBox>(&dialog, "ctl1007");
  ASSERT_EQ(reasons->count(), static_cast<int>(setup.reasons.size()));
  EXPECT_EQ(reasons->currentIndex(), -1);
  for (int i = 0; i < reasons->count(); ++i) {
    EXPECT_EQ(reasons->itemText(i).toStdString(), setup.reasons[i].entry.name);
    EXPECT_EQ(reasons->itemData(i).toInt(), setup.reasons[i].entry.number);
  }

  // Without a document name the heading stands alone.
  setup.document_name.clear();
  ESignatureDialog unnamed(nullptr, backend_, setup);
  EXPECT_EQ(Find<QLabel>(&unnamed, "ctl1012")->text(), "Electronic Signature");
}

TEST_F(ESignatureDialogTest, RowsHideAndMoveUp) {
  testing::SetDomain("LAB");
  SignatureDialogSetup setup = Setup();
  setup.root_folder = "/srv/esig";
  setup.allow_subfolder = true;
  ESignatureDialog with_all(nullptr, backend_, setup);
  Show(with_all);
  const int domain_row_y = Find<QLineEdit>(&with_all, "ctl1004")->y();
  const int comment_height = Find<QPlainTextEdit>(&with_all, "ctl1005")->height();
  const int ok_y = Find<QPushButton>(&with_all, "ctl1001")->mapTo(&with_all, QPoint()).y();

  // A root folder without leave for a sub-folder: only the root row.
  setup.allow_subfolder = false;
  ESignatureDialog root_only(nullptr, backend_, setup);
  Show(root_only);
  EXPECT_TRUE(Find<QLineEdit>(&root_only, "ctl1017")->isVisible());
  EXPECT_FALSE(Find<QLineEdit>(&root_only, "ctl1018")->isVisible());
  EXPECT_FALSE(Find<QLabel>(&root_only, "ctl1010")->isVisible());

  // No root folder: the comment box takes the folder rows' space; it is
  // taller, and the buttons stay where they were.
  setup.root_folder.clear();
  setup.allow_subfolder = true;
  ESignatureDialog no_root(nullptr, backend_, setup);
  Show(no_root);
  for (const char* name : {"ctl1009", "ctl1010"}) {
    EXPECT_FALSE(Find<QLabel>(&no_root, name)->isVisible()) << name;
  }
  EXPECT_FALSE(Find<QLineEdit>(&no_root, "ctl1017")->isVisible());
  EXPECT_FALSE(Find<QLineEdit>(&no_root, "ctl1018")->isVisible());
  auto* comment = Find<QPlainTextEdit>(&no_root, "ctl1005");
  EXPECT_TRUE(comment->isVisible());
  EXPECT_GT(comment->height(), comment_height);
  EXPECT_EQ(comment->width(), Find<QPlainTextEdit>(&with_all, "ctl1005")->width());
  EXPECT_NEAR(Find<QPushButton>(&no_root, "ctl1001")->mapTo(&no_root, QPoint()).y(), ok_y, 2);

  // No domain, no comment wanted.
  testing::SetDomain("");
  setup.show_comment = false;
  ESignatureDialog bare(nullptr, backend_, setup);
  Show(bare);
  EXPECT_FALSE(Find<QLineEdit>(&bare, "ctl1004")->isVisible());
  EXPECT_FALSE(Find<QLabel>(&bare, "ctl1019")->isVisible());
  EXPECT_EQ(Find<QLineEdit>(&bare, "ctl1003")->y(), domain_row_y);
  EXPECT_FALSE(Find<QLabel>(&bare, "ctl1008")->isVisible());
  EXPECT_FALSE(Find<QPlainTextEdit>(&bare, "ctl1005")->isVisible());

  // Without reasons there is no Reason row, and the comment shows anyway.
  setup.reasons.clear();
  setup.show_comment = false;
  ESignatureDialog no_reasons(nullptr, backend_, setup);
  Show(no_reasons);
  EXPECT_FALSE(Find<QComboBox>(&no_reasons, "ctl1007")->isVisible());
  EXPECT_FALSE(Find<QLabel>(&no_reasons, "ctl1006")->isVisible());
  EXPECT_TRUE(Find<QPlainTextEdit>(&no_reasons, "ctl1005")->isVisible());
}

TEST_F(ESignatureDialogTest, EnterMovesThroughTheVisibleFields) {
  BoxRecorder boxes;
  testing::SetDomain("LAB");
  SignatureDialogSetup setup = Setup();
  setup.root_folder = "/srv/esig";
  setup.allow_subfolder = true;
  ESignatureDialog dialog(nullptr, backend_, setup);
  Show(dialog);
  const char* order[] = {"ctl1002", "ctl1004", "ctl1003", "ctl1007", "ctl1005", "ctl1018"};
  for (size_t i = 0; i + 1 < std::size(order); ++i) {
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Focus(dialog), order[i + 1]);
  }
  // Enter in the comment moved on instead of starting a line; Ctrl+Enter
  // starts one.
  EXPECT_EQ(Find<QPlainTextEdit>(&dialog, "ctl1005")->toPlainText(), "");
  Find<QPlainTextEdit>(&dialog, "ctl1005")->setFocus();
  QTest::keyClicks(dialog.focusWidget(), "a");
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClicks(dialog.focusWidget(), "b");
  EXPECT_EQ(Find<QPlainTextEdit>(&dialog, "ctl1005")->toPlainText(), "a\nb");
  // Enter in the sub-folder box does nothing; on OK it runs the checks.
  Find<QLineEdit>(&dialog, "ctl1018")->setFocus();
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Focus(dialog), "ctl1018");
  EXPECT_TRUE(boxes.boxes().empty());
  Find<QPushButton>(&dialog, "ctl1001")->setFocus();
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, kReasonMissingText);

  // Without domain, comment and folders the way is shorter.
  testing::SetDomain("");
  setup.show_comment = false;
  setup.root_folder.clear();
  ESignatureDialog shorter(nullptr, backend_, setup);
  Show(shorter);
  QTest::keyClick(shorter.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Focus(shorter), "ctl1003");
  QTest::keyClick(shorter.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Focus(shorter), "ctl1007");
  QTest::keyClick(shorter.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Focus(shorter), "ctl1001");
}

TEST_F(ESignatureDialogTest, ReasonMustBeChosen) {
  BoxRecorder boxes;
  ESignatureDialog dialog(nullptr, backend_, Setup());
  Show(dialog);
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", -1, "ok"});
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Electronic Signature error");
  EXPECT_EQ(boxes.boxes()[0].owner, &dialog);
  EXPECT_EQ(boxes.boxes()[0].style & MB_TYPEMASK, MB_OK);
  EXPECT_EQ(boxes.boxes()[0].text,
            "You have not selected a entry for the \"Reason\" field.\n\nPer FDA 21 CFR Part 11 "
            "Regulation, 11.50(a)(3) :\n  \"Signed electronic records shall contain "
            "information...that clearly indicates...\n  The meaning...associated with the "
            "signature\"\n\nFor compliance, E-signatures can only be accepted with non-blank "
            "reasons defined.");
  // Nothing was authenticated, so nothing was logged.
  EXPECT_TRUE(backend_.events.empty());
}

TEST_F(ESignatureDialogTest, FailedAuthenticationIsLoggedAndMayBeRetried) {
  BoxRecorder boxes;
  ESignatureDialog dialog(nullptr, backend_, Setup());
  Show(dialog);
  testing::FillAndClickOk(&dialog, Signing{"dave", "dave-pass4", kVerifiedDocument, "first"});
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, kAuthErrorCaption);
  EXPECT_EQ(boxes.boxes()[0].text, AuthenticationErrorText(1326));
  EXPECT_EQ(Focus(dialog), "ctl1002");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1002")->text(), "dave");
  EXPECT_EQ(Find<QPlainTextEdit>(&dialog, "ctl1005")->toPlainText(), "first");
  EXPECT_EQ(backend_.events, std::vector<std::string>{"7 dave"});

  // Blank name: its own text, its own event.
  testing::FillAndClickOk(&dialog, Signing{"", "x", kVerifiedDocument, ""});
  EXPECT_EQ(boxes.boxes().back().text, kBlankUserNameText);
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", kVerifiedDocument, "second"});
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"7 dave", "7 "}));

  const ESignatureController& c = dialog.controller();
  EXPECT_EQ(c.signer().user_name, "dave");
  EXPECT_EQ(c.signer().full_name, "Dave Signer");
  EXPECT_EQ(c.signer().description, "Lab manager");
  EXPECT_EQ(c.signer().is_admin, 1);
  EXPECT_EQ(c.signer().groups, (std::list<std::string>{"tav-managers", "esig-signers"}));
  EXPECT_EQ(c.reason_number(), kVerifiedDocument);
  EXPECT_EQ(c.comment(), "second");
  EXPECT_EQ(dialog.TakePassword().view(), "Dave-Pass4");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->text(), "");
}

TEST_F(ESignatureDialogTest, SigningTimeIsTheLastClick) {
  BoxRecorder boxes;
  ESignatureDialog dialog(nullptr, backend_, Setup());
  Show(dialog);
  testing::FillAndClickOk(&dialog, Signing{"dave", "wrong", kVerifiedDocument, ""});
  EXPECT_EQ(dialog.controller().sign_time(), 46001.0);
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", -1, ""});
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", kVerifiedDocument, ""});
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.controller().sign_time(), 46003.0);
}

TEST_F(ESignatureDialogTest, NonSignerIsRefusedWithTheGroupMessage) {
  // One signer group: named in the message. OK empties the fields for
  // someone else to try.
  BoxRecorder boxes(IDOK);
  testing::SetDomain("LAB");
  ESignatureDialog dialog(nullptr, backend_, Setup());
  Show(dialog);
  Find<QLineEdit>(&dialog, "ctl1004")->setText("LAB");
  testing::FillAndClickOk(&dialog, Signing{"bob", "Bob-Pass2", kVerifiedDocument, "mine"});
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, NotInSignerGroupText({"ESig-Signers"}));
  EXPECT_EQ(boxes.boxes()[0].caption, "Electronic Signature error");
  EXPECT_EQ(boxes.boxes()[0].style & MB_TYPEMASK, MB_OKCANCEL);
  EXPECT_EQ(boxes.boxes()[0].style & MB_MODEMASK, MB_TASKMODAL);
  for (const char* name : {"ctl1002", "ctl1003", "ctl1004"}) {
    EXPECT_EQ(Find<QLineEdit>(&dialog, name)->text(), "") << name;
  }
  EXPECT_EQ(Find<QPlainTextEdit>(&dialog, "ctl1005")->toPlainText(), "");
  EXPECT_EQ(Focus(dialog), "ctl1002");
  // The reason stays chosen; a signer can go on.
  EXPECT_EQ(Find<QComboBox>(&dialog, "ctl1007")->currentIndex(), kVerifiedDocument);
  EXPECT_TRUE(backend_.events.empty());

  // Two signer groups: the generic text. Cancel ends the dialog.
  registry_.AddGroup("QA");
  BoxRecorder cancel(IDCANCEL);
  ESignatureDialog two(nullptr, backend_, Setup());
  Show(two);
  testing::FillAndClickOk(&two, Signing{"bob", "Bob-Pass2", kVerifiedDocument, ""});
  ASSERT_EQ(cancel.boxes().size(), 1u);
  EXPECT_EQ(cancel.boxes()[0].text, NotInSignerGroupText({}));
  EXPECT_EQ(two.result(), QDialog::Rejected);
  EXPECT_FALSE(two.isVisible());
}

TEST_F(ESignatureDialogTest, ReasonMustFindItsContentInTheDocument) {
  BoxRecorder boxes;
  const std::string path = data_dir_.File("plate-42.tav");
  testing::WriteDocument(path, {"PICX"});  // a plate setup, no results
  TAV2FileManager document;
  ASSERT_EQ(document.Open(path), 0);

  ESignatureDialog dialog(nullptr, backend_, Setup(&document));
  Show(dialog);
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", kApprovedAnalysisResults, ""});
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            "The requested electronic signature\n    Approved Analysis Results\ncannot be "
            "applied because the file contains no\n    analysis results\nto sign.");
  // The plate setup is there to sign.
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", kAuthoredPlateSetup, ""});
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(boxes.boxes().size(), 1u);

  // A reason that covers no particular part fits any document.
  ESignatureDialog any(nullptr, backend_, Setup(&document));
  Show(any);
  testing::FillAndClickOk(&any, Signing{"dave", "Dave-Pass4", kVerifiedDocument, ""});
  EXPECT_EQ(any.result(), QDialog::Accepted);

  // Without a document nothing is checked.
  ESignatureDialog none(nullptr, backend_, Setup(nullptr));
  Show(none);
  testing::FillAndClickOk(&none, Signing{"dave", "Dave-Pass4", kApprovedAnalysisResults, ""});
  EXPECT_EQ(none.result(), QDialog::Accepted);
  EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST_F(ESignatureDialogTest, RenamedDocumentIsCheckedAsTheKindAskedFor) {
  BoxRecorder boxes;
  const std::string path = data_dir_.File("plate-42.bak");
  testing::WriteDocument(path, {"PICX"});
  TAV2FileManager document;
  ASSERT_EQ(document.Open(path), 0);
  ESignatureDialog dialog(nullptr, backend_, Setup(&document));
  Show(dialog);
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", kApprovedAnalysisResults, ""});
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(boxes.boxes().size(), 1u);
  dialog.reject();
}

TEST_F(ESignatureDialogTest, StealthModeSilencesTheMessagesNotTheDialog) {
  BoxRecorder boxes;
  ASSERT_TRUE(SetStealthMode(true));
  ESignatureDialog dialog(nullptr, backend_, Setup());
  Show(dialog);
  testing::FillAndClickOk(&dialog, Signing{"dave", "wrong", kVerifiedDocument, ""});
  testing::FillAndClickOk(&dialog, Signing{"dave", "Dave-Pass4", -1, ""});
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(backend_.events, std::vector<std::string>{"7 dave"});
  SetStealthMode(false);
  dialog.reject();
}

}  // namespace
}  // namespace tav
