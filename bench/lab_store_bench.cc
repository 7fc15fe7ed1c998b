// Durable appends to the system event log by many clients at once, on the
// lab store (PostgreSQL) and on the embedded store (SQLite).
//
// Every append returns only once its event is committed to disk (on the
// lab store, chained in the same commit or waiting, stored, for the next
// client's chaining pass). A client is a process of its own (its own
// connection, as a workstation has) or a thread (threads of one process
// share its connection and its group commit). Each client adds a fixed
// number of events once all of them are connected; events_per_s is the
// number of events stored by all clients over the time from the start
// signal until the last client is done and a reader has counted them (on
// the lab store, chaining what still waits).
//
// The PostgreSQL figures need a server whose commits are flushed to disk:
//
//   pg_virtualenv -t -o fsync=on build-release/bench/lab_store_bench
//
// (-t: a cluster directory of its own even as root; fsync must be on, or
// the figures say nothing about durable appends). A shared machine's disk
// drifts from minute to minute; to compare the services with plain inserts,
// interleave their runs and compare the medians:
//
//   --benchmark_filter='BM_LabPlainInsertProcesses/8|BM_LabThroughServices'
//   --benchmark_repetitions=6 --benchmark_enable_random_interleaving=true Two yardsticks run on the
// same server: each event chained by a function that takes the chain lock
// in its own transaction (so the lock is held through every commit's
// flush), and plain inserts into a table without a chain. BM_LabThroughServices
// runs the lab as it is deployed: eight compliance services (tavsecd), each
// its workstation's only client of the store, fed by client processes that
// record their events through it. Without a server (no
// PGHOST) the PostgreSQL cases are skipped. Each case gets a new schema;
// the embedded store gets a new data directory.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "client/security_proxy.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/store_config.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/account_store.h"
#include "services/security/security_config.h"
#include "testing/service_process.h"
#include "util/file.h"
#include "util/pg_db.h"

namespace tav {
namespace {

using Clock = std::chrono::steady_clock;

enum class Engine { kEmbedded, kLab };
enum class Clients { kProcesses, kThreads };
// How a lab client appends: through the library, through the naive
// chaining function, or as plain inserts without a chain.
enum class Way { kLibrary, kNaiveChain, kPlainInsert };
Way g_way = Way::kLibrary;
std::string g_schema;

// Events per case, shared among its clients (at least kMinEach each):
// 2,000 for each of 8 clients.
constexpr int kTotal = 16000;
// The lab cases of 8 clients or more, which compare the services with
// plain inserts, run four times as long: over 2 s a case's start and end
// (the group commit's first batches, made before it knows its clients, and
// the last chaining pass) weigh in its figure; over 8 s the figure is the
// rate a busy lab keeps.
constexpr int kLabSteadyTotal = 64000;
constexpr int kMinEach = 250;

// Drops the lab cases' schema, made again by the next case's store.
bool DropLabSchema() {
  PgDb::Options options;
  options.schema = "public";
  std::unique_ptr<PgDb> db;
  return PgDb::Open("", options, &db).ok() &&
         db->ExecText("DROP SCHEMA IF EXISTS " + g_schema + " CASCADE").ok();
}

// A new store for one case; TAV_DATA_DIR names its data directory. The
// lab cases share one data directory whose store.conf was written before
// the first of them, as on a workstation set up before: a store.conf
// changed in the last kStoreConfigSettleSeconds is read again at every
// append. Each lab
// case gets a new schema under that name.
std::string FreshStore(Engine engine) {
  if (engine == Engine::kEmbedded) return bench::FreshDataDir("embedded");
  static std::string lab_dir;
  if (lab_dir.empty()) {
    lab_dir = bench::FreshDataDir("lab");
    // The server, user and database come from libpq's environment.
    g_schema = "bench_" + std::to_string(::getpid());
    std::ofstream(lab_dir + "/store.conf")
        << "engine = postgresql\nschema = " << g_schema << "\ncreate_schema = yes\n";
    std::this_thread::sleep_for(std::chrono::seconds(kStoreConfigSettleSeconds + 1));
    // No connection at exit: libcrypto, which libpq uses, is cleaned up by
    // then. Each case drops its schema itself.
    std::atexit([] { bench::RemoveDir(lab_dir); });
  }
  ::setenv("TAV_DATA_DIR", lab_dir.c_str(), 1);
  DropLabSchema();
  return lab_dir;
}

// The yardsticks: one statement per event on a connection of its own.
bool AddRawEvents(int count) {
  PgDb::Options options;
  options.schema = g_schema;
  std::unique_ptr<PgDb> db;
  if (!PgDb::Open("", options, &db).ok()) return false;
  // A logon event as the library records it (the store takes nothing else).
  CMemFile file(64);
  MakeSystemEvent(kAuditSuccessfulLogin, "client")->StreamDataOut(&file);
  const std::string record = file.TakeString();
  StoreStatus status;
  SqlStatement stmt = db->Prepare(g_way == Way::kNaiveChain
                                      ? "SELECT seq FROM tav_append('system_events', ?1)"
                                      : "INSERT INTO plain_events(record) VALUES (?1)",
                                  &status);
  for (int i = 0; i < count && status.ok(); ++i) {
    stmt.BindBlob(1, record);
    status = stmt.Run();
  }
  return status.ok();
}

bool AddEvents(int client, int count) {
  if (g_way != Way::kLibrary) return AddRawEvents(count);
  const std::string user = "client" + std::to_string(client);
  for (int i = 0; i < count; ++i) {
    CSystemEventManager manager;
    if (manager.AddSystemEvent(kAuditSuccessfulLogin, user.c_str()) != 0) return false;
  }
  return true;
}

// `clients` processes, each connected before the clock starts.
bool TimeProcesses(int clients, int count, double* seconds) {
  int ready[2], go[2];
  if (::pipe(ready) != 0 || ::pipe(go) != 0) return false;
  std::vector<pid_t> children;
  for (int c = 0; c < clients; ++c) {
    const pid_t pid = ::fork();
    if (pid < 0) break;
    if (pid == 0) {
      ::close(ready[0]);
      ::close(go[1]);
      std::shared_ptr<ComplianceDb> db;
      const char connected = ComplianceDb::Get(&db).ok() ? 1 : 0;
      if (::write(ready[1], &connected, 1) != 1) _exit(3);
      char byte;
      (void)!::read(go[0], &byte, 1);  // returns at the start signal (end of file)
      _exit(connected == 1 && AddEvents(c, count) ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(ready[1]);
  ::close(go[0]);
  bool ok = static_cast<int>(children.size()) == clients;
  for (size_t c = 0; c < children.size(); ++c) {
    char connected = 0;
    if (::read(ready[0], &connected, 1) != 1 || connected != 1) ok = false;
  }
  ::close(ready[0]);
  const auto start = Clock::now();
  ::close(go[1]);
  for (pid_t pid : children) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      ok = false;
    }
  }
  *seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return ok;
}

// `clients` threads of this process, which is connected already.
bool TimeThreads(int clients, int count, double* seconds) {
  std::mutex mutex;
  std::condition_variable started;
  bool go = false;
  std::atomic<bool> ok{true};
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      {
        std::unique_lock<std::mutex> lock(mutex);
        started.wait(lock, [&] { return go; });
      }
      if (!AddEvents(c, count)) ok = false;
    });
  }
  const auto start = Clock::now();
  {
    std::lock_guard<std::mutex> lock(mutex);
    go = true;
  }
  started.notify_all();
  for (std::thread& t : threads) t.join();
  *seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return ok;
}

void Append(benchmark::State& state, Engine engine, Clients mode) {
  if (engine == Engine::kLab && std::getenv("PGHOST") == nullptr) {
    state.SkipWithError("no PostgreSQL server: run under pg_virtualenv -o fsync=on");
    return;
  }
  const int clients = static_cast<int>(state.range(0));
  const int total = engine == Engine::kLab && clients >= 8 ? kLabSteadyTotal : kTotal;
  const int each = std::max(kMinEach, total / clients);
  double events = 0, seconds = 0;
  for (auto _ : state) {
    const std::string dir = FreshStore(engine);
    std::shared_ptr<ComplianceDb> db;
    StoreStatus status = ComplianceDb::Get(&db);
    if (!status.ok()) {
      state.SkipWithError(status.message().c_str());
      break;
    }
    if (g_way == Way::kPlainInsert) {
      status = db->Write([](SqlDb& c) {
        return c.Exec("CREATE TABLE plain_events(id bigserial PRIMARY KEY, record bytea)");
      });
    }
    double elapsed = 0;
    const bool ok = mode == Clients::kProcesses ? TimeProcesses(clients, each, &elapsed)
                                                : TimeThreads(clients, each, &elapsed);
    // The count's read chains whatever still waits: the clock runs until
    // every event is chained, so that no chaining is left outside it.
    const auto counted_from = Clock::now();
    uint64_t stored = 0;
    status = db->Read([&](SqlDb& c) {
      if (g_way != Way::kPlainInsert) return CountChained(c, ChainedLog::kSystemEvents, &stored);
      SqlStatement count = c.Prepare("SELECT count(*) FROM plain_events", &status);
      if (count.Step(&status)) stored = static_cast<uint64_t>(count.ColumnInt64(0));
      return status;
    });
    elapsed += std::chrono::duration<double>(Clock::now() - counted_from).count();
    db.reset();
    ComplianceDb::ReleaseCache();
    if (engine == Engine::kEmbedded) {
      bench::RemoveDir(dir);
    } else {
      DropLabSchema();
    }
    if (!ok || !status.ok() || stored != static_cast<uint64_t>(clients) * each) {
      state.SkipWithError("events were not stored");
      break;
    }
    state.SetIterationTime(elapsed);
    events += static_cast<double>(stored);
    seconds += elapsed;
  }
  if (seconds > 0) state.counters["events_per_s"] = events / seconds;
  state.counters["clients"] = clients;
}

// Eight workstations as a lab runs them: each a compliance service (tavsecd)
// of its own, the lab store's only client on its machine, fed by
// `per_service` client processes that log on once and then record
// "Logged Off" through it (client::RecordLogoff), each reply only after
// the commit that holds its event. The service's threads share its
// connection, so it stores its clients' events together.
constexpr int kWorkstations = 8;
constexpr char kBenchUser[] = "bench";
constexpr char kBenchPassword[] = "Bench-Pass1";

void BM_LabThroughServices(benchmark::State& state) {
  if (std::getenv("PGHOST") == nullptr) {
    state.SkipWithError("no PostgreSQL server: run under pg_virtualenv -o fsync=on");
    return;
  }
  const int per_service = static_cast<int>(state.range(0));
  const int clients = kWorkstations * per_service;
  const int each = std::max(kMinEach, kLabSteadyTotal / clients);
  const std::string lab_dir = FreshStore(Engine::kLab);
  std::string store_conf;
  {
    std::ifstream in(lab_dir + "/store.conf");
    store_conf.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> dirs;
  for (int w = 0; w < kWorkstations; ++w) {
    dirs.push_back(bench::FreshDataDir(("workstation" + std::to_string(w)).c_str()));
    std::ofstream(dirs.back() + "/store.conf") << store_conf;
    std::unique_ptr<AccountStore> accounts;
    std::string error;
    Account account;
    account.name = kBenchUser;
    if (AccountStore::Open(dirs.back() + "/" + kAccountsDbFile, AccountStore::Mode::kCreate,
                           &accounts, &error) != AccountStore::Status::kOk ||
        accounts->Add(account, kBenchPassword, &error) != AccountStore::Status::kOk) {
      state.SkipWithError("no account");
      return;
    }
  }
  std::this_thread::sleep_for(std::chrono::seconds(kStoreConfigSettleSeconds + 1));
  std::vector<std::unique_ptr<testing::ServiceProcess>> services;
  for (const std::string& dir : dirs) {
    services.push_back(std::make_unique<testing::ServiceProcess>(dir));
  }
  for (auto _ : state) {
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) break;
    std::vector<pid_t> children;
    for (int c = 0; c < clients; ++c) {
      const pid_t pid = ::fork();
      if (pid != 0) {
        children.push_back(pid);
        continue;
      }
      ::close(ready[0]);
      ::close(go[1]);
      ::setenv("TAV_SOCKET", services[c % kWorkstations]->socket().c_str(), 1);
      HANDLE token = nullptr;
      const char logged_on =
          client::ImpersonateUser(kBenchUser, "", kBenchPassword, &token) == 0 ? 1 : 0;
      if (::write(ready[1], &logged_on, 1) != 1) _exit(3);
      char byte;
      (void)!::read(go[0], &byte, 1);
      for (int i = 0; i < each && logged_on == 1; ++i) {
        if (!client::RecordLogoff(token).ok()) _exit(1);
      }
      _exit(logged_on == 1 ? 0 : 2);
    }
    ::close(ready[1]);
    ::close(go[0]);
    bool ok = true;
    for (int c = 0; c < clients; ++c) {
      char logged_on = 0;
      if (::read(ready[0], &logged_on, 1) != 1 || logged_on != 1) ok = false;
    }
    ::close(ready[0]);
    // What the logons logged comes before the clock.
    std::shared_ptr<ComplianceDb> db;
    uint64_t before = 0;
    StoreStatus status = ComplianceDb::Get(&db);
    if (status.ok()) {
      status = db->Read([&](SqlDb& c) { return CountChained(c, ChainedLog::kSystemEvents, &before); });
    }
    const auto start = Clock::now();
    ::close(go[1]);
    for (pid_t pid : children) {
      int exit_status = 0;
      if (::waitpid(pid, &exit_status, 0) != pid || !WIFEXITED(exit_status) ||
          WEXITSTATUS(exit_status) != 0) {
        ok = false;
      }
    }
    // Counted as in the other cases: what still waits is chained first. A
    // reader waits for a service's chaining pass only briefly, so the count
    // is taken again until every event is in the log (on the clock).
    const uint64_t expected = before + static_cast<uint64_t>(clients) * each;
    uint64_t stored = 0;
    for (int tries = 0; status.ok() && stored < expected && tries < 100; ++tries) {
      status = db->Read([&](SqlDb& c) { return CountChained(c, ChainedLog::kSystemEvents, &stored); });
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    db.reset();
    ComplianceDb::ReleaseCache();
    if (!ok || !status.ok() || stored != expected) {
      state.SkipWithError(("events were not stored: " + std::to_string(stored) + " of " +
                           std::to_string(expected) + " " + status.ToString()).c_str());
      break;
    }
    state.SetIterationTime(seconds);
    state.counters["events_per_s"] = static_cast<double>(clients) * each / seconds;
    state.counters["clients"] = clients;
  }
  services.clear();
  for (const std::string& dir : dirs) bench::RemoveDir(dir);
  DropLabSchema();
}

void BM_LabAppendProcesses(benchmark::State& s) { Append(s, Engine::kLab, Clients::kProcesses); }
void BM_LabNaiveChainProcesses(benchmark::State& s) {
  g_way = Way::kNaiveChain;
  Append(s, Engine::kLab, Clients::kProcesses);
  g_way = Way::kLibrary;
}
void BM_LabPlainInsertProcesses(benchmark::State& s) {
  g_way = Way::kPlainInsert;
  Append(s, Engine::kLab, Clients::kProcesses);
  g_way = Way::kLibrary;
}
void BM_LabAppendThreads(benchmark::State& s) { Append(s, Engine::kLab, Clients::kThreads); }
void BM_EmbeddedAppendProcesses(benchmark::State& s) {
  Append(s, Engine::kEmbedded, Clients::kProcesses);
}
void BM_EmbeddedAppendThreads(benchmark::State& s) {
  Append(s, Engine::kEmbedded, Clients::kThreads);
}

#define TAV_APPEND_CASES(bm) \
  BENCHMARK(bm)->Arg(1)->Arg(8)->Arg(32)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond)
TAV_APPEND_CASES(BM_LabAppendProcesses);
TAV_APPEND_CASES(BM_LabNaiveChainProcesses);
TAV_APPEND_CASES(BM_LabPlainInsertProcesses);
TAV_APPEND_CASES(BM_LabAppendThreads);
BENCHMARK(BM_LabThroughServices)->Arg(4)->Arg(8)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
TAV_APPEND_CASES(BM_EmbeddedAppendProcesses);
TAV_APPEND_CASES(BM_EmbeddedAppendThreads);

}  // namespace
}  // namespace tav
