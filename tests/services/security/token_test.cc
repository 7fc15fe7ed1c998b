// Token handles and per-thread impersonation.
#include <cstdint>
#include <thread>

#include "security_test_support.h"
#include "services/security/result_codes.h"
#include "services/security/token_table.h"

namespace tav {
namespace {

using testing::ImpersonatedUser;
using testing::TempDataDir;

std::shared_ptr<const Identity> Named(const std::string& name) {
  auto identity = std::make_shared<Identity>();
  identity->user_name = name;
  return identity;
}

TEST(TokenTableTest, ClosedStaleAndForgedHandlesAreRefused) {
  TokenTable table;
  void* first = table.Insert(Named("alice"));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(table.Remove(first));
  EXPECT_FALSE(table.Remove(first));  // double close
  EXPECT_EQ(table.Find(first), nullptr);

  // The freed slot is reused: the old value must not reach the new user.
  void* second = table.Insert(Named("bob"));
  EXPECT_NE(second, first);
  EXPECT_EQ(table.Find(first), nullptr);
  ASSERT_NE(table.Find(second), nullptr);
  EXPECT_EQ(table.Find(second)->user_name, "bob");

  int on_stack = 0;
  auto bits = reinterpret_cast<uintptr_t>(second);
  for (const void* forged :
       {static_cast<const void*>(nullptr), reinterpret_cast<const void*>(uintptr_t{1}),
        static_cast<const void*>(&on_stack), static_cast<const void*>(table.Find(second).get()),
        reinterpret_cast<const void*>(bits + 1), reinterpret_cast<const void*>(bits ^ (1u << 24)),
        reinterpret_cast<const void*>(~uintptr_t{0})}) {
    EXPECT_EQ(table.Find(forged), nullptr) << forged;
    EXPECT_FALSE(table.Remove(forged)) << forged;
  }
  EXPECT_EQ(table.size(), 1u);
}

TEST(TokenTableTest, FullTableRefusesNewHandles) {
  TokenTable table(2);
  void* a = table.Insert(Named("a"));
  ASSERT_NE(table.Insert(Named("b")), nullptr);
  EXPECT_EQ(table.Insert(Named("c")), nullptr);
  table.Remove(a);
  EXPECT_NE(table.Insert(Named("c")), nullptr);
}

class ImpersonationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDataDir;
    dir_->AddAccount({"alice", "Alice", "", {"Analysts"}, false, false}, "alice-pw");
    dir_->AddAccount({"bob", "Bob", "", {"Operators"}, true, false}, "bob-pw");
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override { setenv("TAV_DATA_DIR", dir_->path().c_str(), 1); }
  void TearDown() override { KorWinSec_RevertToSelf(); }

  static HANDLE Logon(const char* user, const char* password) {
    HANDLE token = nullptr;
    EXPECT_EQ(KorWinSec_aImpersonateUser(user, "", password, &token), kSecOk);
    return token;
  }

  static TempDataDir* dir_;
};

TempDataDir* ImpersonationTest::dir_ = nullptr;

TEST_F(ImpersonationTest, DuplicateOutlivesTheOriginal) {
  HANDLE token = Logon("alice", "alice-pw");
  HANDLE duplicate = nullptr;
  ASSERT_EQ(KorWinSec_DuplicateToken(token, &duplicate), kSecOk);
  EXPECT_NE(duplicate, token);
  ASSERT_EQ(KorWinSec_CloseToken(token), kSecOk);

  KorWinSec_RevertToSelf();
  ASSERT_EQ(KorWinSec_ImpersonateFromToken(duplicate), kSecOk);
  EXPECT_EQ(ImpersonatedUser(), "alice");

  // The closed original is dead for every use.
  HANDLE copy = nullptr;
  EXPECT_EQ(KorWinSec_ImpersonateFromToken(token), kSecInvalidHandle);
  EXPECT_EQ(KorWinSec_DuplicateToken(token, &copy), kSecInvalidHandle);
  EXPECT_EQ(copy, nullptr);
  EXPECT_EQ(KorWinSec_CloseToken(token), kSecInvalidHandle);
  EXPECT_EQ(KorWinSec_DuplicateToken(duplicate, nullptr), kSecInvalidParameter);

  EXPECT_EQ(KorWinSec_EndImpersonation(&duplicate), kSecOk);
  EXPECT_EQ(duplicate, nullptr);
  EXPECT_EQ(ImpersonatedUser(), "<none>");
}

TEST_F(ImpersonationTest, EndImpersonationRevertsEvenWithABadToken) {
  HANDLE token = Logon("alice", "alice-pw");
  HANDLE stale = token;
  ASSERT_EQ(KorWinSec_CloseToken(token), kSecOk);
  // Closing the token does not end the impersonation made from it.
  EXPECT_EQ(ImpersonatedUser(), "alice");

  EXPECT_EQ(KorWinSec_EndImpersonation(&stale), kSecInvalidHandle);
  EXPECT_EQ(stale, nullptr);
  EXPECT_EQ(ImpersonatedUser(), "<none>");
  EXPECT_EQ(KorWinSec_IsImpersonatedUserAdmin(), 0);
  EXPECT_EQ(KorWinSec_GetImpersonatedUserGroupInfo(nullptr, nullptr), 0);

  HANDLE none = nullptr;
  EXPECT_EQ(KorWinSec_EndImpersonation(&none), kSecOk);
  EXPECT_EQ(KorWinSec_EndImpersonation(nullptr), kSecInvalidParameter);
}

TEST_F(ImpersonationTest, FailedImpersonationChangesNothing) {
  HANDLE alice = Logon("alice", "alice-pw");
  HANDLE out = reinterpret_cast<HANDLE>(uintptr_t{0x1234});
  EXPECT_EQ(KorWinSec_aImpersonateUser("bob", "", "wrong", &out), kSecLogonFailure);
  EXPECT_EQ(KorWinSec_aImpersonateUser("", "", "bob-pw", &out), kSecBlankUserName);
  EXPECT_EQ(out, reinterpret_cast<HANDLE>(uintptr_t{0x1234}));
  EXPECT_EQ(KorWinSec_ImpersonateFromToken(out), kSecInvalidHandle);
  EXPECT_EQ(KorWinSec_aImpersonateUser("bob", "", "bob-pw", nullptr), kSecInvalidParameter);
  EXPECT_EQ(ImpersonatedUser(), "alice");
  EXPECT_EQ(KorWinSec_CloseToken(alice), kSecOk);
}

TEST_F(ImpersonationTest, ImpersonationAndAuthenticationArePerThread) {
  HANDLE alice = Logon("alice", "alice-pw");
  HANDLE bob = Logon("bob", "bob-pw");
  ASSERT_EQ(KorWinSec_ImpersonateFromToken(alice), kSecOk);
  ASSERT_EQ(KorWinSec_aAuthenticateUser("bob", "", "bob-pw"), kSecOk);

  std::string other_before, other_after, fresh_thread;
  int other_admin = -1;
  int other_authenticated_groups = -1;
  std::thread other([&] {
    other_before = ImpersonatedUser();
    other_authenticated_groups = KorWinSec_GetAuthenticUserGroupInfo(nullptr, nullptr);
    // Tokens may cross threads; impersonation does not.
    KorWinSec_ImpersonateFromToken(bob);
    other_after = ImpersonatedUser();
    other_admin = KorWinSec_IsImpersonatedUserAdmin();
    std::thread([&] { fresh_thread = ImpersonatedUser(); }).join();
  });
  other.join();

  EXPECT_EQ(other_before, "<none>");
  EXPECT_EQ(other_authenticated_groups, 0);
  EXPECT_EQ(other_after, "bob");
  EXPECT_EQ(other_admin, 1);
  EXPECT_EQ(fresh_thread, "<none>");
  EXPECT_EQ(ImpersonatedUser(), "alice");
  EXPECT_EQ(KorWinSec_IsImpersonatedUserAdmin(), 0);
  EXPECT_EQ(testing::AuthenticGroups(), std::vector<std::string>{"Operators"});

  EXPECT_EQ(KorWinSec_CloseToken(alice), kSecOk);
  EXPECT_EQ(KorWinSec_CloseToken(bob), kSecOk);
}

}  // namespace
}  // namespace tav
