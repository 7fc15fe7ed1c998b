// StoreConfig: which engine keeps this workstation's compliance data.
//
// Read from "store.conf" in the data directory, beside security.conf: lines
// of `key = value`, blank lines and comment lines starting with '#'.
//
//   engine = sqlite | postgresql     (default sqlite: compliance.db here)
//   connection = <libpq connection string, URI or service=NAME>
//   schema = <schema of the store>   (default tavsecurity)
//   busy_timeout_ms = <wait for another client's lock> (default 10000)
//   connect_timeout = <seconds to reach the server>    (default 5)
//   create_schema = yes | no   (default no) makes the schema on first use
//                              when it is missing: a store of one's own,
//                              for tests and demos
//   time_stamp_url = http://... an RFC 3161 time-stamping authority: the
//                              compliance service time-stamps each signed
//                              export and a checkpoint of the logs' heads
//   time_stamp_ca = <PEM file>  the roots that authority's tokens must
//                              chain to (given with the url)
//   time_stamp_checkpoint = <seconds between head checkpoints> (default
//                              86400; 0: none)
//
// A missing file means the embedded store. A file that cannot be read, an
// unknown or repeated key or a bad value is refused as a whole, as is (when
// connecting) a connection string that holds a password: the store is then
// unavailable and logons fail closed, never falling back to the embedded
// store.
//
// Thread safety: plain value type; the functions keep no state.
#ifndef TAV_SERVICES_FILELIB_STORE_CONFIG_H_
#define TAV_SERVICES_FILELIB_STORE_CONFIG_H_

#include <chrono>
#include <string>
#include <string_view>

#include "util/store_status.h"

namespace tav {

inline constexpr char kStoreConfigFile[] = "store.conf";
// Where the workstation's credentials for the lab store belong, beside
// store.conf: files that only the compliance service's account reads
// (tavsec setup gives them to it, mode 0600), named in the connection
// string (passfile=, sslcert=, sslkey=). No member of the group can then
// reach the lab store as the workstation.
inline constexpr const char* kLabStoreCredentialFiles[] = {"lab-store.pgpass", "lab-store.crt",
                                                           "lab-store.key"};
// A store.conf changed less than this many seconds ago is read again at
// every call: two changes within the clock's granularity could leave what
// stat() says of it as it was.
inline constexpr int kStoreConfigSettleSeconds = 2;

struct StoreConfig {
  enum class Engine { kSqlite, kPostgres };
  Engine engine = Engine::kSqlite;
  std::string connection;
  std::string schema = "tavsecurity";
  std::chrono::milliseconds busy_timeout{10000};
  std::chrono::seconds connect_timeout{5};
  bool create_schema = false;
  std::string time_stamp_url;
  std::string time_stamp_ca;
  std::chrono::seconds time_stamp_checkpoint{86400};
  bool present = false;  // read from a file (not the defaults)
};

// Parses the text of store.conf; kInvalid naming the line on failure.
StoreStatus ParseStoreConfig(std::string_view text, StoreConfig* config);

// Reads `data_dir`/store.conf; a missing file gives the defaults.
StoreStatus LoadStoreConfig(const std::string& data_dir, StoreConfig* config);

// "sqlite" or "postgresql".
const char* StoreEngineName(StoreConfig::Engine engine);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_STORE_CONFIG_H_
