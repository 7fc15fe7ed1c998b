#include "services/config/settings_store.h"

#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "services/config/settings_records.h"
#include "services/filelib/loaded_lists.h"
#include "services/filelib/log_output.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/record_chain.h"
#include "util/ole_date.h"

namespace tav {

namespace {

constexpr char kSelectRow[] = "SELECT record FROM settings WHERE name = ?1";
constexpr char kUpsertRow[] =
    "INSERT INTO settings(name, record) VALUES(?1, ?2) "
    "ON CONFLICT(name) DO UPDATE SET record = excluded.record";

std::string Chunk(CComponent& c) {
  CMemFile file(256);
  c.StreamDataOut(&file);
  return file.TakeString();
}

// The lab store changes a setting only together with its trail record, in
// one call of the database's own, which only its administrative role may
// make: no workstation changes the settings of the whole lab.
StoreStatus SaveLabSetting(SqlDb& db, std::string_view row, const std::string& record,
                           const std::string& trail) {
  StoreStatus status;
  SqlStatement save = db.Prepare("SELECT seq, chain FROM tav_save_setting(?1, ?2, ?3)", &status);
  if (!status.ok()) return status;
  save.BindText(1, row);
  save.BindBlob(2, record);
  save.BindBlob(3, trail);
  status = StepLabChainCall(db, save, ChainedLog::kConfigAudit, "store a setting");
  if (status.code() == StoreStatus::kReadOnly) {
    return StoreStatus(StoreStatus::kReadOnly,
                       db.path() + ": the lab's settings are changed only with the lab store's "
                                   "administrative role, which no workstation holds: an "
                                   "administrator changes them with tavsec config as root, "
                                   "with that role in root's libpq files (" +
                           status.message() + ")");
  }
  return status;
}

}  // namespace

StoreStatus LoadSetting(SqlDb& db, std::string_view row, std::unique_ptr<CComponent>* out) {
  StoreStatus status;
  SqlStatement select = db.Prepare(kSelectRow, &status);
  if (!status.ok()) return status;
  select.BindText(1, row);
  if (!select.Step(&status)) {
    if (!status.ok()) return status;
    *out = DefaultSettingRecord(row);
    return StoreStatus::Ok();
  }
  const std::string_view bytes = select.ColumnBlob(0);
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> record;
  const int result = ReadNextComponent(&file, record);
  if (result != kRecordOk || !record->GetTag().Is(row)) {
    return StoreStatus(StoreStatus::kCorrupt,
                       db.path() + ": the stored setting '" + std::string(row) +
                           "' cannot be read (" + RecordStatusText(result) + ")");
  }
  *out = std::move(record);
  return StoreStatus::Ok();
}

StoreStatus SaveSettingAudited(SqlDb& db, std::string_view row, const CComponent& record,
                               const ChangeAuthor& author, bool* changed) {
  *changed = false;
  std::unique_ptr<CComponent> old;
  StoreStatus status = LoadSetting(db, row, &old);
  if (!status.ok()) return status;
  // Compare and audit the factory's classes, whose paths name their keys.
  std::unique_ptr<CComponent> fresh = CloneRecord(record);
  if (fresh->HasSameContent(old.get())) return StoreStatus::Ok();

  CAuditEventComp event;
  event.SetEvent(author.user, OleDateNow());
  event.SetReasonForChange(author.reason);
  fresh->AuditChanges(old, &event, nullptr);

  if (db.engine() == SqlDb::Engine::kPostgres) {
    status = SaveLabSetting(db, row, Chunk(*fresh), Chunk(event));
  } else {
    SqlStatement upsert = db.Prepare(kUpsertRow, &status);
    if (!status.ok()) return status;
    upsert.BindText(1, row);
    upsert.BindBlob(2, Chunk(*fresh));
    status = upsert.Run();
    if (status.ok()) status = AppendConfigAuditEvent(db, event);
  }
  if (status.ok()) *changed = true;
  return status;
}

StoreStatus AppendConfigAuditEvent(SqlDb& db, CAuditEventComp& event) {
  return AppendChained(db, ChainedLog::kConfigAudit, Chunk(event));
}

StoreStatus LoadConfigAuditTrail(SqlDb& db, std::unique_ptr<CLoadedAuditCollection>* out) {
  auto trail = std::make_unique<CLoadedAuditCollection>("AUDT");
  bool first = true;
  StoreStatus status = ForEachChained(db, ChainedLog::kConfigAudit,
                                      [&](uint64_t seq, std::string_view bytes) {
    if (first) {
      trail->SetSequenceNumber(static_cast<uint32_t>(seq));
      first = false;
    }
    CMemFile file(bytes.data(), bytes.size());
    std::unique_ptr<CComponent> event;
    if (ReadNextComponent(&file, event) != kRecordOk || !event->GetTag().Is("AEvt")) {
      // As in the event log: the rest of the trail is still shown, and
      // `tavsec events verify` names the damaged record.
      LogLine("configuration audit event " + std::to_string(seq) +
              " cannot be read; it was left out");
      return true;
    }
    trail->AppendLoaded(std::move(event));
    return true;
  });
  if (!status.ok()) return status;
  trail->Finish();
  *out = std::move(trail);
  return StoreStatus::Ok();
}

}  // namespace tav
