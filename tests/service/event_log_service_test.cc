// The system event log through a real compliance service: the library's
// default CSystemEventManager lists, exports and verifies the log by asking
// tavsecd, and gets what it would get from the store itself (same events,
// same first number, same file byte for byte, the same treatment of a
// record that does not read), while a client can no longer append.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audit/signed_export.h"
#include "client/event_log_proxy.h"
#include "client/security_proxy.h"
#include "client/service_client.h"
#include "client/store_routes.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/store_verification.h"
#include "testing/local_tsa.h"
#include "util/time_stamp.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/log_output.h"
#include "services/filelib/record_chain.h"
#include "service_test_support.h"
#include "testing/service_process.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

// Every line the file library reports while the object lives.
struct LogCapture {
  LogCapture() {
    previous = SetLogSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~LogCapture() { SetLogSink(std::move(previous)); }
  std::vector<std::string> lines;
  LogSink previous;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// "seq user, event" of a loaded list, from its first sequence number on.
std::vector<std::string> Lines(CAuditCollectionComp* list) {
  std::vector<std::string> lines;
  if (list == nullptr) return lines;
  uint64_t seq = list->GetSequenceNumber();
  for (POSITION pos = list->GetFirstChildPosition(); pos != nullptr; ++seq) {
    auto* event = dynamic_cast<CAuditEventComp*>(list->GetNextChild(pos));
    const std::string summary = CSystemEventManager::SummarizeEvent(*event);
    lines.push_back(std::to_string(seq) + " " + summary.substr(summary.find(", ") + 2));
  }
  return lines;
}

class EventLogServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_ON_LAB_STORE("edits the embedded store's file");
    client::RouteStoreToService();
    testing::AddAccount("alice", "Alice-Pass1");
    testing::AddAccount("bob", "Bob-Pass2");
    service_ = std::make_unique<testing::ServiceProcess>(dir_.path());
    ASSERT_TRUE(service_->ready());
    ASSERT_TRUE(UsesComplianceService());
  }
  void TearDown() override {
    client::SetEventPageLimitForTesting(0);
    DisconnectFromService();
  }

  std::string DbPath() const { return dir_.path() + "/" + kComplianceDbFileName; }

  // Logons through the service: each records its events there.
  void LogOnAndOff(const char* user, const char* password, int logoffs) {
    HANDLE token = nullptr;
    ASSERT_EQ(client::Authenticate(protocol::AuthPurpose::kLogin, user, "", password).code, 0);
    ASSERT_EQ(client::ImpersonateUser(user, "", password, &token), 0);
    for (int i = 0; i < logoffs; ++i) ASSERT_TRUE(client::RecordLogoff(token).ok());
    client::EndImpersonation(&token);
  }

  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DbPath().c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
    sqlite3_free(error);
    sqlite3_close(db);
  }

  testing::TempDataDir dir_;
  std::unique_ptr<testing::ServiceProcess> service_;
};

TEST_F(EventLogServiceTest, TheListIsTheStoresListPagedThroughTheService) {
  LogOnAndOff("alice", "Alice-Pass1", 3);
  ASSERT_EQ(client::Authenticate(protocol::AuthPurpose::kLogin, "bob", "", "wrong").code, 1326);
  LogOnAndOff("bob", "Bob-Pass2", 2);
  // Pages of two events: four pages for the eight events.
  client::SetEventPageLimitForTesting(2);

  CSystemEventManager remote;
  const std::vector<std::string> listed = Lines(remote.LoadEventList());
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "1 alice, Successful Login", "2 alice, Logged Off", "3 alice, Logged Off",
                        "4 alice, Logged Off", "5 bob, Failed Login", "6 bob, Successful Login",
                        "7 bob, Logged Off", "8 bob, Logged Off"}));
  CSystemEventManager store(DbPath());
  EXPECT_EQ(Lines(store.LoadEventList()), listed);
}

TEST_F(EventLogServiceTest, AnUnreadableRecordIsLeftOutAsTheStoreLeavesItOut) {
  LogOnAndOff("alice", "Alice-Pass1", 4);
  // Event 1 (the list's first number) and event 3 no longer read; event 4
  // is gone, which leaves a gap.
  Sql("UPDATE system_events SET record = x'deadbeef' WHERE seq IN (1, 3);"
      "DELETE FROM system_events WHERE seq = 4");
  client::SetEventPageLimitForTesting(1);

  LogCapture remote_log;
  CSystemEventManager remote;
  CAuditCollectionComp* remote_list = remote.LoadEventList();
  ASSERT_NE(remote_list, nullptr);
  const std::vector<std::string> remote_lines = remote_log.lines;
  LogCapture store_log;
  CSystemEventManager store(DbPath());
  CAuditCollectionComp* store_list = store.LoadEventList();
  ASSERT_NE(store_list, nullptr);

  EXPECT_EQ(remote_list->GetSequenceNumber(), store_list->GetSequenceNumber());
  EXPECT_EQ(remote_list->GetChildCount(), store_list->GetChildCount());
  EXPECT_EQ(remote_list->GetChildCount(), 2);  // events 2 and 5
  EXPECT_EQ(remote_lines, store_log.lines);
  EXPECT_EQ(remote_lines, (std::vector<std::string>{
                              "system event 1 cannot be read; it was left out",
                              "system event 3 cannot be read; it was left out"}));
}

TEST_F(EventLogServiceTest, TheExportIsTheStoresExportByteForByte) {
  LogOnAndOff("alice", "Alice-Pass1", 5);
  LogOnAndOff("bob", "Bob-Pass2", 1);
  // A gap starts a segment of its own, a damaged record goes out as stored.
  Sql("DELETE FROM system_events WHERE seq = 3;"
      "UPDATE system_events SET record = x'00' WHERE seq = 6");
  client::SetEventPageLimitForTesting(3);

  uint64_t remote_count = 0;
  uint64_t store_count = 0;
  std::string error;
  const std::string remote_file = dir_.path() + "/remote.syel";
  const std::string store_file = dir_.path() + "/store.syel";
  ASSERT_EQ(CSystemEventManager().ExportEvents(remote_file, &remote_count, &error), kFileLibOk)
      << error;
  ASSERT_EQ(CSystemEventManager(DbPath()).ExportEvents(store_file, &store_count, &error),
            kFileLibOk)
      << error;
  EXPECT_EQ(remote_count, 7u);
  EXPECT_EQ(remote_count, store_count);
  const std::string remote_bytes = ReadFile(remote_file);
  EXPECT_FALSE(remote_bytes.empty());
  EXPECT_EQ(remote_bytes, ReadFile(store_file));
}

TEST_F(EventLogServiceTest, TheServiceVerifiesAndNamesTheDamage) {
  LogOnAndOff("alice", "Alice-Pass1", 2);
  CSystemEventManager remote;
  ChainReport report;
  std::string error;
  ASSERT_EQ(remote.VerifyEventLog(&report, &error), kFileLibOk) << error;
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 3u);
  ChainReport direct;
  ASSERT_EQ(CSystemEventManager(DbPath()).VerifyEventLog(&direct, &error), kFileLibOk);
  EXPECT_EQ(report.head, direct.head);

  Sql("UPDATE system_events SET record = x'00' WHERE seq = 2");
  ASSERT_EQ(remote.VerifyEventLog(&report, &error), kFileLibOk) << error;
  ASSERT_EQ(CSystemEventManager(DbPath()).VerifyEventLog(&direct, &error), kFileLibOk);
  ASSERT_FALSE(report.ok());
  ASSERT_EQ(report.problems.size(), direct.problems.size());
  EXPECT_EQ(report.problems[0].kind, ChainProblem::kChanged);
  EXPECT_EQ(report.problems[0].seq, 2u);
  EXPECT_EQ(report.problems[0].text, direct.problems[0].text);

  // No service: a failure with the reason, never the store behind its back.
  service_->Stop();
  EXPECT_NE(remote.VerifyEventLog(&report, &error), kFileLibOk);
  EXPECT_NE(error.find("not running"), std::string::npos) << error;
  EXPECT_EQ(remote.LoadEventList(), nullptr);
}

TEST_F(EventLogServiceTest, AClientCannotAppendEventsNamingAnyone) {
  LogOnAndOff("alice", "Alice-Pass1", 0);
  CSystemEventManager remote;
  const StoreStatus status = remote.RecordSystemEvent(kAuditSuccessfulLogin, "bob");
  EXPECT_EQ(status.code(), StoreStatus::kInvalid);
  EXPECT_NE(status.message().find("compliance service"), std::string::npos);
  EXPECT_EQ(remote.AddSystemEvent(kAuditAccountLocked, "alice"), kFileLibInvalidArgument);
  // Only the service's own event is in the log.
  EXPECT_EQ(Lines(CSystemEventManager(DbPath()).LoadEventList()),
            (std::vector<std::string>{"1 alice, Successful Login"}));
}

// The service signs an export only when its own store renders to the same
// bytes: a client cannot have a document of its own signed, such as the log
// with one name changed, or with a row more than the store holds.
TEST_F(EventLogServiceTest, TheServiceSignsOnlyWhatItsStoreHolds) {
  VerificationKey key;
  SigningPublicKey public_key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 900, false, &key).ok());
  ASSERT_TRUE(CreateServiceKeys(dir_.path(), key, false, &public_key).ok());
  LogOnAndOff("alice", "Alice-Pass1", 2);
  LogOnAndOff("bob", "Bob-Pass2", 1);

  ExportDocument document;
  ASSERT_TRUE(RenderLogExport(ExportedLog::kSystemEvents, TableFormat::kCsv, kWholeLog, &document)
                  .ok());
  EXPECT_EQ(document.range.count, 5u);
  auto ask = [&](const std::string& bytes, uint64_t through, std::string* signature) {
    protocol::SignExportRequest request;
    request.log = 0;
    request.format = 0;
    request.through = static_cast<int64_t>(through);
    const Sha256 sha = Sha256Of(bytes);
    request.sha256.assign(reinterpret_cast<const char*>(sha.data()), sha.size());
    std::string note;
    return client::SignExportThroughService(request, signature, &note);
  };
  std::string signature;
  ASSERT_TRUE(ask(document.bytes, document.range.last, &signature).ok());
  ExportCheck check;
  ASSERT_TRUE(VerifyExport(document.bytes, signature, public_key, &check).ok()) << signature;
  EXPECT_EQ(check.statement.first, 1u);
  EXPECT_EQ(check.statement.last, 5u);

  std::string forged = document.bytes;
  forged.replace(forged.find("bob"), 3, "eve");
  signature.clear();
  StoreStatus status = ask(forged, document.range.last, &signature);
  EXPECT_EQ(status.code(), StoreStatus::kTampered) << status.message();
  EXPECT_TRUE(signature.empty());
  // The same bytes named as a shorter log.
  EXPECT_EQ(ask(document.bytes, 3, &signature).code(), StoreStatus::kTampered);
  // Events appended since the client read the log are not in its export.
  LogOnAndOff("alice", "Alice-Pass1", 0);
  EXPECT_TRUE(ask(document.bytes, document.range.last, &signature).ok());
}

// With an authority in store.conf the service stamps the logs' heads and
// each export's signature: both check against the authority's roots, a
// cut below a stamped head or a token moved to other bytes is found, and
// another authority's roots do not vouch for them.
TEST_F(EventLogServiceTest, HeadsAndExportsCarryTheAuthoritysTime) {
  testing::LocalTsa tsa;
  ASSERT_TRUE(tsa.ok()) << tsa.error();
  testing::LocalTsa rogue;
  ASSERT_TRUE(rogue.ok()) << rogue.error();
  {
    std::ofstream conf(dir_.File("store.conf"), std::ios::app);
    conf << "time_stamp_url = " << tsa.url() << "\ntime_stamp_ca = " << tsa.ca_file()
         << "\ntime_stamp_checkpoint = 1\n";
  }
  VerificationKey key;
  SigningPublicKey public_key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 900, false, &key).ok());
  ASSERT_TRUE(CreateServiceKeys(dir_.path(), key, false, &public_key).ok());
  LogOnAndOff("alice", "Alice-Pass1", 2);
  // A service started now finds the authority at once.
  service_.reset();
  service_ = std::make_unique<testing::ServiceProcess>(dir_.path());
  ASSERT_TRUE(service_->ready());
  auto checkpoints = [&] {
    sqlite3* db = nullptr;
    int count = 0;
    if (sqlite3_open(DbPath().c_str(), &db) == SQLITE_OK) {
      sqlite3_exec(db, "SELECT count(*) FROM head_time_stamps",
                   [](void* out, int, char** values, char**) {
                     *static_cast<int*>(out) = std::atoi(values[0]);
                     return 0;
                   },
                   &count, nullptr);
    }
    sqlite3_close(db);
    return count;
  };
  for (int i = 0; i < 200 && checkpoints() == 0; ++i) usleep(50'000);
  ASSERT_GT(checkpoints(), 0);

  StoreVerification verification;
  ASSERT_TRUE(client::VerifyStoreThroughService(&verification).ok());
  EXPECT_TRUE(verification.intact);
  auto has_line = [&](const std::string& text) {
    for (const std::string& line : verification.lines) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(has_line("head checkpoint")) << ::testing::PrintToString(verification.lines);
  EXPECT_TRUE(has_line("stamped")) << ::testing::PrintToString(verification.lines);

  // The export's signature carries a token over the signed statement.
  ExportDocument document;
  ASSERT_TRUE(RenderLogExport(ExportedLog::kSystemEvents, TableFormat::kJson, kWholeLog, &document)
                  .ok());
  protocol::SignExportRequest request;
  request.log = 0;
  request.format = 1;
  request.through = static_cast<int64_t>(document.range.last);
  const Sha256 sha = Sha256Of(document.bytes);
  request.sha256.assign(reinterpret_cast<const char*>(sha.data()), sha.size());
  std::string signature;
  std::string note;
  ASSERT_TRUE(client::SignExportThroughService(request, &signature, &note).ok());
  EXPECT_EQ(note, "");
  ExportCheck check;
  ASSERT_TRUE(VerifyExport(document.bytes, signature, public_key, &check).ok()) << signature;
  ASSERT_FALSE(check.time_stamp.empty()) << signature;
  TimeStampInfo info;
  EXPECT_TRUE(VerifyTimeStamp(check.time_stamp, TimeStampedBytes(signature), tsa.ca_file(), &info)
                  .ok());
  EXPECT_EQ(VerifyTimeStamp(check.time_stamp, document.bytes, tsa.ca_file(), &info).code(),
            StoreStatus::kTampered);
  EXPECT_EQ(
      VerifyTimeStamp(check.time_stamp, TimeStampedBytes(signature), rogue.ca_file(), &info).code(),
      StoreStatus::kTampered);

  // Checked against the other authority's roots, no checkpoint holds.
  service_.reset();
  auto verify_here = [&](const std::string& ca) {
    StoreVerification here;
    std::shared_ptr<ComplianceDb> db;
    EXPECT_TRUE(ComplianceDb::GetAt(DbPath(), &db, ComplianceDb::IfMissing::kFail).ok());
    IntegrityOptions options;
    options.tsa_ca = ca;
    EXPECT_TRUE(db->Read([&](SqlDb& c) { return VerifyStore(c, options, nullptr, &here); }).ok());
    ComplianceDb::ReleaseCache();
    return here;
  };
  StoreVerification other = verify_here(rogue.ca_file());
  EXPECT_FALSE(other.intact);
  EXPECT_NE(other.first_finding.find("not trusted"), std::string::npos) << other.first_finding;

  // The tail cut below the first checkpoint, heads set to match: the
  // stamped head is gone.
  Sql("DELETE FROM system_events WHERE seq = 3; UPDATE chain_heads SET seq = 2, chain = "
      "(SELECT chain FROM system_events WHERE seq = 2) WHERE log = 'system_events'");
  StoreVerification cut = verify_here(tsa.ca_file());
  EXPECT_FALSE(cut.intact);
  EXPECT_TRUE(std::any_of(cut.lines.begin(), cut.lines.end(), [](const std::string& line) {
    return line.find("record 3 is gone, though time-stamped checkpoint 1 names it") !=
           std::string::npos;
  })) << ::testing::PrintToString(cut.lines);
}

}  // namespace
}  // namespace tav
