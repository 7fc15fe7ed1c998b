// Collections filled from the database. A stored log may hold more records
// than a chunk list can count (65535), and the file library hands back every
// one of them, so these lists take children beyond that limit. Such a list
// cannot be written as one chunk (writing refuses with kRecordListFull);
// exports split it (event_export.h).
//
// Ownership: the list owns what it is given. Thread safety: one thread.
#ifndef TAV_SERVICES_FILELIB_LOADED_LISTS_H_
#define TAV_SERVICES_FILELIB_LOADED_LISTS_H_

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#include "records/audit_collection_comp.h"
#include "records/file_record_comp.h"

namespace tav {

// Appends without the count limit and keeps the body length as it goes
// (walking a million children once more at the end costs as much as a
// tenth of the load). The length saturates at what 32 bits can say.
template <typename List>
class CLoadedList : public List {
 public:
  explicit CLoadedList(std::string_view tag) : List(tag) { empty_length_ = this->GetBodyLength(); }
  void AppendLoaded(std::unique_ptr<CComponent> child) {
    children_bytes_ += child->GetComponentSize();
    this->AppendChild(std::move(child));
  }
  // Call after the last AppendLoaded (and after changing fields that count
  // in the length).
  void Finish() {
    const uint64_t length = empty_length_ + children_bytes_;
    this->SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
  }

 private:
  uint64_t empty_length_ = 0;
  uint64_t children_bytes_ = 0;
};

using CLoadedAuditCollection = CLoadedList<CAuditCollectionComp>;
using CLoadedFileRecordList = CLoadedList<CFileRecordListComp>;

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_LOADED_LISTS_H_
