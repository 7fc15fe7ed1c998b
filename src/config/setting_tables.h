// The two tables behind the auditing page of the configuration dialog.
//
// CAuditSettingTable: the recording type of each shown file type (0 not
// audited, 1 audited, 2 with an optional reason for change, 3 with a
// required one). File type 0 is never below 1.
//
// CESigSettingTable: for each file type with predefined signature reasons,
// the setting (0 none, 1 optional, 2 required) of each reason, keyed by
// the item key (reason id * 256 + item code, SystemTable::ESigItemKey).
// The keys of a type are listed in the order of BucketMap.
//
// Both read from and write to a CSystemConfiguration; the results are the
// configuration service's (0 on success). Threads: one thread at a time.
// No Qt.
#ifndef TAV_CONFIG_SETTING_TABLES_H_
#define TAV_CONFIG_SETTING_TABLES_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config/bucket_map.h"
#include "records/esig_config_types.h"
#include "util/shown_text.h"

namespace tav {

class CSystemConfiguration;

inline constexpr char kUndefinedESigItemName[] = TAV_TR_NOOP("tav::Names", "--- undefined ---");

// File types whose changes are always audited: shown fixed, stored as 1.
bool IsFixedAuditType(int data_type);

class CAuditSettingTable {
 public:
  // Every data type starts at 0.
  CAuditSettingTable(const std::vector<int32_t>& data_types,
                     const std::vector<int32_t>& recording_types);
  virtual ~CAuditSettingTable() = default;

  // The stored value; type 0 never below 1; for a type not held 1 when it
  // is type 0, else -1.
  virtual int GetRecordingType(int data_type) const;
  // For type 0 a value below 1 becomes 1.
  virtual void SetRecordingType(int data_type, int recording_type);
  // Each held type takes the stored recording type, 0 when none is stored.
  virtual int Read(CSystemConfiguration& config);
  virtual int Write(CSystemConfiguration& config) const;

  const std::vector<int32_t>& data_types() const { return data_types_; }

 private:
  std::vector<int32_t> data_types_;
  std::vector<int32_t> recording_types_;
  std::map<int, int> settings_;
};

class CESigSettingTable {
 public:
  // The predefined reasons of file types 0 to 5, every setting 0.
  CESigSettingTable();
  virtual ~CESigSettingTable() = default;

  virtual int Load(CSystemConfiguration& config);
  // Stops at the first failed write and returns its result.
  virtual int Save(CSystemConfiguration& config) const;
  // The item keys of a file type in iteration order; empty when the type
  // has no reasons.
  virtual std::vector<int> ItemKeys(int data_type) const;
  // kUndefinedESigItemName when the key is not held.
  virtual std::string ItemName(int item_key) const;
  // 0 when the type or key is not held.
  virtual int GetSetting(int data_type, int item_key) const;
  // Nothing when the type or key is not held.
  virtual void SetSetting(int data_type, int item_key, int setting);

  bool HoldsType(int data_type) const { return types_.Find(data_type) != nullptr; }

 private:
  struct Item {
    ESigReason reason;
    int setting = 0;
  };
  BucketMap<BucketMap<Item>> types_;
  BucketMap<std::string> names_;
  // The keys of each type in the predefined order, the order in which the
  // stored settings list them.
  std::map<int, std::vector<int>> stored_order_;
};

}  // namespace tav

#endif  // TAV_CONFIG_SETTING_TABLES_H_
