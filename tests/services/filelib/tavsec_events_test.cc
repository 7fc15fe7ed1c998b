// tavsec events and runlist, run as an administrator would.
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/export_signature.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/system_event_manager.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::RunCommand;
using testing::TempDataDir;

std::string HexOf(const Sha256& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

SigningPublicKey ParsedKey(const std::string& text) {
  SigningPublicKey key{};
  EXPECT_TRUE(ParseSigningPublicKey(text, &key)) << text;
  return key;
}

testing::CommandResult Tavsec(const std::string& args) {
  return RunCommand(std::string(TAVSEC_PATH) + " " + args);
}

// The keys `tavsec events setup-keys` prints, each on a line of its own
// indented by four spaces: the verification key, then the public key.
struct PrintedKeys {
  std::string verification;
  std::string signing;
};
PrintedKeys KeysPrinted(const std::string& out) {
  std::vector<std::string> keys;
  for (size_t at = out.find("\n    "); at != std::string::npos; at = out.find("\n    ", at + 1)) {
    keys.push_back(out.substr(at + 5, out.find('\n', at + 5) - at - 5));
  }
  EXPECT_EQ(keys.size(), 2u) << out;
  keys.resize(2);
  return {keys[0], keys[1]};
}

TEST(TavsecEvents, VerifyNamesAnEventChangedBehindTheLibrarysBack) {
  TAV_SKIP_ON_LAB_STORE("edits the database file");
  TempDataDir dir;
  for (const char* user : {"alice", "bob", "carol"}) {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditFailedLogin, user), 0);
  }
  testing::CommandResult r = Tavsec("events verify");
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("system event log: 3 records, chain intact"), std::string::npos) << r.out;

  // Someone edits the stored record of bob's failed login so that it reads
  // as another user's.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File(kComplianceDbFileName).c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE system_events SET record = "
                         "CAST(replace(CAST(record AS TEXT), 'bob', 'eve') AS BLOB) WHERE seq = 2",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  r = Tavsec("events verify");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("event 2 ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("eve, Failed Login) does not match its hash"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("event 1 ("), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("event 3 ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("VERIFICATION FAILED"), std::string::npos);

  r = Tavsec("events list");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("1  "), std::string::npos);
  EXPECT_NE(r.out.find(", alice, Failed Login\n"), std::string::npos) << r.out;
}

TEST(TavsecEvents, SealedLogVerifiesWithTheKeyAndACutTailIsFoundAgainstTheHeads) {
  TAV_SKIP_ON_LAB_STORE("the sealing key is the embedded store's");
  TempDataDir dir;
  testing::CommandResult r = Tavsec("events setup-keys --interval 60");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string key = KeysPrinted(r.out).verification;
  EXPECT_EQ(Tavsec("events setup-keys").exit_code, 1);  // one exists

  SetChainHeadCopyForTesting(dir.File("heads.txt"));
  for (const char* user : {"alice", "bob", "carol"}) {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditFailedLogin, user), 0);
  }
  SetChainHeadCopyForTesting("");
  ComplianceDb::ReleaseCache();
  r = Tavsec("events verify --key " + key + " --against " + dir.File("heads.txt"));
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("system event log: 3 records, chain intact"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("note: without"), std::string::npos) << r.out;
  // Heads anyone could send (logger, another user) make no intact log fail.
  {
    std::ofstream forged(dir.File("heads.txt"), std::ios::app);
    const std::string line = "log head system_events 2 " + std::string(64, 'a');
    forged << line << "\n{\"_UID\":\"" << getuid() + 1 << "\",\"MESSAGE\":\"" << line << "\"}\n";
  }
  r = Tavsec("events verify --against " + dir.File("heads.txt"));
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("note: head lines not taken: 1 sent by another user than uid "),
            std::string::npos)
      << r.out;
  // Another sender named: none of its lines is a head of this store.
  r = Tavsec("events verify --against " + dir.File("heads.txt") + " --sender " +
             std::to_string(getuid() + 1));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("holds no head of this store sent by uid"), std::string::npos) << r.err;
  EXPECT_EQ(Tavsec("events verify --key 12ab").exit_code, 2);
  EXPECT_EQ(Tavsec("events verify --against " + dir.File("none")).exit_code, 2);

  // The tail is cut and the recorded end made to match: two statements.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File(kComplianceDbFileName).c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "DELETE FROM system_events WHERE seq = 3; UPDATE chain_heads SET seq = 2, "
                         "chain = (SELECT chain FROM system_events WHERE seq = 2) "
                         "WHERE log = 'system_events'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  r = Tavsec("events verify");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("note: without --key or --against"), std::string::npos) << r.out;
  r = Tavsec("events verify --against " + dir.File("heads.txt"));
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_EQ(r.out.find("system event log: 2 records, chain intact"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("the log ends at record 2, but the system log saw it hold 3 records"),
            std::string::npos)
      << r.out;
}

// A tail cut at an interval's end, with the seals of the intervals after it
// deleted too: the key alone finds it, on the machine and (with --until) on
// a copy checked elsewhere.
TEST(TavsecEvents, ACutAtAnIntervalsEndIsFoundWithTheKeyAlone) {
  TAV_SKIP_ON_LAB_STORE("the sealing key is the embedded store's");
  TempDataDir dir;
  testing::CommandResult r = Tavsec("events setup-keys --interval 1");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string key = KeysPrinted(r.out).verification;
  EXPECT_EQ(key.substr(key.size() - 2), "/3") << key;
  for (const char* user : {"alice", "bob", "carol"}) {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditFailedLogin, user), 0);
    usleep(1'100'000);
  }
  ComplianceDb::ReleaseCache();
  ASSERT_EQ(Tavsec("events seal").exit_code, 0);
  r = Tavsec("events verify --key " + key);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File(kComplianceDbFileName).c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "DELETE FROM interval_seals WHERE epoch >= "
                         "(SELECT epoch FROM system_events WHERE seq = 3); "
                         "DELETE FROM system_events WHERE seq = 3; UPDATE chain_heads SET seq = 2, "
                         "chain = (SELECT chain FROM system_events WHERE seq = 2) "
                         "WHERE log = 'system_events'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  r = Tavsec("events verify --key " + key);
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("system event log: the system event log ends at interval "),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("records may have been removed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("system event log: first damaged record: 3"), std::string::npos) << r.out;

  // A copy checked elsewhere: the time given decides how far the seals
  // must reach. Up to the key's start nothing had to be sealed; up to now
  // the cut shows.
  EXPECT_EQ(Tavsec("events verify --key " + key + " --until \"2026-12-07 10:00:00\"").exit_code, 0);
  r = Tavsec("events verify --key " + key + " --until " + std::to_string(time(nullptr)));
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("records may have been removed"), std::string::npos) << r.out;
  EXPECT_EQ(Tavsec("events verify --key " + key + " --until yesterday").exit_code, 2);
  EXPECT_EQ(Tavsec("events verify --until 1800000000").exit_code, 2);
}

// A copy of the store checked on another machine, without the service's
// keys: the verification key checks the settings' seal too, and a seal that
// someone who held only the database made over an edit fails.
TEST(TavsecEvents, ACopysSettingsAreCheckedWithTheVerificationKey) {
  TAV_SKIP_ON_LAB_STORE("the seal of the settings is the embedded store's");
  TempDataDir dir;
  ASSERT_EQ(Tavsec("config set idle-timeout 7 --reason first").exit_code, 0);
  testing::CommandResult r = Tavsec("events setup-keys");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("The settings are sealed with the new key."), std::string::npos) << r.out;
  const std::string key = KeysPrinted(r.out).verification;
  r = Tavsec("config set idle-timeout 8 --reason second");
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;

  char folder[] = "/tmp/tav_copy.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string copy = std::string(folder) + "/" + kComplianceDbFileName;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File(kComplianceDbFileName).c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, ("VACUUM INTO '" + copy + "'").c_str(), nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const std::string on_copy = "TAV_DATA_DIR=" + std::string(folder) + " " + TAVSEC_PATH +
                              " events verify --key " + key + " --until " +
                              std::to_string(time(nullptr));
  r = RunCommand(on_copy);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("settings: match their seal, made with the verification key's"),
            std::string::npos)
      << r.out;

  ASSERT_EQ(sqlite3_open(copy.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE settings_seal SET key_id = NULL", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  r = RunCommand(on_copy);
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("not made with the service's key"), std::string::npos) << r.out;
  RunCommand("rm -rf " + std::string(folder));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// An export checked with the public key alone: the untouched file passes,
// one changed byte, a signature file edited or made with another key, or a
// wrong public key fail.
TEST(TavsecEvents, ASignedExportVerifiesOnlyAsItWasSigned) {
  TempDataDir dir;
  for (const char* user : {"alice", "bob"}) {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditFailedLogin, user), 0);
  }
  testing::CommandResult r = Tavsec("events export " + dir.File("unsigned.csv") + " --format csv");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.err.find("the export is not signed"), std::string::npos) << r.err;
  EXPECT_NE(access(dir.File("unsigned.csv").c_str(), F_OK), -1);

  r = Tavsec("events setup-keys");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string key = KeysPrinted(r.out).signing;
  const std::string csv = dir.File("events.csv");
  r = Tavsec("events export " + csv + " --format csv");
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("2 records of the system event log written to"), std::string::npos) << r.out;
  const std::string document = ReadFile(csv);
  EXPECT_NE(document.find(",alice,Failed Login"), std::string::npos) << document;

  // Checked as an inspector would, where there is no store.
  auto verify = [&](const std::string& file, const std::string& public_key) {
    return RunCommand("env -u TAV_DATA_DIR " + std::string(TAVSEC_PATH) + " verify-export " +
                      file + " " + file + ".sig --public-key " + public_key);
  };
  r = verify(csv, key);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("system event log, csv, records 1 to 2 (2)"), std::string::npos) << r.out;

  std::string changed = document;
  changed[changed.find("bob")] = 'B';
  WriteFile(csv, changed);
  r = verify(csv, key);
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("its SHA-256 differs"), std::string::npos) << r.out;
  WriteFile(csv, document);

  // The statement edited to match a changed file: the signature fails.
  const std::string signature = ReadFile(csv + ".sig");
  const size_t sha = signature.find("sha256: ") + 8;
  std::string edited = signature;
  const std::string changed_sha = HexOf(Sha256Of(changed));
  edited.replace(sha, 64, changed_sha);
  WriteFile(csv, changed);
  WriteFile(csv + ".sig", edited);
  r = verify(csv, key);
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("the signature does not match its statement"), std::string::npos) << r.out;

  // A forger's own key signs the changed file; the lab's key refuses it.
  char elsewhere[] = "/tmp/tav_forger.XXXXXX";
  ASSERT_NE(mkdtemp(elsewhere), nullptr);
  SigningPublicKey forger_public;
  ASSERT_TRUE(CreateServiceKeys(elsewhere, VerificationKey(), false, &forger_public).ok());
  ServiceKeys forger;
  ASSERT_TRUE(ReadServiceKeys(elsewhere, &forger).ok());
  RunCommand("rm -rf " + std::string(elsewhere));
  ExportCheck check;
  ASSERT_TRUE(VerifyExport(document, signature, ParsedKey(key), &check).ok());
  check.statement.sha256 = Sha256Of(changed);
  WriteFile(csv + ".sig", SignExportStatement(check.statement, forger));
  r = verify(csv, key);
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("signed with another key"), std::string::npos) << r.out;
  r = verify(csv, FormatSigningPublicKey(forger.PublicKey()));
  EXPECT_EQ(r.exit_code, 0) << "the forger's own key checks his own file";
  EXPECT_EQ(verify(csv, "ed25519:00").exit_code, 2);

  // The trail exports the same way.
  ASSERT_EQ(Tavsec("config set idle-timeout 9 --reason \"before the audit\"").exit_code, 0);
  const std::string trail = dir.File("trail.json");
  r = Tavsec("config trail --format json --export " + trail);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(ReadFile(trail).find("before the audit"), std::string::npos);
  r = verify(trail, key);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("configuration audit trail, json, records 1 to 1 (1)"), std::string::npos)
      << r.out;
}

// On a quiet machine the timer's `events seal` moves the key on, erasing the
// key of the interval that has ended.
TEST(TavsecEvents, SealStepsTheKeyWithoutAnAppend) {
  TAV_SKIP_ON_LAB_STORE("the sealing key is the embedded store's");
  TempDataDir dir;
  EXPECT_EQ(Tavsec("events seal").exit_code, 1);  // no key yet
  ASSERT_EQ(Tavsec("events setup-keys --interval 1").exit_code, 0);
  SealKeyState before;
  ASSERT_TRUE(ReadSealKey(dir.path(), &before).ok());
  usleep(1'200'000);
  testing::CommandResult r = Tavsec("events seal");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  SealKeyState after;
  ASSERT_TRUE(ReadSealKey(dir.path(), &after).ok());
  EXPECT_GT(after.epoch, before.epoch);
  EXPECT_NE(after.key, before.key);
  SealKey stepped = before.key;
  for (uint64_t e = before.epoch + 1; e <= after.epoch; ++e) stepped = NextSealKey(stepped, e);
  EXPECT_EQ(after.key, stepped) << "one one-way step per interval";
  EXPECT_EQ(r.out, "The sealing key is at interval " + std::to_string(after.epoch) + ".\n");
}

TEST(TavsecEvents, ExportWritesTheLogAsAChunkFile) {
  TempDataDir dir;
  CSystemEventManager manager;
  ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, "alice"), 0);
  const std::string path = dir.File("events.tav");
  testing::CommandResult r = Tavsec("events export " + path);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "1 events written to " + path + "\n");
  EXPECT_EQ(ReadWholeFile(path).substr(0, 4), "SyEL");
  r = Tavsec("events export " + dir.File("no/such/folder/x.tav"));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_FALSE(r.err.empty());
}

TEST(TavsecRunList, AddListAndHistory) {
  TempDataDir dir;
  const std::string file = dir.File("a.tav");
  { CDiskFile f(file, CDiskFile::modeCreate | CDiskFile::modeWrite); }
  testing::CommandResult r =
      RunCommand("cd " + dir.path() + " && " + TAVSEC_PATH + " runlist add a.tav");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Record Added: " + file + "\n");
  r = Tavsec("runlist add " + file);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("already on the list"), std::string::npos);
  r = Tavsec("runlist add " + dir.File("notes.txt"));
  EXPECT_EQ(r.exit_code, 2);
  r = Tavsec("runlist add " + dir.File("b.tvm") + " --copied-from " + file);
  EXPECT_EQ(r.exit_code, 0) << r.err;

  r = Tavsec("runlist list");
  EXPECT_NE(r.out.find(file + "  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  " + ActingUserName() + "  File Copied\n"), std::string::npos) << r.out;
  r = Tavsec("runlist history");
  EXPECT_NE(r.out.find("Record Added  [" + file + "]\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("File Copied  [" + dir.File("b.tvm") + "]\n"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace tav
