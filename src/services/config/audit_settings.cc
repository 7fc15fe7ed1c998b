#include "services/config/audit_settings.h"

#include "services/config/name_entry_points.h"
#include "services/config/system_ids.h"

namespace tav {

namespace {

void CheckVersion(int32_t version, int32_t known) {
  if (version > known) {
    throw CArchiveException(CArchiveException::kBadSchema, "Wrong file version");
  }
}

// The fewest bytes one stored setting takes: two versions, the id, two
// empty names and the recording type.
constexpr uint64_t kMinSettingBytes = 4 + 4 + 4 + 1 + 1 + 4;

}  // namespace

// ------------------------------------------------------ CTAVAuditableDataType

CTAVAuditableDataType::CTAVAuditableDataType(int data_type, std::string_view type_name,
                                             std::string_view recording_type_name)
    : data_type_(data_type),
      type_name_(type_name),
      recording_type_name_(recording_type_name) {
  FillEmptyName();
}

void CTAVAuditableDataType::FillEmptyName() {
  if (type_name_.empty()) type_name_ = EntryAuditTypeName(data_type_);
}

void CTAVAuditableDataType::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteInt32(kVersion);
    ar.WriteInt32(data_type_);
    ar.WriteString(type_name_);
    ar.WriteString(recording_type_name_);
    return;
  }
  CheckVersion(ar.ReadInt32(), kVersion);
  data_type_ = ar.ReadInt32();
  type_name_ = ar.ReadString();
  recording_type_name_ = ar.ReadString();
  FillEmptyName();
}

// ---------------------------------------------------- CTAVAuditableDataSetting

CTAVAuditableDataSetting::CTAVAuditableDataSetting()
    : type_(std::make_unique<CTAVAuditableDataType>()) {}

CTAVAuditableDataSetting::CTAVAuditableDataSetting(const CTAVAuditableDataType& type,
                                                   int recording_type)
    : type_(std::make_unique<CTAVAuditableDataType>(type)), recording_type_(recording_type) {}

CTAVAuditableDataSetting::CTAVAuditableDataSetting(const CTAVAuditableDataSetting& other)
    : type_(std::make_unique<CTAVAuditableDataType>(*other.type_)),
      recording_type_(other.recording_type_) {}

CTAVAuditableDataSetting& CTAVAuditableDataSetting::operator=(
    const CTAVAuditableDataSetting& other) {
  if (this != &other) {
    type_ = std::make_unique<CTAVAuditableDataType>(*other.type_);
    recording_type_ = other.recording_type_;
  }
  return *this;
}

bool CTAVAuditableDataSetting::operator==(const CTAVAuditableDataSetting& other) const {
  return *type_ == *other.type_ && recording_type_ == other.recording_type_;
}

void CTAVAuditableDataSetting::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteInt32(kVersion);
    type_->Serialize(ar);
    ar.WriteInt32(recording_type_);
    return;
  }
  CheckVersion(ar.ReadInt32(), kVersion);
  type_->Serialize(ar);
  recording_type_ = ar.ReadInt32();
}

// ----------------------------------------------- CTAVAuditDataTypeSettingArray

bool CTAVAuditDataTypeSettingArray::Add(int data_type, int recording_type,
                                        std::string_view type_name,
                                        std::string_view recording_type_name) {
  if (!IsValidDataType(data_type)) return false;
  CTAVAuditableDataSetting setting(
      CTAVAuditableDataType(data_type, type_name, recording_type_name), recording_type);
  for (CTAVAuditableDataSetting& s : settings_) {
    if (s.GetDataType() == data_type) {
      s = std::move(setting);
      return true;
    }
  }
  settings_.push_back(std::move(setting));
  return true;
}

const CTAVAuditableDataSetting* CTAVAuditDataTypeSettingArray::Find(int data_type) const {
  if (!IsValidDataType(data_type)) return nullptr;
  for (const CTAVAuditableDataSetting& s : settings_) {
    if (s.GetDataType() == data_type) return &s;
  }
  return nullptr;
}

int CTAVAuditDataTypeSettingArray::GetRecordingType(int data_type) const {
  const CTAVAuditableDataSetting* s = Find(data_type);
  return s == nullptr ? -1 : s->GetRecordingType();
}

void CTAVAuditDataTypeSettingArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(settings_.size());
    for (CTAVAuditableDataSetting& s : settings_) s.Serialize(ar);
    return;
  }
  const uint64_t count = ar.ReadCount();
  // A count that the bytes left cannot hold is damage, found before the
  // array grows.
  if (count > UINT64_MAX / kMinSettingBytes) ar.RequireRemaining(UINT64_MAX);
  ar.RequireRemaining(count * kMinSettingBytes);
  settings_.clear();
  settings_.resize(static_cast<size_t>(count));
  for (CTAVAuditableDataSetting& s : settings_) s.Serialize(ar);
}

}  // namespace tav
