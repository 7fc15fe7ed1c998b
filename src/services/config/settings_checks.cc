#include "services/config/settings_checks.h"

#include "records/chunk_file.h"
#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "services/config/config_records.h"
#include "services/config/settings_records.h"
#include "services/config/system_ids.h"
#include "services/config/system_table.h"
#include "util/file.h"
#include "util/strings.h"

namespace tav {
namespace {

template <typename T>
const T* As(const CComponent* c) {
  return dynamic_cast<const T*>(c);
}

template <typename Fn>
bool AllChildren(const CComponent& record, Fn fn) {
  POSITION pos = record.GetFirstChildPosition();
  while (pos != nullptr) {
    if (!fn(*record.GetNextChild(pos))) return false;
  }
  return true;
}

bool Fail(std::string text, std::string* message) {
  *message = std::move(text);
  return false;
}

bool CheckNumbers(const CComponent& record, std::string* message) {
  return AllChildren(record, [&](const CComponent& child) {
    const auto* item = As<CConfigItemComp>(&child);
    if (item == nullptr) return true;
    const auto* number = As<CLongComp>(item->FindChild("CFLn"));
    if (number == nullptr) return true;
    return CheckConfigInt(item->GetKey(), static_cast<int>(number->GetValue()), message);
  });
}

bool CheckRights(const CComponent& record, std::string* message) {
  return AllChildren(record, [&](const CComponent& child) {
    const auto* item = As<CConfigItemComp>(&child);
    if (item == nullptr) return true;
    return AllChildren(*item, [&](const CComponent& grant) {
      const auto* activity = As<CShortComp>(&grant);
      if (activity == nullptr || !grant.GetTag().Is("CTRa")) return true;
      if (IsValidActivity(static_cast<int>(activity->GetValue()))) return true;
      return Fail(StrFormat("activity %d is not a controlled activity",
                            static_cast<int>(activity->GetValue())),
                  message);
    });
  });
}

bool CheckAudit(const CComponent& record, std::string* message) {
  return AllChildren(record, [&](const CComponent& child) {
    const auto* setting = As<CAuditSettingComp>(&child);
    if (setting == nullptr) return true;
    const int type = setting->GetSetting().GetDataType();
    const int recording = setting->GetSetting().GetRecordingType();
    if (!IsValidDataType(type)) return Fail(StrFormat("data type %d is unknown", type), message);
    if (!IsValidRecordingType(recording)) {
      return Fail(StrFormat("recording type %d is unknown", recording), message);
    }
    return true;
  });
}

bool CheckESig(const CComponent& record, std::string* message) {
  return AllChildren(record, [&](const CComponent& child) {
    const auto* target = As<CESigTargetConfigComp>(&child);
    if (target == nullptr) return true;
    const std::string name = target->GetTargetName();
    for (int type = 0; type < kDataTypeCount; ++type) {
      if (EqualsNoCase(name, SystemTable::GetAuditTypeName(type, false))) return true;
    }
    return Fail("signature settings name the unknown data type \"" + name + "\"", message);
  });
}

}  // namespace

bool IsSettingRow(std::string_view row) {
  return row == kRowFeatureSwitch || row == kRowNumbers || row == kRowRights ||
         row == kRowAudit || row == kRowESig;
}

std::string SettingRecordBytes(const CComponent& record) {
  // Written from a factory copy: streaming may correct a stale body length.
  std::unique_ptr<CComponent> copy = CloneRecord(record);
  CMemFile file(256);
  copy->StreamDataOut(&file);
  return file.TakeString();
}

StoreStatus DecodeSettingRecord(std::string_view where, std::string_view row,
                                std::string_view bytes, std::unique_ptr<CComponent>* out) {
  RegisterConfigRecordKinds();
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> record;
  uint64_t read = 0;
  const int result = ReadNextComponent(&file, record, &read);
  std::string why;
  if (result != kRecordOk) {
    why = RecordStatusText(result);
  } else if (!record->GetTag().Is(row)) {
    why = "a record of another kind";
  } else if (read != bytes.size()) {
    why = "bytes after the record";
  }
  if (!why.empty()) {
    return StoreStatus(StoreStatus::kCorrupt, std::string(where) + ": the setting '" +
                                                  std::string(row) + "' cannot be read (" + why +
                                                  ")");
  }
  *out = std::move(record);
  return StoreStatus::Ok();
}

bool CheckConfigInt(std::string_view name, int value, std::string* message) {
  if (EqualsNoCase(name, kIdleTimeoutName) && (value < 0 || value > kMaxIdleTimeoutMinutes)) {
    return Fail(StrFormat("the idle timeout must be 0 to %d minutes", kMaxIdleTimeoutMinutes),
                message);
  }
  return true;
}

bool CheckSettingRecord(std::string_view row, const CComponent& record, std::string* message) {
  if (!record.GetTag().Is(row)) return Fail("a record of another kind", message);
  if (row == kRowFeatureSwitch) {
    const auto* flag = As<CByteComp>(&record);
    if (flag == nullptr || flag->GetValue() > 1) {
      return Fail("the 21 CFR Part 11 switch must be 0 or 1", message);
    }
    return true;
  }
  if (row == kRowNumbers) return CheckNumbers(record, message);
  if (row == kRowRights) return CheckRights(record, message);
  if (row == kRowAudit) return CheckAudit(record, message);
  if (row == kRowESig) return CheckESig(record, message);
  return Fail("'" + std::string(row) + "' is not a setting", message);
}

}  // namespace tav
