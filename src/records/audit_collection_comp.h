// Audit trails (tag AUDT, "Audit Trail") and system event lists (tag SyEL,
// "System Event List"): lists of audit events (AEvt) with a sequence number
// and an is-full flag, both carried unchanged.
//
// Body (docs/record-format.md), 7 bytes and the events:
//   2  audit event count, big-endian
//   4  sequence number, big-endian
//   1  is full
//   chunks the audit events
//
// Reading turns each obsolete entry (AUev) into an audit event.
//
// Ownership: the collection owns its events. Thread safety: one thread.
#ifndef TAV_RECORDS_AUDIT_COLLECTION_COMP_H_
#define TAV_RECORDS_AUDIT_COLLECTION_COMP_H_

#include <cstdint>
#include <string_view>

#include "records/list_comp.h"

namespace tav {

class CAuditCollectionComp : public CListComp {
 public:
  // REQUIRES: `tag` is "AUDT" or "SyEL".
  explicit CAuditCollectionComp(std::string_view tag, uint32_t sequence_number = 0);

  uint32_t GetSequenceNumber() const { return sequence_number_; }
  void SetSequenceNumber(uint32_t n) { sequence_number_ = n; }
  bool IsFull() const { return is_full_ != 0; }
  uint8_t GetIsFullFlag() const { return is_full_; }
  void SetIsFullFlag(uint8_t flag) { is_full_ = flag; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  void RecalcSize() override;
  // The list's items, "Sequence Number" and "Is Full?".
  void AppendHeaderProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  uint32_t sequence_number_ = 0;
  uint8_t is_full_ = 0;
};

}  // namespace tav

#endif  // TAV_RECORDS_AUDIT_COLLECTION_COMP_H_
