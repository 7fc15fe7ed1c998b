// A fresh data directory for one test: created empty, set as TAV_DATA_DIR
// while the object lives, removed with everything in it afterwards.
//
// With TAV_TEST_ENGINE=postgresql in the environment (the suite run inside
// pg_virtualenv), the folder gets a store.conf that keeps its compliance
// data in a schema of its own in that server, made on first use.
//
// With TAV_TEST_SERVICE=1 a tavsecd of the folder's own runs while the
// object lives, named by $TAV_SOCKET, so that everything the library and
// tavsec ask of the store goes through a real one, as on a machine-wide
// store. Tests that look inside the in-process security service skip
// themselves then (TAV_SKIP_THROUGH_SERVICE).
#ifndef TAV_TESTS_TESTING_TEMP_DATA_DIR_H_
#define TAV_TESTS_TESTING_TEMP_DATA_DIR_H_

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "testing/service_process.h"

namespace tav::testing {

// True when the suite runs against the lab store (see TempDataDir).
inline bool TestsUseLabStore() {
  const char* engine = std::getenv("TAV_TEST_ENGINE");
  return engine != nullptr && std::string(engine) == "postgresql";
}

// True when every data directory of the suite has a compliance service.
inline bool TestsUseService() {
  const char* service = std::getenv("TAV_TEST_SERVICE");
  return service != nullptr && std::string(service) == "1";
}

// Skips a test that looks inside the in-process security service (its
// token table, a backend that fakes the service's answers).
#define TAV_SKIP_THROUGH_SERVICE(why) \
  if (::tav::testing::TestsUseService()) GTEST_SKIP() << "in-process service only: " << (why)

// Skips a test that works on the embedded store's file itself.
#define TAV_SKIP_ON_LAB_STORE(why) \
  if (::tav::testing::TestsUseLabStore()) GTEST_SKIP() << "embedded store only: " << (why)

// Hides the suite's compliance service (TAV_SOCKET) while it lives, for a
// test of a machine that has none: no store, so no service either.
class WithoutSuiteService {
 public:
  WithoutSuiteService() {
    const char* socket = std::getenv("TAV_SOCKET");
    if (socket != nullptr) old_ = socket;
    ::unsetenv("TAV_SOCKET");
  }
  ~WithoutSuiteService() {
    if (!old_.empty()) ::setenv("TAV_SOCKET", old_.c_str(), 1);
  }
  WithoutSuiteService(const WithoutSuiteService&) = delete;
  WithoutSuiteService& operator=(const WithoutSuiteService&) = delete;

 private:
  std::string old_;
};

class TempDataDir {
 public:
  TempDataDir() {
    char tmpl[] = "/tmp/tav_data.XXXXXX";
    path_ = ::mkdtemp(tmpl);
    const char* old = std::getenv("TAV_DATA_DIR");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    ::setenv("TAV_DATA_DIR", path_.c_str(), 1);
    if (TestsUseLabStore()) {
      // The folder's random part names the schema (lower case for SQL).
      std::string schema = "tav_test_" + std::to_string(::getpid()) + "_" + path_.substr(path_.rfind('.') + 1);
      for (char& c : schema) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::ofstream(File("store.conf")) << "engine = postgresql\nschema = " << schema
                                        << "\ncreate_schema = yes\n";
    }
    // The socket beside the folder, not in it: tests look at what the
    // folder holds. A name of its own: a test may start a service of its
    // own on the folder too.
    if (TestsUseService()) {
      service_ = std::make_unique<ServiceProcess>(path_, path_ + ".tavsecd.sock");
      if (!service_->ready()) {
        // Every test of the pass would fail for this one reason, some only
        // after waiting for a dialog: stop at once and say why.
        std::fprintf(stderr, "the suite's compliance service (%s) did not start on %s\n",
                     kTavsecdPath, path_.c_str());
        std::abort();
      }
    }
  }
  ~TempDataDir() {
    if (service_ != nullptr) {
      const std::string socket = service_->socket();
      service_.reset();
      ::unlink(socket.c_str());
    }
    std::system(("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str());
    if (had_old_) {
      ::setenv("TAV_DATA_DIR", old_.c_str(), 1);
    } else {
      ::unsetenv("TAV_DATA_DIR");
    }
  }
  TempDataDir(const TempDataDir&) = delete;
  TempDataDir& operator=(const TempDataDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Password rules that let a test's short passwords through and keep the
  // passwords an administrator sets (added to security.conf). For tests
  // about something else; the rules have tests of their own.
  void AllowPlainPasswords() const {
    std::ofstream(File("security.conf"), std::ios::app)
        << "password_min_length = 1\npassword_quality = no\npassword_history = 0\n"
           "password_change_at_first_logon = no\n";
  }

  // The environment that points a command at this folder and at its own
  // suite service if it has one: "env TAV_DATA_DIR=... [TAV_SOCKET=...]".
  std::string CommandEnv() const {
    std::string env = "env -u TAV_SOCKET TAV_DATA_DIR='" + path_ + "'";
    if (service_ != nullptr) env += " TAV_SOCKET='" + service_->socket() + "'";
    return env;
  }

  // After a test changed the store's files behind the suite's service (a
  // damaged file, removed journals), starts the service again so that it
  // opens them anew, as after a restart of the machine. Nothing without
  // a suite service.
  void RestartService() {
    if (service_ == nullptr) return;
    service_->Stop();
    service_->Start();
  }

 private:
  std::string path_;
  std::string old_;
  bool had_old_ = false;
  std::unique_ptr<ServiceProcess> service_;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_TEMP_DATA_DIR_H_
