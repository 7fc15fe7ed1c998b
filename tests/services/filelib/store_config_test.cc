#include "services/filelib/store_config.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

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
      {"schema = a$$; DROP SCHEMA b; --\n", "line 1: schema must not contain $$"},
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

// The file is read again whenever it may have changed, though a process
// that logs many events keeps what it read: an old file with a new
// contents of the same size, a file that is new, one that is gone.
TEST(StoreConfig, AChangedFileIsReadAgain) {
  testing::TempDataDir dir;
  const std::string file = dir.File(kStoreConfigFile);
  // Every write gets the same modification time; the change time is the
  // kernel's, now.
  const time_t hour_ago = time(nullptr) - 3600;
  auto write_aged = [&](const std::string& text) {
    std::ofstream(file, std::ios::trunc) << text;
    const timespec times[2] = {{hour_ago, 0}, {hour_ago, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  };
  StoreConfig config;
  write_aged("engine = postgresql\nschema = aaaa\n");
  // Old enough to be kept.
  std::this_thread::sleep_for(std::chrono::seconds(kStoreConfigSettleSeconds + 1));
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  EXPECT_EQ(config.schema, "aaaa");
  // Same size, same modification time: the change time tells.
  write_aged("engine = postgresql\nschema = bbbb\n");
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  EXPECT_EQ(config.schema, "bbbb");
  std::ofstream(file, std::ios::trunc) << "engine = postgresql\nschema = cccc\n";
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  EXPECT_EQ(config.schema, "cccc");
  std::ofstream(file, std::ios::trunc) << "engine = postgresql\nschema = dddd\n";
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  EXPECT_EQ(config.schema, "dddd");
  std::remove(file.c_str());
  ASSERT_TRUE(LoadStoreConfig(dir.path(), &config).ok());
  EXPECT_EQ(config.engine, StoreConfig::Engine::kSqlite);
}

}  // namespace
}  // namespace tav
