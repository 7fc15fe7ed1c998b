// The service's dispatch and handlers, without sockets: logons per session,
// the events an authentication records, and requests that do not decode.
#include "service/dispatch.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "protocol/account_ops.h"
#include "service_test_support.h"
#include "services/security/result_codes.h"
#include "services/security/token_table.h"
#include "testing/temp_data_dir.h"
#include "util/data_dir.h"

namespace tav::service {
namespace {

using namespace protocol;
using testing::EventLines;

// Refuses every event, as a full disk would.
class RefusingSink : public EventSink {
 public:
  StoreStatus Record(AUDITCODE, const std::string&) override {
    return StoreStatus(StoreStatus::kFull, "the disk is full");
  }
};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An empty machine root: no machine-wide store can take the place of
    // the test's data directory.
    char root[] = "/tmp/tav_service_root.XXXXXX";
    ASSERT_NE(mkdtemp(root), nullptr);
    root_ = root;
    SetMachineRootForTesting(root_);
    testing::AddAccount("alice", "Alice-Pass1", {"Analysts", "QA"}, "Alice Archer", true);
  }
  void TearDown() override {
    SetMachineRootForTesting("");
    std::system(("rm -rf '" + root_ + "'").c_str());
  }

  static PeerCredentials Peer(uid_t uid) {
    PeerCredentials peer;
    peer.pid = 1;
    peer.uid = uid;
    peer.gid = uid;
    return peer;
  }

  // Runs one request and decodes its ok reply.
  template <typename Reply>
  Reply Call(Session& session, const MessageWriter& request, uint16_t op) {
    return testing::DispatchForReply<Reply>(session, request.payload(), op);
  }

  AuthenticateReply Authenticate(Session& session, AuthPurpose purpose, std::string user,
                                 std::string password) {
    return Call<AuthenticateReply>(
        session, EncodeRequest(AuthenticateRequest{purpose, std::move(user), "", std::move(password)}),
        kOpAuthenticate);
  }

  LogonReply Logon(Session& session, std::string user, std::string password) {
    return Call<LogonReply>(session, EncodeRequest(LogonRequest{std::move(user), "", std::move(password)}),
                            kOpLogon);
  }

  TokenReply Token(Session& session, Operation op, int64_t token) {
    return Call<TokenReply>(session, EncodeTokenRequest(op, TokenRequest{token}), op);
  }

  testing::TempDataDir data_;
  std::string root_;
  StoreEventSink events_;
};

TEST_F(DispatchTest, TokenNumbersMeanSomethingOnlyInTheirSession) {
  Session a(Peer(1000), events_);
  Session b(Peer(1000), events_);
  LogonReply logon = Logon(a, "alice", "Alice-Pass1");
  ASSERT_EQ(logon.code, 0);
  EXPECT_EQ(logon.token, 1);
  EXPECT_EQ(logon.user.user_name, "alice");
  EXPECT_EQ(logon.user.full_name, "Alice Archer");
  EXPECT_TRUE(logon.user.is_admin);

  // The same peer uid on another connection gains nothing by the number.
  EXPECT_EQ(Token(b, kOpDuplicateToken, logon.token).code, kSecInvalidHandle);
  EXPECT_EQ(Token(b, kOpCloseToken, logon.token).code, kSecInvalidHandle);
  EXPECT_EQ(Call<EventReply>(b, EncodeTokenRequest(kOpRecordLogoff, TokenRequest{logon.token}),
                             kOpRecordLogoff)
                .code,
            kSecInvalidHandle);
  EXPECT_EQ(a.logon_count(), 1u);

  // A duplicate is a logon of its own; numbers are never handed out twice.
  TokenReply duplicate = Token(a, kOpDuplicateToken, logon.token);
  ASSERT_EQ(duplicate.code, 0);
  EXPECT_EQ(duplicate.token, 2);
  EXPECT_EQ(Token(a, kOpCloseToken, logon.token).code, 0);
  EXPECT_EQ(Token(a, kOpCloseToken, logon.token).code, kSecInvalidHandle);
  EXPECT_EQ(Logon(a, "alice", "Alice-Pass1").token, 3);
  EXPECT_EQ(Token(a, kOpCloseToken, 0).code, kSecInvalidHandle);
}

TEST_F(DispatchTest, EndingASessionClosesItsTokens) {
  const size_t open_before = TokenTable::Global().size();
  HANDLE handle = nullptr;
  {
    Session session(Peer(1000), events_);
    const int64_t number = Logon(session, "alice", "Alice-Pass1").token;
    ASSERT_EQ(Token(session, kOpDuplicateToken, number).code, 0);
    ASSERT_NE(session.FindLogon(number), nullptr);
    handle = session.FindLogon(number)->token;
    EXPECT_EQ(TokenTable::Global().size(), open_before + 2);
  }
  EXPECT_EQ(TokenTable::Global().size(), open_before);
  EXPECT_EQ(KorWinSec_CloseToken(handle), kSecInvalidHandle);
  // The service thread is nobody once a logon has been read.
  EXPECT_EQ(KorWinSec_aGetImpersonatedUser(nullptr, 0), -1);
}

TEST_F(DispatchTest, LoginRecordsItsEventsUnderTheServicesNames) {
  Session session(Peer(1000), events_);
  AuthenticateReply ok = Authenticate(session, AuthPurpose::kLogin, "alice", "Alice-Pass1");
  ASSERT_EQ(ok.code, 0);
  EXPECT_EQ(ok.event_status, 0);
  EXPECT_EQ(ok.user.user_name, "alice");
  EXPECT_EQ(ok.user.full_name, "Alice Archer");
  EXPECT_EQ(ok.user.groups, (std::vector<std::string>{"Analysts", "QA"}));
  EXPECT_TRUE(ok.user.is_admin);

  // A mistyped name is often a password: it is never recorded.
  AuthenticateReply typo = Authenticate(session, AuthPurpose::kLogin, "Alice-Pass1", "x");
  EXPECT_EQ(typo.code, kSecLogonFailure);
  EXPECT_EQ(typo.recorded_name, kUnknownUserName);
  EXPECT_TRUE(typo.user.user_name.empty());
  // A control character fails unchecked.
  EXPECT_EQ(Authenticate(session, AuthPurpose::kLogin, "alice\n10 admin", "Alice-Pass1").code,
            kSecLogonFailure);

  // Three failures lock the account (the default policy); the third says so.
  EXPECT_FALSE(Authenticate(session, AuthPurpose::kLogin, "alice", "wrong").locked_now);
  EXPECT_FALSE(Authenticate(session, AuthPurpose::kLogin, "alice", "wrong").locked_now);
  AuthenticateReply locking = Authenticate(session, AuthPurpose::kLogin, "alice", "wrong");
  EXPECT_TRUE(locking.locked_now);
  EXPECT_EQ(locking.recorded_name, "alice");

  EXPECT_EQ(EventLines(), (std::vector<std::string>{
                              "alice, Successful Login", "(unknown user), Failed Login",
                              "(unknown user), Failed Login", "alice, Failed Login",
                              "alice, Failed Login", "alice, Failed Login", "alice, Account Locked"}));
}

TEST_F(DispatchTest, SignaturesAndChecksRecordWhatTheirPurposeAsks) {
  Session session(Peer(1000), events_);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kCheck, "alice", "wrong").code, kSecLogonFailure);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kSignature, "alice", "Alice-Pass1").code, 0);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kSignature, "alice", "wrong").code, kSecLogonFailure);
  EXPECT_EQ(EventLines(), (std::vector<std::string>{"alice, Failed E-Signature Attempt"}));
}

// frank's password was set 100 days ago: past the default maximum age.
TEST_F(DispatchTest, AnExpiredPasswordNeitherLogsOnNorSignsUntilItsUserChangesIt) {
  {
    DataDirChoice choice;
    ASSERT_TRUE(LocateDataDir(&choice).ok());
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(choice.path + "/" + kAccountsDbFile,
                                 AccountStore::Mode::kReadWrite, &store, &error),
              AccountStore::Status::kOk);
    PasswordSet long_ago;
    long_ago.now = static_cast<int64_t>(std::time(nullptr)) - 100 * 86400;
    ASSERT_EQ(store->Add({"frank", "Frank", "", {"Signers"}, false, false},
                         "Velvet-Compass-Ridge-58", long_ago, &error),
              AccountStore::Status::kOk);
  }
  Session session(Peer(1000), events_);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kLogin, "frank", "Velvet-Compass-Ridge-58").code,
            kSecPasswordExpired);
  AuthenticateReply sign =
      Authenticate(session, AuthPurpose::kSignature, "frank", "Velvet-Compass-Ridge-58");
  EXPECT_EQ(sign.code, kSecPasswordExpired);
  EXPECT_TRUE(sign.user.user_name.empty()) << "nothing of the signer comes back";
  EXPECT_EQ(Logon(session, "frank", "Velvet-Compass-Ridge-58").token, 0);

  auto change = [&](const std::string& old_password, const std::string& new_password) {
    return Call<ChangePasswordReply>(
        session, EncodeRequest(ChangePasswordRequest{"frank", "", "", ""}, old_password,
                               new_password),
        kOpChangePassword);
  };
  EXPECT_EQ(change("guess", "Brisk-Harbor-Lantern-93").code, kSecLogonFailure);
  ChangePasswordReply weak = change("Velvet-Compass-Ridge-58", "frank1");
  EXPECT_EQ(weak.code, kSecPasswordRestriction);
  EXPECT_EQ(weak.reason, "the password is shorter than 12 characters");
  ChangePasswordReply same = change("Velvet-Compass-Ridge-58", "Velvet-Compass-Ridge-58");
  EXPECT_EQ(same.code, kSecPasswordRestriction);
  ASSERT_EQ(change("Velvet-Compass-Ridge-58", "Brisk-Harbor-Lantern-93").code, kSecOk);

  EXPECT_EQ(Authenticate(session, AuthPurpose::kSignature, "frank", "Brisk-Harbor-Lantern-93").code,
            kSecOk);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kLogin, "frank", "Velvet-Compass-Ridge-58").code,
            kSecLogonFailure);
  EXPECT_EQ(EventLines(),
            (std::vector<std::string>{
                "frank, Failed Login", "frank, Password Expired",
                "frank, Failed E-Signature Attempt", "frank, Password Expired",
                "frank, Failed Login", "frank, Failed Login", "frank, Failed Login",
                "frank, Password Changed", "frank, Failed Login"}));
}

TEST_F(DispatchTest, ANulByteCutsNothingShort) {
  Session session(Peer(1000), events_);
  const std::string tail_password("Alice-Pass1\0junk", 16);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kCheck, "alice", tail_password).code,
            kSecLogonFailure);
  EXPECT_EQ(Authenticate(session, AuthPurpose::kCheck, std::string("alice\0x", 7), "Alice-Pass1").code,
            kSecLogonFailure);
  EXPECT_EQ(Logon(session, "alice", tail_password).code, kSecLogonFailure);
  EXPECT_EQ(Call<LogonReply>(session, EncodeRequest(LogonRequest{"alice", std::string("\0", 1),
                                                                  "Alice-Pass1"}),
                             kOpLogon)
                .code,
            kSecLogonFailure);
  EXPECT_EQ(session.logon_count(), 0u);
}

TEST_F(DispatchTest, AnEventThatCannotBeStoredRefusesTheLogin) {
  RefusingSink refusing;
  Session session(Peer(1000), refusing);
  AuthenticateReply reply = Authenticate(session, AuthPurpose::kLogin, "alice", "Alice-Pass1");
  EXPECT_EQ(reply.code, 0);
  EXPECT_EQ(reply.event_status, -static_cast<int64_t>(StoreStatus::kFull));
  EXPECT_EQ(reply.event_message, "the disk is full");
  EXPECT_TRUE(reply.user.user_name.empty());
  EXPECT_TRUE(reply.user.groups.empty());
}

TEST_F(DispatchTest, LogoffNamesTheUserOfTheToken) {
  Session session(Peer(1000), events_);
  const int64_t token = Logon(session, "alice", "Alice-Pass1").token;
  EventReply reply =
      Call<EventReply>(session, EncodeTokenRequest(kOpRecordLogoff, TokenRequest{token}), kOpRecordLogoff);
  EXPECT_EQ(reply.code, 0);
  EXPECT_EQ(reply.event_status, 0);
  EXPECT_EQ(EventLines(), (std::vector<std::string>{"alice, Logged Off"}));
}

TEST_F(DispatchTest, WhoAsksComesFromTheSessionNeverFromTheRequest) {
  Session root(Peer(0), events_);
  Session nobody(Peer(4000000000u), events_);
  EXPECT_EQ(Call<HelloReply>(nobody, EncodeRequest(HelloRequest{}), kOpHello).peer_uid, 4000000000);
  EXPECT_TRUE(Call<FlagReply>(root, EncodeEmptyRequest(kOpIsOsAdmin), kOpIsOsAdmin).flag);
  EXPECT_FALSE(Call<FlagReply>(nobody, EncodeEmptyRequest(kOpIsOsAdmin), kOpIsOsAdmin).flag);
  EXPECT_EQ(Call<NameReply>(nobody, EncodeNameRequest(NameRequest{"alice"}), kOpRecordedUserName).name,
            "alice");
  EXPECT_EQ(Call<NameReply>(nobody, EncodeNameRequest(NameRequest{"Alice-Pass1"}), kOpRecordedUserName)
                .name,
            kUnknownUserName);
}

TEST_F(DispatchTest, UndecodableRequestsEndTheConnectionUnknownOnesDoNot) {
  Session session(Peer(1000), events_);
  EXPECT_TRUE(HandleRequest(session, std::string("\x00\x01\x00", 3)).close);
  // Hello with a field left over, authenticate cut short.
  std::string hello = EncodeRequest(HelloRequest{}).payload();
  EXPECT_TRUE(HandleRequest(session, hello + '\x01').close);
  std::string auth = EncodeRequest(AuthenticateRequest{AuthPurpose::kLogin, "alice", "", "x"}).payload();
  EXPECT_TRUE(HandleRequest(session, auth.substr(0, auth.size() - 1)).close);
  EXPECT_TRUE(HandleRequest(session, EncodeEmptyRequest(kOpGetDomain).payload() + "x").close);
  // Nothing was recorded for the requests that did not decode.
  EXPECT_TRUE(EventLines().empty());

  // An unknown operation, and hello in a version the service does not speak.
  const char next_version[] = {0, static_cast<char>(kProtocolVersion + 1), 0, 1};
  for (std::string payload : {EncodeEmptyRequest(static_cast<Operation>(999)).payload(),
                              std::string(next_version, 4)}) {
    DispatchResult result = HandleRequest(session, payload);
    EXPECT_FALSE(result.close);
    MessageReader reader(std::string_view(result.frame).substr(kFrameHeaderBytes));
    EXPECT_EQ(reader.IntIn(kReplyStoreFailed, kReplyOk), kReplyUnknown);
  }
}

}  // namespace
}  // namespace tav::service
