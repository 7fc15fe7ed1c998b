// The local backend through the service's operations, and its account store.
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "security_test_support.h"
#include "services/security/result_codes.h"
#include "services/security/secret.h"
#include "services/security/security_config.h"

namespace tav {
namespace {

using testing::AuthenticGroups;
using testing::ReadQuery;
using testing::TempDataDir;

constexpr char kAlicePassword[] = "Correct Horse 42";

class LocalBackendTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDataDir;
    // Locking is tested on its own (lockout_test.cc); here failures repeat.
    dir_->WriteConfig("# test machine\nbackend = local\ndomain = LAB\nlockout_deny = 0\n");
    dir_->AddAccount({"alice", "Alice Archer", "QA reviewer",
                      {"Reviewers", "Analysts", "Operators"}, true, false},
                     kAlicePassword);
    dir_->AddAccount({"bob", "", "", {}, false, false}, "bob-password");
    dir_->AddAccount({"carol", "Carol", "", {"Analysts"}, false, true}, "carol-password");
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override { setenv("TAV_DATA_DIR", dir_->path().c_str(), 1); }

  static TempDataDir* dir_;
};

TempDataDir* LocalBackendTest::dir_ = nullptr;

TEST_F(LocalBackendTest, ResultCodes) {
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", kAlicePassword), kSecOk);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", nullptr, kAlicePassword), kSecOk);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "lab", kAlicePassword), kSecOk);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("ALICE", "LAB", kAlicePassword), kSecOk);

  EXPECT_EQ(KorWinSec_aAuthenticateUser(nullptr, "", kAlicePassword), kSecBlankUserName);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("", "", kAlicePassword), kSecBlankUserName);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("  ", "", kAlicePassword), kSecBlankUserName);

  // Wrong password, unknown user and a foreign domain look alike.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "correct horse 42"), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", ""), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", nullptr), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("mallory", "", kAlicePassword), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "OTHER", kAlicePassword), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser(std::string(300, 'a').c_str(), "", "x"),
            kSecLogonFailure);

  // A disabled account says so only to someone who knows its password.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("carol", "", "carol-password"), kSecAccountDisabled);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("carol", "", "guess"), kSecLogonFailure);

  for (int code : {kSecOk, kSecBlankUserName, kSecLogonFailure, kSecAccountDisabled,
                   kSecBackendUnavailable, kSecInvalidHandle, kSecInvalidParameter}) {
    EXPECT_NE(SecurityMessageText(code), nullptr) << code;
  }
  EXPECT_EQ(SecurityMessageText(12345), nullptr);
}

TEST_F(LocalBackendTest, AuthenticatedUserIsDescribedUntilTheNextFailure) {
  ASSERT_EQ(KorWinSec_aAuthenticateUser("alice", "", kAlicePassword), kSecOk);
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserFullname), "Alice Archer");
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserDesc), "QA reviewer");
  EXPECT_FALSE(ReadQuery(KorWinSec_aGetAuthenticLogonServer).empty());
  EXPECT_EQ(AuthenticGroups(), (std::vector<std::string>{"Reviewers", "Analysts", "Operators"}));
  int longest = 0;
  KorWinSec_GetAuthenticUserGroupInfo(nullptr, &longest);
  EXPECT_EQ(longest, 9);
  EXPECT_EQ(KorWinSec_IsAuthenticUserAdmin(), 1);

  // A buffer one byte short gets an empty string, not a truncated name.
  char small[12];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(KorWinSec_aGetAuthenticUserFullname(small, 12), 12);
  EXPECT_STREQ(small, "");
  EXPECT_EQ(KorWinSec_aGetAuthenticUserGroup(3, small, 12), -1);
  EXPECT_EQ(KorWinSec_aGetAuthenticUserGroup(-1, small, 12), -1);

  ASSERT_EQ(KorWinSec_aAuthenticateUser("bob", "", "bob-password"), kSecOk);
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserFullname), "");
  EXPECT_TRUE(AuthenticGroups().empty());
  EXPECT_EQ(KorWinSec_IsAuthenticUserAdmin(), 0);

  // A failed attempt must not leave the previous user to be read as if it
  // had just been authenticated.
  ASSERT_EQ(KorWinSec_aAuthenticateUser("alice", "", "wrong"), kSecLogonFailure);
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserFullname), "<none>");
  EXPECT_EQ(KorWinSec_GetAuthenticUserGroupInfo(nullptr, nullptr), 0);
  EXPECT_EQ(KorWinSec_IsAuthenticUserAdmin(), 0);
}

TEST_F(LocalBackendTest, ImpersonationReportsTheStoredNameAndDomain) {
  HANDLE token = nullptr;
  ASSERT_EQ(KorWinSec_aImpersonateUser("ALICE", "", kAlicePassword, &token), kSecOk);
  EXPECT_EQ(testing::ImpersonatedUser(), "alice");
  EXPECT_EQ(ReadQuery(KorWinSec_aGetImpersonatedDomain), "LAB");
  EXPECT_EQ(testing::ImpersonatedGroups(),
            (std::vector<std::string>{"Reviewers", "Analysts", "Operators"}));
  EXPECT_EQ(KorWinSec_IsImpersonatedUserAdmin(), 1);
  EXPECT_EQ(KorWinSec_EndImpersonation(&token), kSecOk);
}

TEST_F(LocalBackendTest, DomainQuery) {
  EXPECT_EQ(KorWinSec_aGetWindowsDomain(nullptr, 0), 3);
  EXPECT_EQ(ReadQuery(KorWinSec_aGetWindowsDomain), "LAB");

  TempDataDir no_domain;
  EXPECT_EQ(KorWinSec_aGetWindowsDomain(nullptr, 0), -1);
  // Without a domain every typed domain is foreign.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "LAB", kAlicePassword), kSecLogonFailure);
}

TEST(LocalBackendFailureTest, BrokenBackendFailsClosedWithADetail) {
  TempDataDir dir;
  dir.AddAccount({"alice", "", "", {}, false, false}, kAlicePassword);
  dir.WriteConfig("backend = local\nbakend = pam\n");
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", kAlicePassword), kSecBackendUnavailable);
  EXPECT_NE(SecurityBackendErrorDetail().find("line 2"), std::string::npos)
      << SecurityBackendErrorDetail();
  EXPECT_EQ(KorWinSec_aGetWindowsDomain(nullptr, 0), -1);

  dir.WriteConfig("");
  ASSERT_EQ(KorWinSec_aAuthenticateUser("alice", "", kAlicePassword), kSecOk);
  EXPECT_TRUE(SecurityBackendErrorDetail().empty());

  std::ofstream(dir.db_path(), std::ios::trunc) << std::string(4096, 'x');
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", kAlicePassword), kSecBackendUnavailable);
  EXPECT_FALSE(SecurityBackendErrorDetail().empty());

  // No database at all is an empty account list, not a broken backend.
  std::filesystem::remove(dir.db_path());
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", kAlicePassword), kSecLogonFailure);
}

TEST(SecurityConfigTest, ParsesKeysAndRejectsAnythingElse) {
  SecurityConfig config;
  std::string error;
  ASSERT_TRUE(ParseSecurityConfig(
      "# comment\n\n  backend = pam \r\npam_service=lab-login\nadmin_group = wheel\n"
      "domain = LAB.EXAMPLE\npam_password_helper = /run/lab/passwd.sock\n",
      &config, &error))
      << error;
  EXPECT_EQ(config.backend, SecurityConfig::Backend::kPam);
  EXPECT_EQ(config.pam_service, "lab-login");
  EXPECT_EQ(config.admin_group, "wheel");
  EXPECT_EQ(config.domain, "LAB.EXAMPLE");
  EXPECT_EQ(config.pam_password_helper, "/run/lab/passwd.sock");

  for (const char* bad : {"backend = ldap\n", "backend\n", "colour = blue\n",
                          "domain = A\ndomain = B\n", "pam_service = ../../tmp/evil\n",
                          "pam_service =\n", "admin_group = a b\n", "domain = two words\n",
                          "pam_password_helper = passwd.sock\n"}) {
    SecurityConfig ignored;
    EXPECT_FALSE(ParseSecurityConfig(bad, &ignored, &error)) << bad;
  }
}

class AccountStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AccountStore::Open(dir_.db_path(), AccountStore::Mode::kCreate, &store_, &error_),
              AccountStore::Status::kOk)
        << error_;
  }

  TempDataDir dir_;
  std::unique_ptr<AccountStore> store_;
  std::string error_;
};

TEST_F(AccountStoreTest, AddRefusesDuplicatesAndBadInput) {
  ASSERT_EQ(store_->Add({"Dana", "", "", {"a", "B", "b", "A"}, false, false}, "pw", &error_),
            AccountStore::Status::kOk);
  EXPECT_EQ(store_->Add({"dana", "", "", {}, false, false}, "pw", &error_),
            AccountStore::Status::kExists);
  using S = AccountStore::Status;
  EXPECT_EQ(store_->Add({"erin", "", "", {}, false, false}, "", &error_), S::kInvalid);
  for (const char* name : {"", " erin", "lab\\erin", "erin@lab", "a,b", "tab\there"}) {
    EXPECT_EQ(store_->Add({name, "", "", {}, false, false}, "pw", &error_), S::kInvalid) << name;
  }
  // Group lists are handed out joined by ", ", so a comma would split a group.
  EXPECT_EQ(store_->Add({"erin", "", "", {"QA, Lab"}, false, false}, "pw", &error_),
            S::kInvalid);
  EXPECT_EQ(store_->Add({"erin", "Erin\nX", "", {}, false, false}, "pw", &error_), S::kInvalid);

  std::vector<Account> accounts;
  ASSERT_EQ(store_->List(&accounts, &error_), S::kOk);
  ASSERT_EQ(accounts.size(), 1u);
  // Groups keep their first spelling and their order; case repeats go.
  EXPECT_EQ(accounts[0].groups, (std::vector<std::string>{"a", "B"}));
}

TEST_F(AccountStoreTest, PasswordsPastTheLimitAreRefusedNeverCut) {
  using S = AccountStore::Status;
  const std::string longest(kMaxPasswordBytes, 'p');
  EXPECT_EQ(store_->Add({"erin", "", "", {}, false, false}, longest + "p", &error_), S::kInvalid);
  EXPECT_NE(error_.find("longer than 1024 bytes"), std::string::npos) << error_;
  ASSERT_EQ(store_->Add({"erin", "", "", {}, false, false}, longest, &error_), S::kOk) << error_;
  EXPECT_EQ(store_->SetPassword("erin", longest + "x", &error_), S::kInvalid);
  Account account;
  EXPECT_EQ(store_->Verify("erin", longest, &account, &error_), kSecOk);
  EXPECT_EQ(store_->Verify("erin", longest + "p", &account, &error_), kSecLogonFailure);
}

TEST_F(AccountStoreTest, DatabaseIsPrivateAndHoldsOnlyHashes) {
  // Created private whatever the umask says.
  store_.reset();
  std::filesystem::remove(dir_.db_path());
  mode_t old_umask = umask(0);
  AccountStore::Status opened =
      AccountStore::Open(dir_.db_path(), AccountStore::Mode::kCreate, &store_, &error_);
  umask(old_umask);
  ASSERT_EQ(opened, AccountStore::Status::kOk) << error_;
  ASSERT_EQ(store_->Add({"dana", "", "", {}, false, false}, "Sesame-Open-77", &error_),
            AccountStore::Status::kOk);
  store_.reset();
  struct stat st;
  ASSERT_EQ(stat(dir_.db_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::stringstream bytes;
  bytes << std::ifstream(dir_.db_path(), std::ios::binary).rdbuf();
  EXPECT_EQ(bytes.str().find("Sesame-Open-77"), std::string::npos);
  EXPECT_NE(bytes.str().find("$argon2id$"), std::string::npos);

  // A database someone opened up is narrowed again when opened for writing.
  ASSERT_EQ(chmod(dir_.db_path().c_str(), 0644), 0);
  ASSERT_EQ(AccountStore::Open(dir_.db_path(), AccountStore::Mode::kReadWrite, &store_, &error_),
            AccountStore::Status::kOk);
  ASSERT_EQ(stat(dir_.db_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace tav
