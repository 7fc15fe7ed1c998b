#include "services/filelib/compliance_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "services/filelib/record_chain.h"
#include "testing/store_tamper.h"
#include "testing/log_records.h"
#include "testing/temp_data_dir.h"
#include "util/strings.h"

namespace tav {
namespace {

using testing::BlobLiteral;
using testing::TamperWithStore;
using testing::TempDataDir;

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs SQL on the database file through a separate connection, as a person
// with the sqlite3 tool would.
void Tamper(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::shared_ptr<ComplianceDb> OpenDb() {
  std::shared_ptr<ComplianceDb> db;
  const StoreStatus status = ComplianceDb::Get(&db);
  EXPECT_TRUE(status.ok()) << status.ToString();
  return db;
}

void AppendRecords(ComplianceDb& db, ChainedLog log, int n) {
  for (int i = 0; i < n; ++i) {
    const StoreStatus s = db.Write([&](SqlDb& c) {
      return AppendChained(c, log, testing::LogRecord(log, i));
    });
    ASSERT_TRUE(s.ok()) << s.ToString();
  }
}

ChainReport Verify(ComplianceDb& db, ChainedLog log) {
  ChainReport report;
  const StoreStatus s = db.Read([&](SqlDb& c) { return VerifyChain(c, log, &report); });
  EXPECT_TRUE(s.ok()) << s.ToString();
  return report;
}

TEST(RecordChain, HashCoversSequenceLinkRecordAndLog) {
  const ChainHash zero{};
  const ChainHash h = ComputeChainHash(ChainedLog::kSystemEvents, 1, zero, "abc");
  EXPECT_NE(h, ComputeChainHash(ChainedLog::kSystemEvents, 2, zero, "abc"));
  EXPECT_NE(h, ComputeChainHash(ChainedLog::kSystemEvents, 1, h, "abc"));
  EXPECT_NE(h, ComputeChainHash(ChainedLog::kSystemEvents, 1, zero, "abd"));
  EXPECT_NE(h, ComputeChainHash(ChainedLog::kConfigAudit, 1, zero, "abc"));
  EXPECT_EQ(h, ComputeChainHash(ChainedLog::kSystemEvents, 1, zero, "abc"));
}

TEST(RecordChain, FindsChangedMissingAndTruncatedRecords) {
  TempDataDir dir;
  auto db = OpenDb();
  AppendRecords(*db, ChainedLog::kSystemEvents, 10);
  AppendRecords(*db, ChainedLog::kConfigAudit, 3);
  ChainReport report = Verify(*db, ChainedLog::kSystemEvents);
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 10u);

  // One changed record is named alone; the others still verify.
  TamperWithStore("UPDATE system_events SET record = " + BlobLiteral("00") + " WHERE seq = 4");
  report = Verify(*db, ChainedLog::kSystemEvents);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].kind, ChainProblem::kChanged);
  EXPECT_EQ(report.problems[0].seq, 4u);

  // Rewriting the hash as well moves the break to the next record.
  TamperWithStore("UPDATE system_events SET record = " +
                  BlobLiteral(HexEncode(testing::LogRecord(ChainedLog::kSystemEvents, 3))) +
                  " WHERE seq = 4");
  TamperWithStore("DELETE FROM system_events WHERE seq IN (6, 7)");
  report = Verify(*db, ChainedLog::kSystemEvents);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].kind, ChainProblem::kMissing);
  EXPECT_EQ(report.problems[0].seq, 6u);
  EXPECT_EQ(report.problems[0].seq_last, 7u);

  TamperWithStore("DELETE FROM system_events WHERE seq >= 9");
  report = Verify(*db, ChainedLog::kSystemEvents);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[1].kind, ChainProblem::kTruncated);

  // An append after the removal continues from the recorded end, so the
  // gap stays visible instead of being papered over.
  AppendRecords(*db, ChainedLog::kSystemEvents, 1);
  report = Verify(*db, ChainedLog::kSystemEvents);
  EXPECT_FALSE(report.ok());
  EXPECT_EQ(report.last_seq, 11u);

  // The other log is untouched.
  EXPECT_TRUE(Verify(*db, ChainedLog::kConfigAudit).ok());
}

TEST(ComplianceDb, RefusesForeignDamagedAndNewerFilesWithoutWritingThem) {
  TempDataDir dir;
  const std::string path = dir.File(kComplianceDbFileName);

  Tamper(path, "CREATE TABLE invoices(id INTEGER PRIMARY KEY); INSERT INTO invoices VALUES(1)");
  std::string before = Slurp(path);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::GetAt(path, &db);
  EXPECT_EQ(status.code(), StoreStatus::kForeign) << status.ToString();
  EXPECT_NE(status.message().find(path), std::string::npos);
  EXPECT_EQ(Slurp(path), before);

  std::remove(path.c_str());
  { std::ofstream(path, std::ios::binary) << std::string(8192, 'x'); }
  before = Slurp(path);
  status = ComplianceDb::GetAt(path, &db);
  EXPECT_EQ(status.code(), StoreStatus::kCorrupt) << status.ToString();
  EXPECT_EQ(Slurp(path), before);

  std::remove(path.c_str());
  Tamper(path, "PRAGMA application_id=" + std::to_string(kComplianceDbApplicationId) +
                   "; PRAGMA user_version=99; CREATE TABLE later(x)");
  status = ComplianceDb::GetAt(path, &db);
  EXPECT_EQ(status.code(), StoreStatus::kForeign) << status.ToString();
  EXPECT_NE(status.message().find("newer"), std::string::npos);
}

TEST(ComplianceDb, ReportsAReadOnlyDataDirectory) {
  TAV_SKIP_ON_LAB_STORE("makes the database file's folder read-only");
  TempDataDir dir;
  // Run as a user who may read the folder but not write it; root may write
  // anywhere, so a child process gives up root first.
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    std::shared_ptr<ComplianceDb> db;
    const StoreStatus status = ComplianceDb::Get(&db);
    _exit(status.code() == StoreStatus::kReadOnly ? 0 : 1);
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0);
}

TEST(ComplianceDb, WaitsForALockedDatabaseOnlyWithinTheTimeout) {
  TAV_SKIP_ON_LAB_STORE("locks the database file");
  TempDataDir dir;
  const auto saved = ComplianceDb::BusyTimeout();
  ComplianceDb::SetBusyTimeout(std::chrono::milliseconds(300));
  auto db = OpenDb();
  ComplianceDb::SetBusyTimeout(saved);

  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db->path().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const auto start = std::chrono::steady_clock::now();
  const StoreStatus status = db->Write([](SqlDb& c) {
    return AppendChained(c, ChainedLog::kSystemEvents, testing::EventRecord("x"));
  });
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(status.code(), StoreStatus::kBusy) << status.ToString();
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_LT(waited, std::chrono::seconds(3));

  // Once the other writer is done, the same object writes again.
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  AppendRecords(*db, ChainedLog::kSystemEvents, 1);
  EXPECT_TRUE(Verify(*db, ChainedLog::kSystemEvents).ok());
}

}  // namespace
}  // namespace tav
