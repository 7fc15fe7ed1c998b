#include "services/config/name_entry_points.h"

#include <gtest/gtest.h>

#include "services/config/audit_settings.h"
#include "services/config/group_rights.h"
#include "services/config/system_table.h"

namespace tav {
namespace {

class NameEntryPoints : public ::testing::Test {
 protected:
  ~NameEntryPoints() override { SetNameLibraryPath(""); }
};

TEST_F(NameEntryPoints, AMissingLibraryLeavesNamesEmpty) {
  SetNameLibraryPath("/nonexistent/libTAVConfiguration.so");
  EXPECT_EQ(EntryActivityName(3), "");
  EXPECT_EQ(EntryESigReasonName(0, 1), "");
  CTAVGroupRightsArray rights;
  rights.Grant("tav-admins", 3);
  EXPECT_EQ(rights.FindGroup("tav-admins")->activities.at(0).name, "");
  EXPECT_EQ(CTAVAuditableDataType(2, "", "").GetTypeName(), "");
}

TEST_F(NameEntryPoints, TheNamingLibraryNamesWhatTheTablesName) {
  SetNameLibraryPath(NAMES_LIBRARY);
  for (int id = -1; id <= kActivityCount; ++id) {
    EXPECT_EQ(EntryActivityName(id), SystemTable::GetActivityName(id));
  }
  EXPECT_EQ(EntryGroupName(2), SystemTable::GetGroupName(2));
  EXPECT_EQ(EntryAuditTypeName(5), SystemTable::GetAuditTypeName(5, false));
  EXPECT_EQ(EntryAuditRecordingTypeName(3), SystemTable::GetAuditRecordingTypeName(3));
  EXPECT_EQ(EntryESigSettingName(2), "Required");
  EXPECT_EQ(EntryESigReasonName(kReasonReviewed, kItemRunData), "Reviewed Run Data");
  EXPECT_EQ(EntryESigReasonName(kReasonReviewed, 99), "");

  // Empty names of setting records are filled from it; given names stay.
  CTAVGroupRightsArray rights;
  rights.Grant("tav-admins", 6);
  rights.Grant("tav-admins", 7, "My name");
  EXPECT_EQ(rights.FindGroup("TAV-ADMINS")->activities.at(0).name, "Manage Run List");
  EXPECT_EQ(rights.FindGroup("tav-admins")->activities.at(1).name, "My name");
  EXPECT_EQ(CTAVAuditableDataType(0, "", "").GetTypeName(), "Run File");
}

TEST_F(NameEntryPoints, AMissingEntryLeavesOnlyItsNamesEmpty) {
  SetNameLibraryPath(PARTIAL_NAMES_LIBRARY);
  EXPECT_EQ(EntryActivityName(4), "Activity 4");
  EXPECT_EQ(EntryGroupName(1), "");
  EXPECT_EQ(EntryAuditTypeName(1), "");
  EXPECT_EQ(CTAVAuditableDataType(1, "", "x").GetTypeName(), "");
}

}  // namespace
}  // namespace tav
