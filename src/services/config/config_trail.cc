#include "services/config/config_trail.h"

#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/audit_collection_comp.h"
#include "records/component_path_comp.h"
#include "records/esig_config_comp.h"
#include "records/property_item.h"
#include "services/config/config_records.h"
#include "services/config/config_trail_text.h"
#include "services/config/system_table.h"
#include "util/strings.h"

namespace tav {

namespace {

struct FlatEntry {
  const CAuditEntryComp* entry;
  std::string identity;  // the changed record's path and key
};

std::vector<const CComponent*> PathElements(const CAuditEntryComp& entry) {
  std::vector<const CComponent*> out;
  const CComponentPathComp* path = entry.GetRecordPath();
  if (path == nullptr) return out;
  POSITION pos = path->GetFirstChildPosition();
  while (pos != nullptr) out.push_back(path->GetNextChild(pos));
  return out;
}

std::string Identity(const CAuditEntryComp& entry) {
  std::string id;
  for (const CComponent* element : PathElements(entry)) id += element->GetMatchKey() + "/";
  if (entry.GetRecord() != nullptr) id += entry.GetRecord()->GetMatchKey();
  return id;
}

// The record now stored at the place an entry names, or null.
const CComponent* Current(CSystemConfiguration& config, const CAuditEntryComp& entry) {
  std::vector<const CComponent*> steps = PathElements(entry);
  if (entry.GetRecord() != nullptr) steps.push_back(entry.GetRecord());
  if (steps.empty()) return nullptr;
  const CComponent* at = config.FindComponent(steps[0]->GetTagString());
  for (size_t i = 1; at != nullptr && i < steps.size(); ++i) {
    const std::string key = steps[i]->GetMatchKey();
    const CComponent* next = nullptr;
    POSITION pos = at->GetFirstChildPosition();
    while (pos != nullptr && next == nullptr) {
      const CComponent* child = at->GetNextChild(pos);
      if (child->GetMatchKey() == key) next = child;
    }
    at = next;
  }
  return at;
}

std::string Describe(const CComponent& old_version, const CComponent& new_version) {
  CPropertyItemList old_items, new_items;
  old_version.AppendProperties(old_items);
  new_version.AppendProperties(new_items);
  std::string text;
  new_items.Compare(old_items, text, "    ");
  return CrlfToLf(text);
}

std::string Listing(const CComponent& record, const char* tag) {
  CPropertyItemList items;
  record.AppendProperties(items);
  std::string text;
  items.DescribeAll("    ", text, tag);
  return CrlfToLf(text);
}

}  // namespace

std::string BriefRecordText(const CComponent& record, bool with_value) {
  if (const auto* item = dynamic_cast<const CConfigItemComp*>(&record)) {
    const std::string key = item->GetKey();
    return key.empty() ? item->GetName() : key;
  }
  if (const auto* target = dynamic_cast<const CESigTargetConfigComp*>(&record)) {
    return target->GetTargetName();
  }
  if (const auto* reason = dynamic_cast<const CESigReasonConfigComp*>(&record)) {
    const std::string name =
        SystemTable::GetESigReasonName(reason->GetReasonId(), reason->GetItemCode());
    return with_value ? name + ": " + SystemTable::GetESigSettingName(reason->GetSetting()) : name;
  }
  if (const auto* setting = dynamic_cast<const CAuditSettingComp*>(&record)) {
    return with_value ? setting->GetValueText() : setting->GetSetting().GetType().GetTypeName();
  }
  // An activity grant is named by its value; other values are what changes.
  const std::string value = record.GetValueText();
  if (!value.empty() && !record.IsExpandable() &&
      (with_value || record.GetTag().Is("CTRa"))) {
    return record.GetName() + " " + value;
  }
  return record.GetName();
}

bool DescribeConfigTrail(CSystemConfiguration& config, std::vector<ConfigTrailEvent>* out) {
  out->clear();
  auto* trail = dynamic_cast<CAuditCollectionComp*>(config.GetAuditTrail());
  if (trail == nullptr) return false;

  // Every entry of the trail in order, with the event it belongs to.
  std::vector<FlatEntry> flat;
  std::vector<size_t> owner;
  POSITION pos = trail->GetFirstChildPosition();
  uint64_t number = trail->GetSequenceNumber();
  while (pos != nullptr) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(trail->GetNextChild(pos));
    ConfigTrailEvent& described = out->emplace_back();
    described.number = number++;
    if (event == nullptr) continue;
    described.date = event->GetEvent().GetDate();
    described.user = event->GetEvent().GetUserName();
    described.reason = event->GetReasonForChange();
    POSITION e = event->GetFirstChildPosition();
    while (e != nullptr) {
      if (const auto* entry = dynamic_cast<const CAuditEntryComp*>(event->GetNextChild(e))) {
        flat.push_back({entry, Identity(*entry)});
        owner.push_back(out->size() - 1);
      }
    }
  }

  for (size_t index = 0; index < flat.size(); ++index) {
    const CAuditEntryComp& entry = *flat[index].entry;
    ConfigTrailEntry text;
    text.what = GetAuditCodeName(entry.GetAuditCode());
    std::vector<std::string> where;
    const std::vector<const CComponent*> path = PathElements(entry);
    for (const CComponent* element : path) where.push_back(BriefRecordText(*element));
    const CComponent* record = entry.GetRecord();
    const CComponent* now = nullptr;
    // A changed record's values are in the description.
    if (record != nullptr) {
      where.push_back(BriefRecordText(*record, entry.GetAuditCode() != kAuditChangedRecord));
    }
    text.where = JoinStrings(where, " > ");
    if (entry.GetAuditCode() == kAuditChangedRecord && record != nullptr) {
      // The new version: what the next change of the same record replaced,
      // else what is stored now.
      for (size_t later = index + 1; later < flat.size() && now == nullptr; ++later) {
        const AUDITCODE code = flat[later].entry->GetAuditCode();
        if ((code == kAuditChangedRecord || code == kAuditDeletedRecord) &&
            flat[later].identity == flat[index].identity) {
          now = flat[later].entry->GetRecord();
        }
      }
      if (now == nullptr) now = Current(config, entry);
      if (now != nullptr) text.description = Describe(*record, *now);
    } else if (entry.GetAuditCode() == kAuditDeletedRecord && record != nullptr &&
               record->IsExpandable()) {
      text.description = Listing(*record, "[Deleted]");
    }
    ShownTrailEntry shown =
        ShowTrailEntry(entry.GetAuditCode(), path, record, now, text.description);
    text.shown_where = std::move(shown.where);
    text.shown_description = std::move(shown.description);
    (*out)[owner[index]].entries.push_back(std::move(text));
  }
  return true;
}

}  // namespace tav
