// The settings when there is no store to read them from: the features on,
// nobody may act, a finite idle timeout, and nothing created.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <list>
#include <string>

#include "services/config/system_configuration.h"
#include "services/filelib/compliance_db.h"
#include "testing/temp_data_dir.h"
#include "util/data_dir.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

const std::list<std::string> kAdmins = {"tav-admins"};

TEST(StoreFailsClosed, WithoutAStoreTheFeaturesAreOnAndNobodyMayAct) {
  TAV_SKIP_ON_LAB_STORE("looks for files in the data directory");
  testing::TempDataDir holder;  // restores TAV_DATA_DIR afterwards
  testing::WithoutSuiteService no_service;
  unsetenv("TAV_DATA_DIR");
  SetMachineRootForTesting(holder.path());
  {
    CSystemConfiguration config;
    EXPECT_EQ(config.Is21CFREnabled(), 1);
    EXPECT_EQ(config.IsActivityAllowed(kAdmins, kActivityConfigureCompliance, nullptr), 0);
    EXPECT_EQ(config.GetConfigInt(kIdleTimeoutName, 0), kFailClosedIdleTimeoutMinutes);
    CTAVGroupRightsArray rights;
    EXPECT_EQ(config.ReadActivityGroupArray(rights), kConfigStorageError);
    EXPECT_NE(CSystemConfiguration::LastErrorMessage().find("tavsec setup"), std::string::npos)
        << CSystemConfiguration::LastErrorMessage();
    EXPECT_EQ(config.Set21CFREnabled(0, "off"), kConfigStorageError);
  }
  SetMachineRootForTesting("");
  EXPECT_TRUE(fs::is_empty(holder.path()));
}

TEST(StoreFailsClosed, TheMachineStoreWithoutItsDatabaseIsNotRefilledWithDefaults) {
  testing::TempDataDir holder;
  unsetenv("TAV_DATA_DIR");
  SetMachineRootForTesting(holder.path());
  fs::create_directories(holder.path() + kSystemDataDir);
  {
    CSystemConfiguration config;
    EXPECT_EQ(config.Is21CFREnabled(), 1) << "a removed database must not read as features off";
    EXPECT_EQ(config.IsActivityAllowed(kAdmins, kActivityConfigureCompliance, nullptr), 0);
  }
  SetMachineRootForTesting("");
  EXPECT_TRUE(fs::is_empty(holder.path() + kSystemDataDir));
}

TEST(StoreFailsClosed, AnUnreadableDatabaseGivesAFiniteIdleTimeout) {
  TAV_SKIP_ON_LAB_STORE("makes the database file unreadable");
  testing::TempDataDir dir;
  std::ofstream(dir.File(kComplianceDbFileName)) << "not a database, but long enough to say so";
  CSystemConfiguration config;
  EXPECT_EQ(config.GetConfigInt(kIdleTimeoutName, 0), kFailClosedIdleTimeoutMinutes);
  EXPECT_EQ(config.Is21CFREnabled(), 1);
}

}  // namespace
}  // namespace tav
