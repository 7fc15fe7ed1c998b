#include "services/config/system_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "records/tag_registry.h"
#include "util/strings.h"

namespace tav {
namespace {

TEST(SystemTable, EveryIdentifierHasADistinctNameAndNoneOutsideItsRange) {
  auto check = [](int count, auto name, const char* what) {
    std::set<std::string> seen;
    for (int id = 0; id < count; ++id) {
      const std::string n = name(id);
      EXPECT_FALSE(n.empty()) << what << " " << id;
      EXPECT_TRUE(seen.insert(ToLowerAscii(n)).second) << what << " " << n;
    }
    EXPECT_EQ(name(-1), "") << what;
    EXPECT_EQ(name(count), "") << what;
  };
  check(kActivityCount, SystemTable::GetActivityName, "activity");
  check(kGroupCount, SystemTable::GetGroupName, "group");
  check(kDataTypeCount, [](int t) { return SystemTable::GetAuditTypeName(t, true); }, "list");
  check(kDataTypeCount, [](int t) { return SystemTable::GetAuditTypeName(t, false); }, "stored");
  check(kRecordingTypeCount, SystemTable::GetAuditRecordingTypeName, "recording");
  check(kESigSettingCount, SystemTable::GetESigSettingName, "setting");
  check(kItemCodeCount, SystemTable::GetESigItemLabel, "item");

  // The activities the dialogs ask for by number.
  EXPECT_NE(SystemTable::GetActivityName(0).find("Compliance"), std::string::npos);
  EXPECT_NE(SystemTable::GetActivityName(6).find("Run List"), std::string::npos);
  EXPECT_NE(SystemTable::GetActivityName(13).find("Audit Trail"), std::string::npos);
}

TEST(SystemTable, GroupNamesAreUsableAsSystemGroupNames) {
  for (int group = 0; group < kGroupCount; ++group) {
    const std::string name = SystemTable::GetGroupName(group);
    ASSERT_LE(name.size(), 32u);
    for (char c : name) {
      EXPECT_TRUE((c >= 'a' && c <= 'z') || c == '-' || c == '_') << name;
    }
  }
}

TEST(SystemTable, DataTypeFromExtension) {
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt("tav"), kDataTypeRunFile);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt(".TAV"), kDataTypeRunFile);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt("tvm"), kDataTypeMethod);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt("Tvt"), kDataTypeTemplate);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt("txt"), kDataTypeUnknown);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt(""), kDataTypeUnknown);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt("."), kDataTypeUnknown);
  EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt(nullptr), kDataTypeUnknown);
  for (int type = 0; type < kDataTypeCount; ++type) {
    const std::string ext = SystemTable::GetDataTypeExtension(type);
    EXPECT_EQ(SystemTable::GetAuditableDataTypeFromExt(ext.c_str()), type);
    // The list text names the extension.
    EXPECT_NE(SystemTable::GetAuditTypeName(type, true).find("*." + ext), std::string::npos);
  }
}

TEST(SystemTable, PredefinedReasonsAreDistinctNamedAndCoverRegisteredTags) {
  const auto& map = SystemTable::GetDataTypeToESigReasonListMap();
  int previous = -1;
  for (const auto& [type, reasons] : map) {
    EXPECT_GT(type, previous);  // ascending data types
    previous = type;
    ASSERT_NE(reasons, nullptr);
    EXPECT_EQ(static_cast<int>(reasons->size()), SystemTable::GetNumPredefinedESigReasons(type));
    std::set<int> keys;
    for (int i = 0; i < SystemTable::GetNumPredefinedESigReasons(type); ++i) {
      ESigReason reason;
      ASSERT_NE(SystemTable::GetESigReason(i, reason, type), 0);
      EXPECT_EQ(reason, (*reasons)[static_cast<size_t>(i)]);
      EXPECT_TRUE(keys.insert(SystemTable::ESigItemKey(reason)).second);
      EXPECT_FALSE(SystemTable::GetESigReasonName(reason).empty());
      EXPECT_LE(reason.tag_paths.size(), kMaxESigTagPaths);
      for (const std::string& path : reason.tag_paths) {
        for (const std::string& tag : SplitString(path, '\\')) {
          EXPECT_GE(LookupTag(tag), 0) << path;
        }
      }
    }
  }
  // Reports have none; a type without reasons is not in the map.
  EXPECT_EQ(SystemTable::GetNumPredefinedESigReasons(kDataTypeReport), 0);
  EXPECT_EQ(map.count(kDataTypeReport), 0u);

  ESigReason untouched{9, 9, {"X"}};
  EXPECT_EQ(SystemTable::GetESigReason(99, untouched, kDataTypeRunFile), 0);
  EXPECT_EQ(SystemTable::GetESigReason(0, untouched, 6), 0);
  EXPECT_EQ(untouched.reason_id, 9);
  EXPECT_EQ(SystemTable::GetESigReasonName(kReasonApproved, kItemAnalysisResults),
            "Approved Analysis Results");
  EXPECT_EQ(SystemTable::GetESigReasonName(99, 0), "");
}

}  // namespace
}  // namespace tav
