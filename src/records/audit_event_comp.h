// The audit event (tag AEvt): who changed a document, when, why, and the
// changes themselves as audit entries (AEnx children, in order).
//
// Body (docs/record-format.md):
//   9 + n  the event fields (date, user name size, user name)
//   2      reason for change size r, little-endian
//   r      reason for change
//   2      audit entry count, big-endian
//   chunks the entries
//
// Ownership: the event owns its entries. Thread safety: one thread.
#ifndef TAV_RECORDS_AUDIT_EVENT_COMP_H_
#define TAV_RECORDS_AUDIT_EVENT_COMP_H_

#include <memory>
#include <string>
#include <string_view>

#include "records/audit_code.h"
#include "records/component_path_comp.h"
#include "records/event_comp.h"
#include "records/list_comp.h"

namespace tav {

class CAuditEntryObsoleteComp;

inline constexpr size_t kMaxReasonForChangeBytes = 32767;

class CAuditEventComp : public CListComp {
 public:
  // No entries, an unset event, no reason.
  CAuditEventComp();

  // As CEventComp::Set: the name cut to 255 bytes, a date of 0 means now.
  void SetEvent(std::string_view user_name, DATE date);
  // Cut to 32767 bytes without splitting a UTF-8 character.
  void SetReasonForChange(std::string_view reason);
  const CEventComp& GetEvent() const { return event_; }
  const std::string& GetReasonForChange() const { return reason_; }

  // Appends an entry (AddComponent): takes `record`, copies `path` when it
  // has an element. kRecordListFull when the event holds 65535 entries;
  // the record is then destroyed.
  int AddAuditEntry(AUDITCODE code, std::unique_ptr<CComponent> record,
                    const CComponentPathComp* path);
  // Makes this the current form of an obsolete entry: its user and date, no
  // reason, one entry with its code and its record (taken from it) and no
  // path; the entry's older layouts are upgraded as reading upgrades them,
  // so that the result is what writing and reading it back gives.
  // `event_level` is the read level this event takes (0 outside a read).
  // Entries held before are destroyed. 0, or kRecordTooDeep (see
  // CAuditEntryComp::UpgradeOlderLayout).
  int FillFrom(CAuditEntryObsoleteComp& obsolete, int event_level = 0, uint64_t offset = 0);

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  void RecalcSize() override;
  // The list's items, the three event items, "Reason For Change Size",
  // "Reason For Change" and "Audit Entry Count".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  // The event and reason items, then the entries.
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  friend class CCollectionComp;
  friend class CComponent;

  // For AuditChanges: never refuses, so that no change of a comparison is
  // lost; an event of more than 65535 entries then refuses to be written
  // (kRecordListFull) instead.
  void AppendAuditEntry(AUDITCODE code, std::unique_ptr<CComponent> record,
                        const CComponentPathComp* path);
  uint32_t FieldBytes() const;
  void AppendFieldItems(CPropertyItemList& list) const;

  CEventComp event_;
  std::string reason_;
};

}  // namespace tav

#endif  // TAV_RECORDS_AUDIT_EVENT_COMP_H_
