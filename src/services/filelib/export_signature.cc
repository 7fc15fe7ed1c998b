#include "services/filelib/export_signature.h"

#include <sodium.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "util/strings.h"

namespace tav {
namespace {

constexpr char kHeader[] = "TAV signed export 1";
// The statement's fields, in the order they are written and must be read.
constexpr const char* kFields[] = {"log",    "format", "records",    "store",
                                   "signed", "sha256", "public-key"};
constexpr size_t kFieldCount = sizeof kFields / sizeof kFields[0];

std::string_view View(const uint8_t* p, size_t n) {
  return std::string_view(reinterpret_cast<const char*>(p), n);
}

bool ParseUtc(const std::string& text, int64_t* ms) {
  struct tm tm {};
  const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S UTC", &tm);
  if (end == nullptr || *end != '\0') return false;
  *ms = static_cast<int64_t>(timegm(&tm)) * 1000;
  return true;
}

bool ParseNumber(std::string_view digits, uint64_t* value) {
  if (digits.empty() || digits.size() > 19) return false;
  uint64_t v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  *value = v;
  return true;
}

// "first-last (count)"
bool ParseRecords(std::string_view text, ExportStatement* s) {
  const size_t dash = text.find('-');
  const size_t open = text.find(" (");
  if (dash == std::string_view::npos || open == std::string_view::npos || open < dash ||
      text.back() != ')') {
    return false;
  }
  return ParseNumber(text.substr(0, dash), &s->first) &&
         ParseNumber(text.substr(dash + 1, open - dash - 1), &s->last) &&
         ParseNumber(text.substr(open + 2, text.size() - open - 3), &s->count);
}

template <size_t N>
bool HexToBytes(std::string_view hex, std::array<uint8_t, N>* out) {
  size_t len = 0;
  return hex.size() == 2 * N &&
         sodium_hex2bin(out->data(), N, hex.data(), hex.size(), nullptr, &len, nullptr) == 0 &&
         len == N;
}

StoreStatus Corrupt(const std::string& what) {
  return StoreStatus(StoreStatus::kCorrupt, "the signature file does not read: " + what);
}

}  // namespace

Sha256 Sha256Of(std::string_view bytes) {
  Sha256 out;
  crypto_hash_sha256(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                     bytes.size());
  return out;
}

std::string SignExportStatement(const ExportStatement& s, const ServiceKeys& keys) {
  std::string text = std::string(kHeader) + "\n";
  text += "log: " + s.log + "\n";
  text += "format: " + s.format + "\n";
  text += "records: " + std::to_string(s.first) + "-" + std::to_string(s.last) + " (" +
          std::to_string(s.count) + ")\n";
  text += "store: " + s.store_id + "\n";
  text += "signed: " + FormatUtcMs(s.signed_utc_ms) + "\n";
  text += "sha256: " + HexEncode(View(s.sha256.data(), s.sha256.size())) + "\n";
  text += "public-key: " + FormatSigningPublicKey(keys.PublicKey()) + "\n";
  uint8_t signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(text.data()),
                       text.size(), keys.sign_secret.data());
  text += "signature: " + HexEncode(View(signature, sizeof signature)) + "\n";
  return text;
}

std::string_view TimeStampedBytes(std::string_view file) {
  const size_t at = file.find("\nsignature: ");
  if (at == std::string_view::npos) return file;
  const size_t end = file.find('\n', at + 1);
  return end == std::string_view::npos ? file : file.substr(0, end + 1);
}

std::string WithTimeStamp(std::string_view file, std::string_view token) {
  std::string out(TimeStampedBytes(file));
  std::string b64(sodium_base64_encoded_len(token.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(b64.data(), b64.size(), reinterpret_cast<const unsigned char*>(token.data()),
                    token.size(), sodium_base64_VARIANT_ORIGINAL);
  b64.resize(std::strlen(b64.c_str()));
  return out + "time-stamp: " + b64 + "\n";
}

StoreStatus VerifyExport(std::string_view document, std::string_view file,
                         const SigningPublicKey& trusted, ExportCheck* out) {
  if (sodium_init() < 0) return StoreStatus(StoreStatus::kIOError, "libsodium cannot start");
  if (file.size() > 1 << 20) return Corrupt("it is larger than any signature");
  std::vector<std::string_view> lines;
  size_t signed_end = 0;  // bytes covered by the signature
  for (size_t at = 0; at < file.size();) {
    const size_t nl = file.find('\n', at);
    if (nl == std::string_view::npos) return Corrupt("its last line has no end");
    lines.push_back(file.substr(at, nl - at));
    at = nl + 1;
    if (lines.size() == 1 + kFieldCount) signed_end = at;
  }
  if (lines.empty() || lines[0] != kHeader) return Corrupt("it does not begin \"" + std::string(kHeader) + "\"");
  if (lines.size() < 2 + kFieldCount || lines.size() > 3 + kFieldCount) {
    return Corrupt("it has " + std::to_string(lines.size()) + " lines");
  }
  std::string values[kFieldCount + 2];
  const char* names[kFieldCount + 2];
  for (size_t i = 0; i < kFieldCount; ++i) names[i] = kFields[i];
  names[kFieldCount] = "signature";
  names[kFieldCount + 1] = "time-stamp";
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string prefix = std::string(names[i - 1]) + ": ";
    if (lines[i].substr(0, prefix.size()) != prefix) {
      return Corrupt("line " + std::to_string(i + 1) + " is not \"" + names[i - 1] + ":\"");
    }
    values[i - 1] = std::string(lines[i].substr(prefix.size()));
  }
  ExportStatement s;
  s.log = values[0];
  s.format = values[1];
  s.store_id = values[3];
  SigningPublicKey named;
  std::array<uint8_t, crypto_sign_BYTES> signature;
  if (!ParseRecords(values[2], &s)) return Corrupt("its records line is not \"first-last (count)\"");
  if (!ParseUtc(values[4], &s.signed_utc_ms)) return Corrupt("its signed line is not a UTC time");
  if (!HexToBytes(values[5], &s.sha256)) return Corrupt("its sha256 is not 64 hex digits");
  if (!ParseSigningPublicKey(values[6], &named)) return Corrupt("its public key does not read");
  if (!HexToBytes(values[7], &signature)) return Corrupt("its signature is not 128 hex digits");
  std::string token;
  if (lines.size() == 3 + kFieldCount) {
    const std::string& b64 = values[8];
    token.resize(b64.size());
    size_t len = 0;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(token.data()), token.size(),
                          b64.data(), b64.size(), nullptr, &len, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        len == 0) {
      return Corrupt("its time-stamp is not base64");
    }
    token.resize(len);
  }
  if (named != trusted) {
    return StoreStatus(StoreStatus::kTampered,
                       "the export was signed with another key (" + FormatSigningPublicKey(named) +
                           ") than the one given");
  }
  if (crypto_sign_verify_detached(signature.data(),
                                  reinterpret_cast<const unsigned char*>(file.data()), signed_end,
                                  trusted.data()) != 0) {
    return StoreStatus(StoreStatus::kTampered,
                       "the signature does not match its statement: the signature file was "
                       "changed or was not made by this key");
  }
  if (Sha256Of(document) != s.sha256) {
    return StoreStatus(StoreStatus::kTampered,
                       "the export is not the one signed: its SHA-256 differs, so it was changed "
                       "after it was signed");
  }
  out->statement = std::move(s);
  out->time_stamp = std::move(token);
  return StoreStatus::Ok();
}

}  // namespace tav
