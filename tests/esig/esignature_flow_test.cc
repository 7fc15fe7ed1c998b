// The signature flow on a LogonState: every result, the logon put back on
// every failure, the signer as current user on success, and the end.
#include <gtest/gtest.h>

#include "esig/esignature_flow.h"
#include "logon/login_flow.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/config/system_configuration.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/token_table.h"
#include "logon/unrecorded_event.h"
#include "testing/refused_event_log.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/stealth.h"

#include "esig_test_support.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::ImpersonatedName;
using testing::Signing;

constexpr int kVerifiedDocument = 6;

bool TokenIsOpen(HANDLE token) { return TokenTable::Global().Find(token) != nullptr; }

class ESignatureFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_THROUGH_SERVICE("a backend that stands in for the service and records its events");
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    testing::AddSignatureAccounts();
    registry_.AddGroup("esig-signers");
    registry_.InitReasons();
    request_.data_type = kDataTypeRunFile;
    // alice is logged on, as the User Login dialog leaves her.
    ASSERT_EQ(KorWinSec_aImpersonateUser("alice", "", "Alice-Pass1", &alice_), 0);
    ASSERT_EQ(SetLoginUser(state_, backend_, alice_), 1);
  }
  void TearDown() override {
    Logout(state_, backend_);
    KorWinSec_RevertToSelf();
  }

  void ExpectAliceBack() {
    EXPECT_EQ(state_.token, alice_);
    EXPECT_TRUE(TokenIsOpen(alice_));
    EXPECT_EQ(ImpersonatedName(), "alice");
    EXPECT_EQ(state_.current_user.full_name, "Alice Liddell");
  }

  int Sign(Signing signing, HANDLE* previous) {
    testing::WhenModalShows("dlg131", [signing](QWidget* dialog) {
      testing::FillAndClickOk(dialog, signing);
    });
    return BeginESignature(state_, backend_, registry_, request_, &result_, previous);
  }

  testing::TempDataDir data_dir_;
  testing::TestSignatureBackend backend_;
  ESigRegistry registry_;
  LogonState state_;
  SignatureRequest request_;
  SignatureResult result_;
  HANDLE previous_ = nullptr;
  HANDLE alice_ = nullptr;
};

TEST_F(ESignatureFlowTest, NoReasonToOfferRefusesWithoutADialog) {
  testing::UnexpectedDialogGuard guard;
  ESigRegistry unmatched;  // a name no predefined reason carries
  unmatched.AddReason(0, "approved plate setup", kDataTypeRunFile);
  EXPECT_EQ(BeginESignature(state_, backend_, unmatched, request_, &result_, &previous_),
            kSignatureNoReasons);
  ExpectAliceBack();

  // Registered, but none enabled in the configuration.
  CTAVESigConfiguration config;
  ASSERT_EQ(theSystemConfig.ReadESigConfiguration(kDataTypeRunFile, config), kConfigOk);
  for (const auto& entry : std::vector(config.entries())) {
    config.SetSetting(entry.reason, kESigSettingNone);
  }
  ASSERT_EQ(theSystemConfig.WriteESigConfiguration(kDataTypeRunFile, config), kConfigOk);
  EXPECT_EQ(BeginESignature(state_, backend_, registry_, request_, &result_, &previous_),
            kSignatureNoReasons);
  ExpectAliceBack();
  EXPECT_FALSE(guard.shown());
  EXPECT_EQ(previous_, nullptr);
}

TEST_F(ESignatureFlowTest, SignerIsTheCurrentUserUntilTheEnd) {
  registry_.SetRootPath("/srv/esig");
  request_.allow_subfolder = true;
  ASSERT_EQ(Sign(Signing("dave", "Dave-Pass4", kVerifiedDocument, "Checked", "batch-7"),
                 &previous_),
            kSignatureOk);
  EXPECT_EQ(previous_, alice_);
  EXPECT_TRUE(TokenIsOpen(alice_));
  EXPECT_EQ(ImpersonatedName(), "dave");
  EXPECT_EQ(state_.current_user.user_name, "dave");
  EXPECT_EQ(state_.current_user.groups, (std::list<std::string>{"tav-managers", "esig-signers"}));
  EXPECT_EQ(result_.signer.description, "Lab manager");
  EXPECT_EQ(result_.reason, kVerifiedDocument);
  EXPECT_EQ(result_.comment, "Checked");
  EXPECT_EQ(result_.sign_time, 46001.0);
  EXPECT_EQ(result_.folder, "/srv/esig/batch-7");

  const HANDLE dave = state_.token;
  EXPECT_EQ(EndESignature(state_, backend_, previous_), 1);
  ExpectAliceBack();
  EXPECT_FALSE(TokenIsOpen(dave));
}

TEST_F(ESignatureFlowTest, HiddenRowsGiveTheHostsSubFolderAndNoComment) {
  request_.show_comment = false;
  request_.subfolder = "host-chosen";
  ASSERT_EQ(Sign(Signing("dave", "Dave-Pass4", kVerifiedDocument, "typed"), &previous_), 0);
  EXPECT_EQ(result_.comment, "");
  EXPECT_EQ(result_.folder, "./host-chosen");  // no root folder
  EXPECT_EQ(EndESignature(state_, backend_, previous_), 1);
}

TEST_F(ESignatureFlowTest, RefusalsAfterTheDialogPutTheLogonBack) {
  EXPECT_EQ(Sign(Signing("carol", "Carol-Pass3", kVerifiedDocument), &previous_),
            kSignatureNoFullName);
  ExpectAliceBack();

  // A service that accepts a blank name and an empty password.
  backend_.accept_anyone = true;
  backend_.anyone.full_name = "Anyone";
  backend_.anyone.groups = {"esig-signers"};
  EXPECT_EQ(Sign(Signing("", "secret", kVerifiedDocument), &previous_), kSignatureNoUserName);
  ExpectAliceBack();
  EXPECT_EQ(Sign(Signing("dave", "", kVerifiedDocument), &previous_), kSignatureNoPassword);
  ExpectAliceBack();
  backend_.accept_anyone = false;

  backend_.fail_impersonation = true;
  EXPECT_EQ(Sign(Signing("dave", "Dave-Pass4", kVerifiedDocument), &previous_),
            kSignatureLogonFailed);
  ExpectAliceBack();
  EXPECT_EQ(previous_, nullptr);
}

// A password past the maximum age (90 days by default) does not sign; the
// refusal shows the system's text and is recorded with its reason.
TEST_F(ESignatureFlowTest, AnExpiredPasswordDoesNotSign) {
  testing::AddLocalAccount("erin", "Erin-Pass5", {"esig-signers"}, "Erin Old", false, "",
                           static_cast<int64_t>(std::time(nullptr)) - 91 * 86400);
  BoxRecorder boxes;
  testing::WhenModalShows("dlg131", [](QWidget* dialog) {
    testing::FillAndClickOk(dialog, Signing("erin", "Erin-Pass5", kVerifiedDocument));
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
  });
  EXPECT_EQ(BeginESignature(state_, backend_, registry_, request_, &result_, &previous_),
            kSignatureCancelled);
  ExpectAliceBack();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_NE(boxes.boxes()[0].text.find("The password for this account has expired."),
            std::string::npos)
      << boxes.boxes()[0].text;
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"7 erin", "18 erin"}));
}

TEST_F(ESignatureFlowTest, CancelAfterAFailedAttemptKeepsTheEvent) {
  BoxRecorder boxes;
  testing::WhenModalShows("dlg131", [](QWidget* dialog) {
    testing::FillAndClickOk(dialog, Signing("dave", "not-it", kVerifiedDocument));
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
  });
  EXPECT_EQ(BeginESignature(state_, backend_, registry_, request_, &result_, &previous_),
            kSignatureCancelled);
  ExpectAliceBack();
  CSystemEventManager log;
  CAuditCollectionComp* list = log.LoadEventList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetChildCount(), 1u);
  POSITION pos = list->GetFirstChildPosition();
  const std::string summary =
      CSystemEventManager::SummarizeEvent(*dynamic_cast<CAuditEventComp*>(list->GetNextChild(pos)));
  EXPECT_NE(summary.find(", dave, Failed E-Signature Attempt"), std::string::npos) << summary;
}

// A failed attempt that cannot be recorded is refused with the event log's
// message. A good signature writes no event, so it goes on: the host
// records it with its document.
TEST_F(ESignatureFlowTest, AFailedAttemptThatCannotBeRecordedSaysSo) {
  BoxRecorder boxes;
  testing::RefusedEventLog full_log;
  testing::WhenModalShows("dlg131", [](QWidget* dialog) {
    testing::FillAndClickOk(dialog, Signing("dave", "not-it", kVerifiedDocument));
    testing::FillAndClickOk(dialog, Signing("dave", "Dave-Pass4", kVerifiedDocument));
  });
  EXPECT_EQ(BeginESignature(state_, backend_, registry_, request_, &result_, &previous_),
            kSignatureOk);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, kUnrecordedEventCaption);
  EXPECT_NE(boxes.boxes()[0].text.find("The signature is refused"), std::string::npos)
      << boxes.boxes()[0].text;
  EXPECT_EQ(EndESignature(state_, backend_, previous_), 1);
}

TEST_F(ESignatureFlowTest, WithoutPlaceForThePreviousTokenItIsClosed) {
  ASSERT_EQ(Sign(Signing("dave", "Dave-Pass4", kVerifiedDocument), nullptr), kSignatureOk);
  EXPECT_EQ(state_.current_user.user_name, "dave");
  EXPECT_FALSE(TokenIsOpen(alice_));
}

}  // namespace
}  // namespace tav
