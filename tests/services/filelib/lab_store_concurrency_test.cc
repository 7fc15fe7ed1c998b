// Eight workstations appending to one lab store at once: every event is
// stored exactly once, in one unbroken chain, and nothing is left waiting
// to be chained. Run under pg_virtualenv.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lab_store_server.h"
#include "records/audit_event_comp.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/lab_store_schema.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/system_event_manager.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::kLabAdmin;
using testing::kLabWorkstation;
using testing::LabServer;
using testing::Scalar;
using testing::TempDataDir;

// A workstation of its own: a process, so its own connection (ComplianceDb
// is shared per process), adding `n` events of users "w<k>-e<i>".
pid_t Workstation(int k, int n) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (int i = 0; i < n; ++i) {
    CSystemEventManager manager;
    const std::string user = "w" + std::to_string(k) + "-e" + std::to_string(i);
    if (manager.AddSystemEvent(kAuditSuccessfulLogin, user.c_str()) != 0) _exit(2);
  }
  _exit(0);
}

// Each event once, and each writer's events ("w<k>-e<i>") in the order it
// added them; one chain over all of them.
void ExpectEachEventOnceInItsWritersOrder(int writers, int each) {
  const int total = writers * each;
  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetChildCount(), static_cast<size_t>(total));
  std::map<int, int> next;
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    const std::string user =
        dynamic_cast<const CAuditEventComp*>(list->GetNextChild(pos))->GetEvent().GetUserName();
    const size_t dash = user.find("-e");
    ASSERT_NE(dash, std::string::npos) << user;
    const int k = std::stoi(user.substr(1, dash - 1));
    ASSERT_EQ(user.substr(dash + 2), std::to_string(next[k])) << user;
    ++next[k];
  }
  ASSERT_EQ(next.size(), static_cast<size_t>(writers));
  for (const auto& [k, count] : next) EXPECT_EQ(count, each) << "writer " << k;

  ChainReport report;
  std::string error;
  ASSERT_EQ(manager.VerifyEventLog(&report, &error), 0) << error;
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, static_cast<uint64_t>(total));
  EXPECT_EQ(report.last_seq, static_cast<uint64_t>(total));
}

// Each test gets a store of its own, which the test's data directory
// uses as the workstation role.
class LabStoreConcurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lab_.present()) GTEST_SKIP() << "no PostgreSQL server: run under pg_virtualenv";
    ASSERT_TRUE(lab_.usable()) << lab_.setup_status().message();
    ASSERT_TRUE(lab_.NewStore(&schema_).ok());
    LabServer::WriteStoreConf(dir_.path(), LabServer::StoreConf(kLabWorkstation, schema_));
  }

  std::unique_ptr<PgDb> Connect(const std::string& user) {
    std::unique_ptr<PgDb> db;
    EXPECT_TRUE(lab_.Connect(user, schema_, &db).ok());
    return db;
  }

  LabServer& lab_ = LabServer::Get();
  std::string schema_;
  TempDataDir dir_;
};

TEST_F(LabStoreConcurrency, EightWorkstationsAppendingAtOnceKeepOneChainAndEveryEvent) {

  constexpr int kWorkstations = 8, kEach = 2000, kTotal = kWorkstations * kEach;
  std::vector<pid_t> children;
  for (int k = 0; k < kWorkstations; ++k) children.push_back(Workstation(k, kEach));
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  std::unique_ptr<PgDb> admin = Connect(kLabAdmin);
  ASSERT_NE(admin, nullptr);
  // As every reader does first: appends made while another workstation was
  // chaining are chained now.
  ASSERT_TRUE(admin->ExecText("SELECT tav_flush()").ok());
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM system_events"), kTotal);
  EXPECT_EQ(Scalar(*admin, "SELECT min(seq) FROM system_events"), 1);
  EXPECT_EQ(Scalar(*admin, "SELECT max(seq) FROM system_events"), kTotal);
  EXPECT_EQ(Scalar(*admin, "SELECT seq FROM chain_heads WHERE log = 'system_events'"), kTotal);
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM pending_appends"), 0);

  ExpectEachEventOnceInItsWritersOrder(kWorkstations, kEach);
}

// The threads of one host share its connection: the records of many are
// stored with inserts of many rows, in one transaction with a chaining
// pass now and then.
TEST_F(LabStoreConcurrency, ThreadsOfOneHostAppendingAtOnceKeepOneChainAndEveryEvent) {

  constexpr int kThreads = 48, kEach = 150;
  std::atomic<int> failed{0};
  std::vector<std::thread> threads;
  for (int k = 0; k < kThreads; ++k) {
    threads.emplace_back([k, &failed] {
      for (int i = 0; i < kEach; ++i) {
        CSystemEventManager manager;
        const std::string user = "w" + std::to_string(k) + "-e" + std::to_string(i);
        if (manager.AddSystemEvent(kAuditSuccessfulLogin, user.c_str()) != 0) ++failed;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failed, 0);
  ExpectEachEventOnceInItsWritersOrder(kThreads, kEach);
  std::unique_ptr<PgDb> admin = Connect(kLabAdmin);
  ASSERT_NE(admin, nullptr);
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM pending_appends"), 0);
}

// One pass over waiting records of all three logs, interleaved: each log
// continues its own chain, in the order the records were stored.
TEST_F(LabStoreConcurrency, APassChainsTheWaitingRecordsOfEachLogInTheirOrder) {
  std::unique_ptr<PgDb> workstation = Connect(kLabWorkstation);
  ASSERT_NE(workstation, nullptr);
  std::unique_ptr<PgDb> admin = Connect(kLabAdmin);
  ASSERT_NE(admin, nullptr);
  ASSERT_TRUE(workstation->ExecText(
                  "SELECT * FROM tav_log('run_history', tav_test_record(3, 'r1'))").ok());
  ASSERT_TRUE(workstation->ExecText(
                  "INSERT INTO pending_appends(log, record) VALUES "
                  "(1, tav_test_record(1, 'e1')), (3, tav_test_record(3, 'r2')), "
                  "(1, tav_test_record(1, 'e2'))").ok());
  // The configuration trail is the administrator's alone.
  ASSERT_TRUE(admin->ExecText(
                  "INSERT INTO pending_appends(log, record) VALUES "
                  "(2, tav_test_record(2, 'a1')), (3, tav_test_record(3, 'r3')), "
                  "(1, tav_test_record(1, 'e3'))").ok());
  ASSERT_TRUE(admin->ExecText(
                  "SELECT * FROM tav_log('config_audit', tav_test_record(2, 'a2'))").ok());

  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM pending_appends"), 0);
  EXPECT_EQ(Scalar(*admin, "SELECT string_agg(tav_test_name(record), ' ' ORDER BY seq) = "
                           "'e1 e2 e3' FROM system_events"), 1);
  EXPECT_EQ(Scalar(*admin, "SELECT string_agg(tav_test_name(record), ' ' ORDER BY seq) = "
                           "'a1 a2' FROM config_audit"), 1);
  EXPECT_EQ(Scalar(*admin, "SELECT string_agg(tav_test_name(record), ' ' ORDER BY seq) = "
                           "'r1 r2 r3' FROM run_history"), 1);
  const struct {
    ChainedLog log;
    const char* head;  // a literal: statements are known by their text's address
    uint64_t count;
  } logs[] = {
      {ChainedLog::kSystemEvents, "SELECT seq FROM chain_heads WHERE log = 'system_events'", 3},
      {ChainedLog::kConfigAudit, "SELECT seq FROM chain_heads WHERE log = 'config_audit'", 2},
      {ChainedLog::kRunHistory, "SELECT seq FROM chain_heads WHERE log = 'run_history'", 3},
  };
  for (const auto& l : logs) {
    SCOPED_TRACE(ChainedLogTable(l.log));
    ChainReport report;
    ASSERT_TRUE(VerifyChain(*admin, l.log, &report).ok());
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.count, l.count);
    EXPECT_EQ(Scalar(*admin, l.head), static_cast<int64_t>(l.count));
  }
}

// A pass chains at most 1,000 waiting records: an append behind a longer
// backlog waits after it, and a reader chains the rest, pass after pass.
TEST_F(LabStoreConcurrency, BacklogLongerThanOnePassIsChainedInOrder) {
  std::unique_ptr<PgDb> workstation = Connect(kLabWorkstation);
  ASSERT_NE(workstation, nullptr);
  ASSERT_TRUE(workstation->ExecText(
                  "INSERT INTO pending_appends(log, record) "
                  "SELECT 1, tav_test_record(1, i::text) FROM generate_series(1, 2000) i").ok());
  ASSERT_TRUE(workstation->ExecText(
                  "SELECT * FROM tav_log('system_events', tav_test_record(1, 'last'))").ok());

  std::unique_ptr<PgDb> admin = Connect(kLabAdmin);
  ASSERT_NE(admin, nullptr);
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM system_events"), 1000);
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM pending_appends"), 1001);
  ASSERT_TRUE(admin->ExecText("SELECT tav_flush()").ok());
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM pending_appends"), 0);
  EXPECT_EQ(Scalar(*admin, "SELECT count(*) FROM system_events WHERE tav_test_name(record) "
                           "<> CASE WHEN seq = 2001 THEN 'last' ELSE seq::text END"), 0);
  ChainReport report;
  ASSERT_TRUE(VerifyChain(*admin, ChainedLog::kSystemEvents, &report).ok());
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 2001u);
}

TEST(LabStoreSql, TheInsertOfManyWaitingRecordsNumbersItsParameters) {
  EXPECT_STREQ(WaitingInsertSql(1), "INSERT INTO pending_appends(log, record) VALUES (?1, ?2)");
  const std::string twelve = WaitingInsertSql(12);
  EXPECT_NE(twelve.find("VALUES (?1, ?2), (?3, ?4), "), std::string::npos) << twelve;
  EXPECT_TRUE(twelve.ends_with(", (?21, ?22), (?23, ?24)")) << twelve;
  EXPECT_TRUE(std::string(WaitingInsertSql(kMaxWaitingPerInsert)).ends_with("(?63, ?64)"));
  EXPECT_EQ(WaitingInsertSql(0), nullptr);
  EXPECT_EQ(WaitingInsertSql(kMaxWaitingPerInsert + 1), nullptr);
}

}  // namespace
}  // namespace tav
