#include "services/config/config_records.h"

#include <mutex>

#include "records/component_path_comp.h"
#include "records/property_item.h"
#include "records/tag_registry.h"
#include "services/config/system_names.h"
#include "util/strings.h"

namespace tav {

namespace {

template <typename T>
const T* SameKind(const CComponent& self, const CComponent& other) {
  if (&other == &self || !(other.GetTag() == self.GetTag())) return nullptr;
  return dynamic_cast<const T*>(&other);
}

bool AppendCopyToPath(CComponentPathComp* path, std::unique_ptr<CComponent> copy) {
  if (path == nullptr) return false;
  return path->AddComponent(std::move(copy)) == kRecordOk;
}

std::unique_ptr<CComponent> MakeConfigList(const ComponentTag& tag) {
  return std::make_unique<CConfigListComp>(std::string_view(tag.bytes, 4));
}
std::unique_ptr<CComponent> MakeConfigItem(const ComponentTag&) {
  return std::make_unique<CConfigItemComp>();
}
std::unique_ptr<CComponent> MakeActivityGrant(const ComponentTag&) {
  return std::make_unique<CActivityGrantComp>();
}
std::unique_ptr<CComponent> MakeAuditSetting(const ComponentTag&) {
  return std::make_unique<CAuditSettingComp>();
}
std::unique_ptr<CComponent> MakeESigTarget(const ComponentTag&) {
  return std::make_unique<CConfigESigTargetComp>();
}
std::unique_ptr<CComponent> MakeESigReason(const ComponentTag&) {
  return std::make_unique<CConfigESigReasonComp>();
}

}  // namespace

void RegisterConfigRecordKinds() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentMaker("ACss", &MakeConfigList);
    RegisterComponentMaker("CFCp", &MakeConfigList);
    RegisterComponentMaker("AUSa", &MakeConfigList);
    RegisterComponentMaker("CFIt", &MakeConfigItem);
    RegisterComponentMaker("CTRa", &MakeActivityGrant);
    RegisterComponentMaker("AUSt", &MakeAuditSetting);
    RegisterComponentMaker("ESiT", &MakeESigTarget);
    RegisterComponentMaker("EScf", &MakeESigReason);
  });
}

// ------------------------------------------------------------ CConfigListComp

CConfigListComp::CConfigListComp(std::string_view tag) : CListComp(tag) {}

// ------------------------------------------------------------ CConfigItemComp

CConfigItemComp::CConfigItemComp() : CListComp("CFIt") {}

CConfigItemComp::CConfigItemComp(std::string_view key_tag, std::string_view key)
    : CListComp("CFIt") {
  AddComponent(std::make_unique<CTextComp>(key_tag, key));
}

std::string CConfigItemComp::GetKey() const {
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    const CComponent* child = GetNextChild(pos);
    if (child->GetTag().Is("CFNm") || child->GetTag().Is("CFIk")) return child->GetValueText();
  }
  return {};
}

bool CConfigItemComp::IsSameTag(const CComponent* other) const {
  if (!CListComp::IsSameTag(other)) return false;
  const auto* item = dynamic_cast<const CConfigItemComp*>(other);
  return item != nullptr && EqualsNoCase(GetKey(), item->GetKey());
}

std::string CConfigItemComp::GetMatchKey() const {
  return CListComp::GetMatchKey() + ToLowerAscii(GetKey());
}

bool CConfigItemComp::AppendToPath(CComponentPathComp* path) const {
  auto element = std::make_unique<CConfigItemComp>();
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    const CComponent* child = GetNextChild(pos);
    if (child->GetTag().Is("CFNm") || child->GetTag().Is("CFIk")) {
      std::unique_ptr<CComponent> key;
      CloneComponent(child, key);
      element->AddComponent(std::move(key));
      break;
    }
  }
  return AppendCopyToPath(path, std::move(element));
}

std::string CConfigItemComp::GetDisplayText() const {
  const std::string key = GetKey();
  return key.empty() ? GetName() : key;
}

// --------------------------------------------------------- CActivityGrantComp

CActivityGrantComp::CActivityGrantComp(uint16_t activity) : CShortComp("CTRa", activity) {}

bool CActivityGrantComp::IsSameTag(const CComponent* other) const {
  if (!CShortComp::IsSameTag(other)) return false;
  const auto* grant = dynamic_cast<const CShortComp*>(other);
  return grant != nullptr && grant->GetValue() == GetValue();
}

std::string CActivityGrantComp::GetMatchKey() const {
  return CShortComp::GetMatchKey() + std::to_string(GetValue());
}

bool CActivityGrantComp::AppendToPath(CComponentPathComp* path) const {
  return AppendCopyToPath(path, std::make_unique<CActivityGrantComp>(GetValue()));
}

// ---------------------------------------------------------- CAuditSettingComp

CAuditSettingComp::CAuditSettingComp() : CComponent("AUSt") { UpdateBodyLength(); }

CAuditSettingComp::CAuditSettingComp(const CTAVAuditableDataSetting& setting)
    : CComponent("AUSt"), setting_(setting) {
  UpdateBodyLength();
}

void CAuditSettingComp::UpdateBodyLength() {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  setting_.Serialize(ar);
  SetBodyLength(static_cast<uint32_t>(file.size()));
}

void CAuditSettingComp::CopyFrom(const CComponent& other) {
  const auto* o = SameKind<CAuditSettingComp>(*this, other);
  CComponent::CopyFrom(other);
  if (o != nullptr) setting_ = o->setting_;
}

void CAuditSettingComp::Reset() {
  setting_ = CTAVAuditableDataSetting();
  UpdateBodyLength();
}

std::string CAuditSettingComp::GetValueText() const {
  return setting_.GetType().GetTypeName() + ": " + setting_.GetType().GetRecordingTypeName();
}

bool CAuditSettingComp::IsSameTag(const CComponent* other) const {
  if (!CComponent::IsSameTag(other)) return false;
  const auto* o = dynamic_cast<const CAuditSettingComp*>(other);
  return o != nullptr && o->setting_.GetDataType() == setting_.GetDataType();
}

std::string CAuditSettingComp::GetMatchKey() const {
  return CComponent::GetMatchKey() + std::to_string(setting_.GetDataType());
}

bool CAuditSettingComp::AppendToPath(CComponentPathComp* path) const {
  return AppendCopyToPath(path, std::make_unique<CAuditSettingComp>(setting_));
}

void CAuditSettingComp::AppendSettingItems(CPropertyItemList& list) const {
  const CTAVAuditableDataType& type = setting_.GetType();
  list.Add(kPropertyValue, "Data Type")
      ->SetText(StrFormat("%d (%s)", type.GetDataType(), type.GetTypeName().c_str()));
  list.Add(kPropertyValue, "Recording Type")
      ->SetText(StrFormat("%d (%s)", setting_.GetRecordingType(),
                          type.GetRecordingTypeName().c_str()));
}

void CAuditSettingComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CComponent::AppendHeaderProperties(list);
  AppendSettingItems(list);
}

void CAuditSettingComp::AppendProperties(CPropertyItemList& list) const {
  AppendSettingItems(list);
}

int CAuditSettingComp::WriteData(CFile* file) {
  CArchive ar(file, CArchive::store);
  setting_.Serialize(ar);
  return kRecordOk;
}

int CAuditSettingComp::ReadData(CFile* file) {
  const uint32_t length = GetBodyLength();
  if (length > file->GetRemaining()) return kRecordReadError;
  std::string body(length, '\0');
  if (file->Read(body.data(), length) != length) return kRecordReadError;
  CMemFile in(body.data(), body.size());
  CArchive ar(&in, CArchive::load);
  CTAVAuditableDataSetting setting;
  try {
    setting.Serialize(ar);
  } catch (const CArchiveException&) {
    return kRecordCorrupt;
  }
  setting_ = std::move(setting);
  return kRecordOk;
}

// ------------------------------------------------------ e-signature settings

bool CConfigESigTargetComp::AppendToPath(CComponentPathComp* path) const {
  return AppendCopyToPath(path, std::make_unique<CConfigESigTargetComp>(GetTargetName()));
}

std::string CConfigESigTargetComp::GetDisplayText() const {
  const std::string name = GetTargetName();
  return name.empty() ? GetName() : name;
}

bool CConfigESigReasonComp::AppendToPath(CComponentPathComp* path) const {
  auto copy = std::make_unique<CConfigESigReasonComp>();
  copy->CopyFrom(*this);
  return AppendCopyToPath(path, std::move(copy));
}

}  // namespace tav
