// Makes the system event log of the test's data directory refuse new
// events while the object lives, as a full disk would: a trigger in the
// database aborts every insert into the log (and, in the lab store, into
// the records waiting to be chained). Works for root too, unlike a
// read-only file.
#ifndef TAV_TESTS_TESTING_REFUSED_EVENT_LOG_H_
#define TAV_TESTS_TESTING_REFUSED_EVENT_LOG_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testing/store_tamper.h"

namespace tav::testing {

class RefusedEventLog {
 public:
  RefusedEventLog() {
    std::shared_ptr<ComplianceDb> db;
    StoreStatus status = ComplianceDb::Get(&db);
    EXPECT_TRUE(status.ok()) << status.message();
    lab_ = db != nullptr && db->engine() == SqlDb::Engine::kPostgres;
    TamperWithStore(
        lab_ ? "CREATE OR REPLACE FUNCTION test_refuse() RETURNS trigger LANGUAGE plpgsql AS "
               "$$BEGIN RAISE EXCEPTION 'database or disk is full' "
               "USING ERRCODE = '53100'; END$$; "
               "CREATE TRIGGER test_refuse_events BEFORE INSERT ON system_events "
               "FOR EACH ROW EXECUTE FUNCTION test_refuse(); "
               "CREATE TRIGGER test_refuse_pending BEFORE INSERT ON pending_appends "
               "FOR EACH ROW WHEN (NEW.log = 1) EXECUTE FUNCTION test_refuse()"
             : "CREATE TRIGGER IF NOT EXISTS test_refuse_events BEFORE INSERT ON system_events "
               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
  }
  ~RefusedEventLog() {
    TamperWithStore(lab_ ? "DROP TRIGGER IF EXISTS test_refuse_events ON system_events; "
                           "DROP TRIGGER IF EXISTS test_refuse_pending ON pending_appends"
                         : "DROP TRIGGER IF EXISTS test_refuse_events");
  }
  RefusedEventLog(const RefusedEventLog&) = delete;
  RefusedEventLog& operator=(const RefusedEventLog&) = delete;

 private:
  bool lab_ = false;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_REFUSED_EVENT_LOG_H_
