// Makes the system event log of the test's data directory refuse new
// events while the object lives, as a full disk would: a trigger in the
// database aborts every insert into the log. Works for root too, unlike a
// read-only file.
#ifndef TAV_TESTS_TESTING_REFUSED_EVENT_LOG_H_
#define TAV_TESTS_TESTING_REFUSED_EVENT_LOG_H_

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "services/filelib/compliance_db.h"

namespace tav::testing {

class RefusedEventLog {
 public:
  RefusedEventLog() {
    std::shared_ptr<ComplianceDb> db;
    StoreStatus status = ComplianceDb::Get(&db);
    EXPECT_TRUE(status.ok()) << status.message();
    if (db != nullptr) path_ = db->path();
    Exec("CREATE TRIGGER IF NOT EXISTS test_refuse_events BEFORE INSERT ON system_events "
         "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
  }
  ~RefusedEventLog() { Exec("DROP TRIGGER IF EXISTS test_refuse_events"); }
  RefusedEventLog(const RefusedEventLog&) = delete;
  RefusedEventLog& operator=(const RefusedEventLog&) = delete;

 private:
  void Exec(const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  std::string path_;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_REFUSED_EVENT_LOG_H_
