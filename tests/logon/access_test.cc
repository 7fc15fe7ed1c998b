// The access queries against the real configuration service in a fresh data
// directory: permissions, refusal messages, stealth mode, auditing.
#include <gtest/gtest.h>

#include "logon/access.h"
#include "services/config/system_configuration.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/stealth.h"

namespace tav {
namespace {

using testing::BoxRecorder;

UserRecord User(std::string name, std::list<std::string> groups) {
  UserRecord user;
  user.user_name = std::move(name);
  user.groups = std::move(groups);
  return user;
}

class AccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
  }
  void TearDown() override { SetStealthMode(false); }

  static void EnableFeatures() { ASSERT_EQ(theSystemConfig.Set21CFREnabled(1), 0); }

  static void SetRecording(std::initializer_list<std::pair<int, int>> types) {
    CTAVAuditDataTypeSettingArray settings;
    for (auto [type, recording] : types) settings.Add(type, recording);
    ASSERT_EQ(theSystemConfig.WriteAuditTypeSettingArray(settings), 0);
  }

  testing::TempDataDir data_dir_;
  BoxRecorder boxes_;
};

TEST_F(AccessTest, WithTheFeaturesOffEveryoneMayDoEverythingAndNothingIsAudited) {
  ASSERT_EQ(theSystemConfig.Set21CFREnabled(0), 0);
  const UserRecord nobody;
  EXPECT_EQ(IsUserSecurityEnabled(), 0);
  EXPECT_EQ(IsUserAllowed(nobody), 1);
  EXPECT_EQ(IsActivityAllowed(nobody, kActivityStartRun), 1);
  EXPECT_EQ(IsActivityAllowedWithMessage(nobody, kActivityStartRun), 1);
  for (int type = -1; type <= kDataTypeCount; ++type) {
    EXPECT_EQ(IsAuditRecordingForDataType(type), 0) << type;
  }
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(AccessTest, NobodyLoggedOnIsRefusedWithTheActivityName) {
  EnableFeatures();
  const UserRecord nobody;
  EXPECT_EQ(IsUserSecurityEnabled(), 1);
  EXPECT_EQ(IsActivityAllowed(nobody, kActivityManageRunList), 0);
  EXPECT_TRUE(boxes_.boxes().empty());

  EXPECT_EQ(IsActivityAllowedWithMessage(nobody, kActivityManageRunList), 0);
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  const MessageBoxRequest& box = boxes_.boxes()[0];
  EXPECT_EQ(box.caption, "Access to this feature is not allowed");
  EXPECT_EQ(box.text,
            "The current logged-on user does not have permission to perform the \"Manage Run "
            "List\" activity.\nPlease refer to the User Groups tab of the 21 CFR Part 11 "
            "configuration.");
  EXPECT_EQ(box.style, MB_ICONINFORMATION | MB_OK | MB_TASKMODAL);
  EXPECT_EQ(box.owner, nullptr);
  // An activity without a name is named by its number.
  EXPECT_NE(ActivityRefusedText(99).find("\"99\""), std::string::npos);
}

TEST_F(AccessTest, ActivitiesFollowTheRightsOfTheUsersGroups) {
  EnableFeatures();
  CTAVGroupRightsArray rights;
  rights.Grant("tav-analysts", kActivityAnalyzeData);
  ASSERT_EQ(theSystemConfig.WriteActivityGroupArray(rights), 0);

  const UserRecord analyst = User("alice", {"lab-staff", "TAV-Analysts"});
  EXPECT_EQ(IsActivityAllowedWithMessage(analyst, kActivityAnalyzeData), 1);
  EXPECT_EQ(IsActivityAllowedWithMessage(analyst, kActivityStartRun), 0);
  EXPECT_EQ(IsActivityAllowed(User("bob", {"lab-staff"}), kActivityAnalyzeData), 0);
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_NE(boxes_.boxes()[0].text.find("\"Start Runs\""), std::string::npos);
}

TEST_F(AccessTest, RunningTheSoftwareNeedsOneOfTheSuitesGroups) {
  EnableFeatures();
  // The last group, in other letter case, among groups of no meaning.
  EXPECT_EQ(IsUserAllowed(User("carol", {"staff", "TAV-USERS"})), 1);
  EXPECT_EQ(IsUserAllowed(User("carol", {"tav-admins"})), 1);
  EXPECT_TRUE(boxes_.boxes().empty());

  // Whole names only; a name alone is not enough, nor are groups alone.
  EXPECT_EQ(IsUserAllowed(User("dave", {"tav-users-old", "tav"})), 0);
  EXPECT_EQ(IsUserAllowed(User("", {"tav-users"})), 0);
  ASSERT_EQ(boxes_.boxes().size(), 2u);
  const MessageBoxRequest& box = boxes_.boxes()[0];
  EXPECT_EQ(box.caption, "Access to the TAV software is not allowed");
  EXPECT_EQ(box.text,
            "The entered username does not have permission to run the TAV software.\n"
            "Please contact your Administrator to setup users with membership in user groups "
            "  \nas appropriate for authentication within the TAV software.\n\n"
            "You may try a different username at the User Login screen, or use Cancel to "
            "exit.");
  EXPECT_EQ(box.style, MB_ICONINFORMATION | MB_OK | MB_TASKMODAL);
}

TEST_F(AccessTest, StealthModeRefusesSilently) {
  EnableFeatures();
  ASSERT_TRUE(SetStealthMode(true));
  EXPECT_EQ(IsUserAllowed(UserRecord()), 0);
  EXPECT_EQ(IsActivityAllowedWithMessage(UserRecord(), kActivityStartRun), 0);
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(AccessTest, AuditRecordingByDataType) {
  EnableFeatures();
  SetRecording({{kDataTypeRunFile, kRecordingNone},
                {kDataTypeTemplate, kRecordingNone},
                {kDataTypeAnalysisSettings, kRecordingReasonRequired},
                {kDataTypeReport, kRecordingReasonOptional}});
  EXPECT_EQ(IsAuditRecordingForDataType(kDataTypeRunFile), 1);  // always audited
  EXPECT_EQ(IsAuditRecordingForDataType(kDataTypeTemplate), 0);
  EXPECT_EQ(IsAuditRecordingForDataType(kDataTypeAnalysisSettings), 1);
  EXPECT_EQ(IsAuditRecordingForDataType(kDataTypeReport), 1);
  // Method files are always audited like run files, stored or not.
  EXPECT_EQ(IsAuditRecordingForDataType(kDataTypeMethod), 1);
  EXPECT_EQ(IsAuditRecordingForDataType(kDataTypeCount), 0);
  EXPECT_EQ(IsAuditRecordingForDataType(-1), 0);
}

TEST_F(AccessTest, AuditCommentFlagsPassThrough) {
  EnableFeatures();
  SetRecording({{kDataTypeTemplate, kRecordingReasonOptional},
                {kDataTypeReport, kRecordingReasonRequired}});
  int first = -7;
  int second = -7;
  EXPECT_EQ(GetAuditCommentSetting(kDataTypeTemplate, &first, &second), 0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(GetAuditCommentSetting(kDataTypeReport, &first, nullptr), 0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(GetAuditCommentSetting(kDataTypeReport, nullptr, nullptr), 0);

  // A failing code is returned unchanged and nothing is stored.
  first = second = -7;
  EXPECT_EQ(GetAuditCommentSetting(42, &first, &second), kConfigInvalidId);
  EXPECT_EQ(first, -7);
  EXPECT_EQ(second, -7);
}

TEST_F(AccessTest, IdleTimeoutInMinutes) {
  EXPECT_EQ(GetIdleTimeout(), 0);
  ASSERT_EQ(theSystemConfig.SetConfigInt("Idle Timeout", 15), 0);
  EXPECT_EQ(GetIdleTimeout(), 15);
}

}  // namespace
}  // namespace tav
