// The rules of a signature that need no window: registry, offered reasons,
// filing folder, checks after the dialog, message texts and formatting.
#include <gtest/gtest.h>

#include "esig/esig_registry.h"
#include "esig/signature_rules.h"
#include "services/config/system_table.h"
#include "ui/show_message.h"

namespace tav {
namespace {

TEST(ESigRegistryTest, GroupsAreUniqueWithoutRegardToCase) {
  ESigRegistry registry;
  EXPECT_EQ(registry.AddGroup("ESig-Signers"), 1);
  EXPECT_EQ(registry.AddGroup("esig-SIGNERS"), 1);
  EXPECT_EQ(registry.AddGroup("QA"), 2);
  EXPECT_EQ(registry.groups(), (std::vector<std::string>{"ESig-Signers", "QA"}));
  EXPECT_TRUE(IsSignerGroupMember({"users", "qa"}, registry.groups()));
  EXPECT_FALSE(IsSignerGroupMember({"qa-team"}, registry.groups()));  // whole names only
}

TEST(ESigRegistryTest, ReasonsCountPerTypeAndInitUsesTheIndex) {
  ESigRegistry registry;
  EXPECT_EQ(registry.AddReason(9, "x", kDataTypeTemplate), 1);
  EXPECT_EQ(registry.AddReason(9, "x", kDataTypeTemplate), 2);  // repeats are kept
  EXPECT_EQ(registry.AddReason(1, nullptr, kDataTypeTemplate), -1);
  registry.ResetReasons();
  EXPECT_EQ(registry.AddReason(9, "x", kDataTypeTemplate), 1);

  registry.ResetReasons();
  registry.InitReasons();
  const auto& entries = registry.Reasons(kDataTypeCalibration);
  ASSERT_EQ(entries.size(), 3u);
  ESigReason second;
  SystemTable::GetESigReason(1, second, kDataTypeCalibration);
  EXPECT_EQ(entries[1], (ESigReasonEntry{SystemTable::GetESigReasonName(second), 1}));
  EXPECT_TRUE(registry.Reasons(kDataTypeReport).empty());
}

TEST(OfferedReasonsTest, FollowThePredefinedOrderAndTheEnabledSettings) {
  const int type = kDataTypeCalibration;
  ESigReason authored, reviewed, approved;
  ASSERT_TRUE(SystemTable::GetESigReason(0, authored, type));
  ASSERT_TRUE(SystemTable::GetESigReason(1, reviewed, type));
  ASSERT_TRUE(SystemTable::GetESigReason(2, approved, type));
  const std::string authored_name = SystemTable::GetESigReasonName(authored);
  const std::string approved_name = SystemTable::GetESigReasonName(approved);
  // Out of order, one name in other letters, one unknown, one twice.
  const std::vector<ESigReasonEntry> registered = {
      {approved_name, 42},
      {"reviewed calibration data", 1},
      {"Signed For Fun", 7},
      {authored_name, 10},
      {authored_name, 11},
  };
  CTAVESigConfiguration config;
  config.SetSetting(authored, kESigSettingRequired);
  config.SetSetting(reviewed, kESigSettingOptional);
  config.SetSetting(approved, kESigSettingOptional);
  const std::vector<OfferedReason> offered = BuildOfferedReasons(type, registered, config);
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0].entry, (ESigReasonEntry{authored_name, 10}));
  EXPECT_EQ(offered[1].entry, (ESigReasonEntry{approved_name, 42}));
  EXPECT_EQ(offered[1].predefined, approved);

  // Setting none, or no setting at all: not offered.
  config.SetSetting(authored, kESigSettingNone);
  config.RemoveSetting(approved.reason_id, approved.item_code);
  EXPECT_TRUE(BuildOfferedReasons(type, registered, config).empty());
}

TEST(SignatureRulesTest, FolderPutsTheSubFolderBelowTheRoot) {
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig", "batch-7"), "/srv/esig/batch-7");
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig/", "batch-7"), "/srv/esig/batch-7");
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig/", ""), "/srv/esig/");
  EXPECT_EQ(ComposeSignatureFolder("", "batch-7"), "./batch-7");
  EXPECT_EQ(ComposeSignatureFolder("", ""), "");
  EXPECT_EQ(PathExtension("/data/run.v2/plate.TAV"), "TAV");
  EXPECT_EQ(PathExtension("/data/run.v2/plate"), "");
}

TEST(SignatureRulesTest, ChecksAfterTheDialogRunInOrder) {
  const std::vector<std::string> signers = {"ESig-Signers"};
  AcceptedSigner signer{"", "", true, {"users"}};
  EXPECT_EQ(CheckAcceptedSigner(signer, signers), kSignatureNoUserName);
  signer.user_name = "x";
  EXPECT_EQ(CheckAcceptedSigner(signer, signers), kSignatureNoFullName);
  signer.full_name = "X";
  EXPECT_EQ(CheckAcceptedSigner(signer, signers), kSignatureNoPassword);
  signer.password_empty = false;
  EXPECT_EQ(CheckAcceptedSigner(signer, signers), kSignatureNotSigner);
  signer.groups.push_back("esig-signers");
  EXPECT_EQ(CheckAcceptedSigner(signer, signers), kSignatureOk);
  EXPECT_EQ(CheckAcceptedSigner(signer, {}), kSignatureNotSigner);
}

TEST(SignatureRulesTest, GroupRefusalNamesTheOnlyGroup) {
  const std::string one = NotInSignerGroupText({"50%s"});
  EXPECT_EQ(one.rfind("The user specified is not a member of the \"50%s\" Windows User "
                      "Group.\n\nPer FDA 21 CFR Part 11 Regulation, 11.10(g) :\n",
                      0),
            0u);
  EXPECT_NE(one.find("membership in the \"50%s\" user group.\nPlease contact"),
            std::string::npos);
  const std::string generic = NotInSignerGroupText({"a", "b"});
  EXPECT_EQ(generic, NotInSignerGroupText({}));
  EXPECT_EQ(generic.rfind("The user specified is not a member of a valid E-signature", 0), 0u);
  EXPECT_NE(generic.find("membership in a valid group.\n"), std::string::npos);
}

TEST(ShowMessageTest, FormatExpandsInsertsAndLineBreaksOnce) {
  EXPECT_EQ(FormatMessageText(kContentMissingFormat, {"Approved Analysis Results",
                                                      "analysis results"}),
            "The requested electronic signature\n    Approved Analysis Results\ncannot be "
            "applied because the file contains no\n    analysis results\nto sign.");
  EXPECT_EQ(FormatMessageText("[%2|%1]", {"%2%n", "b"}), "[b|%2%n]");  // not expanded again
  EXPECT_EQ(FormatMessageText("%10", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"}),
            "ten");
  EXPECT_EQ(FormatMessageText("%1 and %3, 100%% %x %", {"a"}), "a and %3, 100% %x %");
}

}  // namespace
}  // namespace tav
