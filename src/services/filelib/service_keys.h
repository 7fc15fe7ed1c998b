// The compliance service's fixed keys, kept beside the sealing key in
// "service.key" (docs/event-log.md): the key that seals the settings and
// the Ed25519 key that signs exports. `tavsec events setup-keys` makes them
// with the sealing key; unlike it they never evolve, since a seal of the
// settings and a signature must be checkable later with the same key.
//
//   settings key = BLAKE2b-256 keyed with the sealing seed, over "tav settings"
//
// so that whoever holds the verification key can check the settings of a
// copy of the store; the file holds the derived key only, never the seed.
// The signing key is random; its public half is printed by setup-keys and
// checks exports anywhere (export_signature.h).
//
// Thread safety: every function may be called from any thread.
#ifndef TAV_SERVICES_FILELIB_SERVICE_KEYS_H_
#define TAV_SERVICES_FILELIB_SERVICE_KEYS_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/filelib/event_seal.h"
#include "services/filelib/store_status.h"

namespace tav {

inline constexpr char kServiceKeyFileName[] = "service.key";

using SigningPublicKey = std::array<uint8_t, 32>;

struct ServiceKeys {
  uint64_t key_id = 0;  // SealKeyId of the sealing seed they were made with
  SealKey settings_key{};
  std::array<uint8_t, 64> sign_secret{};  // libsodium's form: seed || public key
  SigningPublicKey PublicKey() const;
  void Wipe();
};

// The settings key that `seed` derives.
SealKey SettingsKeyFromSeed(const SealKey& seed);

// Makes service.key in `folder` for the sealing seed of `verification`
// (replacing one only when `replace`) and returns the signing key's public
// half. The file gets the sealing key's mode and owner.
StoreStatus CreateServiceKeys(const std::string& folder, const VerificationKey& verification,
                              bool replace, SigningPublicKey* public_key);

// kNotFound when the folder has no service keys; kCorrupt when the file is
// damaged.
StoreStatus ReadServiceKeys(const std::string& folder, ServiceKeys* keys);

// "ed25519:<64 hex digits>", and back.
std::string FormatSigningPublicKey(const SigningPublicKey& key);
bool ParseSigningPublicKey(std::string_view text, SigningPublicKey* key);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_SERVICE_KEYS_H_
