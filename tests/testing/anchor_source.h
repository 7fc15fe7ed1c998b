// The heads a test's own appends sent count: its store's id and its uid,
// as `tavsec events verify --against` takes them for the store's writer.
#ifndef TAV_TESTS_TESTING_ANCHOR_SOURCE_H_
#define TAV_TESTS_TESTING_ANCHOR_SOURCE_H_

#include <unistd.h>

#include <memory>
#include <string>

#include "services/filelib/compliance_db.h"
#include "services/filelib/head_anchor.h"

namespace tav::testing {

inline AnchorSource OwnAnchorSource(const std::string& db_path) {
  AnchorSource source;
  source.sender_uid = getuid();
  std::shared_ptr<ComplianceDb> db;
  if (ComplianceDb::GetAt(db_path, &db, ComplianceDb::IfMissing::kFail).ok()) {
    db->Read([&source](SqlDb& c) { return ReadStoreId(c, &source.store_id); });
  }
  return source;
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_ANCHOR_SOURCE_H_
