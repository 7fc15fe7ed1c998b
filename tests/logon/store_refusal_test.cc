// A logon without a usable security store: refused, and the message says
// what an administrator must do.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "logon/auth_error.h"
#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "testing/temp_data_dir.h"
#include "util/data_dir.h"

namespace tav {
namespace {

TEST(StoreRefusal, TheLogonMessageNamesTheMissingStore) {
  TAV_SKIP_ON_LAB_STORE("looks for files in the data directory");
  TAV_SKIP_THROUGH_SERVICE("asks the in-process security service");
  testing::TempDataDir holder;
  unsetenv("TAV_DATA_DIR");
  SetMachineRootForTesting(holder.path());
  ASSERT_EQ(KorWinSec_aAuthenticateUser("alice", "", "Alice-Secret-1"), kSecBackendUnavailable);
  const std::string text = AuthenticationErrorText(kSecBackendUnavailable);
  SetMachineRootForTesting("");
  EXPECT_EQ(text.rfind(SecurityMessageText(kSecBackendUnavailable), 0), 0u) << text;
  EXPECT_NE(text.find("tavsec setup"), std::string::npos) << text;
  EXPECT_TRUE(std::filesystem::is_empty(holder.path()));
}

}  // namespace
}  // namespace tav
