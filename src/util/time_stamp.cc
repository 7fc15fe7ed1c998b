#include "util/time_stamp.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/rand.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "util/http_post.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr size_t kSha256Bytes = 32;
// Far above any real token (a signature and a few certificates): bounds what
// a hostile file or TSA makes the parser chew on.
constexpr size_t kMaxTokenBytes = size_t{1} << 20;

template <auto Free>
struct OsslFree {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};
template <typename T, auto Free>
using OsslPtr = std::unique_ptr<T, OsslFree<Free>>;

using AlgorPtr = OsslPtr<X509_ALGOR, X509_ALGOR_free>;
using AsnIntegerPtr = OsslPtr<ASN1_INTEGER, ASN1_INTEGER_free>;
using BignumPtr = OsslPtr<BIGNUM, BN_free>;
using BioPtr = OsslPtr<BIO, BIO_free>;
using ImprintPtr = OsslPtr<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free>;
using ObjectPtr = OsslPtr<ASN1_OBJECT, ASN1_OBJECT_free>;
using Pkcs7Ptr = OsslPtr<PKCS7, PKCS7_free>;
using StorePtr = OsslPtr<X509_STORE, X509_STORE_free>;
using TsReqPtr = OsslPtr<TS_REQ, TS_REQ_free>;
using TsRespPtr = OsslPtr<TS_RESP, TS_RESP_free>;
using TstInfoPtr = OsslPtr<TS_TST_INFO, TS_TST_INFO_free>;
using VerifyCtxPtr = OsslPtr<TS_VERIFY_CTX, TS_VERIFY_CTX_free>;

struct X509StackFree {  // sk_X509_free is a macro
  void operator()(STACK_OF(X509) * stack) const { sk_X509_free(stack); }
};
struct OpenSslStringFree {
  void operator()(char* s) const { OPENSSL_free(s); }
};

// OpenSSL reports through a per-thread queue that outlives the call: empty it
// on the way in and out, so that one failure is never read as the next one's.
class ErrorQueueScope {
 public:
  ErrorQueueScope() { ERR_clear_error(); }
  ~ErrorQueueScope() { ERR_clear_error(); }
  ErrorQueueScope(const ErrorQueueScope&) = delete;
  ErrorQueueScope& operator=(const ErrorQueueScope&) = delete;
};

struct OpenSslError {
  int lib = 0;
  int reason = 0;
  std::string text;    // the reason string
  std::string detail;  // the data added to it, "" without any
};

// Takes the queue, oldest first.
std::vector<OpenSslError> TakeErrors() {
  std::vector<OpenSslError> errors;
  const char* data = nullptr;
  int flags = 0;
  while (unsigned long e = ERR_get_error_all(nullptr, nullptr, nullptr, &data, &flags)) {
    OpenSslError error;
    error.lib = ERR_GET_LIB(e);
    error.reason = ERR_GET_REASON(e);
    const char* reason = ERR_reason_error_string(e);
    error.text = reason != nullptr ? reason : "OpenSSL error " + std::to_string(e);
    if ((flags & ERR_TXT_STRING) != 0 && data != nullptr) error.detail = data;
    errors.push_back(std::move(error));
  }
  return errors;
}

// The first error for a person to read, or `fallback` when there was none.
std::string FirstError(const char* fallback) {
  std::vector<OpenSslError> errors = TakeErrors();
  if (errors.empty()) return fallback;
  std::string text = errors.front().text;
  if (!errors.front().detail.empty()) text += " (" + errors.front().detail + ")";
  return EscapeControlChars(text);
}

StoreStatus OutOfMemory() {
  return StoreStatus(StoreStatus::kIOError, "out of memory for the time stamp");
}

std::string Sha256(std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &size, EVP_sha256(), nullptr) != 1) return "";
  return std::string(reinterpret_cast<const char*>(digest), size);
}

std::string ObjectText(const ASN1_OBJECT* object) {
  if (object == nullptr) return "";
  char text[128];
  const int size = OBJ_obj2txt(text, sizeof text, object, 1);
  if (size <= 0) return "";
  if (static_cast<size_t>(size) >= sizeof text) return "(an object identifier too long to show)";
  return text;
}

// "O=Example, CN=Example TSA", UTF-8, control characters escaped.
std::string NameText(const X509_NAME* name) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (bio == nullptr) return "";
  const unsigned long flags =
      (XN_FLAG_ONELINE & ~XN_FLAG_SPC_EQ & ~ASN1_STRFLGS_ESC_MSB) | ASN1_STRFLGS_UTF8_CONVERT;
  if (X509_NAME_print_ex(bio.get(), name, 0, flags) < 0) return "";
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return size > 0 ? EscapeControlChars(std::string_view(data, static_cast<size_t>(size))) : "";
}

// genTime in milliseconds since 1970. OpenSSL reads the seconds; the
// fraction, which a TSA adds when its clock is precise enough, is ours to read.
bool GenTimeMs(const ASN1_GENERALIZEDTIME* time, int64_t* ms) {
  tm fields{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &fields) != 1) return false;
  int64_t result = static_cast<int64_t>(timegm(&fields)) * 1000;
  const std::string_view text(reinterpret_cast<const char*>(ASN1_STRING_get0_data(time)),
                              static_cast<size_t>(ASN1_STRING_length(time)));
  const size_t dot = text.find('.');
  if (dot != std::string_view::npos) {
    int scale = 100;
    for (size_t i = dot + 1; i < text.size() && scale > 0; ++i, scale /= 10) {
      if (text[i] < '0' || text[i] > '9') break;
      result += (text[i] - '0') * scale;
    }
  }
  *ms = result;
  return true;
}

StoreStatus ParseToken(std::string_view der, Pkcs7Ptr* token, TstInfoPtr* tst) {
  if (der.empty()) return StoreStatus(StoreStatus::kCorrupt, "the time stamp is empty");
  if (der.size() > kMaxTokenBytes) {
    return StoreStatus(StoreStatus::kCorrupt, "the time stamp is " + std::to_string(der.size()) +
                                                  " bytes long, more than a token can be");
  }
  const auto* start = reinterpret_cast<const unsigned char*>(der.data());
  const unsigned char* p = start;
  Pkcs7Ptr parsed(d2i_PKCS7(nullptr, &p, static_cast<long>(der.size())));
  if (parsed == nullptr) {
    return StoreStatus(StoreStatus::kCorrupt,
                       "the time stamp does not read: " + FirstError("not a signed structure"));
  }
  if (p != start + der.size()) {
    return StoreStatus(
        StoreStatus::kCorrupt,
        "the time stamp has " + std::to_string(start + der.size() - p) + " bytes after its end");
  }
  TstInfoPtr info(PKCS7_to_TS_TST_INFO(parsed.get()));
  if (info == nullptr) {
    return StoreStatus(StoreStatus::kCorrupt, "the time stamp holds no time-stamp information: " +
                                                  FirstError("not a time-stamp token"));
  }
  *token = std::move(parsed);
  *tst = std::move(info);
  return StoreStatus::Ok();
}

StoreStatus ReadInfo(PKCS7* token, TS_TST_INFO* tst, TimeStampInfo* info) {
  TimeStampInfo out;
  if (!GenTimeMs(TS_TST_INFO_get_time(tst), &out.gen_time_utc_ms)) {
    return StoreStatus(StoreStatus::kCorrupt, "the time stamp's time does not read");
  }
  BignumPtr serial(ASN1_INTEGER_to_BN(TS_TST_INFO_get_serial(tst), nullptr));
  std::unique_ptr<char, OpenSslStringFree> hex(serial ? BN_bn2hex(serial.get()) : nullptr);
  if (hex == nullptr)
    return StoreStatus(StoreStatus::kCorrupt, "the time stamp's serial does not read");
  out.serial_hex = ToLowerAscii(hex.get());
  out.policy_oid = ObjectText(TS_TST_INFO_get_policy_id(tst));
  const ASN1_OBJECT* algorithm = nullptr;
  X509_ALGOR_get0(&algorithm, nullptr, nullptr,
                  TS_MSG_IMPRINT_get_algo(TS_TST_INFO_get_msg_imprint(tst)));
  const int nid = OBJ_obj2nid(algorithm);
  out.hash_algorithm = nid != NID_undef ? OBJ_nid2ln(nid) : ObjectText(algorithm);

  // The signer's certificate names the TSA best; a token asked for without
  // certificates names it in its own tsa field, if at all.
  std::unique_ptr<STACK_OF(X509), X509StackFree> signers(PKCS7_get0_signers(token, nullptr, 0));
  if (signers != nullptr && sk_X509_num(signers.get()) == 1) {
    out.tsa_name = NameText(X509_get_subject_name(sk_X509_value(signers.get(), 0)));
  } else if (GENERAL_NAME* tsa = TS_TST_INFO_get_tsa(tst); tsa != nullptr) {
    if (tsa->type == GEN_DIRNAME) {
      out.tsa_name = NameText(tsa->d.directoryName);
    } else if (BioPtr bio(BIO_new(BIO_s_mem())); bio != nullptr) {
      GENERAL_NAME_print(bio.get(), tsa);
      char* data = nullptr;
      const long size = BIO_get_mem_data(bio.get(), &data);
      if (size > 0) out.tsa_name = EscapeControlChars(std::string_view(data, size));
    }
  }
  ERR_clear_error();  // a token without certificates is not an error here
  if (info != nullptr) *info = std::move(out);
  return StoreStatus::Ok();
}

// A request for a token over the SHA-256 `digest`, with the nonce and the
// policy when given. Verification takes its expectations from one, too.
StoreStatus MakeRequest(std::string_view digest, const ASN1_INTEGER* nonce,
                        const std::string& policy_oid, TsReqPtr* out) {
  TsReqPtr request(TS_REQ_new());
  ImprintPtr imprint(TS_MSG_IMPRINT_new());
  AlgorPtr algorithm(X509_ALGOR_new());
  if (request == nullptr || imprint == nullptr || algorithm == nullptr) return OutOfMemory();
  // The setters below copy what they are given.
  if (X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr) != 1 ||
      TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get()) != 1 ||
      TS_MSG_IMPRINT_set_msg(imprint.get(),
                             reinterpret_cast<unsigned char*>(const_cast<char*>(digest.data())),
                             static_cast<int>(digest.size())) != 1 ||
      TS_REQ_set_version(request.get(), 1) != 1 ||
      TS_REQ_set_msg_imprint(request.get(), imprint.get()) != 1 ||
      TS_REQ_set_cert_req(request.get(), 1) != 1 ||
      (nonce != nullptr && TS_REQ_set_nonce(request.get(), nonce) != 1)) {
    return OutOfMemory();
  }
  if (!policy_oid.empty()) {
    ObjectPtr policy(OBJ_txt2obj(policy_oid.c_str(), 1));
    if (policy == nullptr) {
      return StoreStatus(StoreStatus::kInvalid, "the time-stamp policy \"" +
                                                    EscapeControlChars(policy_oid) +
                                                    "\" is not a dotted object identifier");
    }
    if (TS_REQ_set_policy_id(request.get(), policy.get()) != 1) return OutOfMemory();
  }
  *out = std::move(request);
  return StoreStatus::Ok();
}

StoreStatus LoadRoots(const std::string& ca_file, StorePtr* out) {
  if (ca_file.empty()) {
    return StoreStatus(StoreStatus::kInvalid, "no file of trusted time-stamp roots is set");
  }
  if (FILE* f = std::fopen(ca_file.c_str(), "rb"); f != nullptr) {
    std::fclose(f);
  } else {
    const int error = errno;
    return StoreStatus(
        error == ENOENT ? StoreStatus::kNotFound : StoreStatus::kIOError,
        "cannot read the trusted time-stamp roots " + ca_file + ": " + std::strerror(error));
  }
  StorePtr store(X509_STORE_new());
  if (store == nullptr) return OutOfMemory();
  if (X509_STORE_load_file(store.get(), ca_file.c_str()) != 1) {
    return StoreStatus(StoreStatus::kInvalid, "no certificates could be read from " + ca_file +
                                                  ": " + FirstError("no certificate found"));
  }
  *out = std::move(store);
  return StoreStatus::Ok();
}

// True for digest parameters that are absent or NULL, the two encodings in use.
bool NoParameters(const X509_ALGOR* algorithm) {
  int type = V_ASN1_UNDEF;
  X509_ALGOR_get0(nullptr, &type, nullptr, algorithm);
  return type == V_ASN1_UNDEF || type == V_ASN1_NULL;
}

// OpenSSL checks what the signature covers, but not the fields around it:
// the two version numbers, the digest parameters and the name of the
// signature algorithm can all be changed without the signature failing. A
// token that differs from what its TSA made is refused all the same.
// REQUIRES: the token verified (one signer, whose certificate it holds).
StoreStatus CheckEnvelope(PKCS7* token) {
  auto changed = [](const std::string& what) {
    return StoreStatus(StoreStatus::kTampered,
                       "the time stamp was changed outside its signature (" + what + ")");
  };
  PKCS7_SIGNED* signed_data = token->d.sign;
  // Version 3 because the content is not plain data (RFC 5652 5.1); version
  // 1 because OpenSSL finds signers by issuer and serial only.
  if (ASN1_INTEGER_get(signed_data->version) != 3) return changed("its version");
  PKCS7_SIGNER_INFO* signer_info = sk_PKCS7_SIGNER_INFO_value(signed_data->signer_info, 0);
  if (ASN1_INTEGER_get(signer_info->version) != 1) return changed("the signer's version");
  X509_ALGOR* digest = nullptr;
  X509_ALGOR* signature = nullptr;
  PKCS7_SIGNER_INFO_get0_algs(signer_info, nullptr, &digest, &signature);
  const ASN1_OBJECT* object = nullptr;
  X509_ALGOR_get0(&object, nullptr, nullptr, digest);
  const int digest_nid = OBJ_obj2nid(object);
  bool listed = false;
  for (int i = 0; i < sk_X509_ALGOR_num(signed_data->md_algs); ++i) {
    const X509_ALGOR* listed_digest = sk_X509_ALGOR_value(signed_data->md_algs, i);
    X509_ALGOR_get0(&object, nullptr, nullptr, listed_digest);
    if (!NoParameters(listed_digest)) return changed("its digest parameters");
    listed = listed || OBJ_obj2nid(object) == digest_nid;
  }
  if (!listed || !NoParameters(digest)) return changed("its digest algorithms");

  std::unique_ptr<STACK_OF(X509), X509StackFree> signers(PKCS7_get0_signers(token, nullptr, 0));
  const EVP_PKEY* key =
      signers != nullptr ? X509_get0_pubkey(sk_X509_value(signers.get(), 0)) : nullptr;
  if (key == nullptr) return changed("its signer");
  X509_ALGOR_get0(&object, nullptr, nullptr, signature);
  const int signature_nid = OBJ_obj2nid(object);
  const int key_nid = EVP_PKEY_get_base_id(key);
  int signature_digest = NID_undef;
  int signature_key = NID_undef;
  // Either a combined name (ecdsa-with-SHA256) that matches the key and the
  // digest, or the key's own (rsaEncryption), as some TSAs write it.
  const bool names_key = OBJ_find_sigid_algs(signature_nid, &signature_digest, &signature_key)
                             ? signature_key == key_nid &&
                                   (signature_digest == NID_undef || signature_digest == digest_nid)
                             : signature_nid == key_nid;
  if (!names_key || (signature_nid != NID_rsassaPss && !NoParameters(signature))) {
    return changed("its signature algorithm");
  }
  return StoreStatus::Ok();
}

// Says why TS_RESP_verify_token failed, from the one time-stamp error it
// raised among the lower layers' errors.
StoreStatus VerifyFailure(TS_TST_INFO* tst) {
  const std::vector<OpenSslError> errors = TakeErrors();
  auto tampered = [](const std::string& message) {
    return StoreStatus(StoreStatus::kTampered, EscapeControlChars(message));
  };
  for (const OpenSslError& e : errors) {
    if (e.lib != ERR_LIB_TS) continue;
    switch (e.reason) {
      case TS_R_CERTIFICATE_VERIFY_ERROR: {
        std::string why = e.detail;
        constexpr std::string_view kPrefix = "Verify error:";
        if (why.compare(0, kPrefix.size(), kPrefix) == 0) why.erase(0, kPrefix.size());
        return tampered("the time stamp's signer is not trusted: " + (why.empty() ? e.text : why));
      }
      case TS_R_MESSAGE_IMPRINT_MISMATCH: {
        const ASN1_OBJECT* algorithm = nullptr;
        X509_ALGOR_get0(&algorithm, nullptr, nullptr,
                        TS_MSG_IMPRINT_get_algo(TS_TST_INFO_get_msg_imprint(tst)));
        if (OBJ_obj2nid(algorithm) != NID_sha256) {
          return tampered("the time stamp is over a digest other than SHA-256 (" +
                          ObjectText(algorithm) + ")");
        }
        return tampered("the time stamp does not match the data");
      }
      case TS_R_NONCE_MISMATCH:
      case TS_R_NONCE_NOT_RETURNED:
        return tampered("the time stamp does not answer this request (its nonce differs)");
      case TS_R_POLICY_MISMATCH:
        return tampered("the time stamp's policy is not the one asked for");
      case TS_R_TSA_NAME_MISMATCH:
        return tampered("the time stamp names a TSA other than its signer");
      case TS_R_SIGNATURE_FAILURE:
        return tampered("the time stamp's signature is not valid");
      default:
        break;
    }
  }
  if (errors.empty()) return tampered("the time stamp does not verify");
  std::string text = errors.front().text;
  if (!errors.front().detail.empty()) text += " (" + errors.front().detail + ")";
  return tampered("the time stamp does not verify: " + text);
}

// Verifies `der` against what `expected` asked for and the roots in ca_file.
StoreStatus VerifyAgainst(std::string_view der, TS_REQ* expected, const std::string& ca_file,
                          TimeStampInfo* info) {
  Pkcs7Ptr token;
  TstInfoPtr tst;
  StoreStatus status = ParseToken(der, &token, &tst);
  if (!status.ok()) return status;
  TimeStampInfo read;
  status = ReadInfo(token.get(), tst.get(), &read);
  if (!status.ok()) return status;
  StorePtr store;
  status = LoadRoots(ca_file, &store);
  if (!status.ok()) return status;
  X509_VERIFY_PARAM_set_time(X509_STORE_get0_param(store.get()),
                             static_cast<time_t>(read.gen_time_utc_ms / 1000));

  // Takes the imprint, the nonce and the policy from the request, and sets
  // every check but the signature's and the expected TSA name's.
  VerifyCtxPtr context(TS_REQ_to_TS_VERIFY_CTX(expected, nullptr));
  if (context == nullptr) return OutOfMemory();
  TS_VERIFY_CTX_add_flags(context.get(), TS_VFY_SIGNATURE);
  TS_VERIFY_CTX_set_store(context.get(), store.release());  // the context frees it
  ERR_clear_error();
  if (TS_RESP_verify_token(context.get(), token.get()) != 1) return VerifyFailure(tst.get());
  status = CheckEnvelope(token.get());
  if (!status.ok()) return status;
  if (info != nullptr) *info = std::move(read);
  return StoreStatus::Ok();
}

StoreStatus VerifyDigest(std::string_view token, std::string_view sha256,
                         const std::string& ca_file, TimeStampInfo* info) {
  if (sha256.size() != kSha256Bytes) {
    return StoreStatus(StoreStatus::kInvalid,
                       "a SHA-256 digest is 32 bytes, not " + std::to_string(sha256.size()));
  }
  TsReqPtr expected;
  StoreStatus status = MakeRequest(sha256, nullptr, "", &expected);
  if (!status.ok()) return status;
  return VerifyAgainst(token, expected.get(), ca_file, info);
}

// "rejection (unaccepted policy): Requested policy is not supported."
std::string StatusText(TS_STATUS_INFO* status_info) {
  static const char* const kStatus[] = {
      "granted", "granted with changes", "rejection",
      "waiting", "revocation warning",   "revocation notification"};
  static const struct {
    int bit;
    const char* text;
  } kFailures[] = {
      {TS_INFO_BAD_ALG, "unsupported digest"},
      {TS_INFO_BAD_REQUEST, "bad request"},
      {TS_INFO_BAD_DATA_FORMAT, "bad data format"},
      {TS_INFO_TIME_NOT_AVAILABLE, "time not available"},
      {TS_INFO_UNACCEPTED_POLICY, "unaccepted policy"},
      {TS_INFO_UNACCEPTED_EXTENSION, "unaccepted extension"},
      {TS_INFO_ADD_INFO_NOT_AVAILABLE, "information not available"},
      {TS_INFO_SYSTEM_FAILURE, "system failure"},
  };
  const long code = ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(status_info));
  std::string text = code >= 0 && code < 6 ? kStatus[code] : "status " + std::to_string(code);
  std::vector<std::string> failures;
  if (const ASN1_BIT_STRING* bits = TS_STATUS_INFO_get0_failure_info(status_info)) {
    for (const auto& failure : kFailures) {
      if (ASN1_BIT_STRING_get_bit(bits, failure.bit)) failures.push_back(failure.text);
    }
  }
  if (!failures.empty()) text += " (" + JoinStrings(failures, ", ") + ")";
  const STACK_OF(ASN1_UTF8STRING)* notes = TS_STATUS_INFO_get0_text(status_info);
  for (int i = 0; i < sk_ASN1_UTF8STRING_num(notes) && i < 4; ++i) {
    const ASN1_UTF8STRING* note = sk_ASN1_UTF8STRING_value(notes, i);
    const std::string_view s(reinterpret_cast<const char*>(ASN1_STRING_get0_data(note)),
                             static_cast<size_t>(ASN1_STRING_length(note)));
    text += (i == 0 ? ": " : "; ") + EscapeControlChars(Utf8Prefix(s, 200));
  }
  return text;
}

StoreStatus MakeNonce(AsnIntegerPtr* out) {
  unsigned char bytes[8];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    return StoreStatus(StoreStatus::kIOError,
                       "no random bytes for the time-stamp nonce: " + FirstError("RAND_bytes"));
  }
  BignumPtr value(BN_bin2bn(bytes, sizeof bytes, nullptr));
  AsnIntegerPtr nonce(value ? BN_to_ASN1_INTEGER(value.get(), nullptr) : nullptr);
  if (nonce == nullptr) return OutOfMemory();
  *out = std::move(nonce);
  return StoreStatus::Ok();
}

template <typename T, int (*Encode)(const T*, unsigned char**)>
bool ToDer(const T* value, std::string* out) {
  const int size = Encode(value, nullptr);
  if (size <= 0) return false;
  out->resize(static_cast<size_t>(size));
  auto* p = reinterpret_cast<unsigned char*>(out->data());
  return Encode(value, &p) == size;
}

// One DER element at `*pos` of `in`, moved past: *whole with its tag and
// length, *contents without. False for anything else, an indefinite length
// included.
bool NextElement(std::string_view in, size_t* pos, std::string_view* whole,
                 std::string_view* contents) {
  const size_t start = *pos;
  if (start > in.size() || in.size() - start < 2 || (in[start] & 0x1f) == 0x1f) return false;
  size_t header = 2;
  size_t length = static_cast<unsigned char>(in[start + 1]);
  if (length & 0x80) {
    const size_t bytes = length & 0x7f;
    if (bytes == 0 || bytes > 4 || in.size() - start < 2 + bytes) return false;
    length = 0;
    for (size_t i = 0; i < bytes; ++i) {
      length = (length << 8) | static_cast<unsigned char>(in[start + 2 + i]);
    }
    header += bytes;
  }
  if (length > in.size() - start - header) return false;
  *whole = in.substr(start, header + length);
  *contents = in.substr(start + header, length);
  *pos = start + header + length;
  return true;
}

// The token's bytes as the TSA sent them (TimeStampResp ::= SEQUENCE {
// status, timeStampToken }): re-encoding what OpenSSL parsed would sort the
// signed attributes of a TSA that does not, and break the signature. "" when
// the answer is not plain DER.
std::string TokenAsSent(std::string_view reply) {
  std::string_view whole, contents, status, token, unused;
  size_t pos = 0;
  if (!NextElement(reply, &pos, &whole, &contents) || pos != reply.size()) return "";
  pos = 0;
  if (!NextElement(contents, &pos, &status, &unused) ||
      !NextElement(contents, &pos, &token, &unused) || pos != contents.size()) {
    return "";
  }
  return std::string(token);
}

}  // namespace

StoreStatus RequestTimeStamp(const TimeStampAuthority& tsa, std::string_view data,
                             std::string* token, TimeStampInfo* info) {
  ErrorQueueScope errors;
  token->clear();
  const std::string digest = Sha256(data);
  if (digest.size() != kSha256Bytes) return OutOfMemory();
  AsnIntegerPtr nonce;
  StoreStatus status = MakeNonce(&nonce);
  if (!status.ok()) return status;
  TsReqPtr request;
  status = MakeRequest(digest, nonce.get(), tsa.policy_oid, &request);
  if (!status.ok()) return status;
  std::string query;
  if (!ToDer<TS_REQ, i2d_TS_REQ>(request.get(), &query)) return OutOfMemory();

  HttpPostOptions options;
  options.timeout_ms = tsa.timeout_ms;
  HttpResponse response;
  status = HttpPost(tsa.url, "application/timestamp-query", query, options, &response);
  if (!status.ok()) {
    return StoreStatus(status.code(), "cannot get a time stamp: " + status.message());
  }
  const std::string from = "the time-stamp authority at " + tsa.url;
  const auto* start = reinterpret_cast<const unsigned char*>(response.body.data());
  const unsigned char* p = start;
  TsRespPtr reply(d2i_TS_RESP(nullptr, &p, static_cast<long>(response.body.size())));
  if (reply == nullptr || p != start + response.body.size()) {
    return StoreStatus(StoreStatus::kCorrupt, from + " sent an answer that does not read: " +
                                                  FirstError("trailing bytes"));
  }
  TS_STATUS_INFO* status_info = TS_RESP_get_status_info(reply.get());
  const long granted = ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(status_info));
  // "Granted with changes" still holds a token, which is checked as any other.
  if (granted != 0 && granted != 1) {
    return StoreStatus(StoreStatus::kUnavailable,
                       from + " refused the request: " + StatusText(status_info));
  }
  PKCS7* sent = TS_RESP_get_token(reply.get());
  if (sent == nullptr) {
    return StoreStatus(StoreStatus::kCorrupt, from + " granted the request but sent no token");
  }
  std::string der = TokenAsSent(response.body);
  if (der.empty() && !ToDer<PKCS7, i2d_PKCS7>(sent, &der)) return OutOfMemory();
  // What is checked is what the caller keeps.
  status = VerifyAgainst(der, request.get(), tsa.ca_file, info);
  if (!status.ok()) {
    return StoreStatus(status.code(), from + " sent a token that is refused: " + status.message());
  }
  *token = std::move(der);
  return StoreStatus::Ok();
}

StoreStatus VerifyTimeStamp(std::string_view token, std::string_view data,
                            const std::string& ca_file, TimeStampInfo* info) {
  ErrorQueueScope errors;
  const std::string digest = Sha256(data);
  if (digest.size() != kSha256Bytes) return OutOfMemory();
  return VerifyDigest(token, digest, ca_file, info);
}

StoreStatus VerifyTimeStampDigest(std::string_view token, std::string_view sha256,
                                  const std::string& ca_file, TimeStampInfo* info) {
  ErrorQueueScope errors;
  return VerifyDigest(token, sha256, ca_file, info);
}

StoreStatus ReadTimeStamp(std::string_view token, TimeStampInfo* info) {
  ErrorQueueScope errors;
  Pkcs7Ptr parsed;
  TstInfoPtr tst;
  StoreStatus status = ParseToken(token, &parsed, &tst);
  if (!status.ok()) return status;
  return ReadInfo(parsed.get(), tst.get(), info);
}

}  // namespace tav
