#include "services/filelib/event_seal.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "records/chunk_file.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/log_integrity.h"
#include "services/filelib/system_event_manager.h"
#include "testing/anchor_source.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::TempDataDir;

int64_t g_now = 0;

class EventSealTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 1'800'000'000'000;
    SetSealClockForTesting([] { return g_now; });
  }
  void TearDown() override {
    SetSealClockForTesting(nullptr);
    SetChainHeadCopyForTesting("");
    ComplianceDb::ReleaseCache();
  }
  std::string Db() const { return dir_.File("compliance.db"); }
  void Add(const char* user) {
    CSystemEventManager manager(Db());
    ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, user), 0);
  }
  LogIntegrity Verify(const VerificationKey* key) {
    std::shared_ptr<ComplianceDb> db;
    EXPECT_TRUE(ComplianceDb::GetAt(Db(), &db).ok());
    IntegrityOptions options;
    options.key = key;
    std::string note;
    if (key != nullptr) options.current_epoch = CurrentSealEpoch(Db(), *key, &note);
    LogIntegrity out;
    EXPECT_TRUE(db->Read([&](SqlDb& c) {
                    return CheckLogIntegrity(c, ChainedLog::kSystemEvents, options, nullptr, &out);
                  }).ok());
    return out;
  }
  TempDataDir dir_;
};

TEST(VerificationKeyTest, PrintedKeyReadsBackAndBadOnesAreRefused) {
  VerificationKey key;
  for (size_t i = 0; i < key.seed.size(); ++i) key.seed[i] = static_cast<uint8_t>(i * 7);
  key.start = 1800000000;
  key.interval = 900;
  VerificationKey back;
  ASSERT_TRUE(ParseVerificationKey(FormatVerificationKey(key), &back));
  EXPECT_EQ(back.seed, key.seed);
  EXPECT_EQ(back.start, key.start);
  EXPECT_EQ(back.interval, key.interval);
  const std::string good = FormatVerificationKey(key);
  for (const std::string& bad :
       {std::string(), good.substr(1), good + "x", good.substr(0, 65) + "-900",
        std::string(64, 'g') + "/1-900", good.substr(0, good.size() - 3) + "0", good + "/4",
        good + "/2/2", good + "/"}) {
    EXPECT_FALSE(ParseVerificationKey(bad, &back)) << bad;
  }
  EXPECT_EQ(DeriveSealKey(key, 2), NextSealKey(NextSealKey(key.seed, 1), 2));
}

TEST_F(EventSealTest, KeyEvolvesDurablyAndTheOldKeyIsGone) {
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 60, false, &key).ok());
  const std::string seed(reinterpret_cast<const char*>(key.seed.data()), 32);
  // Not even before its first step does the file hold the seed.
  EXPECT_EQ(ReadWholeFile(dir_.File(kSealKeyFileName)).find(seed), std::string::npos);
  EXPECT_EQ(key.version, kSealKeyVersion);
  VerificationKey printed;
  ASSERT_TRUE(ParseVerificationKey(FormatVerificationKey(key), &printed));
  EXPECT_EQ(printed.version, kSealKeyVersion);
  EXPECT_EQ(CreateSealingKey(dir_.path(), 60, false, &key).code(), StoreStatus::kExists);
  Add("alice");
  g_now += 150'000;  // two intervals later
  Add("bob");
  SealKeyState state;
  ASSERT_TRUE(ReadSealKey(dir_.path(), &state).ok());
  EXPECT_EQ(state.epoch, 2u);
  EXPECT_EQ(state.key, DeriveSealKey(key, 2));
  EXPECT_EQ(ReadWholeFile(dir_.File(kSealKeyFileName)).find(seed), std::string::npos);
  struct stat st;
  ASSERT_EQ(stat(dir_.File(kSealKeyFileName).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  LogIntegrity integrity = Verify(&key);
  EXPECT_TRUE(integrity.ok());
  EXPECT_EQ(integrity.seals.sealed_through, 1u);  // bob's interval is still open

  // Another key checks nothing.
  VerificationKey other = key;
  other.seed[0] ^= 1;
  integrity = Verify(&other);
  EXPECT_FALSE(integrity.ok());
  EXPECT_EQ(integrity.FirstDamaged(), 1u);
}

// root makes the key of a store that the service's account keeps: the key
// is that account's, so the service can step it and seal.
TEST_F(EventSealTest, AKeyRootMakesForAnotherAccountsStoreIsThatAccounts) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root";
  const std::string store = dir_.path() + "/store";
  ASSERT_EQ(mkdir(store.c_str(), 0700), 0);
  ASSERT_EQ(chown(store.c_str(), 65534, 65534), 0);
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(store, 60, false, &key).ok());
  struct stat st;
  ASSERT_EQ(stat((store + "/" + kSealKeyFileName).c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A key made anew (setup-keys --force) starts at interval 0 again: its
// intervals are sealed under its own id, never refused as taken by the old
// key's, and the log verifies with the new key.
TEST_F(EventSealTest, AKeyMadeAnewSealsItsOwnIntervals) {
  VerificationKey old_key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 60, false, &old_key).ok());
  Add("alice");
  g_now += 150'000;
  Add("bob");
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 60, true, &key).ok());
  g_now += 150'000;
  Add("carol");
  SealKeyState state;
  ASSERT_TRUE(ReadSealKey(dir_.path(), &state).ok());
  EXPECT_EQ(state.epoch, 2u);
  LogIntegrity integrity = Verify(&key);
  bool unsealed = false;
  for (const auto& f : integrity.findings) unsealed = unsealed || f.text.find("not sealed") != std::string::npos;
  EXPECT_FALSE(unsealed) << integrity.findings.front().text;
  bool gap = false;
  for (const auto& f : integrity.findings) gap = gap || f.text.find("ends at interval") != std::string::npos;
  EXPECT_FALSE(gap) << integrity.findings.front().text;
}

TEST_F(EventSealTest, RecordsBeforeSetupAreNamedAndTheClockSetBackIsReported) {
  Add("before");
  g_now += 2'000;
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 60, false, &key).ok());
  g_now += 2'000;
  Add("after");
  g_now -= 3'000;  // within the tolerance
  Add("jitter");
  g_now -= 3'600'000;  // an hour back
  Add("rolled back");
  const LogIntegrity integrity = Verify(&key);
  EXPECT_EQ(integrity.seals.unsealed_before, 1u);
  ASSERT_EQ(integrity.findings.size(), 1u);
  EXPECT_EQ(integrity.findings[0].seq, 4u);
  EXPECT_NE(integrity.findings[0].text.find("runs backwards"), std::string::npos);
  // Without a key the time is checked all the same.
  EXPECT_EQ(Verify(nullptr).FirstDamaged(), 4u);
}

TEST(EventTimeTest, LocalDatesOfAnotherTimeZoneThatRunBackwardsAreReported) {
  TAV_SKIP_ON_LAB_STORE("the lab store takes its times from the server");
  TempDataDir dir;
  const char* old_tz = getenv("TZ");
  const std::string saved = old_tz == nullptr ? "" : old_tz;
  auto add = [&](const char* tz, const char* user) {
    setenv("TZ", tz, 1);
    tzset();
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, user), 0);
  };
  add("EAST-14", "east");  // UTC+14
  add("WEST+11", "west");  // UTC-11: a local date 25 hours earlier
  if (old_tz == nullptr) unsetenv("TZ"); else setenv("TZ", saved.c_str(), 1);
  tzset();

  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  IntegrityOptions options;
  options.local_time = [](std::string_view bytes) -> std::optional<int64_t> {
    CMemFile file(bytes.data(), bytes.size());
    std::unique_ptr<CComponent> c;
    ReadNextComponent(&file, c);
    const auto* event = dynamic_cast<const CAuditEventComp*>(c.get());
    if (event == nullptr) return std::nullopt;
    return static_cast<int64_t>((event->GetEvent().GetDate() - 25569.0) * 86400000.0);
  };
  LogIntegrity integrity;
  ASSERT_TRUE(db->Read([&](SqlDb& c) {
                return CheckLogIntegrity(c, ChainedLog::kSystemEvents, options, nullptr, &integrity);
              }).ok());
  ASSERT_EQ(integrity.findings.size(), 1u);
  EXPECT_EQ(integrity.findings[0].seq, 2u);
  EXPECT_NE(integrity.findings[0].text.find("another time zone"), std::string::npos);
  ComplianceDb::ReleaseCache();
}

// Heads count only as the journal recorded them: sent by the store's
// writer (its _UID), for this store; a line anyone could send with
// `logger`, another user's, or another store's is counted and left out, and
// two heads for one record are a conflict, never "the last one wins".
TEST_F(EventSealTest, OnlyHeadsTheJournalRecordedFromTheWriterOfThisStoreCount) {
  SetChainHeadCopyForTesting(dir_.File("heads"));
  Add("alice");
  Add("bob");
  SetChainHeadCopyForTesting("");
  const AnchorSource source = testing::OwnAnchorSource(Db());
  ASSERT_EQ(source.store_id.size(), 32u);
  const std::string uid = std::to_string(getuid());
  const std::string other_uid = std::to_string(getuid() + 1);
  const std::string forged = "log head system_events 2 " + std::string(64, 'a') + " store " +
                             source.store_id;
  std::istringstream journal(
      "{\"_UID\":\"" + uid + "\",\"MESSAGE\":\"something else\"}\n" +
      ReadWholeFile(dir_.File("heads")) +
      // What `logger` of another user, a plain-text copy and another store give.
      "{\"_UID\":\"" + other_uid + "\",\"MESSAGE\":\"" + forged + "\"}\n" + forged + "\n" +
      "{\"_UID\":\"" + uid + "\",\"MESSAGE\":\"log head system_events 3 " +
      std::string(64, 'b') + " store 00112233445566778899aabbccddeeff\"}\n" +
      "{\"_UID\":\"" + uid + "\",\"MESSAGE\":\"log head system_events 7 nothex\"}\n");
  ChainAnchors anchors;
  ReadChainAnchors(journal, source, &anchors);
  EXPECT_EQ(anchors.lines, 2u);
  EXPECT_EQ(anchors.other_sender, 1u);
  EXPECT_EQ(anchors.unattributed, 1u);
  EXPECT_EQ(anchors.other_store, 1u);
  ASSERT_EQ(anchors.heads[ChainedLog::kSystemEvents].size(), 2u);
  EXPECT_EQ(anchors.heads[ChainedLog::kSystemEvents].rbegin()->first, 2u);
  EXPECT_TRUE(anchors.conflicts.empty());

  // The writer's own second head for record 2 (a rewritten log).
  std::istringstream twice(ReadWholeFile(dir_.File("heads")) + "{\"_UID\":\"" + uid +
                           "\",\"MESSAGE\":\"" + forged + "\"}\n");
  ChainAnchors again;
  ReadChainAnchors(twice, source, &again);
  ASSERT_EQ(again.conflicts[ChainedLog::kSystemEvents].size(), 1u);
  EXPECT_EQ(again.conflicts[ChainedLog::kSystemEvents][0], 2u);
  ComplianceDb::ReleaseCache();
}

TEST_F(EventSealTest, StoreWithoutTheNewColumnsIsMigrated) {
  Add("old");
  ComplianceDb::ReleaseCache();
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(Db().c_str(), &raw), SQLITE_OK);
  for (const char* table : {"system_events", "config_audit", "run_history"}) {
    for (const char* column : {"utc", "epoch", "tag"}) {
      ASSERT_EQ(sqlite3_exec(raw, (std::string("ALTER TABLE ") + table + " DROP COLUMN " + column).c_str(),
                             nullptr, nullptr, nullptr),
                SQLITE_OK);
    }
  }
  ASSERT_EQ(sqlite3_exec(raw, "PRAGMA user_version=2", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(raw);

  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(dir_.path(), 60, false, &key).ok());
  g_now += 2'000;
  Add("new");
  const LogIntegrity integrity = Verify(&key);
  EXPECT_TRUE(integrity.ok()) << integrity.findings.front().text;
  EXPECT_EQ(integrity.seals.unsealed_before, 1u);
  EXPECT_EQ(integrity.chain.count, 2u);
}

TEST(WriteFileModeTest, NewFilesHonourTheUmaskAndLogExportsArePrivate) {
  TempDataDir dir;
  const mode_t old = umask(027);
  WriteFileAtomically(dir.File("a"), "x");
  umask(old);
  struct stat st;
  ASSERT_EQ(stat(dir.File("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  WriteFileAtomically(dir.File("a"), "y");  // a replaced file keeps its mode
  ASSERT_EQ(stat(dir.File("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  CSystemEventManager manager;
  ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "alice"), 0);
  uint64_t count = 0;
  std::string error;
  ASSERT_EQ(manager.ExportEvents(dir.File("export"), &count, &error), 0) << error;
  ASSERT_EQ(stat(dir.File("export").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ComplianceDb::ReleaseCache();
}

}  // namespace
}  // namespace tav
