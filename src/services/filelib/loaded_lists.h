// Collections filled from the database. A stored log may hold more records
// than a chunk list can count (65535), and the file library hands back every
// one of them, so these lists take children beyond that limit. Such a list
// cannot be written as one chunk (writing refuses with kRecordListFull);
// exports split it (event_export.h).
//
// Ownership: the list owns what it is given. Thread safety: one thread.
#ifndef TAV_SERVICES_FILELIB_LOADED_LISTS_H_
#define TAV_SERVICES_FILELIB_LOADED_LISTS_H_

#include <memory>
#include <string_view>

#include "records/audit_collection_comp.h"
#include "records/file_record_comp.h"

namespace tav {

class CLoadedAuditCollection : public CAuditCollectionComp {
 public:
  using CAuditCollectionComp::CAuditCollectionComp;
  // Appends without the count limit; call Finish() after the last one.
  void AppendLoaded(std::unique_ptr<CComponent> event) { AppendChild(std::move(event)); }
  void Finish() { RecalcSize(); }
};

class CLoadedFileRecordList : public CFileRecordListComp {
 public:
  using CFileRecordListComp::CFileRecordListComp;
  void AppendLoaded(std::unique_ptr<CComponent> record) { AppendChild(std::move(record)); }
  void Finish() { RecalcSize(); }
};

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_LOADED_LISTS_H_
