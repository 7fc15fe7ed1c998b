// The configuration pages' rules and tables, without a window: the idle
// timeout text, the column widths, the tick rules, the order of signature
// activities, and the rights merge against a real configuration store.
#include <gtest/gtest.h>

#include "config/activity_rights_matrix.h"
#include "config/bucket_map.h"
#include "config/idle_timeout.h"
#include "config/page_rules.h"
#include "config/setting_tables.h"
#include "services/config/group_rights.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

TEST(IdleTimeoutTest, AcceptsOneWholeNumberOnly) {
  EXPECT_EQ(ParseIdleTimeout(" 15 "), 15);
  EXPECT_EQ(ParseIdleTimeout("+7"), 7);
  EXPECT_EQ(ParseIdleTimeout("007"), 7);
  EXPECT_EQ(ParseIdleTimeout("0"), 0);
  EXPECT_EQ(ParseIdleTimeout("600"), 600);
  EXPECT_EQ(ParseIdleTimeout("601"), 601);
  EXPECT_EQ(ParseIdleTimeout("-1"), -1);
  for (const char* refused : {"7x", "1 2", "", "   ", "+", "+-3", "++3", "x7", "99999999999"}) {
    EXPECT_EQ(ParseIdleTimeout(refused), -1) << refused;
  }
  EXPECT_FALSE(IdleTimeoutInRange(601));
  EXPECT_TRUE(IdleTimeoutInRange(0));
  EXPECT_EQ(TimeoutRangeText(),
            "The idle timeout must be a value between 0 and 600.\n"
            "(The value 0 means the timeout is forever.)");
}

TEST(PageRulesTest, ColumnWidths) {
  const ColumnWidths rights = PermissionColumnWidths(400, 4);
  EXPECT_EQ(rights.first, 100);
  EXPECT_EQ(rights.check, 75);
  const ColumnWidths audit = AuditColumnWidths(700);
  EXPECT_EQ(audit.first, 200);
  EXPECT_EQ(audit.check, 158);
}

// Check columns of a longer language: never narrower than their texts, the
// preferred width while all fit, and the room shared out when they do not.
TEST(PageRulesTest, ShareColumnsKeepsEveryTextWhole) {
  EXPECT_EQ(ShareColumns(400, 80, {60, 70, 50}), (std::vector<int>{80, 80, 80}));
  EXPECT_EQ(ShareColumns(400, 80, {60, 150, 50}), (std::vector<int>{80, 150, 80}));
  // 80 + 250 + 80 would not fit in 360: each what it needs, plus a third of
  // the 360 - 360 left.
  EXPECT_EQ(ShareColumns(360, 80, {60, 250, 50}), (std::vector<int>{60, 250, 50}));
  EXPECT_EQ(ShareColumns(390, 80, {60, 250, 50}), (std::vector<int>{70, 260, 60}));
  // Not even the needs fit: the needs, and the list scrolls.
  EXPECT_EQ(ShareColumns(100, 80, {60, 250, 50}), (std::vector<int>{60, 250, 50}));
  EXPECT_TRUE(ShareColumns(100, 80, {}).empty());
}

TEST(PageRulesTest, UpperTicksFollowEachOther) {
  bool clear = false;
  // Fixed types snap back to audited only.
  EXPECT_EQ(AfterAuditTick(kDataTypeRunFile, {false, true, false}, 1, false, &clear),
            (AuditTicks{true, false, false}));
  // Unticking auditing clears the reasons and the signatures.
  EXPECT_EQ(AfterAuditTick(kDataTypeTemplate, {false, true, false}, 1, false, &clear),
            (AuditTicks{false, false, false}));
  EXPECT_TRUE(clear);
  EXPECT_EQ(AfterAuditTick(kDataTypeTemplate, {false, false, false}, 3, true, &clear),
            (AuditTicks{true, false, true}));
  EXPECT_FALSE(clear);
  EXPECT_EQ(AfterAuditTick(kDataTypeTemplate, {true, false, true}, 2, true, &clear),
            (AuditTicks{true, true, false}));
  EXPECT_EQ(TicksForRecording(kDataTypeReport, 3), (AuditTicks{true, false, true}));
  EXPECT_EQ(TicksForRecording(kDataTypeReport, 9), (AuditTicks{true, false, false}));
  EXPECT_EQ(RecordingForTicks(kDataTypeReport, TicksForRecording(kDataTypeReport, 9)), 1);
  EXPECT_EQ(RecordingForTicks(kDataTypeMethod, {}), 1);
  EXPECT_EQ(RecordingForTicks(kDataTypeReport, {}), 0);

  bool audit = false;
  EXPECT_EQ(AfterESigTick({false, true}, 1, true, &audit), (ESigTicks{true, false}));
  EXPECT_TRUE(audit);
  EXPECT_EQ(AfterESigTick({true, false}, 1, false, &audit), (ESigTicks{false, false}));
  EXPECT_FALSE(audit);
  EXPECT_EQ(ESigSettingForTicks({true, true}), 2);
}

TEST(BucketMapTest, IteratesByBucketNewestFirst) {
  BucketMap<int> map;
  // 0x101 and 0x102 share bucket (0x10 mod 17 = 16); 0x200 is bucket
  // 0x20 mod 17 = 15; 5 is bucket 0.
  for (int key : {0x101, 0x200, 0x102, 5}) map.SetAt(key, key);
  EXPECT_EQ(map.Keys(), (std::vector<int>{5, 0x200, 0x102, 0x101}));
  map.SetAt(0x101, 7);  // an existing key keeps its place
  EXPECT_EQ(map.Keys(), (std::vector<int>{5, 0x200, 0x102, 0x101}));
  EXPECT_EQ(*map.Find(0x101), 7);
}

TEST(SettingTablesTest, AuditTableKeepsTypeZeroAudited) {
  CAuditSettingTable table({0, 5, 1, 2, 3, 4}, {0, 1, 2, 3});
  EXPECT_EQ(table.GetRecordingType(0), 1);
  table.SetRecordingType(0, 0);
  EXPECT_EQ(table.GetRecordingType(0), 1);
  EXPECT_EQ(table.GetRecordingType(2), 0);
  CAuditSettingTable empty({}, {});
  EXPECT_EQ(empty.GetRecordingType(0), 1);
  EXPECT_EQ(empty.GetRecordingType(3), -1);
}

TEST(SettingTablesTest, ESigTableListsEveryPredefinedReason) {
  CESigSettingTable table;
  for (int type = 0; type < kDataTypeCount; ++type) {
    const std::vector<int> keys = table.ItemKeys(type);
    EXPECT_EQ(static_cast<int>(keys.size()), SystemTable::GetNumPredefinedESigReasons(type));
    for (int key : keys) EXPECT_NE(table.ItemName(key), kUndefinedESigItemName);
  }
  EXPECT_EQ(table.ItemName(-5), kUndefinedESigItemName);
  EXPECT_EQ(table.GetSetting(99, 0), 0);
  table.SetSetting(99, 0, 2);  // nothing held: nothing happens
}

// The matrix against the configuration store of a fresh data directory.
class RightsMatrixTest : public ::testing::Test {
 protected:
  testing::TempDataDir dir_;
  CSystemConfiguration config_;
};

TEST_F(RightsMatrixTest, WriteKeepsGrantsThePageDoesNotShow) {
  CTAVGroupRightsArray stored;
  stored.Grant("lab-auditors", kActivityViewAuditTrails);       // a group not shown
  stored.Grant(SystemTable::GetGroupName(kGroupUsers), kActivityPrintReports);
  stored.Grant(SystemTable::GetGroupName(kGroupOperators), kActivityViewAuditTrails);
  stored.Grant(SystemTable::GetGroupName(kGroupOperators), kActivityStartRun);
  ASSERT_EQ(config_.WriteActivityGroupArray(stored), 0);

  // Shows activities 0 to 4 of groups 0 to 3 only.
  CActivityRightsMatrix matrix({0, 1, 2, 3, 4}, {0, 1, 2, 3});
  ASSERT_EQ(matrix.Read(config_), 0);
  EXPECT_TRUE(matrix.GetGrant(kActivityStartRun, kGroupOperators));
  EXPECT_FALSE(matrix.GetGrant(kActivityViewAuditTrails, kGroupOperators));  // not shown
  matrix.SetGrant(kActivityStartRun, kGroupOperators, false);
  matrix.SetGrant(kActivityCreateDocuments, kGroupAnalysts, true);
  ASSERT_EQ(matrix.Write(config_), 0);

  CTAVGroupRightsArray after;
  ASSERT_EQ(config_.ReadActivityGroupArray(after), 0);
  EXPECT_TRUE(after.IsGranted("lab-auditors", kActivityViewAuditTrails));
  EXPECT_TRUE(after.IsGranted(SystemTable::GetGroupName(kGroupUsers), kActivityPrintReports));
  EXPECT_TRUE(after.IsGranted(SystemTable::GetGroupName(kGroupOperators),
                              kActivityViewAuditTrails));
  EXPECT_FALSE(after.IsGranted(SystemTable::GetGroupName(kGroupOperators), kActivityStartRun));
  EXPECT_TRUE(after.IsGranted(SystemTable::GetGroupName(kGroupAnalysts),
                              kActivityCreateDocuments));
  // Every shown group has an entry, ticked or not.
  EXPECT_TRUE(after.HasGroup(SystemTable::GetGroupName(kGroupManagers)));
}

TEST_F(RightsMatrixTest, ConcurrentSaveOfOtherCellsSurvives) {
  CActivityRightsMatrix mine({0, 1, 2}, {0, 1});
  ASSERT_EQ(mine.Read(config_), 0);
  // Another administrator (another process) saves a different cell.
  {
    CSystemConfiguration other;
    CActivityRightsMatrix theirs({0, 1, 2}, {0, 1});
    ASSERT_EQ(theirs.Read(other), 0);
    theirs.SetGrant(2, kGroupManagers, true);
    ASSERT_EQ(theirs.Write(other), 0);
  }
  mine.SetGrant(1, kGroupAdministrators, true);
  ASSERT_EQ(mine.Write(config_), 0);
  CActivityRightsMatrix check({0, 1, 2}, {0, 1});
  ASSERT_EQ(check.Read(config_), 0);
  EXPECT_TRUE(check.GetGrant(1, kGroupAdministrators));
  EXPECT_TRUE(check.GetGrant(2, kGroupManagers));
}

TEST_F(RightsMatrixTest, SettingTablesRoundTrip) {
  CAuditSettingTable table({0, 5, 1, 2, 3, 4}, {0, 1, 2, 3});
  table.SetRecordingType(kDataTypeReport, 3);
  ASSERT_EQ(table.Write(config_), 0);
  CAuditSettingTable read({0, 5, 1, 2, 3, 4}, {0, 1, 2, 3});
  ASSERT_EQ(read.Read(config_), 0);
  EXPECT_EQ(read.GetRecordingType(kDataTypeReport), 3);
  EXPECT_EQ(read.GetRecordingType(kDataTypeAnalysisSettings), 0);

  CESigSettingTable esig;
  const std::vector<int> keys = esig.ItemKeys(kDataTypeRunFile);
  ASSERT_FALSE(keys.empty());
  esig.SetSetting(kDataTypeRunFile, keys.back(), 2);
  ASSERT_EQ(esig.Save(config_), 0);
  CESigSettingTable loaded;
  ASSERT_EQ(loaded.Load(config_), 0);
  EXPECT_EQ(loaded.GetSetting(kDataTypeRunFile, keys.back()), 2);
  EXPECT_EQ(loaded.GetSetting(kDataTypeRunFile, keys.front()), keys.size() == 1 ? 2 : 0);
}

}  // namespace
}  // namespace tav
