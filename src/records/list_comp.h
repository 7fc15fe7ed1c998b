// Collections: components that hold child components.
//
// A list's body is its child count (16 bits, big-endian) followed by the
// children, each a complete chunk, in order. It holds at most 65535
// children; adding or writing more is refused with kRecordListFull.
#ifndef TAV_RECORDS_LIST_COMP_H_
#define TAV_RECORDS_LIST_COMP_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "records/component.h"

namespace tav {

// Abstract base of every collection. Its properties list its children: a
// hidden child is skipped, an expandable child becomes a group item holding
// the child's own list, any other child appends its items straight in.
class CCollectionComp : public CComponent {
 public:
  using CComponent::CComponent;

  bool IsExpandable() const override { return true; }
  void AppendProperties(CPropertyItemList& list) const override;
  // Audits child by child when the old version's AuditsChildren is true
  // (component.h); otherwise as a whole.
  void AuditChanges(std::unique_ptr<CComponent>& old_version, CAuditEventComp* event,
                    CComponentPathComp* path) override;

  // Recounts the children.
  virtual size_t GetChildCount() const = 0;
  virtual CComponent* GetPrevChild(POSITION& pos) const = 0;
  virtual POSITION GetLastChildPosition() const = 0;
};

class CListComp : public CCollectionComp {
 public:
  // A new, empty list: body length 2.
  CListComp();
  explicit CListComp(std::string_view tag);
  ~CListComp() override;

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  int ReadHeader(CFile* file) override;

  CComponent* FindChild(std::string_view tag) const override;
  // Tags joined by backslashes; none when a step finds nothing.
  CComponent* FindComponent(std::string_view path) const override;
  void AppendHeaderProperties(CPropertyItemList& list) const override;

  std::unique_ptr<CComponent> RemoveComponent(POSITION pos) override;
  // The first child (in list order) whose IsSameTag(&child) holds. Final:
  // AuditChanges replaces this linear search by an index over GetMatchKey
  // that finds the same child, so kinds customise matching through
  // IsSameTag and GetMatchKey of the children instead.
  CComponent* FindMatchingChild(const CComponent& child, POSITION* pos) const final;

  CComponent* GetNextChild(POSITION& pos) const override;
  POSITION GetFirstChildPosition() const override;
  size_t GetChildCount() const override { return count_; }
  CComponent* GetPrevChild(POSITION& pos) const override;
  POSITION GetLastChildPosition() const override;

  // Removes (and destroys) the first child of a tag index; false when none.
  bool RemoveFirstChildOfIndex(int tag_index);
  // Searches from `pos` (null: from the start); on a hit `pos` is the
  // position after the child found.
  CComponent* FindChildByIndex(int tag_index, POSITION& pos) const;
  CComponent* FindChildByIndex(int tag_index) const;
  // Body length = 2 + the children's chunk sizes (record kinds with fields
  // before the children add theirs).
  virtual void RecalcSize();

  int WriteChildren(CFile* file);
  int ReadChildren(CFile* file, uint16_t count);

 protected:
  int AddComponentImpl(std::unique_ptr<CComponent>& child) override;
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

  // Adds without the count limit check; for readers.
  void AppendChild(std::unique_ptr<CComponent> child);

 private:
  void DestroyChildren();

  CComponent* head_ = nullptr;
  CComponent* tail_ = nullptr;
  size_t count_ = 0;
};

}  // namespace tav

#endif  // TAV_RECORDS_LIST_COMP_H_
