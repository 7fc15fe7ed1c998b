// RFC 3161 time stamps: asking a time-stamp authority (TSA) for a token that
// proves some bytes existed at a time, and checking such a token later,
// offline, against the roots the caller trusts.
//
// A token is the DER TimeStampToken (a CMS SignedData ContentInfo carrying a
// TSTInfo), not the TSA's whole TimeStampResp: that is what is kept beside
// the data it stamps. Imprints are SHA-256; tokens over another digest do not
// verify.
//
// Trust: the roots (and any intermediates) come from a PEM file that the
// caller names. The signer's certificate must chain to one of them and be
// meant for time stamping only (extendedKeyUsage critical, timeStamping),
// and the token's signing-certificate attribute must name it. The fields
// that the signature does not cover (versions, algorithm names) must be as a
// TSA writes them, so that changing one of them is caught too. The chain is
// checked at the token's own genTime, not today: a token has to stay
// checkable for as long as the data it stamps is kept, long after the TSA's
// certificate has expired. Revocation is not checked.
//
// Errors come back as StoreStatus codes:
//   kCorrupt   the token does not read as a time-stamp token;
//   kTampered  it reads, but does not verify: over other bytes, changed
//              since it was signed, or signed by a TSA the roots do not trust;
//   kInvalid   a bad argument (no roots in the file, a digest of the wrong size);
//   kNotFound / kIOError  the roots file cannot be read;
// and for a request, those of HttpPost (util/http_post.h) plus kUnavailable
// for a TSA that refuses the request.
//
// Thread safety: the functions share no state; call them from any thread.
#ifndef TAV_UTIL_TIME_STAMP_H_
#define TAV_UTIL_TIME_STAMP_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "util/store_status.h"

namespace tav {

struct TimeStampAuthority {
  std::string url;         // http://host[:port]/path
  std::string ca_file;     // PEM: the trusted root(s), and intermediates if any
  int timeout_ms = 10000;  // for the whole exchange with the TSA
  std::string policy_oid;  // dotted; "" lets the TSA choose
};

// What a token says.
struct TimeStampInfo {
  int64_t gen_time_utc_ms = 0;  // genTime, milliseconds since 1970 (UTC)
  std::string serial_hex;       // lower-case hex of the serial's bytes ("02")
  std::string tsa_name;         // the signer's subject on one line ("O=..., CN=..."), or
                                // the TSTInfo's tsa name when the token holds no certificate
  std::string policy_oid;       // dotted
  std::string hash_algorithm;   // the imprint's digest, "sha256" for tokens of ours
};

// Asks `tsa` for a token over SHA-256(data), with a fresh random nonce and
// the signer's certificate requested. The answer is taken only when its
// status is granted, the token's imprint and nonce are this request's (and
// its policy, when one was asked for), and it verifies against tsa.ca_file,
// so a wrong or rogue TSA is an error now rather than when the token is
// checked years later.
//
// On success *token holds the DER token and *info (may be null) what it says.
// On failure *token is cleared.
StoreStatus RequestTimeStamp(const TimeStampAuthority& tsa, std::string_view data,
                             std::string* token, TimeStampInfo* info);

// Verifies a DER token over `data` against the roots in `ca_file`: the
// signature, the signer's chain and purpose, and that the imprint is
// SHA-256(data). kTampered with "the time stamp does not match the data" for
// a token over other bytes and "the time stamp's signer is not trusted: ..."
// for a chain that does not end in the roots; kCorrupt for bytes that are not
// a token. *info (may be null) is set on success only.
StoreStatus VerifyTimeStamp(std::string_view token, std::string_view data,
                            const std::string& ca_file, TimeStampInfo* info);

// VerifyTimeStamp for when only the data's SHA-256 is at hand.
// REQUIRES: sha256 holds the 32 bytes of the digest (kInvalid otherwise).
StoreStatus VerifyTimeStampDigest(std::string_view token, std::string_view sha256,
                                  const std::string& ca_file, TimeStampInfo* info);

// Reads what a token says without verifying anything, for showing it.
// kCorrupt for bytes that are not a token.
StoreStatus ReadTimeStamp(std::string_view token, TimeStampInfo* info);

}  // namespace tav

#endif  // TAV_UTIL_TIME_STAMP_H_
