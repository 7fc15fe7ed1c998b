// The signature flow on a LogonState: every result, the logon put back on
// every failure, the signer as current user on success, and the end of the
// signature.
#include <gtest/gtest.h>

#include "esig/esignature_flow.h"
#include "logon/login_flow.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/token_table.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/stealth.h"

#include "esig_test_support.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::ImpersonatedName;
using testing::Signing;
using testing::WhenModalShows;

constexpr int kVerifiedDocument = 6;

bool TokenIsOpen(HANDLE token) { return TokenTable::Global().Find(token) != nullptr; }

class ESignatureFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    testing::AddSignatureAccounts();
    testing::RegisterSigners(registry_);
    request_.document_name = "plate-42.tav";
    request_.data_type = kDataTypeRunFile;
  }
  void TearDown() override {
    Logout(state_, backend_);
    KorWinSec_RevertToSelf();
  }

  // Logs alice on as the User Login dialog would have.
  void LogOnAlice() {
    HANDLE token = nullptr;
    ASSERT_EQ(KorWinSec_aImpersonateUser("alice", "", "Alice-Pass1", &token), 0);
    ASSERT_EQ(SetLoginUser(state_, backend_, token), 1);
    alice_ = token;
  }

  void ExpectAliceInForce() {
    EXPECT_EQ(state_.token, alice_);
    EXPECT_TRUE(TokenIsOpen(alice_));
    EXPECT_EQ(ImpersonatedName(), "alice");
    EXPECT_EQ(state_.current_user.user_name, "alice");
    EXPECT_EQ(state_.current_user.full_name, "Alice Liddell");
  }

  // Signs in the dialog when it shows.
  static void Answer(Signing signing) {
    WhenModalShows("dlg131", [signing](QWidget* dialog) {
      testing::FillAndClickOk(dialog, signing);
    });
  }

  int Begin() { return BeginESignature(state_, backend_, registry_, request_, &result_, &previous_); }

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
  LogOnAlice();
  testing::UnexpectedDialogGuard guard;

  // Nothing registered for the type.
  ESigRegistry empty;
  empty.AddGroup("esig-signers");
  EXPECT_EQ(BeginESignature(state_, backend_, empty, request_, &result_, &previous_),
            kSignatureNoReasons);
  ExpectAliceInForce();

  // Registered under names no predefined reason carries.
  empty.AddReason(0, "approved plate setup", kDataTypeRunFile);
  EXPECT_EQ(BeginESignature(state_, backend_, empty, request_, &result_, &previous_),
            kSignatureNoReasons);

  // Registered, but none enabled in the configuration.
  CTAVESigConfiguration config;
  ASSERT_EQ(theSystemConfig.ReadESigConfiguration(kDataTypeRunFile, config), kConfigOk);
  for (const auto& entry : std::vector(config.entries())) {
    config.SetSetting(entry.reason, kESigSettingNone);
  }
  ASSERT_EQ(theSystemConfig.WriteESigConfiguration(kDataTypeRunFile, config), kConfigOk);
  EXPECT_EQ(Begin(), kSignatureNoReasons);
  ExpectAliceInForce();

  // A data type without reasons at all.
  request_.data_type = kDataTypeReport;
  EXPECT_EQ(Begin(), kSignatureNoReasons);
  ExpectAliceInForce();
  EXPECT_FALSE(guard.shown());
  EXPECT_EQ(previous_, nullptr);
}

TEST_F(ESignatureFlowTest, SignerBecomesTheCurrentUserUntilTheEnd) {
  LogOnAlice();
  registry_.SetRootPath("/srv/esig");
  request_.allow_subfolder = true;
  request_.subfolder = "batch";
  Answer(Signing{"dave", "Dave-Pass4", kVerifiedDocument, "Checked twice", "batch-7"});
  ASSERT_EQ(Begin(), kSignatureOk);

  EXPECT_EQ(previous_, alice_);
  EXPECT_TRUE(TokenIsOpen(alice_));
  EXPECT_NE(state_.token, alice_);
  EXPECT_EQ(ImpersonatedName(), "dave");
  EXPECT_EQ(state_.current_user.user_name, "dave");
  EXPECT_EQ(state_.current_user.full_name, "Dave Signer");
  EXPECT_EQ(state_.current_user.groups, (std::list<std::string>{"tav-managers", "esig-signers"}));
  EXPECT_EQ(state_.current_user.logon_server, "");

  EXPECT_EQ(result_.signer.user_name, "dave");
  EXPECT_EQ(result_.signer.description, "Lab manager");
  EXPECT_EQ(result_.signer.is_admin, 1);
  EXPECT_EQ(result_.reason, kVerifiedDocument);
  EXPECT_EQ(result_.comment, "Checked twice");
  EXPECT_EQ(result_.sign_time, 46001.0);
  EXPECT_EQ(result_.folder, "/srv/esig/batch-7");

  const HANDLE dave = state_.token;
  EXPECT_EQ(EndESignature(state_, backend_, previous_), 1);
  ExpectAliceInForce();
  EXPECT_FALSE(TokenIsOpen(dave));
}

TEST_F(ESignatureFlowTest, HiddenCommentAndSubFolderRows) {
  // No comment asked for, no sub-folder allowed: the comment is empty and
  // the folder is the root with the sub-folder the host passed.
  registry_.SetRootPath("/srv/esig/");
  request_.show_comment = false;
  request_.subfolder = "host-chosen";
  Answer(Signing{"dave", "Dave-Pass4", kVerifiedDocument, ""});
  ASSERT_EQ(Begin(), kSignatureOk);
  EXPECT_EQ(result_.comment, "");
  EXPECT_EQ(result_.folder, "/srv/esig/host-chosen");
  // Nobody was logged on before: the end leaves the signer.
  EXPECT_EQ(previous_, nullptr);
  EXPECT_EQ(EndESignature(state_, backend_, previous_), 0);
  EXPECT_EQ(state_.current_user.user_name, "dave");

  // No root folder: the sub-folder below the current folder.
  registry_.SetRootPath("");
  Answer(Signing{"dave", "Dave-Pass4", kVerifiedDocument, ""});
  ASSERT_EQ(Begin(), kSignatureOk);
  EXPECT_EQ(result_.folder, "./host-chosen");
}

TEST_F(ESignatureFlowTest, RefusalsAfterTheDialogPutTheLogonBack) {
  LogOnAlice();
  BoxRecorder boxes;

  // An account without a full name passes the dialog.
  Answer(Signing{"carol", "Carol-Pass3", kVerifiedDocument, ""});
  EXPECT_EQ(Begin(), kSignatureNoFullName);
  ExpectAliceInForce();

  // A service that accepts a blank name or an empty password.
  backend_.accept_anyone = true;
  backend_.anyone.full_name = "Anyone";
  backend_.anyone.groups = {"esig-signers"};
  Answer(Signing{"", "secret", kVerifiedDocument, ""});
  EXPECT_EQ(Begin(), kSignatureNoUserName);
  ExpectAliceInForce();
  Answer(Signing{"dave", "", kVerifiedDocument, ""});
  EXPECT_EQ(Begin(), kSignatureNoPassword);
  ExpectAliceInForce();
  backend_.accept_anyone = false;

  // The signer cannot be logged on.
  backend_.fail_impersonation = true;
  Answer(Signing{"dave", "Dave-Pass4", kVerifiedDocument, ""});
  EXPECT_EQ(Begin(), kSignatureLogonFailed);
  ExpectAliceInForce();

  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(previous_, nullptr);
  EXPECT_EQ(result_.signer.user_name, "");
}

TEST_F(ESignatureFlowTest, CancelAfterAFailedAttemptKeepsTheEvent) {
  LogOnAlice();
  BoxRecorder boxes;
  WhenModalShows("dlg131", [](QWidget* dialog) {
    testing::FillAndClickOk(dialog, Signing{"dave", "not-it", kVerifiedDocument, ""});
    testing::ClickCancel(dialog);
  });
  EXPECT_EQ(Begin(), kSignatureCancelled);
  ExpectAliceInForce();
  EXPECT_EQ(boxes.boxes().size(), 1u);

  CSystemEventManager log;
  CAuditCollectionComp* list = log.LoadEventList();
  ASSERT_NE(list, nullptr);
  std::vector<std::string> summaries;
  for (POSITION pos = list->GetFirstChildPosition(); pos != nullptr;) {
    auto* event = dynamic_cast<CAuditEventComp*>(list->GetNextChild(pos));
    ASSERT_NE(event, nullptr);
    std::string summary = CSystemEventManager::SummarizeEvent(*event);
    summaries.push_back(summary.substr(summary.find(", ") + 2));
  }
  EXPECT_EQ(summaries, std::vector<std::string>{"dave, Failed E-Signature Attempt"});

  // A non-signer who gives up at the group message: cancelled as well.
  BoxRecorder cancel(IDCANCEL);
  Answer(Signing{"bob", "Bob-Pass2", kVerifiedDocument, ""});
  EXPECT_EQ(Begin(), kSignatureCancelled);
  ExpectAliceInForce();
}

TEST_F(ESignatureFlowTest, WithoutPlaceForThePreviousTokenItIsClosed) {
  LogOnAlice();
  Answer(Signing{"dave", "Dave-Pass4", kVerifiedDocument, ""});
  ASSERT_EQ(BeginESignature(state_, backend_, registry_, request_, &result_, nullptr),
            kSignatureOk);
  EXPECT_EQ(state_.current_user.user_name, "dave");
  EXPECT_FALSE(TokenIsOpen(alice_));
}

}  // namespace
}  // namespace tav
