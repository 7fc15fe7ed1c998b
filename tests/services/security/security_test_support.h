// Helpers of the security service tests: a fresh data directory per test,
// local accounts, and reading the service's string queries.
#ifndef TAV_TESTS_SERVICES_SECURITY_SECURITY_TEST_SUPPORT_H_
#define TAV_TESTS_SERVICES_SECURITY_SECURITY_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "services/security/account_store.h"
#include "services/security/korwinsec.h"

namespace tav::testing {

// Creates a temporary folder, points TAV_DATA_DIR at it, and removes both
// when destroyed.
class TempDataDir {
 public:
  TempDataDir() {
    char name[] = "/tmp/tav_security_test.XXXXXX";
    path_ = mkdtemp(name);
    setenv("TAV_DATA_DIR", path_.c_str(), 1);
  }
  ~TempDataDir() {
    unsetenv("TAV_DATA_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDataDir(const TempDataDir&) = delete;
  TempDataDir& operator=(const TempDataDir&) = delete;

  const std::string& path() const { return path_; }
  std::string db_path() const { return path_ + "/accounts.db"; }

  void WriteConfig(const std::string& text) const {
    std::ofstream(path_ + "/security.conf") << text;
  }

  void AddAccount(const Account& account, const std::string& password) const {
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(db_path(), AccountStore::Mode::kCreate, &store, &error),
              AccountStore::Status::kOk)
        << error;
    ASSERT_EQ(store->Add(account, password, &error), AccountStore::Status::kOk) << error;
  }

 private:
  std::string path_;
};

// A string query read the way callers do: length, then a buffer of length + 1.
// "<none>" when the query has no value.
template <typename Query>
std::string ReadQuery(Query query) {
  int length = query(nullptr, 0);
  if (length < 0) return "<none>";
  std::string value(static_cast<size_t>(length) + 1, '\0');
  EXPECT_EQ(query(value.data(), length + 1), length);
  value.resize(static_cast<size_t>(length));
  return value;
}

inline std::vector<std::string> AuthenticGroups() {
  std::vector<std::string> groups;
  int count = -1;
  int longest = -1;
  int n = KorWinSec_GetAuthenticUserGroupInfo(&count, &longest);
  EXPECT_EQ(n, count);
  for (int i = 0; i < n; ++i) {
    groups.push_back(
        ReadQuery([i](char* b, int s) { return KorWinSec_aGetAuthenticUserGroup(i, b, s); }));
  }
  return groups;
}

inline std::vector<std::string> ImpersonatedGroups() {
  std::vector<std::string> groups;
  int count = -1;
  int longest = -1;
  int n = KorWinSec_GetImpersonatedUserGroupInfo(&count, &longest);
  EXPECT_EQ(n, count);
  // Callers read every group into one buffer of the longest length + 1.
  std::string buffer(static_cast<size_t>(longest) + 1, '\0');
  for (int i = 0; i < n; ++i) {
    int length = KorWinSec_aGetImpersonatedUserGroup(i, buffer.data(), longest + 1);
    EXPECT_LE(length, longest);
    groups.emplace_back(buffer.c_str());
  }
  return groups;
}

inline std::string ImpersonatedUser() { return ReadQuery(KorWinSec_aGetImpersonatedUser); }

}  // namespace tav::testing

#endif  // TAV_TESTS_SERVICES_SECURITY_SECURITY_TEST_SUPPORT_H_
