// Time-stamp authorities and HTTP servers for tests, on 127.0.0.1 only.
//
// LocalTsa: a throwaway RFC 3161 time-stamp authority. Made in a temporary
// folder with the openssl command line: a root CA and a TSA certificate it
// signs (EC P-256 keys, the TSA's with extendedKeyUsage critical,
// timeStamping) and a configuration for `openssl ts -reply`. A thread of the
// test process serves http://127.0.0.1:<ephemeral port>/tsa and answers each
// POSTed query with what `openssl ts -reply` makes of it (Content-Type
// application/timestamp-reply). The folder and the thread go with the object.
//
// Every LocalTsa has a root of its own, so a second one is a TSA that the
// first one's roots do not trust:
//
//   tav::testing::LocalTsa tsa;
//   ASSERT_TRUE(tsa.ok()) << tsa.error();
//   std::string token;
//   ASSERT_TRUE(tav::RequestTimeStamp(tsa.authority(), "bytes", &token, nullptr).ok());
//   tav::VerifyTimeStamp(token, "bytes", tsa.ca_file(), nullptr);   // ok
//
// It grants kDefaultPolicy to requests that name no policy and kOtherPolicy
// to those that name it, and refuses every other policy ("unaccepted
// policy"). Tokens carry genTime to the millisecond and the TSA's name.
//
// LocalHttpServer answers each POST with bytes the test chooses (a failing
// or misbehaving server); SilentServer accepts connections and never
// answers (a server that hangs).
//
// Build: add ${PROJECT_SOURCE_DIR}/tests/testing/local_tsa.cc to the test
// program's sources and link tav_util. The tests need `openssl` on PATH;
// making a LocalTsa takes a few tens of milliseconds.
//
// Thread safety: a LocalTsa may be used from any thread (its openssl runs
// take turns); the servers' own threads call the responder one request at
// a time.
#ifndef TAV_TESTS_TESTING_LOCAL_TSA_H_
#define TAV_TESTS_TESTING_LOCAL_TSA_H_

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "util/time_stamp.h"

namespace tav::testing {

// An HTTP server on 127.0.0.1 at an ephemeral port, answering one
// connection at a time from a thread of its own.
class LocalHttpServer {
 public:
  // Gets a request's body; returns the whole answer (status line, headers and
  // body), sent as it is before the connection closes. An empty answer
  // closes the connection without one.
  using Responder = std::function<std::string(const std::string& body)>;

  explicit LocalHttpServer(Responder respond);
  ~LocalHttpServer();  // stops after the request in progress
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool ok() const { return listen_fd_ >= 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:<port><path>"
  std::string url(const std::string& path = "/") const;
  // The requests answered so far.
  int requests() const { return requests_.load(); }

  // A complete answer: "HTTP/1.1 <status> <reason>", Content-Type,
  // Content-Length, "Connection: close", then the body.
  static std::string Answer(int status, const std::string& content_type, std::string_view body);

 private:
  void Serve();
  void HandleConnection(int fd);

  Responder respond_;
  int listen_fd_ = -1;
  int wake_fds_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<int> requests_{0};
  std::thread thread_;
};

// Listens on 127.0.0.1 and never accepts: connections complete (the kernel
// queues them) and requests are taken, but no answer ever comes.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  bool ok() const { return fd_ >= 0; }
  std::string url(const std::string& path = "/") const;

 private:
  int fd_ = -1;
  int port_ = 0;
};

class LocalTsa {
 public:
  static constexpr const char* kDefaultPolicy = "1.2.3.4.1";
  static constexpr const char* kOtherPolicy = "1.2.3.4.2";

  LocalTsa();
  ~LocalTsa();
  LocalTsa(const LocalTsa&) = delete;
  LocalTsa& operator=(const LocalTsa&) = delete;

  // False when openssl could not make the TSA or the server did not start;
  // error() then says why.
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // http://127.0.0.1:<port>/tsa
  std::string url() const;
  // The PEM file with the root that the TSA's certificate chains to.
  const std::string& ca_file() const { return ca_file_; }
  // url() and ca_file(), with a timeout short enough for a test.
  TimeStampAuthority authority(int timeout_ms = 5000) const;

  // A DER token over SHA-256(data), made without HTTP and without a nonce;
  // "" when openssl failed.
  std::string MakeToken(std::string_view data) const;
  // The DER TimeStampResp that the TSA sends for a DER query; "" when
  // openssl failed. For tests that put a misbehaving server in front of it.
  std::string Reply(std::string_view query) const;

 private:
  // Runs a command line in the folder, with the TSA's openssl configuration.
  bool Run(const std::string& command, std::string* error) const;
  std::string Temp(const std::string& name) const;

  std::string dir_;
  std::string ca_file_;
  std::string error_;
  mutable std::mutex mu_;  // openssl runs share the serial file and temp names
  mutable int next_temp_ = 0;
  std::unique_ptr<LocalHttpServer> server_;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_LOCAL_TSA_H_
