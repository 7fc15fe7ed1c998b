// The real tavsecd on a socket and data directory of the test's own:
// connections that misbehave end alone, tokens stay on their connection,
// and the service names its peers by their kernel credentials. As root,
// a system user made for the test plays the attacker.
#include <fcntl.h>
#include <sys/prctl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "protocol/account_ops.h"
#include "service_test_support.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/log_integrity.h"
#include "services/security/account_store.h"
#include "services/security/result_codes.h"
#include "testing/system_user.h"
#include "testing/temp_data_dir.h"

namespace tav::testing {
namespace {

using namespace protocol;
using Clock = std::chrono::steady_clock;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};


using testing::SystemUser;

class TavsecdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = data_.path() + "/root";
    socket_ = data_.path() + "/tavsecd.socket";
    ASSERT_EQ(mkdir(root_.c_str(), 0755), 0);
    AddAccount("alice", "Alice-Pass1", {"QA"}, "Alice Archer");
  }

  void TearDown() override { EXPECT_TRUE(Stop()); }

  // Starts tavsecd with `extra` arguments and waits until it answers.
  void Start(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {TAVSECD_PATH, "--socket", socket_, "--root", root_};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      // A test that dies leaves no service behind.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int log = open((data_.path() + "/tavsecd.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (log >= 0) dup2(log, 2);
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      // The socket accepts connections before the service serves them (it
      // drops its privileges in between): ready means answered.
      std::string error;
      const int fd = ConnectUnixSocket(socket_, &error);
      HelloReply hello;
      const bool answered = fd >= 0 && Call(fd, EncodeRequest(HelloRequest{}), kOpHello, &hello);
      if (fd >= 0) close(fd);
      if (answered) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FAIL() << "tavsecd did not start: " << Log();
  }

  // SIGTERM, and a clean exit within a few seconds.
  bool Stop() {
    if (pid_ <= 0) return true;
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        ADD_FAILURE() << "tavsecd did not stop on SIGTERM";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << ": " << Log();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  int Connect() {
    std::string error;
    const int fd = ConnectUnixSocket(socket_, &error);
    EXPECT_GE(fd, 0) << error;
    return fd;
  }

  std::string Log() const {
    std::ifstream in(data_.path() + "/tavsecd.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDataDir data_;
  std::string root_;
  std::string socket_;
  pid_t pid_ = -1;
};

TEST_F(TavsecdTest, HelloNamesTheKernelsUidForThePeer) {
  Start();
  Fd fd(Connect());
  HelloReply hello;
  ASSERT_TRUE(Call(fd.get(), EncodeRequest(HelloRequest{}), kOpHello, &hello));
  EXPECT_EQ(hello.peer_uid, static_cast<int64_t>(getuid()));
  EXPECT_EQ(hello.service_version, kProtocolVersion);
  struct stat st;
  ASSERT_EQ(lstat(socket_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0660u);
}

// Intervals in which nothing was logged are sealed too, as they end: the
// key steps on and the seals reach the present without any append.
TEST_F(TavsecdTest, EachIntervalIsSealedAsItEndsWhileNothingIsLogged) {
  VerificationKey key;
  ASSERT_TRUE(CreateSealingKey(data_.path(), 1, false, &key).ok());
  {
    std::shared_ptr<ComplianceDb> made;
    ASSERT_TRUE(ComplianceDb::GetAt(data_.File("compliance.db"), &made).ok());
  }
  Start();
  SealKeyState state;
  for (int i = 0; i < 100 && (!ReadSealKey(data_.path(), &state).ok() || state.epoch < 3); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_GE(state.epoch, 3u);
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::GetAt(data_.File("compliance.db"), &db).ok());
  IntegrityOptions options;
  options.key = &key;
  std::string note;
  options.current_epoch = CurrentSealEpoch(data_.File("compliance.db"), key, &note);
  LogIntegrity integrity;
  ASSERT_TRUE(db->Read([&](SqlDb& c) {
                return CheckLogIntegrity(c, ChainedLog::kSystemEvents, options, nullptr, &integrity);
              }).ok());
  EXPECT_TRUE(integrity.ok()) << integrity.findings.front().text;
  ComplianceDb::ReleaseCache();
}

TEST_F(TavsecdTest, AMalformedFrameEndsOnlyItsConnection) {
  Start();
  Fd bad(Connect());
  Fd good(Connect());
  // A frame whose payload is no request: authenticate, then a field of no
  // known type.
  const char frame[] = {0, 0, 0, 5, 0, static_cast<char>(kProtocolVersion), 0, 3, 7};
  ASSERT_TRUE(Send(bad.get(), std::string(frame, sizeof frame)));
  EXPECT_TRUE(ConnectionEnded(bad.get()));
  HelloReply hello;
  EXPECT_TRUE(Call(good.get(), EncodeRequest(HelloRequest{}), kOpHello, &hello));
  // A new connection is served too.
  Fd again(Connect());
  EXPECT_TRUE(Call(again.get(), EncodeRequest(HelloRequest{}), kOpHello, &hello));
}

TEST_F(TavsecdTest, AnOversizedHeaderEndsTheConnectionAtOnce) {
  Start();
  Fd fd(Connect());
  const auto start = Clock::now();
  ASSERT_TRUE(Send(fd.get(), "\x7f\xff\xff\xff"));
  EXPECT_TRUE(ConnectionEnded(fd.get(), 3000));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(TavsecdTest, AStalledHalfFrameHoldsUpNobody) {
  Start();
  Fd stalled(Connect());
  std::string frame = FrameOf(EncodeRequest(AuthenticateRequest{AuthPurpose::kCheck, "alice", "", "x"}));
  ASSERT_TRUE(Send(stalled.get(), frame.substr(0, frame.size() / 2)));
  Fd other(Connect());
  const auto start = Clock::now();
  DomainReply domain;
  ASSERT_TRUE(Call(other.get(), EncodeEmptyRequest(kOpGetDomain), kOpGetDomain, &domain));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_FALSE(domain.has_domain);
}

TEST_F(TavsecdTest, ATokenCopiedToAnotherConnectionIsWorthless) {
  Start();
  Fd owner(Connect());
  Fd thief(Connect());
  LogonReply logon;
  ASSERT_TRUE(Call(owner.get(), EncodeRequest(LogonRequest{"alice", "", "Alice-Pass1"}), kOpLogon, &logon));
  ASSERT_EQ(logon.code, 0);
  ASSERT_NE(logon.token, 0);
  EXPECT_EQ(logon.user.full_name, "Alice Archer");

  TokenReply token;
  ASSERT_TRUE(Call(thief.get(), EncodeTokenRequest(kOpDuplicateToken, TokenRequest{logon.token}),
                   kOpDuplicateToken, &token));
  EXPECT_EQ(token.code, kSecInvalidHandle);
  EventReply logoff;
  ASSERT_TRUE(Call(thief.get(), EncodeTokenRequest(kOpRecordLogoff, TokenRequest{logon.token}),
                   kOpRecordLogoff, &logoff));
  EXPECT_EQ(logoff.code, kSecInvalidHandle);
  ASSERT_TRUE(Call(thief.get(), EncodeTokenRequest(kOpCloseToken, TokenRequest{logon.token}),
                   kOpCloseToken, &token));
  EXPECT_EQ(token.code, kSecInvalidHandle);

  // The owner's logon is untouched by all of that.
  ASSERT_TRUE(Call(owner.get(), EncodeTokenRequest(kOpRecordLogoff, TokenRequest{logon.token}),
                   kOpRecordLogoff, &logoff));
  EXPECT_EQ(logoff.code, 0);
  EXPECT_EQ(logoff.event_status, 0);
  EXPECT_EQ(EventLines(), (std::vector<std::string>{"alice, Logged Off"}));
}

TEST_F(TavsecdTest, TooManyConnectionsOfOneUserAreRefusedOthersAreNot) {
  Start();
  std::vector<std::unique_ptr<Fd>> held;
  HelloReply hello;
  for (int i = 0; i < 32; ++i) {
    held.push_back(std::make_unique<Fd>(Connect()));
    ASSERT_TRUE(Call(held.back()->get(), EncodeRequest(HelloRequest{}), kOpHello, &hello)) << i;
  }
  Fd refused(Connect());
  EXPECT_TRUE(ConnectionEnded(refused.get()));
  held.pop_back();
  // The freed place is taken once the service has seen the close.
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  bool served = false;
  while (!served && Clock::now() < deadline) {
    Fd next(Connect());
    served = Call(next.get(), EncodeRequest(HelloRequest{}), kOpHello, &hello);
  }
  EXPECT_TRUE(served);
}

// Runs `body` in a child process as `user` (groups dropped) and returns its
// exit status: 0 when every check in it held.
template <typename Body>
int RunAs(const SystemUser& user, Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(user.gid()) != 0 || setuid(user.uid()) != 0) _exit(100);
    if (getuid() != user.uid() || setuid(0) == 0) _exit(101);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

TEST_F(TavsecdTest, AnotherSystemUserIsNamedByTheKernelAndGainsNoLogon) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a system user";
  SystemUser attacker;
  ASSERT_TRUE(attacker.ok());
  Start();
  // The socket's folder is open to all: only the socket's own mode keeps
  // the attacker out.
  ASSERT_EQ(chmod(data_.path().c_str(), 0755), 0);

  // The socket is 0660: a user outside its group cannot even connect.
  EXPECT_EQ(RunAs(attacker, [&] {
              std::string error;
              return ConnectUnixSocket(socket_, &error) < 0 ? 0 : 1;
            }),
            0);

  // Admitted through the group, as the service's clients are.
  ASSERT_EQ(chown(socket_.c_str(), 0, attacker.gid()), 0);
  Fd owner(Connect());
  LogonReply logon;
  ASSERT_TRUE(Call(owner.get(), EncodeRequest(LogonRequest{"alice", "", "Alice-Pass1"}), kOpLogon, &logon));
  ASSERT_EQ(logon.code, 0);

  const int64_t attacker_uid = attacker.uid();
  EXPECT_EQ(RunAs(attacker, [&] {
              std::string error;
              const int fd = ConnectUnixSocket(socket_, &error);
              if (fd < 0) return 2;
              // A hello that claims uid 0 in a field of its own is no hello.
              MessageWriter claim(kOpHello);
              claim.Int(kProtocolVersion).Int(0);
              if (!Send(fd, FrameOf(claim)) || !ConnectionEnded(fd)) return 3;
              close(fd);

              const int next = ConnectUnixSocket(socket_, &error);
              HelloReply hello;
              if (!Call(next, EncodeRequest(HelloRequest{}), kOpHello, &hello)) return 4;
              if (hello.peer_uid != attacker_uid) return 5;
              FlagReply admin;
              if (!Call(next, EncodeEmptyRequest(kOpIsOsAdmin), kOpIsOsAdmin, &admin) || admin.flag) {
                return 6;
              }
              // Every token number near the owner's is worthless here.
              for (int64_t number = 0; number <= logon.token + 8; ++number) {
                TokenReply token;
                if (!Call(next, EncodeTokenRequest(kOpDuplicateToken, TokenRequest{number}),
                          kOpDuplicateToken, &token) ||
                    token.code != kSecInvalidHandle) {
                  return 7;
                }
                EventReply logoff;
                if (!Call(next, EncodeTokenRequest(kOpRecordLogoff, TokenRequest{number}),
                          kOpRecordLogoff, &logoff) ||
                    logoff.code != kSecInvalidHandle) {
                  return 8;
                }
              }
              close(next);
              return 0;
            }),
            0);

  // The service's own connection still holds its logon; nothing was recorded
  // for the attacker.
  FlagReply admin;
  ASSERT_TRUE(Call(owner.get(), EncodeEmptyRequest(kOpIsOsAdmin), kOpIsOsAdmin, &admin));
  EXPECT_TRUE(admin.flag);
  TokenReply duplicate;
  ASSERT_TRUE(Call(owner.get(), EncodeTokenRequest(kOpDuplicateToken, TokenRequest{logon.token}),
                   kOpDuplicateToken, &duplicate));
  EXPECT_EQ(duplicate.code, 0);
  EXPECT_TRUE(EventLines().empty());
}

TEST_F(TavsecdTest, ChangedSystemUidsAreListedForAnAdministratorOnly) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a system user";
  {
    // bob was first seen as uid 1999; a logon as uid 2002 was refused.
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(data_.File(kAccountsDbFile), AccountStore::Mode::kReadWrite,
                                 &store, &error),
              AccountStore::Status::kOk)
        << error;
    bool same = true;
    int64_t recorded = 0;
    ASSERT_EQ(store->ConfirmSystemUid("bob", 1999, 0, &error), AccountStore::Status::kOk);
    ASSERT_EQ(store->CheckSystemUid("bob", 2002, 1, &same, &recorded, &error),
              AccountStore::Status::kOk);
    ASSERT_FALSE(same);
    ASSERT_EQ(store->CheckSystemUid("carol", 2003, 1, &same, &recorded, &error),
              AccountStore::Status::kOk);
  }
  SystemUser member;
  ASSERT_TRUE(member.ok());
  Start();
  ASSERT_EQ(chmod(data_.path().c_str(), 0755), 0);
  ASSERT_EQ(chown(socket_.c_str(), 0, member.gid()), 0);

  // The machine's administrator gets bob, and only bob.
  Fd admin(Connect());
  ListChangedUidsReply list;
  ASSERT_TRUE(Call(admin.get(), EncodeRequest(ListChangedUidsRequest{}), kOpListChangedUids, &list));
  ASSERT_EQ(list.code, kAccountOk) << list.message;
  ASSERT_EQ(list.uids.size(), 1u);
  EXPECT_EQ(list.uids[0].name, "bob");
  EXPECT_EQ(list.uids[0].uid, 1999);
  EXPECT_EQ(list.uids[0].refused_uid, 2002);

  // A member of the service's group, with no logon that may manage the
  // accounts, learns nothing.
  EXPECT_EQ(RunAs(member, [&] {
              std::string error;
              const int fd = ConnectUnixSocket(socket_, &error);
              ListChangedUidsReply refused;
              if (!Call(fd, EncodeRequest(ListChangedUidsRequest{}), kOpListChangedUids, &refused)) {
                return 2;
              }
              close(fd);
              return refused.code != kAccountOk && refused.uids.empty() ? 0 : 3;
            }),
            0);
}

TEST_F(TavsecdTest, RunAsItsUserItGivesUpRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch users";
  SystemUser service;
  ASSERT_TRUE(service.ok());
  // The service user must reach the data directory.
  ASSERT_EQ(chmod(data_.path().c_str(), 0755), 0);
  Start({"--user", service.name()});
  struct stat st;
  ASSERT_EQ(lstat(socket_.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_gid, service.gid());

  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  std::string uids;
  while (std::getline(status, line)) {
    if (line.rfind("Uid:", 0) == 0) uids = line;
  }
  const std::string id = std::to_string(service.uid());
  EXPECT_EQ(uids, "Uid:\t" + id + "\t" + id + "\t" + id + "\t" + id);

  // Only root (and the socket's group) may connect; root here.
  Fd fd(Connect());
  HelloReply hello;
  EXPECT_TRUE(Call(fd.get(), EncodeRequest(HelloRequest{}), kOpHello, &hello));
  EXPECT_TRUE(Stop());
}

TEST_F(TavsecdTest, AStaleSocketIsReplacedAnythingElseIsNot) {
  Start();
  ASSERT_TRUE(Stop());
  // The socket of the stopped service is still there: the next one starts.
  Start();
  ASSERT_TRUE(Stop());
  ASSERT_EQ(unlink(socket_.c_str()), 0);
  std::ofstream(socket_) << "not a socket";
  const std::string target = data_.path() + "/target";
  std::ofstream(target) << "keep";
  pid_t pid = fork();
  if (pid == 0) {
    execl(TAVSECD_PATH, TAVSECD_PATH, "--socket", socket_.c_str(), "--root", root_.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  std::ifstream kept(socket_);
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "not a socket");
}

}  // namespace
}  // namespace tav::testing
