#include "services/security/password_helper_server.h"

#include <sodium.h>
#include <syslog.h>

#include "protocol/account_ops.h"
#include "protocol/operations.h"
#include "protocol/wire.h"
#include "services/security/pam_conversation.h"
#include "services/security/password_helper_client.h"
#include "services/security/result_codes.h"
#include "services/security/unix_accounts.h"
#include "util/auth_syslog.h"
#include "util/socket_io.h"

namespace tav {
namespace {

using namespace protocol;

// A request holds a name and two passwords: far less than a general frame.
constexpr uint32_t kMaxRequestBytes = 3 * 4096 + 64;
constexpr int kReadTimeoutMs = 10000;

void Wipe(std::string* text) {
  if (!text->empty()) sodium_memzero(text->data(), text->size());
}

void Answer(int fd, const MessageWriter& reply) {
  std::string frame;
  if (reply.Frame(&frame).ok()) WriteAll(fd, frame, kPasswordHelperTimeoutMs);
}

int Refuse(int fd, int64_t status, const std::string& message) {
  Answer(fd, ErrorReply(kOpChangePassword, status, message));
  return kSecBackendUnavailable;
}

}  // namespace

int ServePasswordChange(int fd, const PasswordHelperOptions& options) {
  PeerCredentials peer;
  if (!GetPeerCredentials(fd, &peer) || peer.uid != options.allowed_uid) {
    AuthSyslog(LOG_WARNING, "system password helper: refused a request of uid " +
                                std::to_string(peer.uid) + " (pid " + std::to_string(peer.pid) +
                                "): only the compliance service may ask");
    return Refuse(fd, kReplyRefused, "only the compliance service may ask for a change");
  }
  std::string payload;
  if (!ReadFrame(fd, kMaxRequestBytes, FrameTimeouts{kReadTimeoutMs, kReadTimeoutMs}, &payload)
           .ok()) {
    Wipe(&payload);
    return Refuse(fd, kReplyMalformed, "no complete request");
  }
  MessageReader reader(payload);
  ChangePasswordRequest request;
  const bool decoded = reader.version() == kProtocolVersion &&
                       reader.operation() == kOpChangePassword &&
                       DecodeRequest(reader, &request).ok() && request.domain.empty();
  Wipe(&payload);
  if (!decoded) {
    Wipe(&request.old_password);
    Wipe(&request.new_password);
    return Refuse(fd, kReplyMalformed, "not a change of a system password");
  }

  ChangePasswordReply reply;
  UnixUser user;
  std::string detail;
  if (LookUpUnixUser(request.user, &user) && user.uid == 0) {
    // Whoever knows it may change it at a terminal; the suite never does.
    reply.code = kSecAccountRestriction;
  } else {
    reply.code = ChangePamPassword(options.pam_service, request.user, request.old_password,
                                   request.new_password, &detail);
  }
  Wipe(&request.old_password);
  Wipe(&request.new_password);
  if (reply.code == kSecPasswordRestriction) reply.reason = detail;
  if (reply.code == kSecBackendUnavailable) reply.detail = detail;
  // The name only when it is an account: a typed name may be a password.
  const std::string named = user.name.empty() ? "(unknown user)" : user.name;
  if (reply.code == kSecOk) {
    AuthSyslog(LOG_NOTICE, "system password helper: the password of " + named +
                               " was changed for the compliance service");
  } else {
    AuthSyslog(LOG_NOTICE, "system password helper: a change of the password of " + named +
                               " was refused (" + std::to_string(reply.code) + ")");
  }
  Answer(fd, EncodeReply(reply));
  return static_cast<int>(reply.code);
}

}  // namespace tav
