// Durable appends to the system event log by eight processes at once: each
// process straight into one embedded store, against each process through
// one compliance service (tavsecd), where all appends are made by the
// service's one process and share its commits.
//
// BM_EightProcessesDirect: eight forked processes, each with its own
// connection to the store, append "Successful Login" events
// (CSystemEventManager(path).RecordSystemEvent) for kRunSeconds.
// BM_EightProcessesThroughService: eight forked clients of one tavsecd each
// log on once (client::ImpersonateUser, a local account) and then record
// "Logged Off" (client::RecordLogoff) in a loop for kRunSeconds; every
// reply comes only after the commit that holds its event.
// events_per_s counts the events all eight stored per second of the run;
// the service's benchmark also reports ratio, its rate over the direct
// processes'. BM_EightThreadsDirect, eight threads of one process appending
// straight to the store, is the reference for what shared commits give on
// the machine's disk.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "client/security_proxy.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/account_store.h"
#include "services/security/security_config.h"
#include "testing/service_process.h"

namespace tav {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kProcesses = 8;
constexpr int kRunSeconds = 5;
constexpr char kUser[] = "bench";
constexpr char kPassword[] = "Bench-Pass1";

double g_direct_rate = 0;

// Forks kProcesses children. Each runs `setup` (a logon), then all start
// `work` at once and run it until the same moment. Returns the events all
// stored (-1 when one failed) and the wall time of the work in *seconds.
using Setup = std::function<bool()>;
using Work = std::function<int64_t(Clock::time_point stop)>;
int64_t RunChildren(const Setup& setup, const Work& work, double* seconds) {
  int ready[2];
  int go[2];
  int done[2];
  if (::pipe(ready) != 0 || ::pipe(go) != 0 || ::pipe(done) != 0) return -1;
  std::vector<pid_t> children;
  for (int i = 0; i < kProcesses; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(go[1]);
      ::close(done[0]);
      ::close(ready[0]);
      const char set_up = setup() ? 1 : 0;
      int64_t stop_ns = 0;
      int64_t n = -1;
      if (::write(ready[1], &set_up, 1) == 1 && ::read(go[0], &stop_ns, sizeof stop_ns) ==
                                                     static_cast<ssize_t>(sizeof stop_ns)) {
        if (set_up) n = work(Clock::time_point(Clock::duration(stop_ns)));
      }
      const bool written = ::write(done[1], &n, sizeof n) == sizeof n;
      ::_exit(written ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(ready[1]);
  ::close(go[0]);
  ::close(done[1]);
  bool ok = true;
  for (int i = 0; i < kProcesses; ++i) {
    char c = 0;
    if (::read(ready[0], &c, 1) != 1 || c != 1) ok = false;
  }
  const auto start = Clock::now();
  const int64_t stop_ns =
      (start + std::chrono::seconds(kRunSeconds)).time_since_epoch().count();
  for (int i = 0; i < kProcesses; ++i) {
    if (::write(go[1], &stop_ns, sizeof stop_ns) != sizeof stop_ns) ok = false;
  }
  int64_t total = 0;
  for (int i = 0; i < kProcesses; ++i) {
    int64_t n = -1;
    if (::read(done[0], &n, sizeof n) != sizeof n || n < 0) ok = false;
    total += n;
  }
  *seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ::close(ready[0]);
  ::close(go[1]);
  ::close(done[0]);
  for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
  return ok ? total : -1;
}

void BM_EightProcessesDirect(benchmark::State& state) {
  const std::string dir = bench::FreshDataDir("append_direct");
  const std::string path = dir + "/" + kComplianceDbFileName;
  if (!ComplianceDb::Create(path).ok()) {
    state.SkipWithError("no store");
    return;
  }
  for (auto _ : state) {
    double seconds = 0;
    const int64_t events = RunChildren(
        [] { return true; },
        [&](Clock::time_point stop) -> int64_t {
          const std::string user = "user" + std::to_string(::getpid());
          int64_t n = 0;
          while (Clock::now() < stop) {
            CSystemEventManager manager(path);
            if (!manager.RecordSystemEvent(kAuditSuccessfulLogin, user.c_str()).ok()) return -1;
            ++n;
          }
          return n;
        },
        &seconds);
    if (events < 0) {
      state.SkipWithError("an append failed");
      break;
    }
    state.SetIterationTime(seconds);
    g_direct_rate = static_cast<double>(events) / seconds;
    state.counters["events_per_s"] = g_direct_rate;
  }
  bench::RemoveDir(dir);
}
BENCHMARK(BM_EightProcessesDirect)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The reference: eight threads of one process, which share its commits.
void BM_EightThreadsDirect(benchmark::State& state) {
  const std::string dir = bench::FreshDataDir("append_threads");
  const std::string path = dir + "/" + kComplianceDbFileName;
  if (!ComplianceDb::Create(path).ok()) {
    state.SkipWithError("no store");
    return;
  }
  for (auto _ : state) {
    std::atomic<int64_t> total{0};
    std::atomic<bool> failed{false};
    const auto start = Clock::now();
    const auto stop = start + std::chrono::seconds(kRunSeconds);
    std::vector<std::thread> threads;
    for (int i = 0; i < kProcesses; ++i) {
      threads.emplace_back([&, i] {
        const std::string user = "thread" + std::to_string(i);
        int64_t n = 0;
        while (Clock::now() < stop) {
          CSystemEventManager manager(path);
          if (!manager.RecordSystemEvent(kAuditSuccessfulLogin, user.c_str()).ok()) {
            failed = true;
            break;
          }
          ++n;
        }
        total += n;
      });
    }
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (failed) {
      state.SkipWithError("an append failed");
      break;
    }
    state.SetIterationTime(seconds);
    state.counters["events_per_s"] = static_cast<double>(total) / seconds;
  }
  bench::RemoveDir(dir);
}
BENCHMARK(BM_EightThreadsDirect)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_EightProcessesThroughService(benchmark::State& state) {
  const std::string dir = bench::FreshDataDir("append_service");
  {
    std::unique_ptr<AccountStore> store;
    std::string error;
    Account account;
    account.name = kUser;
    if (AccountStore::Open(dir + "/" + kAccountsDbFile, AccountStore::Mode::kCreate, &store,
                           &error) != AccountStore::Status::kOk ||
        store->Add(account, kPassword, &error) != AccountStore::Status::kOk) {
      state.SkipWithError("no account");
      return;
    }
  }
  auto service = std::make_unique<testing::ServiceProcess>(dir);
  for (auto _ : state) {
    double seconds = 0;
    // Each child's own logon, made before the run (its password check is
    // not part of the rate).
    HANDLE token = nullptr;
    const int64_t events = RunChildren(
        [&] { return client::ImpersonateUser(kUser, "", kPassword, &token) == 0; },
        [&](Clock::time_point stop) -> int64_t {
          int64_t n = 0;
          while (Clock::now() < stop) {
            if (!client::RecordLogoff(token).ok()) return -1;
            ++n;
          }
          client::EndImpersonation(&token);
          return n;
        },
        &seconds);
    if (events < 0) {
      state.SkipWithError("a logoff was not recorded");
      break;
    }
    state.SetIterationTime(seconds);
    const double rate = static_cast<double>(events) / seconds;
    state.counters["events_per_s"] = rate;
    if (g_direct_rate > 0) state.counters["ratio"] = rate / g_direct_rate;
  }
  service.reset();
  bench::RemoveDir(dir);
}
BENCHMARK(BM_EightProcessesThroughService)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tav
