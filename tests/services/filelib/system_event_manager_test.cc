#include "services/filelib/system_event_manager.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "records/audit_entry_comp.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_export.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/log_output.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::TempDataDir;

struct LogCapture {
  std::vector<std::string> lines;
  LogSink previous;
  LogCapture() {
    previous = SetLogSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~LogCapture() { SetLogSink(std::move(previous)); }
};

int CodeOf(const CComponent* event) {
  POSITION pos = event->GetFirstChildPosition();
  const auto* entry = dynamic_cast<const CAuditEntryComp*>(event->GetNextChild(pos));
  return entry == nullptr ? -1 : entry->GetAuditCode();
}

std::string UserOf(const CComponent* event) {
  return dynamic_cast<const CAuditEventComp*>(event)->GetEvent().GetUserName();
}

ChainReport VerifyLog() {
  CSystemEventManager manager;
  ChainReport report;
  std::string error;
  EXPECT_EQ(manager.VerifyEventLog(&report, &error), kFileLibOk) << error;
  return report;
}

// Adds `n` events of users "<prefix><i>" in a child process; returns its pid.
pid_t AddInChild(const std::string& prefix, int n, int ack_fd = -1) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (int i = 0; i < n; ++i) {
    CSystemEventManager manager;
    const std::string user = prefix + std::to_string(i);
    if (manager.AddSystemEvent(kAuditSuccessfulLogin, user.c_str()) != kFileLibOk) _exit(2);
    if (ack_fd >= 0 && write(ack_fd, &i, sizeof i) != sizeof i) _exit(3);
  }
  _exit(0);
}

TEST(SystemEvents, AddedEventsComeBackInOrderWithTheirCodesAndUsers) {
  TempDataDir dir;
  // (A blank name: a failed login whose user name box was left empty.)
  const AUDITCODE codes[] = {kAuditSuccessfulLogin, kAuditFailedLogin, kAuditFailedESignature};
  const std::string long_name(300, 'u');
  const char* users[] = {"alice", nullptr, long_name.c_str()};
  for (int i = 0; i < 3; ++i) {
    CSystemEventManager manager;
    EXPECT_EQ(manager.AddSystemEvent(codes[i], users[i]), kFileLibOk);
  }
  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->GetTag().Is("SyEL"));
  EXPECT_EQ(list->GetSequenceNumber(), 1u);
  EXPECT_FALSE(list->IsFull());
  ASSERT_EQ(list->GetChildCount(), 3u);
  POSITION pos = list->GetFirstChildPosition();
  for (int i = 0; i < 3; ++i) {
    const CComponent* event = list->GetNextChild(pos);
    EXPECT_EQ(CodeOf(event), codes[i]);
    const std::string user = UserOf(event);
    EXPECT_EQ(user, i == 0 ? "alice" : i == 1 ? "" : std::string(255, 'u'));
  }
  EXPECT_TRUE(VerifyLog().ok());
}

TEST(SystemEvents, TwoProcessesAppendingAtOnceLoseNothingAndKeepTheChain) {
  TempDataDir dir;
  constexpr int kEach = 5000;
  const pid_t a = AddInChild("a", kEach);
  const pid_t b = AddInChild("b", kEach);
  for (pid_t pid : {a, b}) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetChildCount(), 2u * kEach);
  // Every event is there once, and each process's events keep their order.
  std::set<std::string> seen;
  int next_a = 0, next_b = 0;
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    const std::string user = UserOf(list->GetNextChild(pos));
    EXPECT_TRUE(seen.insert(user).second) << user;
    int& next = user[0] == 'a' ? next_a : next_b;
    EXPECT_EQ(user.substr(1), std::to_string(next));
    ++next;
  }
  EXPECT_EQ(next_a, kEach);
  EXPECT_EQ(next_b, kEach);
  const ChainReport report = VerifyLog();
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 2u * kEach);
}

TEST(SystemEvents, ThreadsSharingCommitsKeepEveryEventAndTheirOrder) {
  TempDataDir dir;
  constexpr int kThreads = 8, kEach = 150;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) {
        CSystemEventManager manager;
        std::string user(1, static_cast<char>('a' + t));
        user += std::to_string(i);
        EXPECT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, user.c_str()), kFileLibOk);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetChildCount(), static_cast<size_t>(kThreads * kEach));
  int next[kThreads] = {};
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    const std::string user = UserOf(list->GetNextChild(pos));
    const int t = user[0] - 'a';
    EXPECT_EQ(user.substr(1), std::to_string(next[t]++));
  }
  EXPECT_TRUE(VerifyLog().ok());
}

TEST(SystemEvents, AWriterKilledMidBurstLosesNoEventItWasToldWasStored) {
  TempDataDir dir;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = AddInChild("k", 1000000, fds[1]);
  close(fds[1]);
  int acked = -1, index = 0;
  while (acked < 300 && read(fds[0], &index, sizeof index) == sizeof index) acked = index;
  kill(pid, SIGKILL);
  // Acknowledgements already in the pipe count too.
  while (read(fds[0], &index, sizeof index) == sizeof index) acked = index;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  ASSERT_GE(list->GetChildCount(), static_cast<size_t>(acked) + 1);
  POSITION pos = list->GetFirstChildPosition();
  for (int i = 0; i <= acked; ++i) EXPECT_EQ(UserOf(list->GetNextChild(pos)), "k" + std::to_string(i));
  EXPECT_TRUE(VerifyLog().ok());
}

TEST(SystemEvents, ALockedDatabaseIsWaitedForThenReportedWithTheEvent) {
  TAV_SKIP_ON_LAB_STORE("locks the embedded store's file");
  TempDataDir dir;
  const auto saved = ComplianceDb::BusyTimeout();
  ComplianceDb::SetBusyTimeout(std::chrono::milliseconds(300));
  CSystemEventManager manager;
  ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "first"), kFileLibOk);
  ComplianceDb::SetBusyTimeout(saved);

  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db->path().c_str(), &other), SQLITE_OK);

  // A lock released within the wait: the event is stored.
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread releaser([other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  });
  EXPECT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "second"), kFileLibOk);
  releaser.join();

  // A lock held past the wait: a failure the caller's log output names.
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  LogCapture log;
  EXPECT_EQ(manager.AddSystemEvent(kAuditFailedLogin, "mallory"), kFileLibBusy);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("mallory"), std::string::npos) << log.lines[0];
  EXPECT_NE(log.lines[0].find("Failed Login"), std::string::npos) << log.lines[0];
  EXPECT_NE(log.lines[0].find("locked"), std::string::npos) << log.lines[0];
}

TEST(SystemEvents, AFileThatCannotGrowIsReportedAndLosesNothingStored) {
  TAV_SKIP_ON_LAB_STORE("limits the size of the embedded store's file");
  TempDataDir dir;
  {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "before"), kFileLibOk);
  }
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    // The files may grow by a few pages only, as on a disk about to be full.
    signal(SIGXFSZ, SIG_IGN);
    struct stat wal;
    const std::string wal_path = dir.File("compliance.db-wal");
    const rlim_t now = stat(wal_path.c_str(), &wal) == 0 ? static_cast<rlim_t>(wal.st_size) : 0;
    const rlimit limit{now + 64 * 1024, now + 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string lines;
    SetLogSink([&lines](std::string_view line) { lines.append(line).push_back('\n'); });
    int stored = 0, code = 0;
    for (int i = 0; i < 100000 && code == 0; ++i) {
      CSystemEventManager manager;
      code = manager.AddSystemEvent(kAuditSuccessfulLogin, ("full" + std::to_string(i)).c_str());
      if (code == 0) ++stored;
    }
    const std::string report = std::to_string(stored) + " " + std::to_string(code) + "\n" + lines;
    if (write(fds[1], report.data(), report.size()) < 0) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  int stored = -1, code = 0;
  ASSERT_EQ(std::sscanf(report.c_str(), "%d %d", &stored, &code), 2) << report;
  // SQLite reports a refused write as a full disk or as an I/O error,
  // depending on where it was refused.
  EXPECT_TRUE(code == kFileLibDiskFull || code == kFileLibStorageError) << report;
  EXPECT_NE(report.find("system event not stored"), std::string::npos) << report;
  EXPECT_NE(report.find("full" + std::to_string(stored)), std::string::npos) << report;

  // Everything stored before the disk filled is there, the chain intact.
  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetChildCount(), static_cast<size_t>(stored) + 1);
  EXPECT_TRUE(VerifyLog().ok());
  EXPECT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "after"), kFileLibOk);
}

TEST(SystemEvents, ExportsCutTheLogIntoSegmentsThatJoinBack) {
  TempDataDir dir;
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  constexpr int kEvents = 65535 + 10;
  // Few transactions for speed; the records are those AddSystemEvent writes.
  constexpr int kPerTransaction = 2000;
  for (int from = 0; from < kEvents; from += kPerTransaction) {
    ASSERT_TRUE(db->Write([&](SqlDb& c) {
                    for (int i = from; i < std::min(kEvents, from + kPerTransaction); ++i) {
                      std::string user = "u";
                      user += std::to_string(i);
                      StoreStatus s = AppendSystemEvent(c, kAuditSuccessfulLogin, user.c_str());
                      if (!s.ok()) return s;
                    }
                    return StoreStatus::Ok();
                  }).ok());
  }

  CSystemEventManager manager;
  CAuditCollectionComp* list = manager.LoadEventList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetChildCount(), static_cast<size_t>(kEvents));

  const std::string path = dir.File("export.tav");
  uint64_t count = 0;
  std::string error;
  ASSERT_EQ(manager.ExportEvents(path, &count, &error), kFileLibOk) << error;
  EXPECT_EQ(count, static_cast<uint64_t>(kEvents));

  CDiskFile file(path, CDiskFile::modeRead);
  EventExportContents contents;
  ASSERT_EQ(ReadEventExport(&file, &contents, &error), kRecordOk) << error;
  EXPECT_EQ(contents.segments, 2u);
  EXPECT_EQ(contents.first_seq, 1u);
  ASSERT_EQ(contents.events->GetChildCount(), static_cast<size_t>(kEvents));
  POSITION pos = contents.events->GetLastChildPosition();
  EXPECT_EQ(UserOf(contents.events->GetPrevChild(pos)), "u" + std::to_string(kEvents - 1));

  // A log with a hole exports with the hole, and the reader says where.
  ASSERT_TRUE(db->Write([](SqlDb& c) { return c.Exec("DELETE FROM system_events WHERE seq = 5"); })
                  .ok());
  ASSERT_EQ(manager.ExportEvents(path, &count, &error), kFileLibOk) << error;
  CDiskFile damaged(path, CDiskFile::modeRead);
  EXPECT_EQ(ReadEventExport(&damaged, &contents, &error), kRecordCorrupt);
  EXPECT_NE(error.find("starts at event 6, not at 5"), std::string::npos) << error;
  EXPECT_EQ(contents.events->GetChildCount(), 4u);
}

TEST(SystemEvents, EmptyLogExportsOneEmptySegment) {
  TempDataDir dir;
  CSystemEventManager manager;
  uint64_t count = 99;
  std::string error;
  const std::string path = dir.File("empty.tav");
  ASSERT_EQ(manager.ExportEvents(path, &count, &error), kFileLibOk) << error;
  EXPECT_EQ(count, 0u);
  const std::string bytes = ReadWholeFile(path);
  EXPECT_EQ(bytes, std::string("SyEL\0\0\0\x07\0\0\0\0\0\0\0", 15));
}

}  // namespace
}  // namespace tav
