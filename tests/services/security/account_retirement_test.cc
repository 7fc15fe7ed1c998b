// Names are never given to another person: a removed account is retired,
// keeps its name and full name for the readers of old records, never logs
// on again, and its name (in any case) cannot be added again. Also the
// upgrade of an account database made before retirement existed.
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

constexpr int64_t kDay = 86400;
// 2026-03-01 12:00 UTC: noon, so that the local date is that day in any
// zone within twelve hours of UTC.
constexpr int64_t kMarch1 = 1772366400;

class RetirementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AccountStore::Open(dir_.db_path(), AccountStore::Mode::kCreate, &store_, &error_),
              S::kOk)
        << error_;
    ASSERT_EQ(store_->Add({"dave", "Dave One", "QA", {"Analysts"}, false, false}, "dave-pw",
                          &error_),
              S::kOk);
    ASSERT_EQ(store_->Remove("dave", kMarch1, &error_), S::kOk) << error_;
  }

  TempDataDir dir_;
  std::unique_ptr<AccountStore> store_;
  std::string error_;
};

TEST_F(RetirementTest, ARetiredNameCannotBeAddedAgainInAnyCase) {
  for (const char* name : {"dave", "DAVE", "Dave"}) {
    error_.clear();
    EXPECT_EQ(store_->Add({name, "Dave Two", "", {}, false, false}, "other-pw", &error_),
              S::kExists)
        << name;
    EXPECT_EQ(error_,
              "dave was removed on 2026-03-01; a user name is never given to another person")
        << name;
  }
  EXPECT_TRUE(store_->Exists("Dave")) << "the name stays taken for the records";
}

TEST_F(RetirementTest, ARetiredAccountNeverLogsOnAndCannotBeRevived) {
  Account account;
  EXPECT_EQ(store_->Verify("dave", "dave-pw", &account, &error_), kSecLogonFailure);
  EXPECT_EQ(store_->Verify("dave", "", &account, &error_), kSecLogonFailure);
  // No change reaches it: each says why.
  for (int change = 0; change < 5; ++change) {
    error_.clear();
    S status = change == 0   ? store_->SetPassword("dave", "new-pw", &error_)
               : change == 1 ? store_->SetDisabled("dave", false, &error_)
               : change == 2 ? store_->Expire("dave", &error_)
               : change == 3 ? store_->Remove("dave", &error_)
                             : S::kNotFound;
    if (change == 4) {
      EXPECT_EQ(store_->ChangePassword("dave", "dave-pw", "Another-Long-Pw-17", PasswordSet(),
                                       &error_),
                kSecLogonFailure);
      continue;
    }
    EXPECT_EQ(status, S::kNotFound) << change;
    EXPECT_NE(error_.find("dave was removed on 2026-03-01"), std::string::npos) << error_;
  }
  EXPECT_EQ(store_->Verify("dave", "new-pw", &account, &error_), kSecLogonFailure);
}

TEST_F(RetirementTest, ListingsHideRetiredAccountsUnlessAskedAndStillResolveTheName) {
  ASSERT_EQ(store_->Add({"erin", "Erin", "", {}, false, false}, "erin-pw", &error_), S::kOk);
  std::vector<Account> accounts;
  ASSERT_EQ(store_->List(&accounts, &error_), S::kOk);
  ASSERT_EQ(accounts.size(), 1u);
  EXPECT_EQ(accounts[0].name, "erin");

  ASSERT_EQ(store_->List(true, &accounts, &error_), S::kOk);
  ASSERT_EQ(accounts.size(), 2u);
  EXPECT_EQ(accounts[0].name, "dave");
  EXPECT_EQ(accounts[0].full_name, "Dave One");
  EXPECT_EQ(accounts[0].removed_at, kMarch1);
  EXPECT_EQ(accounts[0].groups, std::vector<std::string>{"Analysts"});
  EXPECT_EQ(accounts[1].removed_at, 0);
}

TEST_F(RetirementTest, TheRetiredAccountsPasswordHashesAreGone) {
  std::unique_ptr<SqliteDb> db;
  ASSERT_TRUE(SqliteDb::Open(dir_.db_path(), SqliteDb::Options(), &db).ok());
  StoreStatus status;
  SqlStatement select = db->Prepare(
      "SELECT u.password_hash, (SELECT COUNT(*) FROM password_history h WHERE h.user_id = u.id) "
      "FROM users u WHERE name = 'dave'",
      &status);
  ASSERT_TRUE(select.Step(&status)) << status.message();
  EXPECT_EQ(select.ColumnText(0), "");
  EXPECT_EQ(select.ColumnInt64(1), 0);
}

// An account database as the first version made it.
void WriteVersionOneDatabase(const std::string& path) {
  std::unique_ptr<SqliteDb> db;
  ASSERT_TRUE(SqliteDb::Open(path, SqliteDb::Options(), &db).ok());
  ASSERT_TRUE(db->Exec(R"sql(
CREATE TABLE users(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  full_name TEXT NOT NULL DEFAULT '',
  description TEXT NOT NULL DEFAULT '',
  password_hash TEXT NOT NULL,
  is_admin INTEGER NOT NULL DEFAULT 0,
  disabled INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE user_groups(
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY(user_id, position)
);
PRAGMA user_version = 1;
)sql")
                  .ok());
}

TEST(AccountStoreUpgradeTest, AnOlderDatabaseIsUpgradedOnOpenAndKeepsItsAccounts) {
  TempDataDir dir;
  WriteVersionOneDatabase(dir.db_path());
  {
    // A hash made by this version's code, written as the old code wrote rows.
    TempDataDir scratch;
    std::unique_ptr<AccountStore> maker;
    std::string error;
    ASSERT_EQ(AccountStore::Open(scratch.db_path(), AccountStore::Mode::kCreate, &maker, &error),
              S::kOk);
    ASSERT_EQ(maker->Add({"tmp", "", "", {}, false, false}, "old-pw", &error), S::kOk);
    std::unique_ptr<SqliteDb> from;
    ASSERT_TRUE(SqliteDb::Open(scratch.db_path(), SqliteDb::Options(), &from).ok());
    StoreStatus status;
    SqlStatement hash = from->Prepare("SELECT password_hash FROM users", &status);
    ASSERT_TRUE(hash.Step(&status));
    std::unique_ptr<SqliteDb> to;
    ASSERT_TRUE(SqliteDb::Open(dir.db_path(), SqliteDb::Options(), &to).ok());
    SqlStatement insert = to->Prepare(
        "INSERT INTO users(name, full_name, password_hash, is_admin) VALUES('ann', 'Ann', ?1, 1)",
        &status);
    insert.BindText(1, hash.ColumnText(0));
    ASSERT_TRUE(insert.Run().ok());
  }
  // A reader meets it first: the upgrade still happens.
  std::unique_ptr<AccountStore> store;
  std::string error;
  ASSERT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kReadOnly, &store, &error),
            S::kOk)
      << error;
  Account ann;
  ASSERT_EQ(store->Verify("ann", "old-pw", PasswordAging{0, 90}, &ann, &error), kSecOk)
      << "a password of the old database counts as set at the upgrade, not in 1970";
  EXPECT_TRUE(ann.is_admin);
  store.reset();
  ASSERT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kReadWrite, &store, &error),
            S::kOk);
  ASSERT_EQ(store->Remove("ann", &error), S::kOk);
  EXPECT_EQ(store->Add({"ann", "", "", {}, false, false}, "pw", &error), S::kExists);
}

}  // namespace
}  // namespace tav
