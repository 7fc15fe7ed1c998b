// Locking accounts after repeated failures: the store's rules on a clock of
// the test's, and the security service refusing a locked account unchecked.
#include "services/security/lockout.h"

#include <gtest/gtest.h>
#include <syslog.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include <string>
#include <vector>

#include "security_test_support.h"
#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "util/auth_syslog.h"

namespace tav {
namespace {

using testing::TempDataDir;

class LockoutStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LockoutStore::OpenIn(dir_.path(), &store_).ok()); }

  // Records a failure at `now`; true when it locked the account.
  bool Fail(const std::string& name, int64_t now) {
    bool locked_now = false;
    EXPECT_TRUE(store_->RecordFailure(name, now, policy_, &locked_now).ok());
    return locked_now;
  }
  bool Locked(const std::string& name, int64_t now) {
    bool locked = false;
    EXPECT_TRUE(store_->IsLocked(name, now, &locked).ok());
    return locked;
  }

  TempDataDir dir_;
  std::unique_ptr<LockoutStore> store_;
  LockoutPolicy policy_;  // 3 within 900 s, locked for 600 s
};

TEST_F(LockoutStoreTest, ThirdFailureWithinTheIntervalLocksUntilTheLockExpires) {
  EXPECT_FALSE(Fail("alice", 1000));
  EXPECT_FALSE(Fail("alice", 1100));
  EXPECT_FALSE(Locked("alice", 1100));
  EXPECT_TRUE(Fail("ALICE", 1200)) << "names are counted without regard to case";
  EXPECT_TRUE(Locked("Alice", 1200));
  EXPECT_FALSE(Fail("alice", 1300)) << "a locked account is not locked again";
  EXPECT_TRUE(Locked("alice", 1799));
  EXPECT_FALSE(Locked("alice", 1800));
  EXPECT_FALSE(Locked("bob", 1200));
  // The lock started the count afresh.
  EXPECT_FALSE(Fail("alice", 1800));
}

TEST_F(LockoutStoreTest, FailuresOutsideTheIntervalOrBeforeASuccessDoNotCount) {
  EXPECT_FALSE(Fail("alice", 0));
  EXPECT_FALSE(Fail("alice", 500));
  EXPECT_FALSE(Fail("alice", 901)) << "the first failure has left the interval";
  EXPECT_TRUE(Fail("alice", 902));

  EXPECT_FALSE(Fail("bob", 0));
  EXPECT_FALSE(Fail("bob", 1));
  ASSERT_TRUE(store_->RecordSuccess("bob").ok());
  EXPECT_FALSE(Fail("bob", 2));
  EXPECT_FALSE(Locked("bob", 2));
}

TEST_F(LockoutStoreTest, UnlockEndsALockAndALockWithoutExpiryLastsUntilThen) {
  policy_.unlock_seconds = 0;
  for (int64_t t : {10, 11, 12}) Fail("alice", t);
  EXPECT_TRUE(Locked("alice", 1000000));
  bool was_locked = false;
  ASSERT_TRUE(store_->Unlock("alice", 1000000, &was_locked).ok());
  EXPECT_TRUE(was_locked);
  EXPECT_FALSE(Locked("alice", 1000000));
  ASSERT_TRUE(store_->Unlock("alice", 1000000, &was_locked).ok());
  EXPECT_FALSE(was_locked);

  policy_.deny = 0;  // off: nothing is counted
  for (int64_t t : {20, 21, 22, 23}) EXPECT_FALSE(Fail("bob", t));
  EXPECT_FALSE(Locked("bob", 23));
}

TEST_F(LockoutStoreTest, NamesAreNotStored) {
  Fail("Tr0ub4dor&3", 1);
  store_.reset();
  std::ifstream file(dir_.path() + "/" + kLockoutDbFile, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.find("Tr0ub4dor"), std::string::npos);
  EXPECT_EQ(bytes.find("tr0ub4dor"), std::string::npos);
}

// The service counts failures of every path in the data directory's store,
// so that another object (or process) sees the lock.
class ServiceLockoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.WriteConfig("backend = local\n");
    dir_.AddAccount({"alice", "", "", {"Analysts"}, false, false}, "alice-pass");
    SetAuthSyslogSinkForTesting([this](int priority, const std::string& text) {
      syslog_.push_back(std::to_string(priority) + " " + text);
    });
  }
  void TearDown() override { SetAuthSyslogSinkForTesting(nullptr); }

  TempDataDir dir_;
  std::vector<std::string> syslog_;
};

TEST_F(ServiceLockoutTest, LockedAccountIsRefusedUncheckedUntilUnlocked) {
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "wrong 1"), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_LastAttemptLockedAccount(), 0);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "wrong 2"), kSecLogonFailure);
  HANDLE token = nullptr;
  EXPECT_EQ(KorWinSec_aImpersonateUser("alice", "", "wrong 3", &token), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_LastAttemptLockedAccount(), 1);

  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-pass"), kSecAccountLockedOut);
  EXPECT_EQ(KorWinSec_LastAttemptLockedAccount(), 0);
  EXPECT_STREQ(SecurityMessageText(kSecAccountLockedOut),
               "The referenced account is currently locked out and may not be logged on to.");
  EXPECT_EQ(KorWinSec_aImpersonateUser("ALICE", "", "alice-pass", &token), kSecAccountLockedOut);

  std::unique_ptr<LockoutStore> store;
  ASSERT_TRUE(LockoutStore::OpenIn(dir_.path(), &store).ok());
  bool was_locked = false;
  ASSERT_TRUE(store->Unlock("alice", time(nullptr), &was_locked).ok());
  EXPECT_TRUE(was_locked);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-pass"), kSecOk);

  // The system's log heard of the failures and the lock, never the password.
  ASSERT_GE(syslog_.size(), 5u);
  EXPECT_NE(syslog_[0].find("authentication failure; user=alice code=1326"), std::string::npos)
      << syslog_[0];
  bool lock_logged = false;
  for (const std::string& line : syslog_) {
    EXPECT_EQ(line.find("wrong"), std::string::npos) << line;
    EXPECT_EQ(line.find("alice-pass"), std::string::npos) << line;
    EXPECT_EQ(line.rfind(std::to_string(LOG_AUTHPRIV | LOG_NOTICE), 0) == 0 ||
                  line.rfind(std::to_string(LOG_AUTHPRIV | LOG_WARNING), 0) == 0,
              true)
        << line;
    lock_logged = lock_logged || line.find("account locked out") != std::string::npos;
  }
  EXPECT_TRUE(lock_logged);
}

TEST_F(ServiceLockoutTest, UnknownNamesLockAlikeAndAreLoggedWithoutTheTypedName) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(KorWinSec_aAuthenticateUser("Secret-Typed-In-Name", "", "x"), kSecLogonFailure);
  }
  EXPECT_EQ(KorWinSec_aAuthenticateUser("Secret-Typed-In-Name", "", "x"), kSecAccountLockedOut);
  for (const std::string& line : syslog_) {
    EXPECT_EQ(line.find("Secret-Typed"), std::string::npos) << line;
  }
  EXPECT_EQ(RecordedUserName("Secret-Typed-In-Name"), "(unknown user)");
  EXPECT_EQ(RecordedUserName("Alice"), "Alice");
  EXPECT_EQ(RecordedUserName("ali\nce"), "(unknown user)");
  // A name with a control character is refused before any backend.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice\nFAKE LINE", "", "alice-pass"), kSecLogonFailure);
}

TEST_F(ServiceLockoutTest, ConfiguredPolicyApplies) {
  dir_.WriteConfig("backend = local\nlockout_deny = 1\nlockout_unlock_time = 0\n");
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "wrong"), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-pass"), kSecAccountLockedOut);

  SecurityConfig config;
  std::string error;
  EXPECT_TRUE(ParseSecurityConfig("lockout_deny = 5\nlockout_interval = 60\n", &config, &error));
  EXPECT_EQ(config.lockout.deny, 5);
  EXPECT_EQ(config.lockout.interval_seconds, 60);
  EXPECT_EQ(config.lockout.unlock_seconds, 600);
  for (const char* bad : {"lockout_deny = -1\n", "lockout_deny = 1001\n", "lockout_interval = 0\n",
                          "lockout_unlock_time = 1w\n", "lockout_deny =\n"}) {
    SecurityConfig ignored;
    EXPECT_FALSE(ParseSecurityConfig(bad, &ignored, &error)) << bad;
  }
}

TEST_F(ServiceLockoutTest, AnUnusableLockoutStoreFailsClosed) {
  std::ofstream(dir_.path() + "/" + kLockoutDbFile, std::ios::trunc) << std::string(4096, 'x');
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-pass"), kSecBackendUnavailable);
  EXPECT_NE(SecurityBackendErrorDetail().find(kLockoutDbFile), std::string::npos)
      << SecurityBackendErrorDetail();
  ASSERT_FALSE(syslog_.empty());
  EXPECT_NE(syslog_.back().find("authentication impossible"), std::string::npos);
}

}  // namespace
}  // namespace tav
