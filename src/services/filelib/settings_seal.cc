#include "services/filelib/settings_seal.h"

#include <sodium.h>

#include <cstring>
#include <string>

#include "util/sqlite_db.h"

namespace tav {

namespace {

constexpr char kSealKey[] = "settings";
constexpr char kSelectRows[] = "SELECT name, record FROM settings ORDER BY name";
constexpr char kSelectTrailHead[] = "SELECT seq, chain FROM chain_heads WHERE log = 'config_audit'";
constexpr char kSelectSeal[] = "SELECT trail_seq, seal FROM settings_seal WHERE id = 1";
constexpr char kUpsertSeal[] =
    "INSERT INTO settings_seal(id, trail_seq, seal) VALUES(1, ?1, ?2) "
    "ON CONFLICT(id) DO UPDATE SET trail_seq = excluded.trail_seq, seal = excluded.seal";
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

}  // namespace

StoreStatus ComputeSettingsSeal(SqlDb& db, uint64_t* trail_seq, ChainHash* seal) {
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
  crypto_generichash_init(&state, reinterpret_cast<const unsigned char*>(kSealKey),
                          sizeof kSealKey - 1, crypto_generichash_BYTES);
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
  uint64_t trail_seq = 0;
  ChainHash seal{};
  StoreStatus status = ComputeSettingsSeal(db, &trail_seq, &seal);
  if (!status.ok()) return status;
  SqlStatement upsert = db.Prepare(kUpsertSeal, &status);
  if (!status.ok()) return status;
  upsert.BindInt64(1, static_cast<int64_t>(trail_seq));
  upsert.BindBlob(2, std::string_view(reinterpret_cast<const char*>(seal.data()), seal.size()));
  return upsert.Run();
}

StoreStatus CheckSettingsSeal(SqlDb& db) {
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

  uint64_t sealed_seq = 0;
  ChainHash sealed{};
  {
    SqlStatement select = db.Prepare(kSelectSeal, &status);
    if (!status.ok()) return status;
    if (!select.Step(&status)) {
      if (!status.ok()) return status;
      return Tampered(db, "their seal was removed");
    }
    sealed_seq = static_cast<uint64_t>(select.ColumnInt64(0));
    const std::string_view bytes = select.ColumnBlob(1);
    if (bytes.size() != sealed.size()) return Tampered(db, "their seal is damaged");
    std::memcpy(sealed.data(), bytes.data(), bytes.size());
  }
  uint64_t trail_seq = 0;
  ChainHash now{};
  status = ComputeSettingsSeal(db, &trail_seq, &now);
  if (!status.ok()) return status;
  if (trail_seq != sealed_seq) {
    return Tampered(db, "they were sealed with configuration audit event " +
                            std::to_string(sealed_seq) + " but the audit trail ends at event " +
                            std::to_string(trail_seq));
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
