// Helpers of the service tests: accounts in the test's data directory, the
// event log read back as "user, event" lines, and raw frames on a socket.
#ifndef TAV_TESTS_SERVICE_SERVICE_TEST_SUPPORT_H_
#define TAV_TESTS_SERVICE_SERVICE_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <memory>
#include <string>
#include <vector>

#include "protocol/operations.h"
#include "service/dispatch.h"
#include "services/filelib/system_event_manager.h"
#include "testing/event_lines.h"
#include "services/security/account_store.h"
#include "services/security/security_config.h"
#include "util/data_dir.h"
#include "util/socket_io.h"

namespace tav::testing {

inline void AddAccount(const std::string& name, const std::string& password,
                       std::vector<std::string> groups = {}, const std::string& full_name = "",
                       bool admin = false) {
  DataDirChoice choice;
  StoreStatus located = LocateDataDir(&choice);
  ASSERT_TRUE(located.ok()) << located.message();
  std::unique_ptr<AccountStore> store;
  std::string error;
  ASSERT_EQ(AccountStore::Open(choice.path + "/" + kAccountsDbFile, AccountStore::Mode::kCreate,
                               &store, &error),
            AccountStore::Status::kOk)
      << error;
  Account account;
  account.name = name;
  account.full_name = full_name;
  account.groups = std::move(groups);
  account.is_admin = admin;
  ASSERT_EQ(store->Add(account, password, &error), AccountStore::Status::kOk) << error;
}

inline std::string FrameOf(const protocol::MessageWriter& writer) {
  std::string frame;
  EXPECT_TRUE(writer.Frame(&frame).ok());
  return frame;
}

inline bool Send(int fd, std::string_view bytes) { return WriteAll(fd, bytes, 5000).ok(); }

// The next reply on `fd`, waiting at most `wait_ms` for it.
inline StoreStatus Receive(int fd, std::string* payload, int wait_ms = 5000) {
  return ReadFrame(fd, protocol::kMaxPayloadBytes, FrameTimeouts{wait_ms, wait_ms}, payload);
}

// Runs one request payload through the service's dispatch table for
// `session` and decodes its ok reply (a failure is a test failure).
template <typename Reply>
Reply DispatchForReply(service::Session& session, std::string_view payload, uint16_t op) {
  service::DispatchResult result = service::HandleRequest(session, payload);
  EXPECT_FALSE(result.close);
  Reply reply;
  protocol::MessageReader reader(
      std::string_view(result.frame).substr(protocol::kFrameHeaderBytes));
  EXPECT_TRUE(protocol::ReadReplyStatus(reader, op).ok()) << reader.status().message();
  EXPECT_TRUE(DecodeReply(reader, &reply).ok()) << reader.status().message();
  return reply;
}

// Sends a request and decodes its reply into *reply; false on any failure.
template <typename Reply>
bool Call(int fd, const protocol::MessageWriter& request, uint16_t op, Reply* reply) {
  std::string payload;
  if (!Send(fd, FrameOf(request)) || !Receive(fd, &payload).ok()) return false;
  protocol::MessageReader reader(payload);
  return protocol::ReadReplyStatus(reader, op).ok() && protocol::DecodeReply(reader, reply).ok();
}

// True when the service ended the connection: the next read sees its end
// within `wait_ms`.
inline bool ConnectionEnded(int fd, int wait_ms = 5000) {
  std::string payload;
  StoreStatus status = Receive(fd, &payload, wait_ms);
  return status.code() == StoreStatus::kNotFound || status.code() == StoreStatus::kIOError;
}

}  // namespace tav::testing

#endif  // TAV_TESTS_SERVICE_SERVICE_TEST_SUPPORT_H_
