// The detached signature of an export (a CSV or JSON file of a log): a
// short text file beside it ("FILE.sig") that names what was exported and
// carries the compliance service's Ed25519 signature over that statement,
// which holds the export's SHA-256 (docs/event-log.md):
//
//   TAV signed export 1
//   log: system event log
//   format: csv
//   records: 1-250 (250)
//   store: <the store's id>
//   signed: 2026-12-08 01:30:00 UTC
//   sha256: <64 hex digits>
//   public-key: ed25519:<64 hex digits>
//   signature: <128 hex digits, over every line above, newlines included>
//   time-stamp: <base64 of an RFC 3161 token over the SHA-256 of every
//                line above>                                  (optional)
//
// Anyone with the public key checks a copy anywhere, with no store.
//
// Thread safety: plain functions.
#ifndef TAV_SERVICES_FILELIB_EXPORT_SIGNATURE_H_
#define TAV_SERVICES_FILELIB_EXPORT_SIGNATURE_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/filelib/service_keys.h"
#include "services/filelib/store_status.h"

namespace tav {

using Sha256 = std::array<uint8_t, 32>;
Sha256 Sha256Of(std::string_view bytes);

struct ExportStatement {
  std::string log;     // "system event log", "configuration audit trail"
  std::string format;  // "csv", "json"
  uint64_t first = 0;  // numbers of the first and last record exported
  uint64_t last = 0;
  uint64_t count = 0;
  std::string store_id;
  int64_t signed_utc_ms = 0;
  Sha256 sha256{};
};

// The signature file for `statement`, signed with `keys` (without a
// time-stamp line).
std::string SignExportStatement(const ExportStatement& statement, const ServiceKeys& keys);

// Adds the time-stamp line: `token` (DER) over TimeStampedBytes().
std::string WithTimeStamp(std::string_view signature_file, std::string_view token);

// What a time-stamp of the signature file covers: its lines up to and
// including the signature.
std::string_view TimeStampedBytes(std::string_view signature_file);

struct ExportCheck {
  ExportStatement statement;
  std::string time_stamp;  // the token's DER bytes, "" without one
};

// Checks `document` against its signature file: the file is well formed,
// signed by `trusted`, and the document's SHA-256 is the one signed. Ok;
// kTampered naming what does not match; kCorrupt for a file that does not
// read as a signature.
StoreStatus VerifyExport(std::string_view document, std::string_view signature_file,
                         const SigningPublicKey& trusted, ExportCheck* out);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_EXPORT_SIGNATURE_H_
