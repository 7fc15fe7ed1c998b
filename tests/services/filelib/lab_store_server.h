// The PostgreSQL server of the lab-store tests: the throw-away cluster that
// pg_virtualenv starts around the test program (it exports PGHOST, PGPORT,
// PGUSER, PGPASSWORD and PGDATABASE for a superuser).
//
// On first use the superuser makes two login roles: an administrator, who
// creates and owns each test's store, and a workstation, which uses it as a
// lab's instruments would. The passwords go to a temporary password file
// (PGPASSFILE, mode 0600) and PGPASSWORD is removed from the environment,
// since libpq would otherwise send the superuser's password for every role;
// no connection string ever holds a password.
#ifndef TAV_TESTS_SERVICES_FILELIB_LAB_STORE_SERVER_H_
#define TAV_TESTS_SERVICES_FILELIB_LAB_STORE_SERVER_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "services/filelib/lab_store_schema.h"
#include "services/filelib/store_config.h"
#include "util/pg_db.h"
#include "util/store_status.h"

namespace tav::testing {

inline constexpr char kLabAdmin[] = "tav_lab_admin";
inline constexpr char kLabWorkstation[] = "tav_lab_workstation";

// The one integer `sql` (a literal: statements are cached by address)
// gives; a failure of the test and -1 when there is none.
inline int64_t Scalar(PgDb& db, const char* sql) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(sql, &status);
  if (!stmt.Step(&status)) {
    ADD_FAILURE() << sql << ": " << status.ToString();
    return -1;
  }
  return stmt.ColumnInt64(0);
}

class LabServer {
 public:
  // The server, set up once per process (the cluster is new for each run of
  // the program). Check usable() first.
  static LabServer& Get() {
    static LabServer* server = new LabServer();  // lives until exit, as the cluster
    return *server;
  }

  // False outside pg_virtualenv (no PGHOST): tests skip.
  bool present() const { return present_; }
  // Set up: the roles exist and the password file names them.
  bool usable() const { return setup_.ok(); }
  const StoreStatus& setup_status() const { return setup_; }
  const std::string& superuser() const { return superuser_; }

  // A connection as `user` to `schema`.
  StoreStatus Connect(const std::string& user, const std::string& schema,
                      std::unique_ptr<PgDb>* out,
                      std::chrono::milliseconds busy_timeout = std::chrono::milliseconds(10000)) {
    PgDb::Options options;
    options.schema = schema;
    options.busy_timeout = busy_timeout;
    options.connect_timeout = std::chrono::seconds(5);
    return PgDb::Open("user=" + user, options, out);
  }

  // A new store in a schema of its own, made and owned by the administrator,
  // the workstation role granted its rights.
  StoreStatus NewStore(std::string* schema) {
    static std::atomic<int> counter{0};
    *schema = "lab_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    std::unique_ptr<PgDb> admin;
    StoreStatus status = Connect(kLabAdmin, *schema, &admin);
    if (status.ok()) status = InitLabStore(*admin, LabStoreRoles{kLabWorkstation});
    if (status.ok()) status = admin->ExecText(kTestRecordFunctions);
    return status;
  }

  // For tests that write SQL: tav_test_record(log, name) is a record of
  // log 1 to 3 (a system event of user `name` with code 6, a configuration
  // change of `name` without entries, a run file record holding `name`),
  // which the store takes; tav_test_name(record) gives the name back.
  static constexpr char kTestRecordFunctions[] = R"sql(
CREATE FUNCTION tav_test_record(p_log int, p_name text) RETURNS bytea
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE
    WHEN p_log = 3 THEN
      '\x46695265'::bytea || int4send(10 + length(convert_to(p_name, 'UTF8'))) ||
      '\x000154657374'::bytea || int4send(length(convert_to(p_name, 'UTF8'))) ||
      convert_to(p_name, 'UTF8')
    ELSE
      '\x41457674'::bytea ||
      int4send(CASE WHEN p_log = 1 THEN 24 ELSE 13 END + length(convert_to(p_name, 'UTF8'))) ||
      '\x0000000000000000'::bytea ||
      set_byte('\x00'::bytea, 0, length(convert_to(p_name, 'UTF8'))) ||
      convert_to(p_name, 'UTF8') || '\x0000'::bytea ||
      CASE WHEN p_log = 1 THEN '\x000141456e7800000003060000'::bytea ELSE '\x0000'::bytea END
  END
$$;
CREATE FUNCTION tav_test_name(p_record bytea) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE
    WHEN substring(p_record FROM 1 FOR 4) = '\x46695265'::bytea THEN
      convert_from(substring(p_record FROM 19), 'UTF8')
    WHEN substring(p_record FROM 1 FOR 4) = '\x41457674'::bytea AND length(p_record) > 17 THEN
      convert_from(substring(p_record FROM 18 FOR get_byte(p_record, 16)), 'UTF8')
    ELSE convert_from(p_record, 'UTF8')  -- a record of an older test's making
  END
$$;
GRANT EXECUTE ON FUNCTION tav_test_record(int, text), tav_test_name(bytea) TO tav_lab_workstation;
)sql";

  // store.conf for a workstation logging in as `user` to `schema`.
  static std::string StoreConf(const std::string& user, const std::string& schema) {
    return "engine = postgresql\nconnection = user=" + user + "\nschema = " + schema + "\n";
  }
  static void WriteStoreConf(const std::string& data_dir, const std::string& text) {
    std::ofstream(data_dir + "/" + kStoreConfigFile) << text;
  }

 private:
  LabServer() {
    const char* host = std::getenv("PGHOST");
    const char* user = std::getenv("PGUSER");
    const char* password = std::getenv("PGPASSWORD");
    present_ = host != nullptr && user != nullptr;
    if (!present_) {
      setup_ = StoreStatus(StoreStatus::kUnavailable, "no server: run under pg_virtualenv");
      return;
    }
    superuser_ = user;
    setup_ = Setup(password != nullptr ? password : "");
  }

  static std::string RandomPassword() {
    unsigned char bytes[16] = {};
    std::FILE* f = std::fopen("/dev/urandom", "rb");
    if (f != nullptr) {
      if (std::fread(bytes, 1, sizeof bytes, f) != sizeof bytes) bytes[0] ^= 1;
      std::fclose(f);
    }
    std::string hex;
    for (unsigned char b : bytes) {
      static const char kDigits[] = "0123456789abcdef";
      hex += kDigits[b >> 4];
      hex += kDigits[b & 15];
    }
    return hex;
  }

  StoreStatus Setup(const std::string& super_password) {
    char tmpl[] = "/tmp/tav_pgpass.XXXXXX";
    const int fd = ::mkstemp(tmpl);
    if (fd < 0) return StoreStatus(StoreStatus::kIOError, "no password file");
    ::fchmod(fd, 0600);
    ::close(fd);
    passfile_ = tmpl;
    const std::string admin_password = RandomPassword();
    const std::string workstation_password = RandomPassword();
    std::ofstream(passfile_) << "*:*:*:" << superuser_ << ":" << super_password << "\n"
                             << "*:*:*:" << kLabAdmin << ":" << admin_password << "\n"
                             << "*:*:*:" << kLabWorkstation << ":" << workstation_password
                             << "\n";
    ::setenv("PGPASSFILE", passfile_.c_str(), 1);
    ::unsetenv("PGPASSWORD");
    std::atexit([] { std::remove(Get().passfile_.c_str()); });

    std::unique_ptr<PgDb> super;
    StoreStatus status = Connect(superuser_, "public", &super);
    if (!status.ok()) return status;
    // pgcrypto is trusted, but made here once so that no store's creation
    // depends on the administrator's right to add extensions.
    const std::string sql =
        "CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA public;"
        "CREATE ROLE " + std::string(kLabAdmin) + " LOGIN PASSWORD '" + admin_password + "';"
        "CREATE ROLE " + kLabWorkstation + " LOGIN PASSWORD '" + workstation_password + "';"
        "GRANT CREATE ON DATABASE " + CurrentDatabase(*super) + " TO " + kLabAdmin + ";";
    return super->ExecText(sql);
  }

  static std::string CurrentDatabase(PgDb& db) {
    StoreStatus status;
    SqlStatement stmt = db.Prepare("SELECT quote_ident(current_database())", &status);
    return stmt.Step(&status) ? std::string(stmt.ColumnText(0)) : std::string("postgres");
  }

  bool present_ = false;
  StoreStatus setup_;
  std::string superuser_;
  std::string passfile_;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_SERVICES_FILELIB_LAB_STORE_SERVER_H_
