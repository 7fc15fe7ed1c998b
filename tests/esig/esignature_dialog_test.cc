// The Electronic Signature dialog driven as a person drives it: which rows
// show, where Enter goes, and each acceptance check with its message.
#include <gtest/gtest.h>

#include <QLabel>

#include "esig/esig_registry.h"
#include "esig/esignature_dialog.h"
#include "logon/auth_error.h"
#include "services/filelib/file_manager.h"
#include "services/security/secret.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "ui/show_message.h"
#include "util/stealth.h"

#include "esig_test_support.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::FillAndClickOk;
using testing::Signing;

// Rows of the run file's Reason box: its predefined reasons in order.
constexpr int kAuthoredPlateSetup = 0;
constexpr int kApprovedAnalysisResults = 5;
constexpr int kVerifiedDocument = 6;

class ESignatureDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_THROUGH_SERVICE("a backend that stands in for the service and records its events");
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    testing::AddSignatureAccounts();
    registry_.AddGroup("ESig-Signers");
    registry_.InitReasons();
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

  // Shows a dialog and keeps it until the test ends.
  ESignatureDialog& Open(SignatureDialogSetup setup) {
    dialogs_.push_back(std::make_unique<ESignatureDialog>(nullptr, backend_, std::move(setup)));
    dialogs_.back()->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialogs_.back().get()));
    return *dialogs_.back();
  }

  template <typename T = QWidget>
  static T* Find(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(name);
  }
  static QString Focus(QDialog& dialog) { return dialog.focusWidget()->objectName(); }

  testing::TempDataDir data_dir_;
  testing::TestSignatureBackend backend_;
  ESigRegistry registry_;
  std::vector<std::unique_ptr<ESignatureDialog>> dialogs_;
};

TEST_F(ESignatureDialogTest, RowsShowHideAndMoveUp) {
  testing::SetDomain("LAB");
  SignatureDialogSetup setup = Setup();
  setup.root_folder = "/srv/esig";
  setup.allow_subfolder = true;
  setup.subfolder = "batch-7";
  ESignatureDialog& full = Open(setup);
  EXPECT_EQ(full.objectName(), "dlg131");
  EXPECT_EQ(full.windowTitle(), "Electronic Signature");
  EXPECT_EQ(Find<QLabel>(&full, "ctl1012")->text(), "Electronic Signature for :");
  EXPECT_EQ(Find<QLabel>(&full, "ctl1011")->text(), "plate-42.tav");
  EXPECT_EQ(Find<QLineEdit>(&full, "ctl1018")->text(), "batch-7");
  EXPECT_EQ(Focus(full), "ctl1002");
  auto* reasons = Find<QComboBox>(&full, "ctl1007");
  ASSERT_EQ(reasons->count(), static_cast<int>(setup.reasons.size()));
  EXPECT_EQ(reasons->currentIndex(), -1);
  EXPECT_EQ(reasons->itemData(kVerifiedDocument).toInt(), kVerifiedDocument);
  const int domain_y = Find(&full, "ctl1004")->y();
  const int comment_height = Find(&full, "ctl1005")->height();
  const int ok_y = Find(&full, "ctl1001")->mapTo(&full, QPoint()).y();

  // No root folder: both folder rows go, the comment box takes their place
  // and the buttons stay where they were.
  setup.root_folder.clear();
  setup.document_name.clear();
  ESignatureDialog& no_root = Open(setup);
  EXPECT_EQ(Find<QLabel>(&no_root, "ctl1012")->text(), "Electronic Signature");
  for (const char* name : {"ctl1009", "ctl1017", "ctl1010", "ctl1018"}) {
    EXPECT_FALSE(Find(&no_root, name)->isVisible()) << name;
  }
  EXPECT_GT(Find(&no_root, "ctl1005")->height(), comment_height);
  EXPECT_NEAR(Find(&no_root, "ctl1001")->mapTo(&no_root, QPoint()).y(), ok_y, 2);

  // A root folder without leave for a sub-folder; no domain; no comment.
  testing::SetDomain("");
  setup.root_folder = "/srv/esig";
  setup.allow_subfolder = false;
  setup.show_comment = false;
  ESignatureDialog& lean = Open(setup);
  EXPECT_TRUE(Find(&lean, "ctl1017")->isVisible());
  EXPECT_FALSE(Find(&lean, "ctl1018")->isVisible());
  EXPECT_FALSE(Find(&lean, "ctl1004")->isVisible());
  EXPECT_EQ(Find(&lean, "ctl1003")->y(), domain_y);
  EXPECT_FALSE(Find(&lean, "ctl1005")->isVisible());

  // Without reasons the Reason row goes and the comment shows anyway.
  setup.reasons.clear();
  ESignatureDialog& no_reasons = Open(setup);
  EXPECT_FALSE(Find(&no_reasons, "ctl1007")->isVisible());
  EXPECT_TRUE(Find(&no_reasons, "ctl1005")->isVisible());
}

TEST_F(ESignatureDialogTest, EnterMovesThroughTheVisibleFields) {
  BoxRecorder boxes;
  testing::SetDomain("LAB");
  SignatureDialogSetup setup = Setup();
  setup.root_folder = "/srv/esig";
  setup.allow_subfolder = true;
  ESignatureDialog& dialog = Open(setup);
  for (const char* next : {"ctl1004", "ctl1003", "ctl1007", "ctl1005", "ctl1018"}) {
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Focus(dialog), next);
  }
  // Enter left the comment alone; Ctrl+Enter starts a new line in it.
  auto* comment = Find<QPlainTextEdit>(&dialog, "ctl1005");
  comment->setFocus();
  QTest::keyClicks(comment, "a");
  QTest::keyClick(comment, Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClicks(comment, "b");
  EXPECT_EQ(comment->toPlainText(), "a\nb");
  // Nothing from the sub-folder; the checks from OK.
  QTest::keyClick(Find(&dialog, "ctl1018"), Qt::Key_Return);
  EXPECT_EQ(Focus(dialog), "ctl1018");
  EXPECT_TRUE(boxes.boxes().empty());
  Find(&dialog, "ctl1001")->setFocus();
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
  ASSERT_EQ(boxes.boxes().size(), 1u);

  // Without domain, comment and folders the way is shorter.
  testing::SetDomain("");
  setup.show_comment = false;
  setup.root_folder.clear();
  ESignatureDialog& shorter = Open(setup);
  for (const char* next : {"ctl1003", "ctl1007", "ctl1001"}) {
    QTest::keyClick(shorter.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Focus(shorter), next);
  }
}

TEST_F(ESignatureDialogTest, EnterOnTheFocusedCancelCancels) {
  BoxRecorder boxes;
  ESignatureDialog& dialog = Open(Setup());
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1002"), "dave");
  Find(&dialog, "ctl2")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_TRUE(backend_.events.empty());
}

TEST_F(ESignatureDialogTest, ReasonThenCredentialsAreChecked) {
  BoxRecorder boxes;
  ESignatureDialog& dialog = Open(Setup());
  FillAndClickOk(&dialog, Signing("dave", "Dave-Pass4", -1));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Electronic Signature error");
  EXPECT_EQ(boxes.boxes()[0].owner, &dialog);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("You have not selected a entry for the \"Reason\" "
                                        "field.\n\nPer FDA 21 CFR Part 11 Regulation, 11.50(a)(3)",
                                        0),
            0u);
  EXPECT_TRUE(backend_.events.empty());  // nothing was authenticated

  FillAndClickOk(&dialog, Signing("dave", "dave-pass4", kVerifiedDocument, "first"));
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[1].caption, kAuthErrorCaption);
  EXPECT_EQ(boxes.boxes()[1].text, AuthenticationErrorText(1326));
  EXPECT_EQ(Focus(dialog), "ctl1002");
  EXPECT_EQ(Find<QPlainTextEdit>(&dialog, "ctl1005")->toPlainText(), "first");
  FillAndClickOk(&dialog, Signing("", "x", kVerifiedDocument));
  EXPECT_EQ(boxes.boxes().back().text, kBlankUserNameText);
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"7 dave", "7 "}));
  EXPECT_TRUE(dialog.isVisible());

  FillAndClickOk(&dialog, Signing("dave", "Dave-Pass4", kVerifiedDocument, "second"));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const ESignatureController& c = dialog.controller();
  EXPECT_EQ(c.signer().full_name, "Dave Signer");
  EXPECT_EQ(c.signer().description, "Lab manager");
  EXPECT_EQ(c.signer().is_admin, 1);
  EXPECT_EQ(c.signer().groups, (std::list<std::string>{"tav-managers", "esig-signers"}));
  EXPECT_EQ(c.reason_number(), kVerifiedDocument);
  EXPECT_EQ(c.comment(), "second");
  // Dated by the last of the four clicks.
  EXPECT_EQ(c.sign_time(), 46004.0);
  EXPECT_EQ(dialog.TakePassword().view(), "Dave-Pass4");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->text(), "");
}

TEST_F(ESignatureDialogTest, PasswordLongerThanTheLimitIsRefusedNotCut) {
  const std::string longest(kMaxPasswordBytes, 's');
  testing::AddLocalAccount("sam", longest, {"esig-signers"}, "Sam Signer");
  BoxRecorder boxes;
  ESignatureDialog& dialog = Open(Setup());
  FillAndClickOk(&dialog, Signing("sam", longest + "s", kVerifiedDocument));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, AuthenticationErrorText(1326));
  EXPECT_EQ(backend_.events, std::vector<std::string>{"7 sam"});
  EXPECT_TRUE(dialog.isVisible());
  FillAndClickOk(&dialog, Signing("sam", longest, kVerifiedDocument));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ESignatureDialogTest, NonSignerIsRefusedWithTheGroupMessage) {
  // One signer group, named in the message; OK empties the fields.
  BoxRecorder ok(IDOK);
  ESignatureDialog& dialog = Open(Setup());
  FillAndClickOk(&dialog, Signing("bob", "Bob-Pass2", kVerifiedDocument, "mine"));
  ASSERT_EQ(ok.boxes().size(), 1u);
  EXPECT_EQ(ok.boxes()[0].text, NotInSignerGroupText({"ESig-Signers"}));
  EXPECT_EQ(ok.boxes()[0].style & (MB_TYPEMASK | MB_MODEMASK), MB_OKCANCEL | MB_TASKMODAL);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1002")->text(), "");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->text(), "");
  EXPECT_EQ(Find<QPlainTextEdit>(&dialog, "ctl1005")->toPlainText(), "");
  EXPECT_EQ(Focus(dialog), "ctl1002");

  // Two signer groups: the generic text; Cancel ends the dialog.
  registry_.AddGroup("QA");
  BoxRecorder cancel(IDCANCEL);
  ESignatureDialog& two = Open(Setup());
  FillAndClickOk(&two, Signing("bob", "Bob-Pass2", kVerifiedDocument));
  ASSERT_EQ(cancel.boxes().size(), 1u);
  EXPECT_EQ(cancel.boxes()[0].text, NotInSignerGroupText({}));
  EXPECT_EQ(two.result(), QDialog::Rejected);
}

TEST_F(ESignatureDialogTest, ReasonMustFindItsContentInTheDocument) {
  BoxRecorder boxes;
  const std::string path = data_dir_.File("plate-42.tav");
  testing::WriteDocument(path, {"PICX"});  // a plate setup, no results
  TAV2FileManager document;
  ASSERT_EQ(document.Open(path), 0);

  ESignatureDialog& dialog = Open(Setup(&document));
  FillAndClickOk(&dialog, Signing("dave", "Dave-Pass4", kApprovedAnalysisResults));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            FormatMessageText(kContentMissingFormat,
                              {"Approved Analysis Results", "analysis results"}));
  EXPECT_TRUE(dialog.isVisible());
  FillAndClickOk(&dialog, Signing("dave", "Dave-Pass4", kAuthoredPlateSetup));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  // A reason without paths fits any document; no document, no check.
  ESignatureDialog& any = Open(Setup(&document));
  FillAndClickOk(&any, Signing("dave", "Dave-Pass4", kVerifiedDocument));
  EXPECT_EQ(any.result(), QDialog::Accepted);
  ESignatureDialog& none = Open(Setup(nullptr));
  FillAndClickOk(&none, Signing("dave", "Dave-Pass4", kApprovedAnalysisResults));
  EXPECT_EQ(none.result(), QDialog::Accepted);
  EXPECT_EQ(boxes.boxes().size(), 1u);

  // A renamed document is checked as the kind the signature was asked for.
  const std::string renamed = data_dir_.File("plate-42.bak");
  testing::WriteDocument(renamed, {"PICX"});
  ASSERT_EQ(document.Open(renamed), 0);
  ESignatureDialog& bak = Open(Setup(&document));
  FillAndClickOk(&bak, Signing("dave", "Dave-Pass4", kApprovedAnalysisResults));
  EXPECT_EQ(boxes.boxes().size(), 2u);
  EXPECT_TRUE(bak.isVisible());
}

}  // namespace
}  // namespace tav
