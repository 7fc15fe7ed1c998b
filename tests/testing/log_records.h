// Records as the logs hold them, for tests that append to a log directly:
// the lab store refuses bytes that are not a record of the log.
#ifndef TAV_TESTS_TESTING_LOG_RECORDS_H_
#define TAV_TESTS_TESTING_LOG_RECORDS_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "records/audit_code.h"
#include "records/audit_event_comp.h"
#include "records/file_record_comp.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/system_event_manager.h"
#include "util/file.h"

namespace tav::testing {

inline std::string ChunkOf(CComponent& record) {
  CMemFile file(256);
  record.StreamDataOut(&file);
  return file.TakeString();
}

// A system event of `user` with one entry of `code`.
inline std::string EventRecord(const std::string& user, AUDITCODE code = kAuditFailedLogin) {
  return ChunkOf(*MakeSystemEvent(code, user.c_str()));
}

// A run file record: `path` created by alice.
inline std::string RunFileRecord(const std::string& path) {
  CFileRecordComp record;
  record.Set(kFileRecordCreated, path.c_str(), "alice", std::nullopt);
  return ChunkOf(record);
}

// A record of `log` that `n` tells apart from the others.
inline std::string LogRecord(ChainedLog log, int n) {
  const std::string name = "user" + std::to_string(n);
  if (log == ChainedLog::kRunHistory) return RunFileRecord("/runs/" + name + ".tav");
  if (log == ChainedLog::kSystemEvents) return EventRecord(name);
  CAuditEventComp change;  // a configuration change without entries
  change.SetEvent(name, 0.0);
  return ChunkOf(change);
}

// Stores `event` in the system event log as the file library would, on
// whichever store the tests run on.
inline void AppendEvent(std::unique_ptr<CAuditEventComp> event) {
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  const std::string chunk = ChunkOf(*event);
  const StoreStatus status =
      db->Write([&](SqlDb& c) { return AppendChained(c, ChainedLog::kSystemEvents, chunk); });
  ASSERT_TRUE(status.ok()) << status.message();
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_LOG_RECORDS_H_
