#include "services/filelib/settings_seal.h"

#include <sodium.h>

#include <cstring>
#include <string>

#include "services/filelib/service_keys.h"
#include "util/atomic_create.h"
#include "util/sqlite_db.h"

namespace tav {

namespace {

constexpr char kSealKey[] = "settings";
constexpr char kSelectRows[] = "SELECT name, record FROM settings ORDER BY name";
constexpr char kSelectTrailHead[] = "SELECT seq, chain FROM chain_heads WHERE log = 'config_audit'";
constexpr char kSelectSeal[] = "SELECT trail_seq, seal FROM settings_seal WHERE id = 1";
constexpr char kSelectSealKeyed[] =
    "SELECT trail_seq, seal, key_id FROM settings_seal WHERE id = 1";
constexpr char kHasKeyColumn[] =
    "SELECT count(*) FROM pragma_table_info('settings_seal') WHERE name = 'key_id'";
constexpr char kAddKeyColumn[] = "ALTER TABLE settings_seal ADD COLUMN key_id INTEGER";
constexpr char kUpsertSeal[] =
    "INSERT INTO settings_seal(id, trail_seq, seal, key_id) VALUES(1, ?1, ?2, ?3) "
    "ON CONFLICT(id) DO UPDATE SET trail_seq = excluded.trail_seq, seal = excluded.seal, "
    "key_id = excluded.key_id";
constexpr char kSchemaVersion[] = "PRAGMA user_version";

void Update(crypto_generichash_state* state, uint64_t value, int bytes) {
  unsigned char out[8];
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
  crypto_generichash_update(state, out, static_cast<unsigned long long>(bytes));
}

void Update(crypto_generichash_state* state, std::string_view bytes) {
  Update(state, bytes.size(), 4);
  crypto_generichash_update(state, reinterpret_cast<const unsigned char*>(bytes.data()),
                            bytes.size());
}

StoreStatus QueryCount(SqlDb& db, const char* sql, long long* out) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(sql, &status);
  if (!status.ok()) return status;
  *out = 0;
  if (stmt.Step(&status)) *out = stmt.ColumnInt64(0);
  return status;
}

StoreStatus Tampered(SqlDb& db, const std::string& what) {
  return StoreStatus(StoreStatus::kTampered,
                     db.path() + ": the stored settings are refused: " + what +
                         "; the compliance features count as on until an administrator "
                         "checks them (tavsec config verify, tavsec config seal)");
}

// The stored seal. `keyed` is false when the row has no key id (or the
// table predates key ids).
struct StoredSeal {
  bool present = false;
  uint64_t trail_seq = 0;
  std::string seal;
  bool keyed = false;
  uint64_t key_id = 0;
};

StoreStatus ReadStoredSeal(SqlDb& db, StoredSeal* out) {
  long long has_key_column = 0;
  StoreStatus status = QueryCount(db, kHasKeyColumn, &has_key_column);
  if (!status.ok()) return status;
  SqlStatement select = db.Prepare(has_key_column != 0 ? kSelectSealKeyed : kSelectSeal, &status);
  if (!status.ok()) return status;
  if (!select.Step(&status)) return status;
  out->present = true;
  out->trail_seq = static_cast<uint64_t>(select.ColumnInt64(0));
  out->seal = std::string(select.ColumnBlob(1));
  if (has_key_column != 0 && !select.ColumnIsNull(2)) {
    out->keyed = true;
    out->key_id = static_cast<uint64_t>(select.ColumnInt64(2));
  }
  return StoreStatus::Ok();
}

// The service's settings key kept beside the database: *found is false
// when the store has none.
StoreStatus StoredSettingsKey(SqlDb& db, bool* found, SettingsSealKey* key) {
  ServiceKeys keys;
  StoreStatus status = ReadServiceKeys(FolderOf(db.path()), &keys);
  *found = status.ok();
  if (status.code() == StoreStatus::kNotFound) return StoreStatus::Ok();
  if (!status.ok()) return status;
  key->key_id = keys.key_id;
  key->key = keys.settings_key;
  keys.Wipe();
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus ComputeSettingsSeal(SqlDb& db, const SettingsSealKey* key, uint64_t* trail_seq,
                                ChainHash* seal) {
  if (sodium_init() < 0) {
    return StoreStatus(StoreStatus::kIOError, "the hash library cannot be started");
  }
  StoreStatus status;
  ChainHash trail_hash{};
  *trail_seq = 0;
  {
    SqlStatement head = db.Prepare(kSelectTrailHead, &status);
    if (!status.ok()) return status;
    if (head.Step(&status)) {
      *trail_seq = static_cast<uint64_t>(head.ColumnInt64(0));
      const std::string_view hash = head.ColumnBlob(1);
      // A damaged head cannot match any seal; the trail's check names it.
      if (hash.size() == trail_hash.size()) std::memcpy(trail_hash.data(), hash.data(), hash.size());
    }
    if (!status.ok()) return status;
  }
  crypto_generichash_state state;
  if (key != nullptr) {
    crypto_generichash_init(&state, key->key.data(), key->key.size(), crypto_generichash_BYTES);
  } else {
    crypto_generichash_init(&state, reinterpret_cast<const unsigned char*>(kSealKey),
                            sizeof kSealKey - 1, crypto_generichash_BYTES);
  }
  Update(&state, *trail_seq, 8);
  crypto_generichash_update(&state, trail_hash.data(), trail_hash.size());
  SqlStatement rows = db.Prepare(kSelectRows, &status);
  if (!status.ok()) return status;
  while (rows.Step(&status)) {
    Update(&state, rows.ColumnText(0));
    Update(&state, rows.ColumnBlob(1));
  }
  if (!status.ok()) return status;
  crypto_generichash_final(&state, seal->data(), seal->size());
  return StoreStatus::Ok();
}

StoreStatus SealSettings(SqlDb& db) {
  // The lab store guards its settings with rights instead: workstations
  // change them only through a function that writes the trail too.
  if (db.engine() == SqlDb::Engine::kPostgres) return StoreStatus::Ok();
  bool have_key = false;
  SettingsSealKey key;
  StoreStatus status = StoredSettingsKey(db, &have_key, &key);
  if (!status.ok()) return status;
  long long has_key_column = 0;
  status = QueryCount(db, kHasKeyColumn, &has_key_column);
  if (status.ok() && has_key_column == 0) status = db.Exec(kAddKeyColumn);
  StoredSeal stored;
  if (status.ok()) status = ReadStoredSeal(db, &stored);
  if (!status.ok()) return status;
  if (!have_key && stored.keyed) {
    // Never trade the service's seal for one anybody can make.
    return Tampered(db, "they were sealed with the service's key, and " +
                            FolderOf(db.path()) + "/" + kServiceKeyFileName + " is missing");
  }
  uint64_t trail_seq = 0;
  ChainHash seal{};
  status = ComputeSettingsSeal(db, have_key ? &key : nullptr, &trail_seq, &seal);
  WipeSealKey(&key.key);
  if (!status.ok()) return status;
  SqlStatement upsert = db.Prepare(kUpsertSeal, &status);
  if (!status.ok()) return status;
  upsert.BindInt64(1, static_cast<int64_t>(trail_seq));
  upsert.BindBlob(2, std::string_view(reinterpret_cast<const char*>(seal.data()), seal.size()));
  if (have_key) {
    upsert.BindInt64(3, static_cast<int64_t>(key.key_id));
  } else {
    upsert.BindNull(3);
  }
  return upsert.Run();
}

StoreStatus CheckSettingsSeal(SqlDb& db, const SettingsSealKey* given) {
  if (db.engine() == SqlDb::Engine::kPostgres) return StoreStatus::Ok();
  long long version = 0;
  StoreStatus status = QueryCount(db, kSchemaVersion, &version);
  if (!status.ok()) return status;
  // A store that predates seals and could not be sealed when opened.
  if (version < kSealedSettingsSchemaVersion) return StoreStatus::Ok();
  bool sealed_table = false;
  status = SqliteTableExists(db, "settings_seal", &sealed_table);
  if (!status.ok()) return status;
  if (!sealed_table) return Tampered(db, "their seal (the table settings_seal) was removed");

  StoredSeal stored;
  status = ReadStoredSeal(db, &stored);
  if (!status.ok()) return status;
  if (!stored.present) return Tampered(db, "their seal was removed");
  ChainHash sealed{};
  if (stored.seal.size() != sealed.size()) return Tampered(db, "their seal is damaged");
  std::memcpy(sealed.data(), stored.seal.data(), sealed.size());

  // Which key the seal must carry: the one given, else the service's.
  SettingsSealKey key;
  bool have_key = given != nullptr;
  if (given != nullptr) {
    key = *given;
  } else {
    status = StoredSettingsKey(db, &have_key, &key);
    if (!status.ok() && stored.keyed) {
      return Tampered(db, "they are sealed with the service's key, which cannot be read: " +
                              status.message());
    }
    if (!status.ok()) return status;
  }
  if (stored.keyed && !have_key) {
    return Tampered(db, "they are sealed with the service's key, and " + FolderOf(db.path()) +
                            "/" + kServiceKeyFileName + " is missing");
  }
  if (have_key && !stored.keyed) {
    WipeSealKey(&key.key);
    return Tampered(db, "their seal is not made with the service's key, as every seal since "
                        "the store's keys were made is");
  }
  if (have_key && stored.key_id != key.key_id) {
    WipeSealKey(&key.key);
    return Tampered(db, "they are sealed with another key than " +
                            std::string(given != nullptr ? "the verification key's"
                                                         : "the service's"));
  }
  uint64_t trail_seq = 0;
  ChainHash now{};
  status = ComputeSettingsSeal(db, have_key ? &key : nullptr, &trail_seq, &now);
  WipeSealKey(&key.key);
  if (!status.ok()) return status;
  if (trail_seq != stored.trail_seq) {
    return Tampered(db, "they were sealed with configuration audit event " +
                            std::to_string(stored.trail_seq) +
                            " but the audit trail ends at event " + std::to_string(trail_seq));
  }
  if (now != sealed) {
    return Tampered(db,
                    "they do not match their seal: a setting was changed, added or removed "
                    "without the configuration service, so without an audit trail event");
  }
  return StoreStatus::Ok();
}

StoreStatus MigrateToSealedSettings(SqlDb& db) {
  StoreStatus status = db.Exec(kCreateSettingsSeal);
  if (status.ok()) status = SealSettings(db);
  if (status.ok()) {
    status = db.Exec(("PRAGMA user_version=" + std::to_string(kSealedSettingsSchemaVersion)).c_str());
  }
  return status;
}

}  // namespace tav
