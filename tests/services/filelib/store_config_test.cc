#include "services/filelib/store_config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "testing/temp_data_dir.h"

namespace tav {
namespace {

TEST(StoreConfig, ReadsEveryKeyAndRefusesWhatItCannotUnderstand) {
  StoreConfig config;
  ASSERT_TRUE(ParseStoreConfig("# the lab\n\n engine = postgresql \nconnection = service=lab\n"
                               "schema = lab_a\nbusy_timeout_ms = 1500\nconnect_timeout = 2\n"
                               "create_schema = no\r\n",
                               &config)
                  .ok());
  EXPECT_EQ(config.engine, StoreConfig::Engine::kPostgres);
  EXPECT_EQ(config.connection, "service=lab");
  EXPECT_EQ(config.schema, "lab_a");
  EXPECT_EQ(config.busy_timeout.count(), 1500);
  EXPECT_EQ(config.connect_timeout.count(), 2);
  EXPECT_FALSE(config.create_schema);

  const struct {
    const char* text;
    const char* says;
  } bad[] = {
      {"engine = oracle\n", "line 1: engine must be sqlite or postgresql"},
      {"engine = sqlite\nengine = sqlite\n", "line 2: 'engine' is given twice"},
      {"# c\nfsync = off\n", "line 2: unknown key 'fsync'"},
      {"busy_timeout_ms = 0\n", "busy_timeout_ms must be 1 to 60000"},
      {"connect_timeout = 5s\n", "connect_timeout must be 1 to 60"},
      {"schema =\n", "schema must be 1 to 63 characters"},
      {"engine postgresql\n", "line 1: expected key = value"},
  };
  for (const auto& b : bad) {
    StoreConfig c;
    const StoreStatus status = ParseStoreConfig(b.text, &c);
    EXPECT_EQ(status.code(), StoreStatus::kInvalid) << b.text;
    EXPECT_NE(status.message().find(b.says), std::string::npos) << status.message();
  }
}

TEST(StoreConfig, AMissingFileIsTheEmbeddedStoreAndABadOneIsNoStore) {
  testing::TempDataDir dir;
  const std::string file = dir.File(kStoreConfigFile);
  std::remove(file.c_str());
  StoreConfig config;
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  EXPECT_EQ(config.engine, StoreConfig::Engine::kSqlite);
  EXPECT_FALSE(config.present);

  std::ofstream(file) << "engine = postgres\n";
  const StoreStatus status = LoadStoreConfig(dir.path(), &config);
  EXPECT_EQ(status.code(), StoreStatus::kUnavailable);
  EXPECT_NE(status.message().find(file + " line 1"), std::string::npos) << status.message();
}

}  // namespace
}  // namespace tav
