#include "services/filelib/service_keys.h"

#include <sodium.h>

#include <cstring>

#include "services/filelib/key_file.h"
#include "util/strings.h"

namespace tav {
namespace {

// magic || key id || settings key || signing secret || checksum
constexpr char kMagic[8] = {'T', 'A', 'V', 'S', 'V', 'K', '0', '1'};
constexpr size_t kBodySize = 8 + 8 + 32 + 64;
constexpr size_t kFileSize = kBodySize + 32;
constexpr char kPublicKeyPrefix[] = "ed25519:";

}  // namespace

SigningPublicKey ServiceKeys::PublicKey() const {
  SigningPublicKey out;
  crypto_sign_ed25519_sk_to_pk(out.data(), sign_secret.data());
  return out;
}

void ServiceKeys::Wipe() {
  sodium_memzero(settings_key.data(), settings_key.size());
  sodium_memzero(sign_secret.data(), sign_secret.size());
}

SealKey SettingsKeyFromSeed(const SealKey& seed) {
  static constexpr char kLabel[] = "tav settings";
  SealKey out;
  crypto_generichash(out.data(), out.size(), reinterpret_cast<const unsigned char*>(kLabel),
                     sizeof kLabel - 1, seed.data(), seed.size());
  return out;
}

StoreStatus CreateServiceKeys(const std::string& folder, const VerificationKey& verification,
                              bool replace, SigningPublicKey* public_key) {
  if (sodium_init() < 0) {
    return StoreStatus(StoreStatus::kIOError, "no source of randomness for a signing key");
  }
  ServiceKeys keys;
  keys.key_id = SealKeyId(verification.seed);
  keys.settings_key = SettingsKeyFromSeed(verification.seed);
  SigningPublicKey pub;
  crypto_sign_keypair(pub.data(), keys.sign_secret.data());
  uint8_t block[kFileSize];
  std::memcpy(block, kMagic, 8);
  PutU64(block + 8, keys.key_id);
  std::memcpy(block + 16, keys.settings_key.data(), 32);
  std::memcpy(block + 48, keys.sign_secret.data(), 64);
  crypto_generichash(block + kBodySize, 32, block, kBodySize, nullptr, 0);
  keys.Wipe();
  StoreStatus status = CreateKeyFile(folder, kServiceKeyFileName, block, sizeof block, replace);
  sodium_memzero(block, sizeof block);
  if (status.ok()) *public_key = pub;
  return status;
}

StoreStatus ReadServiceKeys(const std::string& folder, ServiceKeys* keys) {
  if (sodium_init() < 0) return StoreStatus(StoreStatus::kIOError, "the hash library cannot be started");
  const std::string path = folder + "/" + kServiceKeyFileName;
  uint8_t block[kFileSize];
  StoreStatus status = ReadKeyFile(path, block, sizeof block, "the service's keys");
  if (!status.ok()) return status;
  uint8_t sum[32];
  crypto_generichash(sum, 32, block, kBodySize, nullptr, 0);
  if (std::memcmp(block, kMagic, 8) != 0 || sodium_memcmp(sum, block + kBodySize, 32) != 0) {
    sodium_memzero(block, sizeof block);
    return StoreStatus(StoreStatus::kCorrupt, "the service's keys " + path + " are damaged");
  }
  keys->key_id = GetU64(block + 8);
  std::memcpy(keys->settings_key.data(), block + 16, 32);
  std::memcpy(keys->sign_secret.data(), block + 48, 64);
  sodium_memzero(block, sizeof block);
  return StoreStatus::Ok();
}

std::string FormatSigningPublicKey(const SigningPublicKey& key) {
  return kPublicKeyPrefix +
         HexEncode(std::string_view(reinterpret_cast<const char*>(key.data()), key.size()));
}

bool ParseSigningPublicKey(std::string_view text, SigningPublicKey* key) {
  constexpr size_t prefix = sizeof kPublicKeyPrefix - 1;
  if (text.size() != prefix + 64 || text.substr(0, prefix) != kPublicKeyPrefix) return false;
  size_t bin_len = 0;
  SigningPublicKey out;
  if (sodium_hex2bin(out.data(), out.size(), text.data() + prefix, 64, nullptr, &bin_len,
                     nullptr) != 0 ||
      bin_len != out.size()) {
    return false;
  }
  *key = out;
  return true;
}

}  // namespace tav
