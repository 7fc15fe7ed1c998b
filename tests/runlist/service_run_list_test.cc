// The run list through a real compliance service: the library's run list
// manager asks tavsecd, which runs the run list's own code under the name
// it gives the actor. The lists and records a client sees are the store's,
// byte for byte; a client that names a logon it does not hold, or sends
// arguments the run list would trust, gets a refusal and the store keeps
// nothing of it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "client/security_proxy.h"
#include "client/service_client.h"
#include "client/store_routes.h"
#include "protocol/run_list_ops.h"
#include "records/chunk_file.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/run_list_manager.h"
#include "service/service_test_support.h"
#include "testing/log_records.h"
#include "testing/run_command.h"
#include "testing/store_tamper.h"
#include "testing/service_process.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

using protocol::Actor;
using protocol::MessageWriter;
using protocol::RunListOpReply;

std::string Bytes(const CComponent& record) {
  CMemFile file(256);
  const_cast<CComponent&>(record).StreamDataOut(&file);
  return file.TakeString();
}

std::vector<std::string> Chunks(CFileRecordListComp* list) {
  std::vector<std::string> out;
  if (list == nullptr) return out;
  for (POSITION pos = list->GetFirstChildPosition(); pos != nullptr;) {
    out.push_back(Bytes(*list->GetNextChild(pos)));
  }
  return out;
}

// "type path user", and " from source" when there is one.
std::string Describe(const CFileRecordComp& record) {
  std::string text = std::to_string(record.GetType()) + " " +
                     record.GetFilePath().value_or("?") + " " +
                     record.GetUserName().value_or("?");
  if (record.GetSourcePath()) text += " from " + *record.GetSourcePath();
  return text;
}

std::vector<std::string> Describe(CFileRecordListComp* list) {
  std::vector<std::string> out;
  if (list == nullptr) return out;
  for (POSITION pos = list->GetFirstChildPosition(); pos != nullptr;) {
    out.push_back(Describe(*dynamic_cast<CFileRecordComp*>(list->GetNextChild(pos))));
  }
  return out;
}

std::string DescribeBytes(const std::string& bytes) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> read;
  if (ReadNextComponent(&file, read) != kRecordOk) return "unreadable";
  auto* record = dynamic_cast<CFileRecordComp*>(read.get());
  return record != nullptr ? Describe(*record) : "not a file record";
}

class ServiceRunListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::AddAccount("alice", "Alice-Pass1");
    // A socket of its own, apart from the one of a suite run with a service
    // for every data directory.
    service_ = std::make_unique<testing::ServiceProcess>(dir_.path(), dir_.File("runlist.sock"));
    ASSERT_TRUE(service_->ready()) << "tavsecd did not start";
    ASSERT_TRUE(UsesComplianceService());
    client::RouteStoreToService();
    me_ = ProcessUserName();
  }
  void TearDown() override {
    client::RevertToSelf();
    DisconnectFromService();
    RunListRemoteSeam().Set(nullptr);
  }

  // The run list or its history as the store holds it, read in this
  // process without the service.
  std::vector<std::string> StoreRecords(bool history) {
    RunListRemoteSeam().Set(nullptr);
    CRunListManager manager;
    std::vector<std::string> out =
        Chunks(history ? manager.LoadFileRecordHistory() : manager.LoadCurrentFileList());
    client::RouteStoreToService();
    return out;
  }
  std::vector<std::string> ServiceRecords(bool history) {
    CRunListManager manager;
    return Chunks(history ? manager.LoadFileRecordHistory() : manager.LoadCurrentFileList());
  }

  int Connect() {
    std::string error;
    const int fd = ConnectUnixSocket(service_->socket(), &error);
    EXPECT_GE(fd, 0) << error;
    return fd;
  }
  // One raw operation on `fd`; code -999 when the call itself failed.
  RunListOpReply Raw(int fd, const MessageWriter& request, uint16_t op) {
    RunListOpReply reply;
    if (!testing::Call(fd, request, op, &reply)) reply.code = -999;
    return reply;
  }
  RunListOpReply RawImport(int fd, const std::string& path, Actor actor = {}) {
    return Raw(fd, protocol::EncodeRequest(protocol::RunListImportRequest{actor, path}),
               protocol::kOpRunListImport);
  }

  testing::TempDataDir dir_;
  std::unique_ptr<testing::ServiceProcess> service_;
  std::string me_;
};

TEST_F(ServiceRunListTest, OperationsChangeTheListAndHistoryAsInProcessUnderTheServicesName) {
  CRunListManager runs;
  CFileRecordComp record;
  // Without a logon the service names the peer's system user.
  ASSERT_EQ(runs.ImportFileRecord("/runs/a.tav", &record), kFileLibOk);
  EXPECT_EQ(Describe(record), "7 /runs/a.tav " + me_);
  EXPECT_NE(record.GetDate(), 0.0);
  EXPECT_EQ(runs.ImportFileRecord("/runs/a.tav", &record), kFileLibAlreadyOnList);
  ASSERT_EQ(runs.ImportFileRecord("C:\\Runs\\b.tav", nullptr), kFileLibOk);
  ASSERT_EQ(runs.DeleteFileRecord("c:\\runs\\B.TAV", 1, &record), kFileLibOk);
  EXPECT_EQ(Describe(record), "4 c:\\runs\\B.TAV " + me_);
  EXPECT_EQ(runs.DeleteFileRecord("/runs/b.tav", 0, &record), kFileLibNotOnList);

  // With a logon, its user.
  HANDLE token = nullptr;
  ASSERT_EQ(client::ImpersonateUser("alice", "", "Alice-Pass1", &token), 0);
  ASSERT_EQ(runs.MoveFileRecord("/data/a.tav", "/runs/a.tav", 0, &record), kFileLibOk);
  EXPECT_EQ(Describe(record), "3 /data/a.tav alice from /runs/a.tav");
  ASSERT_EQ(runs.RecordFileOperation(kFileRecordCopied, "/data/c.tav", "/data/a.tav", &record),
            kFileLibOk);
  EXPECT_EQ(Describe(record), "2 /data/c.tav alice from /data/a.tav");
  ASSERT_EQ(runs.RecordFileOperation(kFileRecordCreated, "/data/a.tav", "", &record), kFileLibOk);
  EXPECT_EQ(Describe(record), "1 /data/a.tav alice");
  // Refused as in process, before anything is asked.
  EXPECT_EQ(runs.RecordFileOperation(kFileRecordDeleted, "/data/d.tav", nullptr, &record),
            kFileLibInvalidArgument);
  EXPECT_EQ(runs.MoveFileRecord("/data/a.tav", "/data/a.tav", 0, &record), kFileLibInvalidArgument);
  EXPECT_EQ(runs.ImportFileRecord("data/e.tav", &record), kFileLibInvalidArgument);
  EXPECT_EQ(client::EndImpersonation(&token), 0);

  EXPECT_EQ(Describe(runs.LoadCurrentFileList()),
            (std::vector<std::string>{"2 /data/c.tav alice from /data/a.tav",
                                      "1 /data/a.tav alice"}));
  EXPECT_EQ(Describe(runs.LoadFileRecordHistory()),
            (std::vector<std::string>{"7 /runs/a.tav " + me_, "7 C:\\Runs\\b.tav " + me_,
                                      "4 c:\\runs\\B.TAV " + me_,
                                      "3 /data/a.tav alice from /runs/a.tav",
                                      "2 /data/c.tav alice from /data/a.tav",
                                      "1 /data/a.tav alice"}));
  EXPECT_EQ(ServiceRecords(false), StoreRecords(false));
  EXPECT_EQ(ServiceRecords(true), StoreRecords(true));
}

TEST_F(ServiceRunListTest, TheRecordReturnedIsTheOneAnotherProcessLists) {
  CRunListManager runs;
  CFileRecordComp record;
  ASSERT_EQ(runs.RecordFileOperation(kFileRecordReplaced, "/runs/r.tav", nullptr, &record),
            kFileLibOk);
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A process of its own, with a connection of its own.
    ::close(pipe_fds[0]);
    CRunListManager other;
    const std::vector<std::string> history = Chunks(other.LoadFileRecordHistory());
    const std::string last = history.empty() ? "" : history.back();
    const bool written = ::write(pipe_fds[1], last.data(), last.size()) ==
                         static_cast<ssize_t>(last.size());
    ::_exit(written && history.size() == 1 ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  std::string listed;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) listed.append(buffer, n);
  ::close(pipe_fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(listed, Bytes(record));
  EXPECT_EQ(DescribeBytes(listed), "5 /runs/r.tav " + me_);
}

TEST_F(ServiceRunListTest, AHistoryLargerThanOneReplyComesInPagesAsTheStoreHasIt) {
  // Written in process, which is quicker than a request each; read through
  // the service. 300 records of 3 KB are about twice a page.
  RunListRemoteSeam().Set(nullptr);
  {
    CRunListManager local;
    for (int i = 0; i < 300; ++i) {
      const std::string path = "/runs/" + std::string(3000, 'x') + std::to_string(i) + ".tav";
      ASSERT_EQ(local.RecordFileOperation(kFileRecordCreated, path.c_str(), nullptr, nullptr),
                kFileLibOk);
    }
    // A record that cannot be read, among them: left out, by both paths.
    // (The lab store takes none such: it is made unreadable afterwards.)
    std::shared_ptr<ComplianceDb> db;
    ASSERT_TRUE(ComplianceDb::Get(&db).ok());
    ASSERT_TRUE(db->Write([](SqlDb& c) {
                    return AppendChained(c, ChainedLog::kRunHistory,
                                         testing::RunFileRecord("/runs/unreadable.tav"));
                  }).ok());
    testing::TamperWithStore("UPDATE run_history SET record = " +
                             testing::BlobLiteral("6e6f742061207265636f7264") + " WHERE seq = 301");
    ASSERT_EQ(local.ImportFileRecord("/runs/last.tav", nullptr), kFileLibOk);
  }
  client::RouteStoreToService();

  const int fd = Connect();
  protocol::RunListPageReply first;
  ASSERT_TRUE(testing::Call(fd, protocol::EncodePageRequest(protocol::kOpRunHistoryPage, {0}),
                            protocol::kOpRunHistoryPage, &first));
  ::close(fd);
  EXPECT_TRUE(first.more);
  EXPECT_GT(first.records.size(), 100u);
  EXPECT_LT(first.records.size(), 300u);
  EXPECT_EQ(first.total, 302);

  const std::vector<std::string> history = ServiceRecords(true);
  ASSERT_EQ(history.size(), 301u);
  EXPECT_EQ(history, StoreRecords(true));
  EXPECT_EQ(DescribeBytes(history.back()), "7 /runs/last.tav " + me_);
  // The run list itself is as large, and paged too.
  EXPECT_EQ(ServiceRecords(false), StoreRecords(false));
  EXPECT_EQ(ServiceRecords(false).size(), 301u);
}

TEST_F(ServiceRunListTest, ALogonTheConnectionDoesNotHoldIsRefusedAndRecordsNothing) {
  const int fd = Connect();
  protocol::LogonReply logon;
  ASSERT_TRUE(testing::Call(
      fd, protocol::EncodeRequest(protocol::LogonRequest{"alice", "", "Alice-Pass1"}),
      protocol::kOpLogon, &logon));
  ASSERT_EQ(logon.code, 0);
  const RunListOpReply held = RawImport(fd, "/runs/alice.tav", Actor{logon.token, false});
  ASSERT_EQ(held.code, 0);
  EXPECT_EQ(DescribeBytes(held.record), "7 /runs/alice.tav alice");

  // Another number, a stale one, and the same number on another
  // connection: all refused, none recorded under anyone.
  EXPECT_EQ(RawImport(fd, "/runs/x.tav", Actor{logon.token + 1, false}).code, 6);
  EXPECT_EQ(RawImport(fd, "/runs/x.tav", Actor{protocol::kStaleLogon, false}).code, 6);
  const int other = Connect();
  const RunListOpReply foreign = RawImport(other, "/runs/x.tav", Actor{logon.token, false});
  EXPECT_EQ(foreign.code, 6);
  EXPECT_TRUE(foreign.record.empty());
  EXPECT_EQ(Raw(other,
                protocol::EncodeRequest(protocol::RunListRecordRequest{
                    Actor{logon.token, true}, kFileRecordCreated, "/runs/y.tav", ""}),
                protocol::kOpRunListRecord)
                .code,
            6);
  ::close(other);
  ::close(fd);

  // The library's logon ends with the service's restart: its thread's
  // operations are refused rather than recorded under the system user.
  HANDLE token = nullptr;
  ASSERT_EQ(client::ImpersonateUser("alice", "", "Alice-Pass1", &token), 0);
  service_->Stop();
  service_->Start();
  ASSERT_TRUE(service_->ready());
  CRunListManager runs;
  EXPECT_EQ(runs.ImportFileRecord("/runs/x.tav", nullptr), kFileLibStorageError);
  client::EndImpersonation(&token);

  const std::vector<std::string> history = StoreRecords(true);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(DescribeBytes(history[0]), "7 /runs/alice.tav alice");
}

TEST_F(ServiceRunListTest, HostileArgumentsAreRefusedAndStoreNothing) {
  const int fd = Connect();
  auto record = [&](int64_t type, std::string path, std::string source) {
    return Raw(fd, protocol::EncodeRequest(protocol::RunListRecordRequest{{}, type, path, source}),
               protocol::kOpRunListRecord)
        .code;
  };
  auto move = [&](std::string to, std::string from) {
    return Raw(fd, protocol::EncodeRequest(protocol::RunListMoveRequest{{}, to, from, false}),
               protocol::kOpRunListMove)
        .code;
  };
  const std::string nul("/runs/a.tav\0/../../etc/x.tav", 27);
  EXPECT_EQ(RawImport(fd, "runs/a.tav").code, kFileLibInvalidArgument);
  EXPECT_EQ(RawImport(fd, "").code, kFileLibInvalidArgument);
  // Cut short at the NUL it would be a valid path.
  EXPECT_EQ(RawImport(fd, nul).code, kFileLibInvalidArgument);
  // A line break would forge a line of a printed listing.
  EXPECT_EQ(RawImport(fd, "/runs/a.tav\n2026-12-07 10:00:00  root  File Deleted").code,
            kFileLibInvalidArgument);
  EXPECT_EQ(Raw(fd, protocol::EncodeRequest(protocol::RunListDeleteRequest{{}, nul, true}),
                protocol::kOpRunListDelete)
                .code,
            kFileLibInvalidArgument);
  for (int64_t type : {0, 3, 4, 6, 7, 8, 9, -1, 255, 257, INT32_MAX}) {
    EXPECT_EQ(record(type, "/runs/a.tav", ""), kFileLibInvalidArgument) << "type " << type;
  }
  EXPECT_EQ(record(kFileRecordCopied, "/runs/a.tav", "relative.tav"), kFileLibInvalidArgument);
  EXPECT_EQ(record(kFileRecordCopied, "/runs/a.tav", nul), kFileLibInvalidArgument);
  EXPECT_EQ(move("/runs/b.tav", "/runs/b.tav"), kFileLibInvalidArgument);
  EXPECT_EQ(move("/runs/b.tav", nul), kFileLibInvalidArgument);
  ::close(fd);

  // Requests that do not decode end their connection.
  const std::string overlong = "/" + std::string(protocol::kMaxRunFilePath, 'a');
  std::vector<std::pair<std::string, std::string>> malformed;
  malformed.emplace_back("overlong path", testing::FrameOf(protocol::EncodeRequest(
                                              protocol::RunListImportRequest{{}, overlong})));
  MessageWriter flag(protocol::kOpRunListDelete);
  protocol::EncodeActor(flag, {});
  flag.Bytes("/runs/a.tav").Int(2);
  malformed.emplace_back("flag 2", testing::FrameOf(flag));
  MessageWriter wide(protocol::kOpRunListRecord);
  protocol::EncodeActor(wide, {});
  wide.Int(int64_t{1} << 32 | kFileRecordCreated).Bytes("/runs/a.tav").Bytes("");
  malformed.emplace_back("type beyond 32 bits", testing::FrameOf(wide));
  malformed.emplace_back("negative start", testing::FrameOf(protocol::EncodePageRequest(
                                               protocol::kOpRunHistoryPage, {-1})));
  for (const auto& [what, frame] : malformed) {
    SCOPED_TRACE(what);
    const int c = Connect();
    ASSERT_TRUE(testing::Send(c, frame));
    EXPECT_TRUE(testing::ConnectionEnded(c));
    ::close(c);
  }
  // The library refuses an overlong path itself.
  CRunListManager runs;
  EXPECT_EQ(runs.ImportFileRecord(overlong.c_str(), nullptr), kFileLibInvalidArgument);

  EXPECT_TRUE(StoreRecords(true).empty());
  EXPECT_TRUE(StoreRecords(false).empty());
}

TEST_F(ServiceRunListTest, TavsecRunlistAsksTheService) {
  const std::string path = dir_.File("plate.tav");
  const std::string add = std::string(TAVSEC_PATH) + " runlist add --created '" + path + "'";
  service_->Stop();
  testing::CommandResult stopped = testing::RunCommand(add);
  EXPECT_EQ(stopped.exit_code, 1) << stopped.out << stopped.err;
  EXPECT_TRUE(StoreRecords(true).empty());

  service_->Start();
  ASSERT_TRUE(service_->ready());
  testing::CommandResult added = testing::RunCommand(add);
  EXPECT_EQ(added.exit_code, 0) << added.err;
  const std::vector<std::string> history = StoreRecords(true);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(DescribeBytes(history[0]), "1 " + path + " " + me_);
  testing::CommandResult listed =
      testing::RunCommand(std::string(TAVSEC_PATH) + " runlist list");
  EXPECT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_NE(listed.out.find(path + "  "), std::string::npos) << listed.out;
}

}  // namespace
}  // namespace tav
