// The auditing settings of the data types: CTAVAuditDataTypeSettingArray
// holds one CTAVAuditableDataSetting (a data type and its recording type)
// per auditable data type.
//
// Stored form (framework archive, util/archive.h; integers little-endian):
//   array    the element count (archive count form), then each setting
//   setting  32-bit version 1, its data type in place, 32-bit recording type
//   type     32-bit version 1, 32-bit data type id, data type name (archive
//            string), recording type name (archive string)
// A version above 1 throws CArchiveException(kBadSchema, "Wrong file
// version"). An empty data type name is filled from the naming entry point
// SystemTable_AuditTypeName.
//
// Thread safety: plain values, one thread at a time.
#ifndef TAV_SERVICES_CONFIG_AUDIT_SETTINGS_H_
#define TAV_SERVICES_CONFIG_AUDIT_SETTINGS_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/archive.h"

namespace tav {

class CTAVAuditableDataType {
 public:
  static constexpr int32_t kVersion = 1;

  CTAVAuditableDataType() = default;
  CTAVAuditableDataType(int data_type, std::string_view type_name,
                        std::string_view recording_type_name);

  int GetDataType() const { return data_type_; }
  const std::string& GetTypeName() const { return type_name_; }
  const std::string& GetRecordingTypeName() const { return recording_type_name_; }
  void SetRecordingTypeName(std::string_view name) { recording_type_name_ = std::string(name); }

  void Serialize(CArchive& ar);
  bool operator==(const CTAVAuditableDataType&) const = default;

 private:
  void FillEmptyName();

  int32_t data_type_ = -1;
  std::string type_name_;
  std::string recording_type_name_;
};

class CTAVAuditableDataSetting {
 public:
  static constexpr int32_t kVersion = 1;

  CTAVAuditableDataSetting();
  CTAVAuditableDataSetting(const CTAVAuditableDataType& type, int recording_type);
  CTAVAuditableDataSetting(const CTAVAuditableDataSetting& other);
  CTAVAuditableDataSetting& operator=(const CTAVAuditableDataSetting& other);
  CTAVAuditableDataSetting(CTAVAuditableDataSetting&&) noexcept = default;
  CTAVAuditableDataSetting& operator=(CTAVAuditableDataSetting&&) noexcept = default;

  const CTAVAuditableDataType& GetType() const { return *type_; }
  CTAVAuditableDataType& GetType() { return *type_; }
  int GetDataType() const { return type_->GetDataType(); }
  int GetRecordingType() const { return recording_type_; }
  void SetRecordingType(int recording_type) { recording_type_ = recording_type; }

  void Serialize(CArchive& ar);
  bool operator==(const CTAVAuditableDataSetting& other) const;

 private:
  std::unique_ptr<CTAVAuditableDataType> type_;
  int32_t recording_type_ = 0;
};

class CTAVAuditDataTypeSettingArray {
 public:
  static constexpr int32_t kSchema = 1;

  // Replaces the setting held for `data_type` or appends a new one. Ids
  // outside 0 to 5 are refused (false).
  bool Add(int data_type, int recording_type, std::string_view type_name = {},
           std::string_view recording_type_name = {});
  // The recording type held for a data type; -1 when none is held or the id
  // is outside 0 to 5.
  int GetRecordingType(int data_type) const;
  const CTAVAuditableDataSetting* Find(int data_type) const;

  const std::vector<CTAVAuditableDataSetting>& settings() const { return settings_; }
  size_t GetSize() const { return settings_.size(); }
  void RemoveAll() { settings_.clear(); }

  // Stores or loads (by the archive's direction) the form above. Loading
  // replaces the contents; on an exception the contents are unspecified.
  void Serialize(CArchive& ar);
  bool operator==(const CTAVAuditDataTypeSettingArray&) const = default;

 private:
  std::vector<CTAVAuditableDataSetting> settings_;
};

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_AUDIT_SETTINGS_H_
