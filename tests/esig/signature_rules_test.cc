// The signature's rules that need no window: the registry, the offered
// reasons, the filing folder, the checks after the dialog and the message
// formatting.
#include <gtest/gtest.h>

#include "esig/esig_registry.h"
#include "esig/signature_rules.h"
#include "services/config/system_table.h"
#include "ui/show_message.h"
#include "util/strings.h"

namespace tav {
namespace {

std::vector<std::string> Names(const std::vector<OfferedReason>& offered) {
  std::vector<std::string> names;
  for (const OfferedReason& o : offered) names.push_back(o.entry.name);
  return names;
}

CTAVESigConfiguration AllOptional(int data_type) {
  CTAVESigConfiguration config;
  for (int i = 0; i < SystemTable::GetNumPredefinedESigReasons(data_type); ++i) {
    ESigReason reason;
    SystemTable::GetESigReason(i, reason, data_type);
    config.SetSetting(reason, kESigSettingOptional);
  }
  return config;
}

TEST(ESigRegistryTest, GroupsAreUniqueWithoutRegardToCase) {
  ESigRegistry registry;
  EXPECT_EQ(registry.AddGroup("ESig-Signers"), 1);
  EXPECT_EQ(registry.AddGroup("esig-SIGNERS"), 1);
  EXPECT_EQ(registry.AddGroup(nullptr), 1);
  EXPECT_EQ(registry.AddGroup("QA"), 2);
  EXPECT_EQ(registry.groups(), (std::vector<std::string>{"ESig-Signers", "QA"}));
  EXPECT_TRUE(IsSignerGroupMember({"users", "qa"}, registry.groups()));
  // Whole names only.
  EXPECT_FALSE(IsSignerGroupMember({"qa-team", "esig"}, registry.groups()));
  registry.ResetGroups();
  EXPECT_FALSE(IsSignerGroupMember({"ESig-Signers"}, registry.groups()));
}

TEST(ESigRegistryTest, ReasonCountsPerTypeStartAgainAfterAReset) {
  ESigRegistry registry;
  EXPECT_EQ(registry.AddReason(0, "Approved Plate Setup", kDataTypeRunFile), 1);
  EXPECT_EQ(registry.AddReason(0, "Approved Plate Setup", kDataTypeRunFile), 2);
  EXPECT_EQ(registry.AddReason(5, "x", kDataTypeTemplate), 1);
  EXPECT_EQ(registry.AddReason(1, nullptr, kDataTypeTemplate), -1);
  EXPECT_EQ(registry.Reasons(kDataTypeTemplate).size(), 1u);
  EXPECT_TRUE(registry.Reasons(kDataTypeReport).empty());
  registry.ResetReasons();
  EXPECT_TRUE(registry.Reasons(kDataTypeRunFile).empty());
  EXPECT_EQ(registry.AddReason(3, "y", kDataTypeRunFile), 1);

  registry.SetRootPath("/srv/esig");
  registry.SetRootPath(nullptr);
  EXPECT_EQ(registry.root_path(), "");
}

TEST(ESigRegistryTest, InitRegistersEveryPredefinedReasonUnderItsIndex) {
  ESigRegistry registry;
  registry.InitReasons();
  for (int type = 0; type < kDataTypeCount; ++type) {
    const auto& entries = registry.Reasons(type);
    ASSERT_EQ(static_cast<int>(entries.size()), SystemTable::GetNumPredefinedESigReasons(type));
    for (size_t i = 0; i < entries.size(); ++i) {
      ESigReason reason;
      SystemTable::GetESigReason(static_cast<int>(i), reason, type);
      EXPECT_EQ(entries[i], (ESigReasonEntry{SystemTable::GetESigReasonName(reason),
                                             static_cast<int32_t>(i)}));
    }
  }
  // A second call doubles the entries, yet each name is offered once.
  registry.InitReasons();
  EXPECT_EQ(static_cast<int>(registry.Reasons(kDataTypeRunFile).size()),
            2 * SystemTable::GetNumPredefinedESigReasons(kDataTypeRunFile));
  const auto offered = BuildOfferedReasons(kDataTypeRunFile, registry.Reasons(kDataTypeRunFile),
                                           AllOptional(kDataTypeRunFile));
  EXPECT_EQ(static_cast<int>(offered.size()),
            SystemTable::GetNumPredefinedESigReasons(kDataTypeRunFile));
}

TEST(OfferedReasonsTest, FollowThePredefinedOrderAndTheEnabledSettings) {
  const int type = kDataTypeCalibration;
  ESigReason authored, reviewed, approved;
  ASSERT_TRUE(SystemTable::GetESigReason(0, authored, type));
  ASSERT_TRUE(SystemTable::GetESigReason(1, reviewed, type));
  ASSERT_TRUE(SystemTable::GetESigReason(2, approved, type));
  const std::string authored_name = SystemTable::GetESigReasonName(authored);
  const std::string approved_name = SystemTable::GetESigReasonName(approved);

  // Registered out of order, one name in another letter case, one unknown,
  // one twice with different numbers.
  const std::vector<ESigReasonEntry> registered = {
      {approved_name, 42},
      {ToLowerAscii(SystemTable::GetESigReasonName(reviewed)), 1},
      {"Signed For Fun", 7},
      {authored_name, 10},
      {authored_name, 11},
  };
  CTAVESigConfiguration config;
  config.SetSetting(authored, kESigSettingRequired);
  config.SetSetting(reviewed, kESigSettingOptional);
  config.SetSetting(approved, kESigSettingOptional);
  std::vector<OfferedReason> offered = BuildOfferedReasons(type, registered, config);
  EXPECT_EQ(Names(offered), (std::vector<std::string>{authored_name, approved_name}));
  EXPECT_EQ(offered[0].entry.number, 10);
  EXPECT_EQ(offered[1].entry.number, 42);
  EXPECT_EQ(offered[1].predefined, approved);

  // Settings other than optional and required, and reasons the
  // configuration does not hold, are not offered.
  config.SetSetting(authored, kESigSettingNone);
  config.RemoveSetting(approved.reason_id, approved.item_code);
  EXPECT_TRUE(BuildOfferedReasons(type, registered, config).empty());
  EXPECT_TRUE(BuildOfferedReasons(kDataTypeUnknown, registered, config).empty());
}

TEST(SignatureFolderTest, SubFolderGoesBelowTheRoot) {
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig", "batch-7"), "/srv/esig/batch-7");
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig/", "batch-7"), "/srv/esig/batch-7");
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig", ""), "/srv/esig");
  EXPECT_EQ(ComposeSignatureFolder("/srv/esig/", ""), "/srv/esig/");
  EXPECT_EQ(ComposeSignatureFolder("", "batch-7"), "./batch-7");
  EXPECT_EQ(ComposeSignatureFolder("", ""), "");
}

TEST(SignatureRulesTest, PathExtensionComesFromTheLastComponent) {
  EXPECT_EQ(PathExtension("/data/run.v2/plate.TAV"), "TAV");
  EXPECT_EQ(PathExtension("/data/run.v2/plate"), "");
  EXPECT_EQ(PathExtension("plate.tvc"), "tvc");
  EXPECT_EQ(PathExtension("/data/.hidden"), "hidden");
}

TEST(SignatureRulesTest, ChecksAfterTheDialogRunInOrder) {
  const std::vector<std::string> signers = {"ESig-Signers"};
  AcceptedSigner ok{"dave", "Dave Signer", false, {"users", "esig-signers"}};
  EXPECT_EQ(CheckAcceptedSigner(ok, signers), kSignatureOk);

  AcceptedSigner all_wrong{"", "", true, {"users"}};
  EXPECT_EQ(CheckAcceptedSigner(all_wrong, signers), kSignatureNoUserName);
  all_wrong.user_name = "x";
  EXPECT_EQ(CheckAcceptedSigner(all_wrong, signers), kSignatureNoFullName);
  all_wrong.full_name = "X";
  EXPECT_EQ(CheckAcceptedSigner(all_wrong, signers), kSignatureNoPassword);
  all_wrong.password_empty = false;
  EXPECT_EQ(CheckAcceptedSigner(all_wrong, signers), kSignatureNotSigner);
  EXPECT_EQ(CheckAcceptedSigner(ok, {}), kSignatureNotSigner);
}

TEST(SignatureRulesTest, NotInSignerGroupNamesTheOnlyGroup) {
  const std::string one = NotInSignerGroupText({"ESig-Signers"});
  EXPECT_EQ(one.rfind("The user specified is not a member of the \"ESig-Signers\" Windows User "
                      "Group.\n\nPer FDA 21 CFR Part 11 Regulation, 11.10(g) :\n",
                      0),
            0u);
  EXPECT_NE(one.find("membership in the \"ESig-Signers\" user group.\nPlease contact"),
            std::string::npos);
  // A group name is text, never a format.
  EXPECT_NE(NotInSignerGroupText({"50%s"}).find("\"50%s\" Windows User Group"),
            std::string::npos);

  const std::string generic = NotInSignerGroupText({"a", "b"});
  EXPECT_EQ(generic, NotInSignerGroupText({}));
  EXPECT_EQ(generic.rfind("The user specified is not a member of a valid E-signature Windows "
                          "User Group.\n\n",
                          0),
            0u);
  EXPECT_NE(generic.find("membership in a valid group.\nPlease contact your Administrator to "
                         "correct the Windows User definition for this user."),
            std::string::npos);
}

TEST(ShowMessageTest, FormatExpandsInsertsAndLineBreaksOnce) {
  EXPECT_EQ(FormatMessageText(kContentMissingFormat, {"Approved Analysis Results",
                                                      "analysis results"}),
            "The requested electronic signature\n    Approved Analysis Results\ncannot be "
            "applied because the file contains no\n    analysis results\nto sign.");
  // An insert is not expanded again.
  EXPECT_EQ(FormatMessageText("[%1|%2]", {"%2%n", "b"}), "[%2%n|b]");
  EXPECT_EQ(FormatMessageText("%2 before %1", {"a", "b"}), "b before a");
  // Up to two digits name an insert.
  EXPECT_EQ(FormatMessageText("%10", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"}),
            "ten");
  // Missing inserts and unknown escapes stay as written.
  EXPECT_EQ(FormatMessageText("%1 and %3", {"a"}), "a and %3");
  EXPECT_EQ(FormatMessageText("100%% %x %0 %"), "100% %x %0 %");
}

}  // namespace
}  // namespace tav
