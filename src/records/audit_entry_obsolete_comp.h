// The obsolete audit entry (tag AUev): the single-entry form that older
// audit trails hold. It is an event (date and user) with an audit code and
// one record. Audit trails and system event lists turn each one they read
// into an audit event (AEvt) with one entry; elsewhere it is kept as is.
//
// Body (docs/record-format.md): the event body, the audit code (2 bytes,
// little-endian), the other-component count (1 byte, written as 0) and the
// record's chunk when present.
//
// Ownership: the entry owns its record. Thread safety: one thread.
#ifndef TAV_RECORDS_AUDIT_ENTRY_OBSOLETE_COMP_H_
#define TAV_RECORDS_AUDIT_ENTRY_OBSOLETE_COMP_H_

#include <cstdint>
#include <memory>

#include "records/audit_code.h"
#include "records/event_comp.h"

namespace tav {

class CAuditEntryObsoleteComp : public CEventComp {
 public:
  CAuditEntryObsoleteComp();
  // Takes `record` (may be null).
  CAuditEntryObsoleteComp(std::string_view user_name, DATE date, AUDITCODE code,
                          std::unique_ptr<CComponent> record);
  ~CAuditEntryObsoleteComp() override;

  AUDITCODE GetAuditCode() const { return code_; }
  const CComponent* GetRecord() const { return record_.get(); }
  std::unique_ptr<CComponent> TakeRecord();
  uint8_t GetOtherComponentCount() const { return other_count_; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  // The event items, then "Audit Code" and "Number of Other Components".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;
  void UpdateBodyLength() override;

 private:
  void AppendEntryItems(CPropertyItemList& list) const;

  AUDITCODE code_ = kAuditCodeUnset;
  std::unique_ptr<CComponent> record_;
  uint8_t other_count_ = 0;
};

}  // namespace tav

#endif  // TAV_RECORDS_AUDIT_ENTRY_OBSOLETE_COMP_H_
