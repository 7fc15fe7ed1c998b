// The seal of the current compliance settings: a hash over every row of
// the settings table, bound to the end of the configuration audit trail,
// kept in the table settings_seal (docs/configuration.md).
//
//   seal = BLAKE2b-256, keyed with "settings",
//          over  trail seq as 8 bytes little-endian || trail hash
//                || for each row in name order:
//                   name length (4 bytes LE) || name || record length || record
//
// where trail seq and hash are the trail's recorded end (chain_heads; 0 and
// 32 zero bytes for an empty trail). Every audited write of the settings
// seals them again in its transaction, so a row deleted, changed or added
// behind the configuration service, or a change without its trail event,
// no longer matches, and the settings are refused (they fail closed).
//
// With the service's keys (service_keys.h) the hash is keyed with the
// settings key instead of "settings", and the seal row names the key's id,
// so that only the service (and whoever holds the verification key) can
// seal them. A keyed seal is never replaced by an unkeyed one, and once the
// store has the service's keys an unkeyed seal is refused: removing the key
// file or the key's id from the row fails closed.
//
// Stores of schema 1 carry no seal: the first open that may write sealed
// them as they stood (MigrateToSealedSettings); one that may not is read
// unsealed, as before.
//
// Thread safety: the functions run on a connection that the caller holds
// (inside ComplianceDb::Write or Read, or while opening).
#ifndef TAV_SERVICES_FILELIB_SETTINGS_SEAL_H_
#define TAV_SERVICES_FILELIB_SETTINGS_SEAL_H_

#include "services/filelib/event_seal.h"
#include "services/filelib/record_chain.h"
#include "util/sql_db.h"
#include "services/filelib/store_status.h"

namespace tav {

// The first schema whose settings are sealed.
inline constexpr int kSealedSettingsSchemaVersion = 2;

inline constexpr char kCreateSettingsSeal[] =
    "CREATE TABLE IF NOT EXISTS settings_seal("
    "id INTEGER PRIMARY KEY CHECK (id = 1), trail_seq INTEGER NOT NULL, seal BLOB NOT NULL, "
    "key_id INTEGER)";

// The key that seals the settings, and the id of the sealing key it
// belongs to.
struct SettingsSealKey {
  uint64_t key_id = 0;
  SealKey key{};
};

// The seal of what the settings table and the trail hold now, keyed with
// `key` (nullptr: unkeyed). REQUIRES: inside a transaction.
StoreStatus ComputeSettingsSeal(SqlDb& db, const SettingsSealKey* key, uint64_t* trail_seq,
                                ChainHash* seal);

// Stores the seal of the settings as they are now, keyed when the store has
// the service's keys. REQUIRES: inside a write transaction, in a store of
// schema 2 or later.
StoreStatus SealSettings(SqlDb& db);

// Ok when the settings match their seal (or the store predates seals);
// kTampered with what does not match; or the storage's failure. With
// `key` (derived from a verification key, for a copy checked elsewhere)
// the seal must be keyed with it; without, with the service's key kept
// beside the database when the seal or the store says it is keyed.
// REQUIRES: inside a transaction.
StoreStatus CheckSettingsSeal(SqlDb& db, const SettingsSealKey* key = nullptr);

// Makes a store of schema 1 one of schema 2: creates the seal table, seals
// the settings as they stand and raises user_version. REQUIRES: inside a
// write transaction.
StoreStatus MigrateToSealedSettings(SqlDb& db);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_SETTINGS_SEAL_H_
