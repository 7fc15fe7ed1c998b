// The audit entry (tag AEnx): one change inside an audit event. It holds an
// audit code, a copy of the record the entry is about (the old version of
// a changed or deleted record; none for an added one) and the path of that
// record inside the document.
//
// Body (docs/record-format.md):
//   2      audit code, low 16 bits, little-endian
//   1      other-component count: 1 when both record and path are written
//   chunk  the record, when present
//   chunk  the record path (CPat), when present with at least one element
//
// Reading upgrades older layouts: a path stored in the record's place
// becomes the path, and a "New Record" text (AuAR) naming a tag becomes a
// one-element path.
//
// Ownership: the entry owns its record and its path. Thread safety: one
// thread at a time.
#ifndef TAV_RECORDS_AUDIT_ENTRY_COMP_H_
#define TAV_RECORDS_AUDIT_ENTRY_COMP_H_

#include <cstdint>
#include <memory>

#include "records/audit_code.h"
#include "records/component.h"
#include "records/component_path_comp.h"

namespace tav {

class CAuditEntryComp : public CComponent {
 public:
  // Code -1, no record, no path.
  CAuditEntryComp();
  // Takes `record` (may be null); keeps a copy of `path` when it has at
  // least one element.
  CAuditEntryComp(AUDITCODE code, std::unique_ptr<CComponent> record,
                  const CComponentPathComp* path);
  ~CAuditEntryComp() override;

  AUDITCODE GetAuditCode() const { return code_; }
  const CComponent* GetRecord() const { return record_.get(); }
  CComponent* GetRecord() { return record_.get(); }
  std::unique_ptr<CComponent> TakeRecord();
  const CComponentPathComp* GetRecordPath() const { return path_.get(); }
  // As read from the file; for a new entry, what will be written.
  uint8_t GetOtherComponentCount() const { return other_count_; }

  // Turns the older layouts into the current one (reading does it): a path
  // held as the record becomes the path, and a "New Record" text (AuAR)
  // becomes a path of the tag it names, leaving no record. `entry_level` is
  // the read level at which the entry lies (ReadDepthProbe); an upgrade
  // that would nest deeper than a read accepts is refused with
  // kRecordTooDeep, reported at `offset`.
  int UpgradeOlderLayout(int entry_level, uint64_t offset);

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  bool IsExpandable() const override { return true; }
  // The plain three, then "Audit Code" ("%s (%d)") and "Number of Other
  // Components".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  // The two entry items, "Record Path" (the path text) and the record as a
  // group of its own properties.
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  void AppendEntryItems(CPropertyItemList& list) const;
  bool WritesPath() const;
  void UpdateBodyLength();

  AUDITCODE code_ = kAuditCodeUnset;
  std::unique_ptr<CComponent> record_;
  std::unique_ptr<CComponentPathComp> path_;
  uint8_t other_count_ = 0;
};

}  // namespace tav

#endif  // TAV_RECORDS_AUDIT_ENTRY_COMP_H_
