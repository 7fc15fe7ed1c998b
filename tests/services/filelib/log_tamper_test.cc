// The tamper suite: a hostile user who can write the data directory (and so
// read the current sealing key) edits a sealed event log with SQL, flips its
// bits, or deletes the write-ahead log behind a killed writer. Every case
// must be found by the seals (the verification key) or the heads the system
// log kept, and the first finding must name the first record that differs
// from the log as it was written. The suite prints a table of what it tried.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "records/audit_entry_comp.h"
#include "records/chunk_file.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/log_integrity.h"
#include "services/filelib/store_verification.h"
#include "services/filelib/system_event_manager.h"
#include "testing/anchor_source.h"
#include "util/file.h"

namespace tav {
namespace {

namespace fs = std::filesystem;
constexpr ChainedLog kLog = ChainedLog::kSystemEvents;

// kind -> {cases, detected}
std::map<std::string, std::pair<int, int>>& Table() {
  static std::map<std::string, std::pair<int, int>> table;
  return table;
}

class PrintTable : public ::testing::Environment {
 public:
  void TearDown() override {
    int cases = 0, detected = 0;
    std::printf("\n%-40s %7s %9s\n", "kind", "cases", "detected");
    for (const auto& [kind, row] : Table()) {
      std::printf("%-40s %7d %9d\n", kind.c_str(), row.first, row.second);
      cases += row.first;
      detected += row.second;
    }
    std::printf("%-40s %7d %9d\n", "all", cases, detected);
  }
};
const auto* const kPrintTable = ::testing::AddGlobalTestEnvironment(new PrintTable);

struct Row {
  uint64_t seq = 0;
  std::string record, chain, tag;
  std::optional<int64_t> utc, epoch;
  bool operator==(const Row&) const = default;
};

std::string Blob(sqlite3_stmt* s, int i) {
  return std::string(static_cast<const char*>(sqlite3_column_blob(s, i)),
                     static_cast<size_t>(sqlite3_column_bytes(s, i)));
}
std::optional<int64_t> Int(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(s, i);
}

std::vector<Row> LoadRows(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT seq, record, chain, utc, epoch, tag FROM system_events ORDER BY seq",
                     -1, &s, nullptr);
  std::vector<Row> rows;
  while (sqlite3_step(s) == SQLITE_ROW) {
    rows.push_back({static_cast<uint64_t>(sqlite3_column_int64(s, 0)), Blob(s, 1), Blob(s, 2),
                    Blob(s, 5), Int(s, 3), Int(s, 4)});
  }
  sqlite3_finalize(s);
  return rows;
}

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
}

enum class Head { kToLast, kKeep, kDelete };

void StoreRows(sqlite3* db, const std::vector<Row>& rows, Head head) {
  Exec(db, "BEGIN; DELETE FROM system_events");
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO system_events VALUES(?1, ?2, ?3, ?4, ?5, ?6)", -1, &s,
                     nullptr);
  for (const Row& r : rows) {
    sqlite3_bind_int64(s, 1, static_cast<int64_t>(r.seq));
    sqlite3_bind_blob(s, 2, r.record.data(), static_cast<int>(r.record.size()), SQLITE_STATIC);
    sqlite3_bind_blob(s, 3, r.chain.data(), static_cast<int>(r.chain.size()), SQLITE_STATIC);
    if (r.utc) sqlite3_bind_int64(s, 4, *r.utc);
    if (r.epoch) sqlite3_bind_int64(s, 5, *r.epoch);
    if (r.epoch) sqlite3_bind_blob(s, 6, r.tag.data(), static_cast<int>(r.tag.size()), SQLITE_STATIC);
    EXPECT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
  }
  sqlite3_finalize(s);
  if (head == Head::kDelete || (head == Head::kToLast && rows.empty())) {
    Exec(db, "DELETE FROM chain_heads WHERE log = 'system_events'");
  } else if (head == Head::kToLast) {
    sqlite3_prepare_v2(db, "UPDATE chain_heads SET seq = ?1, chain = ?2 WHERE log = 'system_events'",
                       -1, &s, nullptr);
    sqlite3_bind_int64(s, 1, static_cast<int64_t>(rows.back().seq));
    sqlite3_bind_blob(s, 2, rows.back().chain.data(), 32, SQLITE_STATIC);
    EXPECT_EQ(sqlite3_step(s), SQLITE_DONE);
    sqlite3_finalize(s);
  }
  Exec(db, "COMMIT");
}

std::string View(const ChainHash& h) { return std::string(reinterpret_cast<const char*>(h.data()), 32); }

// What the attacker can do with the key he found: rebuild the chain from
// `from` on and seal it again with the current key.
void Recompute(std::vector<Row>& rows, size_t from, const SealKeyState& key) {
  for (size_t i = from; i < rows.size(); ++i) {
    ChainHash previous{};
    if (i > 0) std::memcpy(previous.data(), rows[i - 1].chain.data(), 32);
    const ChainHash chain = ComputeChainHash(kLog, rows[i].seq, previous, rows[i].record);
    rows[i].chain = View(chain);
    rows[i].epoch = static_cast<int64_t>(key.epoch);
    rows[i].tag = View(SealTag(key.key, kLog, rows[i].seq, rows[i].utc.value_or(0), chain));
  }
}

void Renumber(std::vector<Row>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) rows[i].seq = i + 1;
}

std::unique_ptr<CAuditEventComp> Parse(const std::string& bytes) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> c;
  ReadNextComponent(&file, c);
  return std::unique_ptr<CAuditEventComp>(dynamic_cast<CAuditEventComp*>(c.release()));
}

AUDITCODE CodeOf(const CAuditEventComp& e) {
  POSITION pos = e.GetFirstChildPosition();
  return dynamic_cast<const CAuditEntryComp*>(e.GetNextChild(pos))->GetAuditCode();
}

// The record of `bytes` with its user, code or date replaced.
std::string Rewrite(const std::string& bytes, const char* user, std::optional<AUDITCODE> code,
                    double date_shift) {
  std::unique_ptr<CAuditEventComp> old = Parse(bytes);
  const std::string name = user != nullptr ? user : old->GetEvent().GetUserName();
  auto event = MakeSystemEvent(code.value_or(CodeOf(*old)), name.c_str(),
                               old->GetEvent().GetDate() + date_shift);
  CMemFile file(256);
  event->StreamDataOut(&file);
  return file.TakeString();
}

// The first record that differs between two states of the log.
uint64_t FirstDifference(const std::vector<Row>& a, const std::vector<Row>& b) {
  std::map<uint64_t, const Row*> ma, mb;
  for (const Row& r : a) ma[r.seq] = &r;
  for (const Row& r : b) mb[r.seq] = &r;
  for (uint64_t seq = 1;; ++seq) {
    const bool in_a = ma.count(seq) != 0, in_b = mb.count(seq) != 0;
    if (!in_a && !in_b) return 0;
    if (in_a != in_b || !(*ma[seq] == *mb[seq])) return seq;
  }
}

int64_t g_now = 0;

// A log of `events` events sealed for good (the key has moved on since),
// with the heads its appends sent.
class SealedLog {
 public:
  explicit SealedLog(int events) {
    char tmpl[] = "/tmp/tav_tamper.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    SetSealClockForTesting([] { return g_now; });
    g_now = 1'800'000'000'000;
    SetChainHeadCopyForTesting(dir_ + "/anchors.log");
    EXPECT_TRUE(CreateSealingKey(dir_, 60, false, &key_).ok());
    CSystemEventManager manager(db());
    for (int i = 1; i <= events; ++i) {
      g_now += 25'000;  // a few events per interval
      const std::string user = "user" + std::to_string(i);
      EXPECT_EQ(manager.AddSystemEvent(static_cast<AUDITCODE>(6 + i % 5), user.c_str()), 0);
    }
    // A later append moves the key on: every event before it is sealed for good.
    g_now += 600'000;
    EXPECT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "later"), 0);
    SetChainHeadCopyForTesting("");
    ComplianceDb::ReleaseCache();
    std::ifstream in(dir_ + "/anchors.log");
    ReadChainAnchors(in, testing::OwnAnchorSource(db()), &anchors_);
    sqlite3* raw = Open(db());
    rows_ = LoadRows(raw);
    sqlite3_close(raw);
  }
  ~SealedLog() {
    SetSealClockForTesting(nullptr);
    fs::remove_all(dir_);
  }

  std::string db() const { return dir_ + "/compliance.db"; }
  const std::string& dir() const { return dir_; }
  const std::vector<Row>& rows() const { return rows_; }
  const VerificationKey& key() const { return key_; }
  const ChainAnchors& anchors() const { return anchors_; }

  static sqlite3* Open(const std::string& path) {
    sqlite3* raw = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    return raw;
  }

  // Verifies the log at `path` with the key and, unless told otherwise, the
  // heads.
  LogIntegrity Verify(const std::string& path, bool with_anchors = true) const {
    std::shared_ptr<ComplianceDb> db;
    LogIntegrity integrity;
    EXPECT_TRUE(ComplianceDb::GetAt(path, &db).ok());
    if (db == nullptr) return integrity;
    std::string note;
    IntegrityOptions options;
    options.key = &key_;
    options.anchors = with_anchors ? &anchors_ : nullptr;
    options.readable = &ReadsAsChainedRecord;
    options.current_epoch = CurrentSealEpoch(path, key_, &note);
    EXPECT_TRUE(db->Read([&](SqlDb& c) {
                    return CheckLogIntegrity(c, kLog, options, nullptr, &integrity);
                  }).ok());
    return integrity;
  }

 private:
  std::string dir_;
  VerificationKey key_;
  ChainAnchors anchors_;
  std::vector<Row> rows_;
};

void Count(const std::string& kind, bool detected) {
  auto& row = Table()[kind];
  ++row.first;
  if (detected) ++row.second;
}

TEST(LogTamperTest, UntouchedLogVerifies) {
  SealedLog log(6);
  const LogIntegrity integrity = log.Verify(log.db());
  EXPECT_TRUE(integrity.ok()) << integrity.findings.front().text;
  EXPECT_EQ(integrity.seals.sealed_through, 6u);
}

// An edit of the rows: changes `rows` (record number p, 1-based) and says
// what becomes of the recorded end.
using Edit = std::function<Head(std::vector<Row>& rows, size_t p, const SealKeyState& key)>;

struct Kind {
  const char* name;
  Edit edit;
  bool positional = true;
};

std::vector<Kind> SqlKinds() {
  auto flip = [](std::string& s) { s[s.size() / 2] ^= 0x01; };
  return {
      {"change a record", [&](auto& r, size_t p, auto&) { flip(r[p - 1].record); return Head::kKeep; }},
      {"change a record, recompute",
       [&](auto& r, size_t p, auto& k) { flip(r[p - 1].record); Recompute(r, p - 1, k); return Head::kToLast; }},
      {"change the user, recompute",
       [](auto& r, size_t p, auto& k) {
         r[p - 1].record = Rewrite(r[p - 1].record, "mallory", std::nullopt, 0);
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"change the code, recompute",
       [](auto& r, size_t p, auto& k) {
         r[p - 1].record = Rewrite(r[p - 1].record, nullptr, kAuditSuccessfulLogin, 0);
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"backdate the record, recompute",
       [](auto& r, size_t p, auto& k) {
         r[p - 1].record = Rewrite(r[p - 1].record, nullptr, std::nullopt, -1.0);
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"backdate the UTC time, reseal",
       [](auto& r, size_t p, auto& k) {
         *r[p - 1].utc -= 86'400'000;
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"delete a row", [](auto& r, size_t p, auto&) { r.erase(r.begin() + p - 1); return Head::kKeep; }},
      {"delete a row, recompute",
       [](auto& r, size_t p, auto& k) { r.erase(r.begin() + p - 1); Recompute(r, p - 1, k); return Head::kToLast; }},
      {"delete a row, renumber, recompute",
       [](auto& r, size_t p, auto& k) {
         r.erase(r.begin() + p - 1);
         Renumber(r);
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"insert a row, renumber, recompute",
       [](auto& r, size_t p, auto& k) {
         Row forged = r[p - 1];
         forged.record = Rewrite(forged.record, "forged", kAuditSuccessfulLogin, 0);
         r.insert(r.begin() + p - 1, forged);
         Renumber(r);
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"duplicate a row, renumber, recompute",
       [](auto& r, size_t p, auto& k) {
         r.insert(r.begin() + p, r[p - 1]);
         Renumber(r);
         Recompute(r, p, k);
         return Head::kToLast;
       }},
      {"append a backdated row, recompute",
       [](auto& r, size_t p, auto& k) {
         Row forged = r[p - 1];
         forged.seq = r.back().seq + 1;
         r.push_back(forged);
         Recompute(r, r.size() - 1, k);
         return Head::kToLast;
       }},
      {"swap two records, recompute",
       [](auto& r, size_t p, auto& k) {
         const size_t q = p < r.size() - 1 ? p : p - 2;
         std::swap(r[p - 1].record, r[q].record);
         std::swap(r[p - 1].utc, r[q].utc);
         Recompute(r, std::min(p - 1, q), k);
         return Head::kToLast;
       }},
      {"swap two rows whole",
       [](auto& r, size_t p, auto&) {
         const size_t q = p < r.size() - 1 ? p : p - 2;
         std::swap(r[p - 1].seq, r[q].seq);
         return Head::kKeep;
       }},
      {"reverse the ids of three rows, recompute",
       [](auto& r, size_t p, auto& k) {
         const size_t first = std::min(p - 1, r.size() - 3);
         std::reverse(r.begin() + first, r.begin() + first + 3);
         Renumber(r);
         Recompute(r, first, k);
         return Head::kToLast;
       }},
      {"cut the tail, copy its hash into the head",
       [](auto& r, size_t p, auto&) { r.resize(p - 1); return Head::kToLast; }},
      {"rebuild a shorter valid chain",
       [](auto& r, size_t p, auto& k) {
         r.erase(r.begin() + p - 1, r.end() - 1);
         Renumber(r);
         Recompute(r, p - 1, k);
         return Head::kToLast;
       }},
      {"delete every row and the head", [](auto& r, size_t, auto&) { r.clear(); return Head::kDelete; }, false},
      {"delete every row, keep the head", [](auto& r, size_t, auto&) { r.clear(); return Head::kKeep; }, false},
      {"move a seal to the current interval",
       [](auto& r, size_t p, auto& k) {
         ChainHash chain;
         std::memcpy(chain.data(), r[p - 1].chain.data(), 32);
         r[p - 1].epoch = static_cast<int64_t>(k.epoch);
         r[p - 1].tag = View(SealTag(k.key, kLog, r[p - 1].seq, *r[p - 1].utc, chain));
         return Head::kKeep;
       }},
      {"remove a seal",
       [](auto& r, size_t p, auto&) { r[p - 1].epoch.reset(); r[p - 1].tag.clear(); return Head::kKeep; }},
  };
}

TEST(LogTamperTest, EverySqlEditIsFoundAndTheFirstDamagedRecordNamed) {
  constexpr int kEvents = 16;
  SealedLog log(kEvents);
  const std::vector<Kind> kinds = SqlKinds();
  ASSERT_EQ(kinds.size(), 21u);
  for (const Kind& kind : kinds) {
    for (size_t p = 1; p <= (kind.positional ? size_t{kEvents} : 1); ++p) {
      const std::string dir = log.dir() + "/case";
      fs::create_directory(dir);
      fs::copy_file(log.db(), dir + "/compliance.db");
      fs::copy_file(log.dir() + "/seal.key", dir + "/seal.key");
      SealKeyState key;
      ASSERT_TRUE(ReadSealKey(dir, &key).ok());
      std::vector<Row> rows = log.rows();
      const Head head = kind.edit(rows, p, key);
      sqlite3* raw = SealedLog::Open(dir + "/compliance.db");
      StoreRows(raw, rows, head);
      const uint64_t expected = FirstDifference(log.rows(), LoadRows(raw));
      sqlite3_close(raw);

      const LogIntegrity integrity = log.Verify(dir + "/compliance.db");
      const bool detected = !integrity.ok() && integrity.FirstDamaged() == expected;
      EXPECT_TRUE(detected) << kind.name << " at " << p << ": expected record " << expected
                            << ", found " << integrity.FirstDamaged() << " ("
                            << (integrity.ok() ? "intact" : integrity.findings.front().text)
                            << ")";
      Count(kind.name, detected);
      ComplianceDb::ReleaseCache();
      fs::remove_all(dir);
    }
  }
}

// Cuts that leave a shorter log as valid as the long one, found with the
// verification key alone (no heads kept elsewhere): the seal of every
// interval that ended names the end of the log as it then was.
TEST(LogTamperTest, ACutAtAnIntervalsEndIsFoundByTheKeyAlone) {
  constexpr int kEvents = 16;
  SealedLog log(kEvents);
  ASSERT_TRUE(log.Verify(log.db(), false).ok());
  // Events come every 25 s in intervals of 60 s: event 7 ends interval 2.
  const uint64_t last_kept = 7;
  const std::vector<Row> kept(log.rows().begin(), log.rows().begin() + last_kept);
  auto tamper = [&](const char* kind, const std::function<void(const std::string& db)>& more) {
    const std::string dir = log.dir() + "/case";
    fs::create_directory(dir);
    fs::copy_file(log.db(), dir + "/compliance.db");
    fs::copy_file(log.dir() + "/seal.key", dir + "/seal.key");
    sqlite3* raw = SealedLog::Open(dir + "/compliance.db");
    StoreRows(raw, kept, Head::kToLast);
    sqlite3_close(raw);
    if (more) more(dir + "/compliance.db");
    const LogIntegrity integrity = log.Verify(dir + "/compliance.db", false);
    const bool detected = !integrity.ok() && integrity.FirstDamaged() == last_kept + 1;
    EXPECT_TRUE(detected) << kind << ": found " << integrity.FirstDamaged() << " ("
                          << (integrity.ok() ? "intact" : integrity.findings.front().text) << ")";
    Count(kind, detected);
    ComplianceDb::ReleaseCache();
    fs::remove_all(dir);
    return integrity;
  };
  tamper("cut the tail at an interval's end", nullptr);
  LogIntegrity integrity =
      tamper("cut at an interval's end, delete the later interval seals", [](const std::string& db) {
        sqlite3* raw = SealedLog::Open(db);
        Exec(raw, "DELETE FROM interval_seals WHERE epoch > 2");
        sqlite3_close(raw);
      });
  ASSERT_FALSE(integrity.findings.empty());
  EXPECT_EQ(integrity.findings.front().text.find("the system event log ends at interval 2, the key "
                                                 "has reached "),
            0u)
      << integrity.findings.front().text;
  tamper("cut at an interval's end, then append anew", [](const std::string& db) {
    CSystemEventManager manager(db);
    for (int i = 0; i < 3; ++i) {
      g_now += 1'000;
      EXPECT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "anew"), 0);
    }
  });
}

// A record replaced by bytes that are no record, chained and sealed again
// with the key the attacker read: nothing can show it, so it is a finding.
TEST(LogTamperTest, ARecordThatDoesNotReadIsFoundEvenWhenResealed) {
  SealedLog log(4);
  for (const std::string& bytes : {std::string(1, '\0'), std::string("not a record")}) {
    const std::string dir = log.dir() + "/case";
    fs::create_directory(dir);
    fs::copy_file(log.db(), dir + "/compliance.db");
    fs::copy_file(log.dir() + "/seal.key", dir + "/seal.key");
    SealKeyState key;
    ASSERT_TRUE(ReadSealKey(dir, &key).ok());
    std::vector<Row> rows = log.rows();
    // The last record, of the interval now running: its seal can be made again.
    rows.back().record = bytes;
    Recompute(rows, rows.size() - 1, key);
    sqlite3* raw = SealedLog::Open(dir + "/compliance.db");
    StoreRows(raw, rows, Head::kToLast);
    sqlite3_close(raw);
    const LogIntegrity integrity = log.Verify(dir + "/compliance.db");
    const bool detected = !integrity.ok() && integrity.FirstDamaged() == rows.back().seq;
    EXPECT_TRUE(detected) << (integrity.ok() ? "intact" : integrity.findings.front().text);
    Count("replace a record by bytes that do not read, reseal", detected);
    ComplianceDb::ReleaseCache();
    fs::remove_all(dir);
  }
}

// A copy of the key file taken early and put back later would let its
// holder seal the intervals since again: the seals already made say that
// the key has been further, and the next append cannot seal over them.
TEST(LogTamperTest, AKeyFilePutBackToAnOlderCopyIsFound) {
  char tmpl[] = "/tmp/tav_rollback.XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  SetSealClockForTesting([] { return g_now; });
  g_now = 1'800'000'000'000;
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(dir, 60, false, &key).ok());
  const std::string db = dir + "/compliance.db";
  {
    CSystemEventManager manager(db);
    ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "alice"), 0);
    g_now += 70'000;
    fs::copy_file(dir + "/seal.key", dir + "/seal.key.copy");
    for (int i = 0; i < 4; ++i) {
      g_now += 60'000;
      ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "bob"), 0);
    }
    fs::remove(dir + "/seal.key");
    fs::rename(dir + "/seal.key.copy", dir + "/seal.key");
    g_now += 1'000;
    ASSERT_EQ(manager.AddSystemEvent(kAuditLoggedOff, "bob"), 0);
  }
  std::shared_ptr<ComplianceDb> store;
  ASSERT_TRUE(ComplianceDb::GetAt(db, &store).ok());
  std::string note;
  IntegrityOptions options;
  options.key = &key;
  options.current_epoch = CurrentSealEpoch(db, key, &note);
  LogIntegrity integrity;
  ASSERT_TRUE(store->Read([&](SqlDb& c) {
                return CheckLogIntegrity(c, kLog, options, nullptr, &integrity);
              }).ok());
  bool named = false;
  for (const IntegrityFinding& f : integrity.findings) {
    named = named || f.text.find("put back to an older copy") != std::string::npos;
  }
  EXPECT_TRUE(named) << (integrity.ok() ? "intact" : integrity.findings.front().text);
  Count("put the key file back to an older copy", named);
  SetSealClockForTesting(nullptr);
  ComplianceDb::ReleaseCache();
  fs::remove_all(dir);
}

TEST(LogTamperTest, EveryBitFlipIsFoundAtItsRecord) {
  SealedLog log(3);
  sqlite3* raw = SealedLog::Open(log.db());
  const char* const kBlobs[] = {"record", "chain", "tag"};
  const char* const kInts[] = {"utc", "epoch"};
  auto check = [&](uint64_t seq) {
    const LogIntegrity integrity = log.Verify(log.db());
    const bool detected = !integrity.ok() && integrity.FirstDamaged() == seq;
    Count("flip one bit of a stored row", detected);
    if (!detected) {
      for (const auto& f : integrity.findings) std::printf("  %s\n", f.text.c_str());

    }
    return detected;
  };
  for (const Row& row : log.rows()) {
    if (row.seq > 3) break;  // the last one is not sealed for good
    for (const char* column : kBlobs) {
      std::string value = column[0] == 'r' ? row.record : column[0] == 'c' ? row.chain : row.tag;
      const std::string sql = std::string("UPDATE system_events SET ") + column + " = ?1 WHERE seq = ?2";
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(raw, sql.c_str(), -1, &s, nullptr);
      for (size_t bit = 0; bit < value.size() * 8; ++bit) {
        for (int restore = 0; restore < 2; ++restore) {
          value[bit / 8] ^= static_cast<char>(1 << (bit % 8));
          sqlite3_bind_blob(s, 1, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
          sqlite3_bind_int64(s, 2, static_cast<int64_t>(row.seq));
          ASSERT_EQ(sqlite3_step(s), SQLITE_DONE);
          sqlite3_reset(s);
          if (restore == 0) {
            EXPECT_TRUE(check(row.seq)) << column << " bit " << bit << " of " << row.seq;
          }
        }
      }
      sqlite3_finalize(s);
    }
    for (const char* column : kInts) {
      const int64_t value = column[0] == 'u' ? *row.utc : *row.epoch;
      for (int bit = 0; bit < 64; ++bit) {
        const int64_t flipped = static_cast<int64_t>(static_cast<uint64_t>(value) ^ (uint64_t{1} << bit));
        Exec(raw, std::string("UPDATE system_events SET ") + column + " = " + std::to_string(flipped) +
                      " WHERE seq = " + std::to_string(row.seq));
        EXPECT_TRUE(check(row.seq)) << column << " bit " << bit << " of " << row.seq;
        Exec(raw, std::string("UPDATE system_events SET ") + column + " = " + std::to_string(value) +
                      " WHERE seq = " + std::to_string(row.seq));
      }
    }
  }
  EXPECT_TRUE(log.Verify(log.db()).ok());
  sqlite3_close(raw);
  ComplianceDb::ReleaseCache();
}

TEST(LogTamperTest, DeletedWriteAheadLogBehindAKilledWriterIsFound) {
  char tmpl[] = "/tmp/tav_wal.XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  const std::string db = dir + "/compliance.db";
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(dir, 900, false, &key).ok());
  SetChainHeadCopyForTesting(dir + "/anchors.log");
  // Fifty events reach the database file itself (closing checkpoints it).
  {
    CSystemEventManager manager(db);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "early"), 0);
  }
  ComplianceDb::ReleaseCache();
  int ack[2];
  ASSERT_EQ(pipe(ack), 0);
  const pid_t writer = fork();
  if (writer == 0) {
    close(ack[0]);
    CSystemEventManager manager(db);
    for (int i = 0;; ++i) {
      if (manager.AddSystemEvent(kAuditSuccessfulLogin, "writer") != 0) _exit(1);
      if (write(ack[1], "x", 1) != 1) _exit(1);
    }
  }
  close(ack[1]);
  char c;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(read(ack[0], &c, 1), 1);
  kill(writer, SIGKILL);
  int status = 0;
  waitpid(writer, &status, 0);
  close(ack[0]);
  SetChainHeadCopyForTesting("");
  ASSERT_EQ(::unlink((db + "-wal").c_str()), 0);

  ChainAnchors anchors;
  std::ifstream in(dir + "/anchors.log");
  ReadChainAnchors(in, testing::OwnAnchorSource(db), &anchors);
  std::shared_ptr<ComplianceDb> store;
  ASSERT_TRUE(ComplianceDb::GetAt(db, &store).ok());
  LogIntegrity integrity;
  IntegrityOptions options;
  options.key = &key;
  options.anchors = &anchors;
  ASSERT_TRUE(store->Read([&](SqlDb& conn) {
                return CheckLogIntegrity(conn, kLog, options, nullptr, &integrity);
              }).ok());
  ASSERT_GE(anchors.heads[kLog].size(), 150u);
  // The events in the file remain; the first one lost is named.
  EXPECT_EQ(integrity.chain.last_seq, 50u);
  const bool detected = !integrity.ok() && integrity.FirstDamaged() == 51;
  EXPECT_TRUE(detected) << integrity.chain.last_seq;
  Count("delete the WAL behind a killed writer", detected);
  ComplianceDb::ReleaseCache();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tav
