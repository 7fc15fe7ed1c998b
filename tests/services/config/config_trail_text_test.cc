// The configuration audit trail in the configuration dialog's words: each
// kind of setting record named and valued as the dialog shows it, the
// stored form kept for listings.
#include "services/config/config_trail_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "services/config/config_records.h"
#include "services/config/config_trail.h"
#include "services/config/system_configuration.h"
#include "services/config/system_ids.h"
#include "services/config/system_table.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

CAuditSettingComp AuditSetting(int type, int recording) {
  return CAuditSettingComp(CTAVAuditableDataSetting(
      CTAVAuditableDataType(type, SystemTable::GetAuditTypeName(type, false),
                            SystemTable::GetAuditRecordingTypeName(recording)),
      recording));
}

TEST(ConfigTrailTextTest, ChangedValuesReadAsTheDialogShowsThem) {
  LoadConfigurationService();
  const CByteComp off("21EN", 0), on("21EN", 1);
  ShownTrailEntry shown = ShowTrailEntry(kAuditChangedRecord, {}, &off, &on, "raw\n");
  EXPECT_EQ(shown.where, "21 CFR Part 11 features");
  EXPECT_EQ(shown.description, "21 CFR Part 11 features: Off -> On\n");

  // The number list has no place in the dialog; its item names the number.
  const CConfigListComp numbers("CFCp");
  const CConfigItemComp timeout("CFIk", "Idle Timeout");
  const CLongComp before("CFLn", 20), after("CFLn", 45);
  shown = ShowTrailEntry(kAuditChangedRecord, {&numbers, &timeout}, &before, &after, "raw\n");
  EXPECT_EQ(shown.where, "Application Idle Timeout");
  EXPECT_EQ(shown.description, "Application Idle Timeout: 20 minutes -> 45 minutes\n");

  const CConfigListComp audit("AUSa");
  const CAuditSettingComp none = AuditSetting(kDataTypeTemplate, kRecordingNone);
  const CAuditSettingComp required = AuditSetting(kDataTypeTemplate, kRecordingReasonRequired);
  shown = ShowTrailEntry(kAuditChangedRecord, {&audit}, &none, &required, "raw\n");
  EXPECT_EQ(shown.where, "Auditing and E-Signatures > Templates (*.tvt)");
  EXPECT_EQ(shown.description,
            "Templates (*.tvt): Not Audited -> Audited, Reason for Change Required\n");

  // Signature settings sit under the data type's stored name; the dialog
  // lists the type by its list name.
  const CESigConfigurationsComp esig;
  const CConfigESigTargetComp target(SystemTable::GetAuditTypeName(kDataTypeTemplate, false));
  const CESigReasonConfigListComp reasons;
  ESigReason reason;
  ASSERT_NE(SystemTable::GetESigReason(0, reason, kDataTypeTemplate), 0);
  const CConfigESigReasonComp optional(reason, 1), unset(reason, 0);
  shown = ShowTrailEntry(kAuditChangedRecord, {&esig, &target, &reasons}, &unset, &optional,
                         "raw\n");
  const std::string name = SystemTable::GetESigReasonName(reason);
  EXPECT_EQ(shown.where, "Auditing and E-Signatures > Templates (*.tvt) > " + name);
  EXPECT_EQ(shown.description, name + ": None -> Optional\n");
}

TEST(ConfigTrailTextTest, AddedAndDeletedRecordsSayWhatTheyHold) {
  LoadConfigurationService();
  const CConfigListComp rights("ACss");
  const CConfigItemComp group("CFNm", "tav-analysts");
  const CActivityGrantComp grant(kActivityManageRunList);
  ShownTrailEntry shown = ShowTrailEntry(kAuditAddedRecord, {&rights, &group}, &grant, nullptr, "");
  EXPECT_EQ(shown.where, "User Group Permissions > tav-analysts > Manage Run List");
  EXPECT_EQ(shown.description, "");

  const CConfigListComp audit("AUSa");
  const CAuditSettingComp audited = AuditSetting(kDataTypeReport, kRecordingAudited);
  shown = ShowTrailEntry(kAuditDeletedRecord, {&audit}, &audited, nullptr, "");
  EXPECT_EQ(shown.where, "Auditing and E-Signatures > Reports (*.tvr): Audited");
}

TEST(ConfigTrailTextTest, WhatTheDialogDoesNotShowKeepsItsStoredForm) {
  LoadConfigurationService();
  const CConfigListComp numbers("CFCp");
  const CConfigItemComp other("CFIk", "Lab Setting");
  const CLongComp before("CFLn", 1), after("CFLn", 2);
  ShownTrailEntry shown =
      ShowTrailEntry(kAuditChangedRecord, {&numbers, &other}, &before, &after, "raw\n");
  EXPECT_EQ(shown.where, "Lab Setting");
  EXPECT_EQ(shown.description, "Lab Setting: 1 -> 2\n");

  const CTextComp text("CFSt", "notes");
  shown = ShowTrailEntry(kAuditChangedRecord, {}, &text, &text, "    [Changed] raw\n");
  EXPECT_EQ(shown.where, text.GetName());
  EXPECT_EQ(shown.description, "    [Changed] raw\n");
  // A changed record whose new version is unknown shows no invented value.
  const CByteComp off("21EN", 0);
  EXPECT_EQ(ShowTrailEntry(kAuditChangedRecord, {}, &off, nullptr, "").description, "");
}

// Through the trail as it is stored: the shown words come with the entry,
// the stored form is untouched.
TEST(ConfigTrailTextTest, TheTrailCarriesBothForms) {
  testing::TempDataDir dir;
  CSystemConfiguration config;
  ASSERT_EQ(config.Set21CFREnabled(1), 0);
  std::vector<ConfigTrailEvent> events;
  ASSERT_TRUE(DescribeConfigTrail(config, &events));
  ASSERT_FALSE(events.empty());
  ASSERT_EQ(events.back().entries.size(), 1u);
  const ConfigTrailEntry& entry = events.back().entries[0];
  EXPECT_EQ(entry.shown_where, "21 CFR Part 11 features");
  EXPECT_EQ(entry.shown_description, "21 CFR Part 11 features: Off -> On\n");
  EXPECT_NE(entry.description.find("21CFREnabledFlag [From] 0 [To] 1"), std::string::npos)
      << entry.description;
}

}  // namespace
}  // namespace tav
