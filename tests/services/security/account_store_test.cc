// The account store's statements and its connections: changes of one named
// account, a connection handed in from outside, and the file it opens.
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "security_test_support.h"
#include "services/security/result_codes.h"
#include "util/sqlite_db.h"

namespace tav {
namespace {

using S = AccountStore::Status;
using testing::TempDataDir;

class AccountStoreChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AccountStore::Open(dir_.db_path(), AccountStore::Mode::kCreate, &store_, &error_),
              S::kOk)
        << error_;
    ASSERT_EQ(store_->Add({"Dana", "", "", {"QA"}, false, false}, "pw", &error_), S::kOk)
        << error_;
  }

  TempDataDir dir_;
  std::unique_ptr<AccountStore> store_;
  std::string error_;
};

TEST_F(AccountStoreChangeTest, ChangesFindTheNameInAnyCase) {
  ASSERT_EQ(store_->SetPassword("DANA", "new-pw", &error_), S::kOk) << error_;
  ASSERT_EQ(store_->SetDisabled("dANA", true, &error_), S::kOk) << error_;
  Account account;
  EXPECT_EQ(store_->Verify("dana", "new-pw", &account, &error_), kSecAccountDisabled);
  ASSERT_EQ(store_->SetDisabled("dana", false, &error_), S::kOk) << error_;
  ASSERT_EQ(store_->Verify("dana", "new-pw", &account, &error_), kSecOk);
  EXPECT_EQ(account.name, "Dana");
  EXPECT_EQ(account.groups, std::vector<std::string>{"QA"});

  ASSERT_EQ(store_->Remove("DaNa", &error_), S::kOk) << error_;
  EXPECT_EQ(store_->Verify("dana", "new-pw", &account, &error_), kSecLogonFailure);
}

TEST_F(AccountStoreChangeTest, ChangesOfAnUnknownNameChangeNothingAndSaySo) {
  for (int change = 0; change < 3; ++change) {
    error_.clear();
    S status = change == 0   ? store_->SetPassword("erin", "pw", &error_)
               : change == 1 ? store_->SetDisabled("erin", true, &error_)
                             : store_->Remove("erin", &error_);
    EXPECT_EQ(status, S::kNotFound) << change;
    EXPECT_EQ(error_, "no user \"erin\"") << change;
  }
  std::vector<Account> accounts;
  ASSERT_EQ(store_->List(&accounts, &error_), S::kOk);
  ASSERT_EQ(accounts.size(), 1u);
  EXPECT_FALSE(accounts[0].disabled);
}

// A connection opened elsewhere, as another engine would hand one in.
std::unique_ptr<SqliteDb> OpenConnection(const std::string& path) {
  std::unique_ptr<SqliteDb> db;
  StoreStatus status = SqliteDb::Open(path, SqliteDb::Options(), &db);
  EXPECT_TRUE(status.ok()) << status.message();
  return db;
}

TEST(AccountStoreConnectionTest, ARemovedAccountsGroupsDoNotPassToTheNextAccount) {
  TempDataDir dir;
  std::unique_ptr<AccountStore> store;
  std::string error;
  ASSERT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kCreate, &store, &error),
            S::kOk);
  store.reset();
  // This connection does not enforce foreign keys, so no cascade removes the
  // groups, and SQLite hands the freed id to the next account.
  ASSERT_EQ(AccountStore::FromConnection(OpenConnection(dir.db_path()), &store, &error), S::kOk)
      << error;
  ASSERT_EQ(store->Add({"dana", "", "", {"Administrators"}, true, false}, "pw", &error), S::kOk);
  ASSERT_EQ(store->Remove("dana", &error), S::kOk) << error;
  ASSERT_EQ(store->Add({"erin", "", "", {}, false, false}, "pw", &error), S::kOk);
  Account erin;
  ASSERT_EQ(store->Verify("erin", "pw", &erin, &error), kSecOk);
  EXPECT_TRUE(erin.groups.empty());
}

TEST(AccountStoreConnectionTest, AConnectionWithoutTheAccountTablesIsRefused) {
  TempDataDir dir;
  std::unique_ptr<AccountStore> store;
  std::string error;
  EXPECT_EQ(AccountStore::FromConnection(nullptr, &store, &error), S::kFailed);

  const std::string other = dir.path() + "/other.db";
  std::unique_ptr<SqliteDb> db = OpenConnection(other);
  ASSERT_TRUE(db->Exec("CREATE TABLE users(id INTEGER PRIMARY KEY, name TEXT);"
                       "CREATE TABLE user_groups(user_id, position, name);")
                  .ok());
  EXPECT_EQ(AccountStore::FromConnection(std::move(db), &store, &error), S::kFailed);
  EXPECT_NE(error.find("not an account database"), std::string::npos) << error;
  EXPECT_EQ(store, nullptr);
}

TEST(AccountStoreFileTest, ALinkInPlaceOfTheDatabaseIsRefusedInEveryMode) {
  TempDataDir dir;
  const std::string real = dir.path() + "/real.db";
  std::unique_ptr<AccountStore> store;
  std::string error;
  ASSERT_EQ(AccountStore::Open(real, AccountStore::Mode::kCreate, &store, &error), S::kOk);
  store.reset();
  ASSERT_EQ(symlink(real.c_str(), dir.db_path().c_str()), 0);
  using M = AccountStore::Mode;
  for (M mode : {M::kReadOnly, M::kReadWrite, M::kCreate}) {
    EXPECT_EQ(AccountStore::Open(dir.db_path(), mode, &store, &error), S::kFailed)
        << static_cast<int>(mode);
    EXPECT_EQ(store, nullptr);
  }
}

TEST(AccountStoreFileTest, ADatabaseOfAnotherKindIsRefusedNotTakenOver) {
  TempDataDir dir;
  {
    std::unique_ptr<SqliteDb> db = OpenConnection(dir.db_path());
    ASSERT_TRUE(db->Exec("CREATE TABLE t(x); PRAGMA user_version = 7;").ok());
  }
  std::unique_ptr<AccountStore> store;
  std::string error;
  EXPECT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kCreate, &store, &error),
            S::kFailed);
  EXPECT_NE(error.find("not an account database of a known version"), std::string::npos) << error;
}

}  // namespace
}  // namespace tav
