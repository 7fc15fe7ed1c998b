#include "config/setting_tables.h"

#include "services/config/audit_settings.h"
#include "services/config/system_configuration.h"
#include "services/config/system_ids.h"
#include "services/config/system_table.h"

namespace tav {

bool IsFixedAuditType(int data_type) {
  return data_type == kDataTypeRunFile || data_type == kDataTypeCalibration ||
         data_type == kDataTypeMethod;
}

// ------------------------------------------------------ CAuditSettingTable

CAuditSettingTable::CAuditSettingTable(const std::vector<int32_t>& data_types,
                                       const std::vector<int32_t>& recording_types)
    : data_types_(data_types), recording_types_(recording_types) {
  for (int32_t type : data_types_) settings_[type] = 0;
}

int CAuditSettingTable::GetRecordingType(int data_type) const {
  auto it = settings_.find(data_type);
  if (it == settings_.end()) return data_type == kDataTypeRunFile ? 1 : -1;
  if (data_type == kDataTypeRunFile && it->second < 1) return 1;
  return it->second;
}

void CAuditSettingTable::SetRecordingType(int data_type, int recording_type) {
  if (data_type == kDataTypeRunFile && recording_type < 1) recording_type = 1;
  settings_[data_type] = recording_type;
}

int CAuditSettingTable::Read(CSystemConfiguration& config) {
  CTAVAuditDataTypeSettingArray stored;
  const int result = config.ReadAuditTypeSettingArray(stored);
  for (int32_t type : data_types_) {
    const int recording = stored.GetRecordingType(type);
    settings_[type] = recording < 0 ? 0 : recording;
  }
  return result;
}

int CAuditSettingTable::Write(CSystemConfiguration& config) const {
  CTAVAuditDataTypeSettingArray settings;
  for (int32_t type : data_types_) {
    auto it = settings_.find(type);
    const int recording = it == settings_.end() ? 0 : it->second;
    settings.Add(type, recording, SystemTable::GetAuditTypeName(type, false),
                 SystemTable::GetAuditRecordingTypeName(recording));
  }
  return config.WriteAuditTypeSettingArray(settings);
}

// ------------------------------------------------------- CESigSettingTable

CESigSettingTable::CESigSettingTable() {
  for (int type = 0; type < kDataTypeCount; ++type) {
    const int count = SystemTable::GetNumPredefinedESigReasons(type);
    for (int index = 0; index < count; ++index) {
      ESigReason reason;
      if (SystemTable::GetESigReason(index, reason, type) == 0) continue;
      const int key = SystemTable::ESigItemKey(reason);
      names_.SetAt(key, SystemTable::GetESigReasonName(reason.reason_id, reason.item_code));
      BucketMap<Item>* items = types_.Find(type);
      if (items == nullptr) {
        types_.SetAt(type, BucketMap<Item>());
        items = types_.Find(type);
      }
      // The entry keeps the predefined reason's covered paths, as stored
      // by default: a save that changes no setting then changes nothing.
      items->SetAt(key, Item{reason, 0});
      stored_order_[type].push_back(key);
    }
  }
}

int CESigSettingTable::Load(CSystemConfiguration& config) {
  int first_failure = 0;
  for (int type : types_.Keys()) {
    CTAVESigConfiguration stored;
    const int result = config.ReadESigConfiguration(type, stored);
    if (result != 0 && first_failure == 0) first_failure = result;
    BucketMap<Item>* items = types_.Find(type);
    for (int key : items->Keys()) {
      Item* item = items->Find(key);
      item->setting = stored.GetSetting(item->reason.reason_id, item->reason.item_code);
    }
  }
  return first_failure;
}

int CESigSettingTable::Save(CSystemConfiguration& config) const {
  for (int type : types_.Keys()) {
    const BucketMap<Item>* items = types_.Find(type);
    CTAVESigConfiguration settings;
    for (int key : stored_order_.at(type)) {
      const Item* item = items->Find(key);
      settings.SetSetting(item->reason, item->setting);
    }
    const int result = config.WriteESigConfiguration(type, settings);
    if (result != 0) return result;
  }
  return 0;
}

std::vector<int> CESigSettingTable::ItemKeys(int data_type) const {
  const BucketMap<Item>* items = types_.Find(data_type);
  return items == nullptr ? std::vector<int>() : items->Keys();
}

std::string CESigSettingTable::ItemName(int item_key) const {
  const std::string* name = names_.Find(item_key);
  return name == nullptr ? kUndefinedESigItemName : *name;
}

int CESigSettingTable::GetSetting(int data_type, int item_key) const {
  const BucketMap<Item>* items = types_.Find(data_type);
  const Item* item = items == nullptr ? nullptr : items->Find(item_key);
  return item == nullptr ? 0 : item->setting;
}

void CESigSettingTable::SetSetting(int data_type, int item_key, int setting) {
  BucketMap<Item>* items = types_.Find(data_type);
  Item* item = items == nullptr ? nullptr : items->Find(item_key);
  if (item != nullptr) item->setting = setting;
}

}  // namespace tav
