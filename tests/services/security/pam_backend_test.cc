// The pam backend for real: runs under pam_wrapper and nss_wrapper with the
// pam_matrix module, on the test accounts that CMakeLists.txt writes (see
// the table there). Never run it without those wrappers: it would ask the
// machine's own PAM.
#include <cstdlib>

#include "security_test_support.h"
#include "services/security/pam_backend.h"
#include "services/security/pam_conversation.h"
#include "services/security/result_codes.h"
#include "services/security/unix_accounts.h"

#include <security/pam_appl.h>

namespace tav {
namespace {

using testing::AuthenticGroups;
using testing::ReadQuery;
using testing::TempDataDir;

class PamBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PAM_WRAPPER"), nullptr) << "run through CTest (pam_wrapper)";
    // Failures repeat here; locking has a test of its own below.
    dir_.WriteConfig("backend = pam\npam_service = tavsec_test\nadmin_group = labadmin\n"
                     "domain = LAB\nlockout_deny = 0\n");
  }
  TempDataDir dir_;
};

TEST_F(PamBackendTest, DescribesTheUserFromNss) {
  ASSERT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-secret"), kSecOk)
      << SecurityBackendErrorDetail();
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserFullname), "Alice Archer");
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserDesc), "Lab 3, 555-0101, QA reviewer");
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticLogonServer), "labhost");
  EXPECT_EQ(AuthenticGroups(), (std::vector<std::string>{"alice", "zeta", "labadmin"}));
  EXPECT_EQ(KorWinSec_IsAuthenticUserAdmin(), 1);
}

TEST_F(PamBackendTest, GroupsKeepGetgrouplistOrder) {
  // The group file lists zeta before alpha; the answer must not be sorted.
  ASSERT_EQ(KorWinSec_aAuthenticateUser("carol", "lab", "carol-secret"), kSecOk);
  EXPECT_EQ(AuthenticGroups(), (std::vector<std::string>{"carol", "zeta", "alpha"}));
  EXPECT_EQ(ReadQuery(KorWinSec_aGetAuthenticUserFullname), "");
  EXPECT_EQ(KorWinSec_IsAuthenticUserAdmin(), 0);
}

TEST_F(PamBackendTest, SystemAccountsAreLockedAlike) {
  dir_.WriteConfig("backend = pam\npam_service = tavsec_test\n");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(KorWinSec_aAuthenticateUser("bob", "", "wrong"), kSecLogonFailure);
  }
  EXPECT_EQ(KorWinSec_aAuthenticateUser("bob", "", "bob-secret"), kSecAccountLockedOut);
  EXPECT_EQ(RecordedUserName("bob"), "bob");
  EXPECT_EQ(RecordedUserName("bob-secret"), "(unknown user)");
}

TEST_F(PamBackendTest, ResultCodes) {
  EXPECT_EQ(KorWinSec_aAuthenticateUser("", "", "alice-secret"), kSecBlankUserName);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "Alice-secret"), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", ""), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "ELSEWHERE", "alice-secret"), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("nobody", "", "alice-secret"), kSecLogonFailure);
  // erin exists for NSS but has no PAM password.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("erin", "", "erin-secret"), kSecLogonFailure);
  // dave's password is right, but account management refuses this service.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("dave", "", "dave-secret"), kSecAccountRestriction);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("dave", "", "wrong"), kSecLogonFailure);
  // PAM knows ghost, NSS does not: a broken setup, not a user to describe.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("ghost", "", "ghost-secret"), kSecBackendUnavailable);
  EXPECT_NE(SecurityBackendErrorDetail().find("ghost"), std::string::npos);

  // The module cannot reach its password file.
  std::string passdb = std::getenv("PAM_MATRIX_PASSWD");
  setenv("PAM_MATRIX_PASSWD", "/nonexistent/passdb", 1);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-secret"), kSecBackendUnavailable);
  setenv("PAM_MATRIX_PASSWD", passdb.c_str(), 1);

#if !defined(__SANITIZE_ADDRESS__)
  // Left out of sanitizer builds: Linux-PAM itself leaks a little memory when
  // pam_start fails, which LeakSanitizer would report.
  dir_.WriteConfig("backend = pam\npam_service = no_such_service\n");
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "alice-secret"), kSecBackendUnavailable);
  EXPECT_NE(SecurityBackendErrorDetail().find("no_such_service"), std::string::npos);
#endif
}

TEST(PamResultMapTest, AccountStatesAreToldOnlyAfterThePassword) {
  struct Case {
    int pam;
    int before;  // from pam_authenticate
    int after;   // from pam_acct_mgmt
  };
  for (const Case& c : std::initializer_list<Case>{
           {PAM_SUCCESS, kSecOk, kSecOk},
           {PAM_AUTH_ERR, kSecLogonFailure, kSecLogonFailure},
           {PAM_USER_UNKNOWN, kSecLogonFailure, kSecLogonFailure},
           {PAM_PERM_DENIED, kSecLogonFailure, kSecAccountRestriction},
           {PAM_ACCT_EXPIRED, kSecAccountExpired, kSecAccountExpired},
           {PAM_MAXTRIES, kSecAccountLockedOut, kSecAccountLockedOut},
           {PAM_NEW_AUTHTOK_REQD, kSecLogonFailure, kSecPasswordMustChange},
           {PAM_AUTHTOK_EXPIRED, kSecLogonFailure, kSecPasswordExpired},
           {PAM_AUTHINFO_UNAVAIL, kSecBackendUnavailable, kSecBackendUnavailable},
           {PAM_CONV_ERR, kSecBackendUnavailable, kSecBackendUnavailable},
       }) {
    EXPECT_EQ(MapPamResult(c.pam, false), c.before) << c.pam;
    EXPECT_EQ(MapPamResult(c.pam, true), c.after) << c.pam;
    EXPECT_NE(SecurityMessageText(c.after), nullptr) << c.after;
  }
}

TEST_F(PamBackendTest, ImpersonationDescribesThePamUser) {
  HANDLE token = nullptr;
  ASSERT_EQ(KorWinSec_aImpersonateUser("bob", "", "bob-secret", &token), kSecOk);
  EXPECT_EQ(testing::ImpersonatedUser(), "bob");
  EXPECT_EQ(ReadQuery(KorWinSec_aGetImpersonatedDomain), "LAB");
  EXPECT_EQ(ReadQuery(KorWinSec_aGetImpersonatedUserFullname), "Bob Baker");
  EXPECT_EQ(testing::ImpersonatedGroups(), (std::vector<std::string>{"bob", "alpha"}));
  EXPECT_EQ(KorWinSec_EndImpersonation(&token), kSecOk);
}

TEST(UnixAccountsTest, AdministratorsAreRootAndAdminGroupMembers) {
  UnixUser user;
  ASSERT_TRUE(LookUpUnixUser(uid_t{2001}, &user));
  EXPECT_EQ(user.name, "alice");
  EXPECT_TRUE(IsUnixAdmin(user, UnixGroupNames(user), "labadmin"));
  EXPECT_FALSE(IsUnixAdmin(user, UnixGroupNames(user), "wheel"));
  ASSERT_TRUE(LookUpUnixUser(std::string("bob"), &user));
  EXPECT_FALSE(IsUnixAdmin(user, UnixGroupNames(user), "labadmin"));
  UnixUser root;
  EXPECT_TRUE(IsUnixAdmin(root, {}, "labadmin"));
  EXPECT_FALSE(LookUpUnixUser(std::string("ghost"), &user));
}

TEST(UnixAccountsTest, GecosSplitsIntoFullNameAndDescription) {
  struct Case {
    const char* gecos;
    const char* full_name;
    const char* description;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"", "", ""},
           {"Bob Baker", "Bob Baker", ""},
           {"Bob Baker,,,", "Bob Baker", ""},
           {",Room 1", "", "Room 1"},
           {"A,Room 1,,555,Night shift", "A", "Room 1, 555, Night shift"},
       }) {
    std::string full_name, description;
    SplitGecos(c.gecos, &full_name, &description);
    EXPECT_EQ(full_name, c.full_name) << c.gecos;
    EXPECT_EQ(description, c.description) << c.gecos;
  }
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// The system may give a removed user's name to another person: the uid
// first seen under a name is kept, and another uid under that name logs on
// only after an administrator has confirmed it.
TEST(PamUidTest, ANameSeenWithAnotherUidIsRefusedUntilConfirmed) {
  ASSERT_NE(std::getenv("PAM_WRAPPER"), nullptr) << "run through CTest (pam_wrapper)";
  testing::TempDataDir dir;
  dir.WriteConfig("backend = pam\npam_service = tavsec_test\nlockout_deny = 0\n");
  ASSERT_EQ(KorWinSec_aAuthenticateUser("bob", "", "bob-secret"), kSecOk)
      << SecurityBackendErrorDetail();

  // Bob (2002) left; the name was first seen with another uid.
  std::unique_ptr<AccountStore> store;
  std::string error;
  ASSERT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kReadWrite, &store, &error),
            AccountStore::Status::kOk)
      << error;
  ASSERT_EQ(store->ConfirmSystemUid("bob", 1999, 0, &error), AccountStore::Status::kOk);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("bob", "", "bob-secret"), kSecAccountRestriction);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("bob", "", "wrong"), kSecLogonFailure)
      << "a stranger learns nothing of it";
  std::vector<AccountStore::SystemUid> uids;
  ASSERT_EQ(store->ListSystemUids(&uids, &error), AccountStore::Status::kOk);
  ASSERT_EQ(uids.size(), 1u);
  EXPECT_EQ(uids[0].uid, 1999);
  EXPECT_EQ(uids[0].refused_uid, 2002) << "what the administrator must look at";

  ASSERT_EQ(store->ConfirmSystemUid("bob", 2002, 0, &error), AccountStore::Status::kOk);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("bob", "", "bob-secret"), kSecOk);
  // Other names are kept apart, exactly as the system spells them.
  EXPECT_EQ(KorWinSec_aAuthenticateUser("carol", "", "carol-secret"), kSecOk);
  ASSERT_EQ(store->ListSystemUids(&uids, &error), AccountStore::Status::kOk);
  EXPECT_EQ(uids.size(), 2u);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// The change at logon answers PAM's own conversation (pam_chauthtok): the
// old password where a module asks for the current one, else the new one.
// The matrix's password file is put back afterwards, so that the other
// tests (of this program: they run one after another) keep carol's.
TEST(PamChangeTest, APasswordIsChangedThroughPamsConversation) {
  ASSERT_NE(std::getenv("PAM_WRAPPER"), nullptr) << "run through CTest (pam_wrapper)";
  const char* passdb = std::getenv("PAM_MATRIX_PASSWD");
  ASSERT_NE(passdb, nullptr);
  testing::TempDataDir dir;
  const std::string saved = dir.path() + "/passdb";
  ASSERT_EQ(std::system(("cp '" + std::string(passdb) + "' '" + saved + "'").c_str()), 0);
  struct PutBack {
    std::string from, to;
    ~PutBack() { std::system(("cp '" + from + "' '" + to + "'").c_str()); }
  } put_back{saved, passdb};

  PamBackend backend("tavsec_test", "labadmin");
  std::string detail;
  EXPECT_EQ(backend.ChangePassword("carol", "wrong", "Brisk-Harbor-Lantern-93", &detail),
            kSecLogonFailure);
  const int code = backend.ChangePassword("carol", "carol-secret", "Brisk-Harbor-Lantern-93",
                                          &detail);
  Identity identity;
  int after_old = backend.Authenticate("carol", "carol-secret", &identity, &detail);
  int after_new = backend.Authenticate("carol", "Brisk-Harbor-Lantern-93", &identity, &detail);
  ASSERT_EQ(code, kSecOk) << detail;
  EXPECT_EQ(after_old, kSecLogonFailure);
  EXPECT_EQ(after_new, kSecOk);
}

}  // namespace
}  // namespace tav
