#include "services/security/password_helper_client.h"

#include <unistd.h>

#include <algorithm>

#include "protocol/account_ops.h"
#include "protocol/operations.h"
#include "protocol/wire.h"
#include "services/security/result_codes.h"
#include "util/socket_io.h"

namespace tav {

int ChangePasswordThroughHelper(const std::string& socket_path, const std::string& user_name,
                                std::string_view old_password, std::string_view new_password,
                                std::string* detail) {
  using namespace protocol;
  auto unavailable = [&](const std::string& why) {
    *detail = "system password helper " + socket_path + ": " + why;
    return kSecBackendUnavailable;
  };
  std::string error;
  const int fd = ConnectUnixSocket(socket_path, &error);
  if (fd < 0) return unavailable(error);
  std::string frame;
  StoreStatus status =
      EncodeRequest(ChangePasswordRequest{user_name, "", {}, {}}, old_password, new_password)
          .Frame(&frame);
  if (status.ok()) status = WriteAll(fd, frame, kPasswordHelperTimeoutMs);
  // The frame held both passwords.
  std::fill(frame.begin(), frame.end(), '\0');
  std::string payload;
  if (status.ok()) {
    status = ReadFrame(fd, kMaxPayloadBytes,
                       FrameTimeouts{kPasswordHelperTimeoutMs, kPasswordHelperTimeoutMs}, &payload);
  }
  ::close(fd);
  if (!status.ok()) {
    return unavailable(status.code() == StoreStatus::kNotFound ? "it gave no answer"
                                                               : status.message());
  }
  MessageReader reader(payload);
  status = ReadReplyStatus(reader, kOpChangePassword);
  if (!status.ok()) return unavailable(status.message());
  ChangePasswordReply reply;
  if (!DecodeReply(reader, &reply).ok()) return unavailable("its answer is malformed");
  const int code = static_cast<int>(reply.code);
  if (code == kSecPasswordRestriction) *detail = reply.reason;
  if (code == kSecBackendUnavailable) return unavailable(reply.detail);
  return code;
}

}  // namespace tav
