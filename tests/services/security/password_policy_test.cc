// The password policy of the local accounts: each rule refuses what it
// should and lets a good password through; the history, the aging and the
// change demanded after an administrator set a password, on a clock the
// tests set.
#include <memory>
#include <string>

#include "security_test_support.h"
#include "services/security/password_policy.h"
#include "services/security/result_codes.h"
#include "services/security/security_config.h"
#include "util/sqlite_db.h"

namespace tav {
namespace {

using S = AccountStore::Status;
using testing::TempDataDir;

constexpr int64_t kDay = 86400;
constexpr int64_t kStart = 1772366400;  // 2026-03-01 12:00 UTC
constexpr char kGood[] = "Velvet-Compass-Ridge-58";

bool Meets(const PasswordPolicy& policy, const std::string& password,
           std::string* reason = nullptr, const std::string& old = "") {
  std::string ignored;
  return MeetsPasswordPolicy(policy, "frank", password, old, reason ? reason : &ignored);
}

TEST(PasswordPolicyTest, EachRuleRefusesWhatItShouldAndAGoodPasswordPasses) {
  const PasswordPolicy policy;  // the defaults
  std::string reason;
  EXPECT_FALSE(Meets(policy, "a", &reason));
  EXPECT_EQ(reason, "the password is shorter than 12 characters");
  EXPECT_FALSE(Meets(policy, "Tr0ub4dor&3", &reason)) << "11 characters";

  // The quality checks, each on a password long enough.
  EXPECT_FALSE(Meets(policy, "mississippi12", &reason)) << "a dictionary word";
  EXPECT_NE(reason.find("dictionary"), std::string::npos) << reason;
  EXPECT_FALSE(Meets(policy, "Kq7#zzzzLm2!pX", &reason)) << "four of one character";
  EXPECT_FALSE(Meets(policy, "x9frank-Q#7tVw", &reason)) << "holds the user name";
  EXPECT_FALSE(Meets(policy, "Kq7#abcdeLm2!pX", &reason)) << "a sequence";
  EXPECT_FALSE(Meets(policy, std::string(kGood), &reason, kGood)) << "the old one again";
  EXPECT_EQ(reason, "the new password is the same as the old one");

  EXPECT_TRUE(Meets(policy, kGood, &reason)) << reason;
  // The reason never repeats the password.
  EXPECT_FALSE(Meets(policy, "mississippi12", &reason));
  EXPECT_EQ(reason.find("mississippi"), std::string::npos) << reason;

  PasswordPolicy plain;
  plain.quality = false;
  plain.min_length = 4;
  EXPECT_TRUE(Meets(plain, "aaaa"));
  EXPECT_FALSE(Meets(plain, "aaa"));
}

TEST(PasswordPolicyTest, TheSettingsReadTheirKeysAndRefuseBadValues) {
  SecurityConfig config;
  std::string error;
  ASSERT_TRUE(ParseSecurityConfig(
      "password_min_length = 8\npassword_quality = no\npassword_history = 0\n"
      "password_max_age = 0\npassword_warn_age = 3\npassword_change_at_first_logon = no\n",
      &config, &error))
      << error;
  EXPECT_EQ(config.passwords.min_length, 8);
  EXPECT_FALSE(config.passwords.quality);
  EXPECT_EQ(config.passwords.history, 0);
  EXPECT_EQ(config.passwords.max_age_days, 0);
  EXPECT_EQ(config.passwords.warn_days, 3);
  EXPECT_FALSE(config.passwords.change_at_first_logon);
  for (const char* bad : {"password_min_length = 0\n", "password_quality = maybe\n",
                          "password_history = 25\n", "password_max_age = -1\n"}) {
    SecurityConfig fresh;
    EXPECT_FALSE(ParseSecurityConfig(bad, &fresh, &error)) << bad;
  }
}

class PasswordAgingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AccountStore::Open(dir_.db_path(), AccountStore::Mode::kCreate, &store_, &error_),
              S::kOk)
        << error_;
    how_.now = kStart;
    how_.policy = &policy_;
  }

  int VerifyAt(int64_t now, const std::string& password) {
    Account account;
    return store_->Verify("frank", password, PasswordAging{now, policy_.max_age_days}, &account,
                          &error_);
  }
  int ChangeAt(int64_t now, const std::string& from, const std::string& to) {
    PasswordSet own = how_;
    own.now = now;
    return store_->ChangePassword("frank", from, to, own, &error_);
  }

  TempDataDir dir_;
  std::unique_ptr<AccountStore> store_;
  std::string error_;
  PasswordPolicy policy_;
  PasswordSet how_;
};

TEST_F(PasswordAgingTest, AnAdministratorsPasswordMustBeChangedAndThenNoLongerWorks) {
  EXPECT_EQ(store_->Add({"frank", "", "", {}, false, false}, "short", how_, &error_), S::kInvalid);
  EXPECT_EQ(error_, "the password is shorter than 12 characters");
  ASSERT_EQ(store_->Add({"frank", "", "", {}, false, false}, kGood, how_, &error_), S::kOk)
      << error_;
  EXPECT_EQ(VerifyAt(kStart, kGood), kSecPasswordMustChange);
  EXPECT_EQ(VerifyAt(kStart, "wrong password"), kSecLogonFailure) << "says nothing to a stranger";

  EXPECT_EQ(ChangeAt(kStart, "wrong password", "Brisk-Harbor-Lantern-93"), kSecLogonFailure);
  EXPECT_EQ(ChangeAt(kStart, kGood, "a"), kSecPasswordRestriction);
  EXPECT_EQ(ChangeAt(kStart, kGood, kGood), kSecPasswordRestriction);
  ASSERT_EQ(ChangeAt(kStart, kGood, "Brisk-Harbor-Lantern-93"), kSecOk) << error_;
  EXPECT_EQ(VerifyAt(kStart, "Brisk-Harbor-Lantern-93"), kSecOk);
  EXPECT_EQ(VerifyAt(kStart, kGood), kSecLogonFailure);

  // An administrator's reset demands a change again; so does expire.
  ASSERT_EQ(store_->SetPassword("frank", "Quiet-Meadow-Falcon-27", how_, &error_), S::kOk);
  EXPECT_EQ(VerifyAt(kStart, "Quiet-Meadow-Falcon-27"), kSecPasswordMustChange);
  ASSERT_EQ(ChangeAt(kStart, "Quiet-Meadow-Falcon-27", "Amber-Glacier-Pilot-64"), kSecOk);
  ASSERT_EQ(store_->Expire("FRANK", &error_), S::kOk);
  EXPECT_EQ(VerifyAt(kStart, "Amber-Glacier-Pilot-64"), kSecPasswordMustChange);

  // Without the rule, an administrator's password holds.
  policy_.change_at_first_logon = false;
  ASSERT_EQ(store_->SetPassword("frank", "Silver-Canyon-Drift-45", how_, &error_), S::kOk);
  EXPECT_EQ(VerifyAt(kStart, "Silver-Canyon-Drift-45"), kSecOk);
}

TEST_F(PasswordAgingTest, APasswordExpiresAtItsMaximumAge) {
  policy_.change_at_first_logon = false;
  ASSERT_EQ(store_->Add({"frank", "", "", {}, false, false}, kGood, how_, &error_), S::kOk);
  EXPECT_EQ(VerifyAt(kStart + 90 * kDay - 1, kGood), kSecOk);
  EXPECT_EQ(VerifyAt(kStart + 90 * kDay, kGood), kSecPasswordExpired);
  EXPECT_EQ(VerifyAt(kStart + 90 * kDay, "guess"), kSecLogonFailure);

  // The expired password may still be changed, and the new one ages anew.
  ASSERT_EQ(ChangeAt(kStart + 91 * kDay, kGood, "Brisk-Harbor-Lantern-93"), kSecOk) << error_;
  EXPECT_EQ(VerifyAt(kStart + 180 * kDay, "Brisk-Harbor-Lantern-93"), kSecOk);
  EXPECT_EQ(VerifyAt(kStart + 181 * kDay, "Brisk-Harbor-Lantern-93"), kSecPasswordExpired);

  policy_.max_age_days = 0;
  EXPECT_EQ(VerifyAt(kStart + 3650 * kDay, "Brisk-Harbor-Lantern-93"), kSecOk) << "0 is never";
}

TEST_F(PasswordAgingTest, TheLastFivePasswordsMayNotComeBack) {
  policy_.change_at_first_logon = false;
  const char* passwords[] = {"Velvet-Compass-Ridge-58", "Brisk-Harbor-Lantern-93",
                             "Quiet-Meadow-Falcon-27", "Amber-Glacier-Pilot-64",
                             "Silver-Canyon-Drift-45", "Copper-Willow-Beacon-39"};
  ASSERT_EQ(store_->Add({"frank", "", "", {}, false, false}, passwords[0], how_, &error_),
            S::kOk);
  for (int i = 1; i < 5; ++i) {
    ASSERT_EQ(ChangeAt(kStart, passwords[i - 1], passwords[i]), kSecOk) << i << error_;
  }
  // Now at the fifth: each of the five is refused, by the user and by an
  // administrator alike.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ChangeAt(kStart, passwords[4], passwords[i]), kSecPasswordRestriction) << i;
    EXPECT_EQ(store_->SetPassword("frank", passwords[i], how_, &error_), S::kInvalid) << i;
  }
  EXPECT_EQ(error_, "the password is one of the last 5 of this account; choose another");
  ASSERT_EQ(ChangeAt(kStart, passwords[4], passwords[5]), kSecOk);
  // The first has now left the history.
  EXPECT_EQ(ChangeAt(kStart, passwords[5], passwords[0]), kSecOk) << error_;
}

TEST(PasswordHistoryTest, OnlyHashesAreKeptAndOnlyAsManyAsTheHistoryNeeds) {
  TempDataDir dir;
  std::unique_ptr<AccountStore> store;
  std::string error;
  ASSERT_EQ(AccountStore::Open(dir.db_path(), AccountStore::Mode::kCreate, &store, &error),
            S::kOk);
  PasswordPolicy policy;
  policy.history = 3;
  policy.quality = false;
  PasswordSet how;
  how.policy = &policy;
  ASSERT_EQ(store->Add({"gail", "", "", {}, false, false}, "first-password-1", how, &error),
            S::kOk);
  for (int i = 2; i <= 6; ++i) {
    ASSERT_EQ(store->SetPassword("gail", "next-password-" + std::to_string(i), how, &error),
              S::kOk);
  }
  std::unique_ptr<SqliteDb> db;
  ASSERT_TRUE(SqliteDb::Open(dir.db_path(), SqliteDb::Options(), &db).ok());
  StoreStatus status;
  SqlStatement select = db->Prepare("SELECT hash FROM password_history", &status);
  int rows = 0;
  while (select.Step(&status)) {
    ++rows;
    EXPECT_EQ(std::string(select.ColumnText(0)).rfind("$argon2id$", 0), 0u);
  }
  EXPECT_EQ(rows, 2) << "the current password and two before it make three";
}

}  // namespace
}  // namespace tav
