#include "services/filelib/store_config.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "util/file_stamp.h"
#include "util/library_lifetime.h"
#include "util/strings.h"
#include "util/trusted_config.h"

namespace tav {

namespace {

// The file as last read, and what stat() said of it then: a process that
// logs many events asks for its store each time, and reads the file again
// only when it has changed (its contents, owner or mode).
struct LastRead {
  std::mutex mutex;
  std::string path;
  FileStamp stamp;
  StoreConfig config;
};

bool ParseCount(std::string_view text, long long low, long long high, long long* out) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *out = v;
  return true;
}

}  // namespace

const char* StoreEngineName(StoreConfig::Engine engine) {
  return engine == StoreConfig::Engine::kPostgres ? "postgresql" : "sqlite";
}

StoreStatus ParseStoreConfig(std::string_view text, StoreConfig* config) {
  std::set<std::string> seen;
  StoreStatus status;
  ForEachSettingLine(text, [&](const SettingLine& line) {
    auto bad = [&](const std::string& why) {
      status = StoreStatus(StoreStatus::kInvalid, std::string(kStoreConfigFile) + " line " +
                                                      std::to_string(line.number) + ": " + why);
      return false;
    };
    if (!line.has_equals) return bad("expected key = value");
    const std::string key(line.key);
    const std::string_view value = line.value;
    if (!seen.insert(key).second) return bad("'" + key + "' is given twice");
    long long n = 0;
    if (key == "engine") {
      if (value == "sqlite") {
        config->engine = StoreConfig::Engine::kSqlite;
      } else if (value == "postgresql") {
        config->engine = StoreConfig::Engine::kPostgres;
      } else {
        return bad("engine must be sqlite or postgresql");
      }
    } else if (key == "connection") {
      config->connection = std::string(value);
    } else if (key == "schema") {
      if (value.empty() || value.size() > 63) return bad("schema must be 1 to 63 characters");
      // The store's functions are written into the schema with its name
      // inside $$-quoted bodies.
      if (value.find("$$") != std::string_view::npos) return bad("schema must not contain $$");
      config->schema = std::string(value);
    } else if (key == "busy_timeout_ms") {
      if (!ParseCount(value, 1, 60000, &n)) return bad("busy_timeout_ms must be 1 to 60000");
      config->busy_timeout = std::chrono::milliseconds(n);
    } else if (key == "connect_timeout") {
      if (!ParseCount(value, 1, 60, &n)) return bad("connect_timeout must be 1 to 60");
      config->connect_timeout = std::chrono::seconds(n);
    } else if (key == "time_stamp_url") {
      if (value.substr(0, 7) != "http://") return bad("time_stamp_url must begin http://");
      config->time_stamp_url = std::string(value);
    } else if (key == "time_stamp_ca") {
      if (value.empty() || value[0] != '/') return bad("time_stamp_ca must be an absolute path");
      config->time_stamp_ca = std::string(value);
    } else if (key == "time_stamp_checkpoint") {
      if (!ParseCount(value, 0, 366 * 86400, &n)) {
        return bad("time_stamp_checkpoint must be 0 to 31622400 seconds");
      }
      config->time_stamp_checkpoint = std::chrono::seconds(n);
    } else if (key == "create_schema") {
      if (value != "yes" && value != "no") return bad("create_schema must be yes or no");
      config->create_schema = value == "yes";
    } else {
      return bad("unknown key '" + key + "'");
    }
    return true;
  });
  if (status.ok() && config->time_stamp_url.empty() != config->time_stamp_ca.empty()) {
    status = StoreStatus(StoreStatus::kInvalid,
                         "time_stamp_url and time_stamp_ca are given together or not at all");
  }
  if (status.ok()) config->present = true;
  return status;
}

StoreStatus LoadStoreConfig(const std::string& data_dir, StoreConfig* config) {
  *config = StoreConfig();
  const std::string path = data_dir + "/" + kStoreConfigFile;
  static UntilUnload<LastRead> last_read;
  LastRead& last = last_read.Get();
  struct stat st;
  const bool stated = lstat(path.c_str(), &st) == 0;
  if (!stated && errno == ENOENT) return StoreStatus::Ok();
  if (stated) {
    std::lock_guard<std::mutex> lock(last.mutex);
    if (last.path == path && last.stamp == FileStamp::Of(st)) {
      *config = last.config;
      return StoreStatus::Ok();
    }
  }
  std::string text;
  bool present = false;
  StoreStatus read = ReadTrustedConfig(path, ConfigRuleForDataDir(data_dir), &text, &present);
  if (!read.ok()) {
    return StoreStatus(StoreStatus::kUnavailable, read.message());
  }
  if (!present) return StoreStatus::Ok();
  StoreStatus status = ParseStoreConfig(text, config);
  if (!status.ok()) {
    return StoreStatus(StoreStatus::kUnavailable,
                       data_dir + "/" + status.message() + "; the store is not used");
  }
  // Kept with what stat() said before the read, so that a change made
  // while it was read shows at the next call; not kept while the file is
  // new.
  if (stated && !FileStamp::Of(st).ChangedWithin(kStoreConfigSettleSeconds, std::time(nullptr))) {
    std::lock_guard<std::mutex> lock(last.mutex);
    last.path = path;
    last.stamp = FileStamp::Of(st);
    last.config = *config;
  }
  return status;
}

}  // namespace tav
