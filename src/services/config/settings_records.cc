#include "services/config/settings_records.h"

#include "records/tag_registry.h"
#include "records/value_comps.h"
#include "services/config/config_records.h"
#include "services/config/system_ids.h"
#include "services/config/system_table.h"
#include "util/strings.h"

namespace tav {

namespace {

template <typename T>
const T* As(const CComponent* c) {
  return dynamic_cast<const T*>(c);
}

// Calls `fn` with each child of `record` (nothing for a null record or a
// component without children).
template <typename Fn>
void ForEachChild(const CComponent* record, Fn fn) {
  if (record == nullptr) return;
  POSITION pos = record->GetFirstChildPosition();
  while (pos != nullptr) fn(*record->GetNextChild(pos));
}

std::string ChildText(const CComponent& parent, const char* tag) {
  const CComponent* child = parent.FindChild(tag);
  return child == nullptr ? std::string() : child->GetValueText();
}

}  // namespace

std::unique_ptr<CComponent> CloneRecord(const CComponent& record) {
  RegisterConfigRecordKinds();
  std::unique_ptr<CComponent> copy;
  CloneComponent(&record, copy);
  return copy;
}

// ------------------------------------------------------------------ defaults

CTAVGroupRightsArray DefaultGroupRights() {
  CTAVGroupRightsArray rights;
  auto grant = [&rights](int group, std::initializer_list<int> activities) {
    const std::string name = SystemTable::GetGroupName(group);
    rights.AddGroup(name);
    for (int activity : activities) rights.Grant(name, activity, SystemTable::GetActivityName(activity));
  };
  grant(kGroupAdministrators, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  grant(kGroupManagers, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  grant(kGroupAnalysts, {kActivityCreateDocuments, kActivityEditPlateSetup,
                         kActivityEditThermalProfile, kActivityStartRun, kActivityStopRun,
                         kActivityAnalyzeData, kActivityEditAnalysisSettings,
                         kActivityExportData, kActivityPrintReports, kActivitySaveTemplates});
  grant(kGroupOperators,
        {kActivityCreateDocuments, kActivityStartRun, kActivityStopRun, kActivityPrintReports});
  return rights;
}

CTAVAuditDataTypeSettingArray DefaultAuditSettings() {
  CTAVAuditDataTypeSettingArray settings;
  // The order in which the configuration dialog lists and saves them.
  const std::pair<int, int> kDefaults[] = {
      {kDataTypeRunFile, kRecordingAudited},
      {kDataTypeMethod, kRecordingAudited},
      {kDataTypeCalibration, kRecordingAudited},
      {kDataTypeTemplate, kRecordingReasonOptional},
      {kDataTypeAnalysisSettings, kRecordingReasonRequired},
      {kDataTypeReport, kRecordingAudited},
  };
  for (const auto& [type, recording] : kDefaults) {
    settings.Add(type, recording, SystemTable::GetAuditTypeName(type, false),
                 SystemTable::GetAuditRecordingTypeName(recording));
  }
  return settings;
}

CTAVESigConfiguration DefaultESigConfiguration(int data_type) {
  CTAVESigConfiguration config;
  const int n = SystemTable::GetNumPredefinedESigReasons(data_type);
  for (int i = 0; i < n; ++i) {
    ESigReason reason;
    if (SystemTable::GetESigReason(i, reason, data_type)) {
      config.SetSetting(reason, kESigSettingOptional);
    }
  }
  return config;
}

std::unique_ptr<CComponent> DefaultSettingRecord(std::string_view row) {
  RegisterConfigRecordKinds();
  if (row == kRowFeatureSwitch) return FeatureSwitchRecord(false);
  // The idle timeout is there from the start, so that its first change is
  // audited with its old value.
  if (row == kRowNumbers) return WithNumber(nullptr, kIdleTimeoutName, 0);
  if (row == kRowRights) return RightsRecord(DefaultGroupRights());
  if (row == kRowAudit) return AuditRecord(DefaultAuditSettings());
  if (row == kRowESig) {
    std::unique_ptr<CComponent> record = std::make_unique<CESigConfigurationsComp>();
    for (int type = 0; type < kDataTypeCount; ++type) {
      if (SystemTable::GetNumPredefinedESigReasons(type) == 0) continue;
      record = WithESig(record.get(), type, DefaultESigConfiguration(type));
    }
    return record;
  }
  return nullptr;
}

// ------------------------------------------------------------ feature switch

bool FeatureSwitchFromRecord(const CComponent* record) {
  const auto* flag = As<CByteComp>(record);
  return flag != nullptr && flag->GetValue() != 0;
}

std::unique_ptr<CComponent> FeatureSwitchRecord(bool enabled) {
  return std::make_unique<CByteComp>(kRowFeatureSwitch, enabled ? 1 : 0);
}

// ------------------------------------------------------------------- numbers

bool NumberFromRecord(const CComponent* record, std::string_view name, int* value) {
  bool found = false;
  ForEachChild(record, [&](const CComponent& child) {
    const auto* item = As<CConfigItemComp>(&child);
    if (found || item == nullptr || !EqualsNoCase(item->GetKey(), name)) return;
    if (const auto* number = As<CLongComp>(item->FindChild("CFLn"))) {
      *value = static_cast<int>(number->GetValue());
      found = true;
    }
  });
  return found;
}

std::unique_ptr<CComponent> WithNumber(const CComponent* record, std::string_view name,
                                       int value) {
  RegisterConfigRecordKinds();
  auto out = std::make_unique<CConfigListComp>(kRowNumbers);
  bool set = false;
  auto make = [&] {
    auto item = std::make_unique<CConfigItemComp>("CFIk", name);
    item->AddComponent(std::make_unique<CLongComp>("CFLn", static_cast<uint32_t>(value)));
    return item;
  };
  ForEachChild(record, [&](const CComponent& child) {
    const auto* item = As<CConfigItemComp>(&child);
    if (!set && item != nullptr && EqualsNoCase(item->GetKey(), name)) {
      out->AddComponent(make());
      set = true;
    } else {
      out->AddComponent(CloneRecord(child));
    }
  });
  if (!set) out->AddComponent(make());
  return out;
}

// -------------------------------------------------------------------- rights

std::unique_ptr<CComponent> RightsRecord(const CTAVGroupRightsArray& rights) {
  RegisterConfigRecordKinds();
  auto record = std::make_unique<CConfigListComp>(kRowRights);
  for (const CTAVGroupRights& group : rights.groups()) {
    auto item = std::make_unique<CConfigItemComp>("CFNm", group.name);
    item->AddComponent(std::make_unique<CTextComp>("CFSt", group.description));
    for (const CTAVActivityRight& activity : group.activities) {
      item->AddComponent(std::make_unique<CActivityGrantComp>(static_cast<uint16_t>(activity.id)));
    }
    record->AddComponent(std::move(item));
  }
  return record;
}

void RightsFromRecord(const CComponent* record, CTAVGroupRightsArray* rights) {
  rights->RemoveAll();
  ForEachChild(record, [&](const CComponent& child) {
    const auto* item = As<CConfigItemComp>(&child);
    if (item == nullptr) return;
    const std::string name = ChildText(*item, "CFNm");
    rights->AddGroup(name, ChildText(*item, "CFSt"));
    ForEachChild(item, [&](const CComponent& grant) {
      if (const auto* activity = As<CShortComp>(&grant); activity != nullptr &&
                                                          grant.GetTag().Is("CTRa")) {
        rights->Grant(name, activity->GetValue());
      }
    });
  });
}

// --------------------------------------------------------------------- audit

std::unique_ptr<CComponent> AuditRecord(const CTAVAuditDataTypeSettingArray& settings) {
  RegisterConfigRecordKinds();
  auto record = std::make_unique<CConfigListComp>(kRowAudit);
  for (const CTAVAuditableDataSetting& setting : settings.settings()) {
    record->AddComponent(std::make_unique<CAuditSettingComp>(setting));
  }
  return record;
}

void AuditFromRecord(const CComponent* record, CTAVAuditDataTypeSettingArray* settings) {
  settings->RemoveAll();
  ForEachChild(record, [&](const CComponent& child) {
    if (const auto* s = As<CAuditSettingComp>(&child)) {
      const CTAVAuditableDataSetting& setting = s->GetSetting();
      settings->Add(setting.GetDataType(), setting.GetRecordingType(),
                    setting.GetType().GetTypeName(), setting.GetType().GetRecordingTypeName());
    }
  });
}

// ---------------------------------------------------------------- signatures

bool ESigFromRecord(const CComponent* record, int data_type, CTAVESigConfiguration* config) {
  config->Clear();
  const std::string target = SystemTable::GetAuditTypeName(data_type, false);
  if (target.empty()) return false;
  bool found = false;
  ForEachChild(record, [&](const CComponent& child) {
    const auto* t = As<CESigTargetConfigComp>(&child);
    if (found || t == nullptr || !EqualsNoCase(t->GetTargetName(), target)) return;
    found = true;
    if (const auto* list = As<CESigReasonConfigListComp>(t->FindChild("EScc"))) {
      list->Export(*config);
    }
  });
  return found;
}

std::unique_ptr<CComponent> WithESig(const CComponent* record, int data_type,
                                     const CTAVESigConfiguration& config) {
  RegisterConfigRecordKinds();
  const std::string target = SystemTable::GetAuditTypeName(data_type, false);
  auto make = [&] {
    auto t = std::make_unique<CConfigESigTargetComp>(target);
    t->AddComponent(std::make_unique<CESigReasonConfigListComp>(config));
    return t;
  };
  auto out = std::make_unique<CESigConfigurationsComp>();
  bool set = false;
  ForEachChild(record, [&](const CComponent& child) {
    const auto* t = As<CESigTargetConfigComp>(&child);
    if (!set && t != nullptr && EqualsNoCase(t->GetTargetName(), target)) {
      out->AddComponent(make());
      set = true;
    } else {
      out->AddComponent(CloneRecord(child));
    }
  });
  if (!set) out->AddComponent(make());
  return out;
}

}  // namespace tav
