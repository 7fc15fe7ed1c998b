// Changes the test's compliance store behind the library's back, on either
// engine: the SQL runs as the store's owner through its own connection, as
// someone with write access to the store (the file's owner, the lab
// store's administrative role) could.
#ifndef TAV_TESTS_TESTING_STORE_TAMPER_H_
#define TAV_TESTS_TESTING_STORE_TAMPER_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "services/filelib/compliance_db.h"

namespace tav::testing {

// Runs `sql` (several statements allowed) on the data directory's store.
// In the lab store the records that wait are chained first, so that the
// SQL finds every append made so far in the logs.
inline void TamperWithStore(const std::string& sql) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  ASSERT_TRUE(status.ok()) << status.message();
  if (db->engine() == SqlDb::Engine::kPostgres) {
    status = db->Read([](SqlDb&) { return StoreStatus::Ok(); });
    ASSERT_TRUE(status.ok()) << status.message();
  }
  status = db->Write([&](SqlDb& c) { return c.Exec(sql.c_str()); });
  EXPECT_TRUE(status.ok()) << status.message();
}

// A blob literal of the store's dialect: x'00' or '\x00'::bytea.
inline std::string BlobLiteral(const std::string& hex) {
  std::shared_ptr<ComplianceDb> db;
  if (ComplianceDb::Get(&db).ok() && db->engine() == SqlDb::Engine::kPostgres) {
    return "'\\x" + hex + "'::bytea";
  }
  return "x'" + hex + "'";
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_STORE_TAMPER_H_
