// The compliance service (tavsecd) seen from a client: the real daemon on a
// data directory and socket of the run's own.
//
// BM_HelloRoundTrip: one hello request and its reply on an open
// connection, the least a query costs. hello_median_us and hello_p99_us
// are over the single round trips of the run.
// BM_LogonCheck: a local account's password checked in this process
// (KorWinSec_aAuthenticateUser) and through the service (kOpAuthenticate,
// no event), one after the other on the same data directory. The password
// hash dominates both; extra_ms is the median of the pairs' differences,
// what the service adds per logon (extra_p25_ms and extra_p75_ms give its
// spread: the hash's own jitter can hide a difference smaller than that).
// BM_LogonRecorded: the service's logon as the logon dialog makes it
// (kOpAuthenticate for a login), which also stores its "Successful Login"
// event durably; extra_ms is again over the in-process check.
// BM_LogonOverhead/authenticate and /logon: the same two ways on an account
// whose stored hash was made with libsodium's least cost (a few
// microseconds per check instead of a tenth of a second), so that the
// hash's jitter no longer hides what the service adds: extra_ms is what a
// logon costs beyond its password hash. authenticate is the login's check
// with its durable "Successful Login" event (kOpAuthenticate for a login);
// logon is the logon that follows it (kOpLogon: a token, no event), closed
// again after each round.
// BM_HelloRoundTrip/threads:8: eight clients, each on its own connection,
// asking at once; items_per_second is the service's throughput.
// BM_AccessQuery: whether a logon of the connection may perform an
// activity (kOpMayPerform), the features on, as the library asks it for
// TAVSecurityUI_IsUserAllowedAccess: the service reads the logon's groups
// and the stored rights (with their seal) for every answer; nothing is
// cached on either side. access_median_us and access_p99_us are over the
// single round trips.
#include <benchmark/benchmark.h>
#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "protocol/operations.h"
#include "protocol/settings_ops.h"
#include "services/config/system_configuration.h"
#include "services/security/account_store.h"
#include "services/security/korwinsec.h"
#include "services/security/security_config.h"
#include "util/sqlite_db.h"
#include "testing/service_process.h"
#include "util/socket_io.h"

namespace tav {
namespace {

using Clock = std::chrono::steady_clock;
using namespace protocol;

constexpr char kUser[] = "bench";
constexpr char kPassword[] = "Bench-Pass1";
// The account whose hash costs the least libsodium allows.
constexpr char kLightUser[] = "light";

double Micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// The value below which `fraction` of the samples lie.
double Percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) return 0;
  const size_t k = std::min(samples.size() - 1, static_cast<size_t>(fraction * samples.size()));
  std::nth_element(samples.begin(), samples.begin() + static_cast<long>(k), samples.end());
  return samples[k];
}

// One connection to the service; closed when destroyed.
class Client {
 public:
  explicit Client(const std::string& socket) {
    std::string error;
    fd_ = ConnectUnixSocket(socket, &error);
  }
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool connected() const { return fd_ >= 0; }

  template <typename Reply>
  bool Call(const MessageWriter& request, uint16_t op, Reply* reply) {
    std::string frame;
    if (!request.Frame(&frame).ok() || !WriteAll(fd_, frame, 5000).ok()) return false;
    if (!ReadFrame(fd_, kMaxPayloadBytes, FrameTimeouts{5000, 5000}, &payload_).ok()) {
      return false;
    }
    MessageReader reader(payload_);
    return ReadReplyStatus(reader, op).ok() && DecodeReply(reader, reply).ok();
  }

  bool Hello() {
    HelloReply reply;
    return Call(EncodeRequest(HelloRequest{}), kOpHello, &reply);
  }

  // The service's result code for the account's logon, or -1 when the
  // exchange itself failed.
  int64_t Authenticate(AuthPurpose purpose, const char* user = kUser) {
    AuthenticateReply reply;
    if (!Call(EncodeRequest(AuthenticateRequest{purpose, user, "", kPassword}), kOpAuthenticate,
              &reply)) {
      return -1;
    }
    return reply.event_status == 0 ? reply.code : -1;
  }

  // A logon of `user` and its token closed again; the logon's code.
  int64_t LogonAndClose(const char* user) {
    LogonReply reply;
    if (!Call(EncodeRequest(LogonRequest{user, "", kPassword}), kOpLogon, &reply)) return -1;
    if (reply.code != 0) return reply.code;
    TokenReply closed;
    return Call(EncodeTokenRequest(kOpCloseToken, TokenRequest{reply.token}), kOpCloseToken,
                &closed) && closed.code == 0
               ? 0
               : -1;
  }

 private:
  int fd_ = -1;
  std::string payload_;
};

// The data directory with its account and the service running on it, for
// the whole run; stopped and removed at exit.
class Service {
 public:
  static Service* Get() {
    static Service service;
    return service.ready_ ? &service : nullptr;
  }
  const std::string& socket() const { return process_->socket(); }

 private:
  Service() : dir_(bench::FreshDataDir("service")) {
    std::unique_ptr<AccountStore> store;
    std::string error;
    if (AccountStore::Open(dir_ + "/" + kAccountsDbFile, AccountStore::Mode::kCreate, &store,
                           &error) != AccountStore::Status::kOk) {
      return;
    }
    Account account;
    account.name = kUser;
    account.full_name = "Bench User";
    account.groups = {"tav-analysts", "tav-users"};
    if (store->Add(account, kPassword, &error) != AccountStore::Status::kOk) return;
    account.name = kLightUser;
    if (store->Add(account, kPassword, &error) != AccountStore::Status::kOk) return;
    store.reset();
    if (!MakeHashLight()) return;
    // The features on, so that access answers read the rights (written in
    // this process, before the service runs).
    CSystemConfiguration config;
    if (config.Set21CFREnabled(1) != kConfigOk) return;
    process_ = std::make_unique<testing::ServiceProcess>(dir_);
    // The socket accepts before the service serves (it drops privileges in
    // between): ready means answered.
    for (int i = 0; i < 500 && !ready_; ++i) {
      Client client(process_->socket());
      ready_ = client.connected() && client.Hello();
      if (!ready_) ::usleep(10000);
    }
  }
  ~Service() {
    process_.reset();
    bench::RemoveDir(dir_);
  }

  // Stores the light account's hash made at libsodium's least cost; the
  // check reads its cost from the hash.
  bool MakeHashLight() {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, kPassword, sizeof kPassword - 1, crypto_pwhash_OPSLIMIT_MIN,
                          crypto_pwhash_MEMLIMIT_MIN) != 0) {
      return false;
    }
    std::unique_ptr<SqliteDb> db;
    if (!SqliteDb::Open(dir_ + "/" + kAccountsDbFile, SqliteDb::Options{}, &db).ok()) return false;
    StoreStatus status;
    SqlStatement update =
        db->Prepare("UPDATE users SET password_hash = ?1 WHERE name = ?2", &status);
    if (!update.valid()) return false;
    update.BindText(1, hash);
    update.BindText(2, kLightUser);
    return update.Run().ok();
  }

  std::string dir_;
  std::unique_ptr<testing::ServiceProcess> process_;
  bool ready_ = false;
};

void BM_HelloRoundTrip(benchmark::State& state) {
  Service* service = Service::Get();
  if (service == nullptr) {
    state.SkipWithError("tavsecd did not start");
    return;
  }
  Client client(service->socket());
  std::vector<double> samples;
  samples.reserve(1 << 20);
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!client.Hello()) {
      state.SkipWithError("hello failed");
      break;
    }
    samples.push_back(Micros(Clock::now() - start));
  }
  state.SetItemsProcessed(state.iterations());
  if (state.threads() == 1) {
    state.counters["hello_median_us"] = Percentile(samples, 0.5);
    state.counters["hello_p99_us"] = Percentile(samples, 0.99);
  }
}
BENCHMARK(BM_HelloRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HelloRoundTrip)->Threads(8)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_AccessQuery(benchmark::State& state) {
  Service* service = Service::Get();
  if (service == nullptr) {
    state.SkipWithError("tavsecd did not start");
    return;
  }
  Client client(service->socket());
  LogonReply logon;
  if (!client.Call(EncodeRequest(LogonRequest{kUser, "", kPassword}), kOpLogon, &logon) ||
      logon.code != 0) {
    state.SkipWithError("logon refused");
    return;
  }
  std::vector<double> samples;
  samples.reserve(1 << 20);
  int activity = 0;
  for (auto _ : state) {
    MayPerformReply reply;
    const auto start = Clock::now();
    if (!client.Call(EncodeRequest(MayPerformRequest{logon.token, activity}), kOpMayPerform,
                     &reply) ||
        reply.code != 0 || reply.status != 0) {
      state.SkipWithError("access query failed");
      break;
    }
    samples.push_back(Micros(Clock::now() - start));
    activity = (activity + 1) % 14;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["access_median_us"] = Percentile(samples, 0.5);
  state.counters["access_p99_us"] = Percentile(samples, 0.99);
}
BENCHMARK(BM_AccessQuery)->UseRealTime()->Unit(benchmark::kMicrosecond);

void Logon(benchmark::State& state, AuthPurpose purpose) {
  Service* service = Service::Get();
  if (service == nullptr) {
    state.SkipWithError("tavsecd did not start");
    return;
  }
  Client client(service->socket());
  std::vector<double> in_process, through_service, extra;
  for (auto _ : state) {
    // The two alternate, so that a slow spell of the machine falls on both.
    const auto t0 = Clock::now();
    const int local = KorWinSec_aAuthenticateUser(kUser, "", kPassword);
    const auto t1 = Clock::now();
    const int64_t remote = client.Authenticate(purpose);
    const auto t2 = Clock::now();
    if (local != 0 || remote != 0) {
      state.SkipWithError("logon refused");
      break;
    }
    in_process.push_back(Micros(t1 - t0) / 1000);
    through_service.push_back(Micros(t2 - t1) / 1000);
    extra.push_back(through_service.back() - in_process.back());
  }
  state.counters["in_process_ms"] = Percentile(in_process, 0.5);
  state.counters["service_ms"] = Percentile(through_service, 0.5);
  state.counters["extra_ms"] = Percentile(extra, 0.5);
  // The spread of the differences: how far the machine's noise lets one
  // trust extra_ms.
  state.counters["extra_p25_ms"] = Percentile(extra, 0.25);
  state.counters["extra_p75_ms"] = Percentile(extra, 0.75);
}
void LogonOverhead(benchmark::State& state, bool logon) {
  Service* service = Service::Get();
  if (service == nullptr) {
    state.SkipWithError("tavsecd did not start");
    return;
  }
  Client client(service->socket());
  std::vector<double> in_process, extra;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const int local = KorWinSec_aAuthenticateUser(kLightUser, "", kPassword);
    const auto t1 = Clock::now();
    const int64_t remote = logon ? client.LogonAndClose(kLightUser)
                                 : client.Authenticate(AuthPurpose::kLogin, kLightUser);
    const auto t2 = Clock::now();
    if (local != 0 || remote != 0) {
      state.SkipWithError("logon refused");
      break;
    }
    in_process.push_back(Micros(t1 - t0) / 1000);
    extra.push_back(Micros(t2 - t1) / 1000 - in_process.back());
  }
  state.counters["hash_ms"] = Percentile(in_process, 0.5);
  state.counters["extra_ms"] = Percentile(extra, 0.5);
  state.counters["extra_p90_ms"] = Percentile(extra, 0.9);
}
void BM_LogonOverhead_authenticate(benchmark::State& state) { LogonOverhead(state, false); }
void BM_LogonOverhead_logon(benchmark::State& state) { LogonOverhead(state, true); }
BENCHMARK(BM_LogonOverhead_authenticate)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogonOverhead_logon)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LogonCheck(benchmark::State& state) { Logon(state, AuthPurpose::kCheck); }
void BM_LogonRecorded(benchmark::State& state) { Logon(state, AuthPurpose::kLogin); }
BENCHMARK(BM_LogonCheck)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogonRecorded)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav
