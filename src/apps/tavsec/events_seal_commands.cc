#include "apps/tavsec/events_seal_commands.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <iostream>

#include "apps/tavsec/output.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/settings_seal.h"
#include "util/data_dir.h"
#include "util/strings.h"

namespace tav::tavsec {
namespace {

struct SealOptions {
  std::string key_text;
  std::string against;
  std::string until;
  std::string sender;
  std::string tsa_ca;
  int64_t interval = kDefaultSealInterval;
  bool force = false;
  VerificationKey key;
  ChainAnchors anchors;
};

SealOptions& Options() {
  static SealOptions options;
  return options;
}

// Makes the sealing key and the service's keys. Settings that match their
// seal are sealed again with the new settings key in the same transaction,
// so that no reader ever finds keys and an unkeyed seal together; settings
// that fail their seal stay as they are, for an administrator to check.
StoreStatus MakeKeys(const std::string& folder, VerificationKey* key, SigningPublicKey* signing,
                     bool* settings_resealed) {
  auto make = [&] {
    StoreStatus s = CreateSealingKey(folder, Options().interval, Options().force, key);
    // A service key file left without its sealing key belongs to no key.
    if (s.ok()) s = CreateServiceKeys(folder, *key, true, signing);
    return s;
  };
  *settings_resealed = false;
  struct stat st;
  const std::string db_path = folder + "/" + kComplianceDbFileName;
  if (stat(db_path.c_str(), &st) != 0) return make();
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::GetAt(db_path, &db, ComplianceDb::IfMissing::kFail);
  if (!status.ok()) return status;
  return db->Write([&](SqlDb& c) {
    StoreStatus check = CheckSettingsSeal(c);
    if (!check.ok() && check.code() != StoreStatus::kTampered) return check;
    StoreStatus s = make();
    if (s.ok() && check.ok() && c.engine() == SqlDb::Engine::kSqlite) {
      s = SealSettings(c);
      *settings_resealed = s.ok();
    }
    return s;
  });
}

void SetupKeys(Context& context) {
  DataDirChoice dir;
  StoreStatus status = EnsureDataDir(&dir);
  if (status.ok() && dir.machine_wide && geteuid() != 0) {
    status = StoreStatus(StoreStatus::kReadOnly,
                         "tavsec events setup-keys must run as root for the machine-wide store");
  }
  VerificationKey key;
  SigningPublicKey signing{};
  bool resealed = false;
  if (status.ok()) status = MakeKeys(dir.path, &key, &signing, &resealed);
  if (!status.ok()) {
    WipeSealKey(&key.seed);
    PrintError(status.message());
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << "A sealing key was made in " << dir.path << "/" << kSealKeyFileName
            << "; it evolves every " << key.interval << " seconds.\n"
            << "The verification key is shown only now. Keep it away from this machine\n"
            << "(on paper, in the quality system): it checks every seal, and it could forge\n"
            << "them.\n\n    " << FormatVerificationKey(key) << "\n\n"
            << "Check the logs with: tavsec events verify --key KEY\n\n"
            << "Exports are signed with the key in " << dir.path << "/" << kServiceKeyFileName
            << ". Its public key checks them\n"
            << "anywhere; it may be shown to anyone:\n\n    "
            << FormatSigningPublicKey(signing) << "\n\n"
            << "Check an export with: tavsec verify-export FILE FILE.sig --public-key KEY\n";
  if (resealed) std::cout << "The settings are sealed with the new key.\n";
  WipeSealKey(&key.seed);
}

// Steps the sealing key to the interval now running. Appends do this by
// themselves; a timer runs it so that a machine where nothing happens does
// not keep an old interval's key on disk.
void EvolveKey(Context& context) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  uint64_t epoch = 0;
  if (status.ok()) {
    status = db->Write([&epoch](SqlDb& c) { return EvolveSealingKey(c, &epoch); });
  }
  if (!status.ok()) {
    PrintError("events seal", status.message());
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << "The sealing key is at interval " << epoch << ".\n";
}

}  // namespace

void AddEventsSealCommands(CLI::App* events, CLI::App* verify, Context& context) {
  CLI::App* setup = events->add_subcommand(
      "setup-keys", "Make the key that seals the logs and print its verification key once");
  setup->add_option("--interval", Options().interval,
                    "seconds after which the key evolves (default 900)")
      ->check(CLI::Range(int64_t{1}, int64_t{86400 * 366}));
  setup->add_flag("--force", Options().force, "replace an existing key");
  setup->callback([&context] { SetupKeys(context); });
  events->add_subcommand("seal", "Step the sealing key to the interval now running (run by a timer)")
      ->callback([&context] { EvolveKey(context); });
  CLI::Option* key = verify->add_option("--key", Options().key_text,
                     "check the seals with this verification key (from setup-keys)");
  CLI::Option* until = verify->add_option("--until", Options().until,
                     "with --key: the time up to which every interval must be sealed "
                     "(\"YYYY-MM-DD HH:MM:SS\" UTC, or seconds since 1970), for a copy of the "
                     "store checked elsewhere; by default the interval the key on this machine "
                     "has reached");
  CLI::Option* sender = verify->add_option("--sender", Options().sender,
                     "with --against: the user whose head lines count (name or uid; by "
                     "default the owner of the database, the compliance service's account)");
  CLI::Option* against = verify->add_option(
      "--against", Options().against,
      "check against the heads in FILE (journalctl -o json output of the system log)");
  verify->add_option("--tsa-ca", Options().tsa_ca,
                     "check the time-stamped head checkpoints against the time-stamping "
                     "authority's roots in this PEM file (by default time_stamp_ca of "
                     "store.conf)");
  until->needs(key);
  sender->needs(against);
}

namespace {

// Seconds since 1970 of "YYYY-MM-DD HH:MM:SS" (UTC) or of a number.
bool ParseUtcTime(const std::string& text, int64_t* seconds) {
  if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
      text.size() <= 12) {
    *seconds = std::stoll(text);
    return true;
  }
  struct tm tm {};
  const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
  if (end == nullptr || *end != '\0') return false;
  *seconds = static_cast<int64_t>(timegm(&tm));
  return true;
}

// Whose head lines count: the store's id, and the owner of the database
// (the compliance service's account) unless --sender names another.
bool AnchorSourceOf(const std::string& db_path, const std::string& sender, AnchorSource* source,
                    Context& context) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::GetAt(db_path, &db, ComplianceDb::IfMissing::kFail);
  if (status.ok()) status = db->Read([source](SqlDb& c) { return ReadStoreId(c, &source->store_id); });
  if (!status.ok()) {
    PrintError("--against", status.message());
    context.exit_code = kExitFailed;
    return false;
  }
  if (sender.empty()) {
    struct stat st;
    if (stat(db_path.c_str(), &st) != 0) {
      PrintError("--against", "cannot tell who owns " + db_path);
      context.exit_code = kExitFailed;
      return false;
    }
    source->sender_uid = st.st_uid;
    return true;
  }
  if (sender.find_first_not_of("0123456789") == std::string::npos && sender.size() <= 10) {
    source->sender_uid = static_cast<uint32_t>(std::stoul(sender));
    return true;
  }
  const passwd* entry = getpwnam(sender.c_str());
  if (entry == nullptr) {
    PrintError("--sender", "no user \"" + sender + "\"");
    context.exit_code = kExitUsage;
    return false;
  }
  source->sender_uid = entry->pw_uid;
  return true;
}

// What was read but not taken, for a note: "3 of another store, ...".
std::string IgnoredHeads(const ChainAnchors& anchors, const AnchorSource& source) {
  std::string out;
  auto add = [&out](uint64_t count, const std::string& what) {
    if (count == 0) return;
    if (!out.empty()) out += ", ";
    out += std::to_string(count) + " " + what;
  };
  add(anchors.other_store, "of another store");
  add(anchors.other_sender, "sent by another user than uid " + std::to_string(source.sender_uid));
  add(anchors.unattributed, "without the sender the journal recorded (plain text)");
  return out;
}

}  // namespace

bool PrepareSealedVerify(const std::string& db_path, IntegrityOptions* options,
                         std::vector<std::string>* notes, Context& context) {
  SealOptions& o = Options();
  *options = IntegrityOptions();
  options->tsa_ca = o.tsa_ca;
  if (!o.key_text.empty()) {
    if (!ParseVerificationKey(o.key_text, &o.key)) {
      PrintError("--key", "not a verification key (64 hex digits, '/', start, '-', interval)");
      context.exit_code = kExitUsage;
      return false;
    }
    options->key = &o.key;
    if (!o.until.empty()) {
      int64_t until = 0;
      if (!ParseUtcTime(o.until, &until)) {
        PrintError("--until", "not a time (\"YYYY-MM-DD HH:MM:SS\" UTC, or seconds since 1970)");
        context.exit_code = kExitUsage;
        return false;
      }
      options->current_epoch = SealEpochAt(o.key.start, o.key.interval, until * 1000);
      options->epoch_from_key = false;
    } else {
      std::string note;
      options->current_epoch = CurrentSealEpoch(db_path, o.key, &note);
      if (!note.empty()) notes->push_back(note);
    }
  }
  if (!o.against.empty()) {
    std::ifstream in(o.against);
    if (!in) {
      PrintError("--against", "cannot read " + o.against);
      context.exit_code = kExitUsage;
      return false;
    }
    AnchorSource source;
    if (!AnchorSourceOf(db_path, o.sender, &source, context)) return false;
    o.anchors = ChainAnchors();
    ReadChainAnchors(in, source, &o.anchors);
    const std::string ignored = IgnoredHeads(o.anchors, source);
    if (o.anchors.lines == 0) {
      PrintError("--against", o.against + " holds no head of this store sent by uid " +
                                  std::to_string(source.sender_uid) +
                                  (ignored.empty() ? "" : " (" + ignored + ")") +
                                  "; give the output of journalctl -o json");
      context.exit_code = kExitUsage;
      return false;
    }
    if (!ignored.empty()) notes->push_back("head lines not taken: " + ignored);
    options->anchors = &o.anchors;
  }
  if (options->key == nullptr && options->anchors == nullptr) {
    notes->push_back(kWithoutSealsNote);
  }
  return true;
}

std::string SealSummary(ChainedLog log, const LogIntegrity& integrity,
                        const IntegrityOptions& options) {
  if (options.key == nullptr || integrity.seals.count == 0) return "";
  const SealReport& s = integrity.seals;
  std::string line = std::string(ChainedLogTitle(log)) + ": ";
  if (s.unsealed_before != 0) {
    line += "records 1 to " + std::to_string(s.unsealed_before) + " were stored before sealing began; ";
  }
  if (s.sealed_through == 0) return line + "no record is sealed for good yet";
  const int64_t end = options.key->start +
                      static_cast<int64_t>(s.last_epoch + 1) * options.key->interval;
  line += "sealed up to record " + std::to_string(s.sealed_through) + " (interval ending " +
          FormatUtcMs(end * 1000) + ")";
  if (s.sealed_through < integrity.chain.last_seq) {
    line += "; nothing after record " + std::to_string(s.sealed_through) + " is sealed for good yet";
  }
  return line;
}

}  // namespace tav::tavsec
