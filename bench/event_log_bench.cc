// The system event log: durable appends and loading a large log.
//
// BM_AddSystemEvent: each call returns only after its event is committed
// to disk (one synced write-ahead-log commit), hash chain included; the
// rate of one thread is bounded by the disk's sync latency. Threads of one
// process share commits (group commit), each still returning only after its
// own event is on disk.
// BM_AddSealedSystemEvent: the same with a sealing key in the data
// directory (each event also tagged with the interval's key).
// BM_LoadEventList: a log of one million events read back as one list;
// peak_MB is the peak resident memory of the process during the load.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/system_event_manager.h"

namespace tav {
namespace {

using bench::FreshDataDir;
using bench::PeakMb;
using bench::RemoveDir;
using bench::ResetPeak;

void AddEvents(benchmark::State& state, bool sealed) {
  static std::string dir;
  if (state.thread_index() == 0) {
    dir = FreshDataDir("add");
    VerificationKey key;
    if (sealed && !CreateSealingKey(dir, kDefaultSealInterval, false, &key).ok()) {
      state.SkipWithError("no sealing key");
    }
  }
  const std::string user = "user" + std::to_string(state.thread_index());
  for (auto _ : state) {
    CSystemEventManager manager;
    if (manager.AddSystemEvent(kAuditSuccessfulLogin, user.c_str()) != 0) {
      state.SkipWithError("event not stored");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) RemoveDir(dir);
}
void BM_AddSystemEvent(benchmark::State& state) { AddEvents(state, false); }
void BM_AddSealedSystemEvent(benchmark::State& state) { AddEvents(state, true); }
BENCHMARK(BM_AddSealedSystemEvent)->Iterations(3000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddSealedSystemEvent)->Threads(4)->Iterations(750)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddSystemEvent)->Iterations(3000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddSystemEvent)->Threads(4)->Iterations(750)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddSystemEvent)->Threads(16)->Iterations(250)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_LoadEventList(benchmark::State& state) {
  const std::string dir = FreshDataDir("load");
  const int64_t n = state.range(0);
  std::shared_ptr<ComplianceDb> db;
  if (!ComplianceDb::Get(&db).ok()) {
    state.SkipWithError("no database");
    return;
  }
  // The records AddSystemEvent writes, in large transactions for speed.
  for (int64_t done = 0; done < n;) {
    const int64_t batch = std::min<int64_t>(n - done, 100000);
    db->Write([&](SqlDb& c) {
      for (int64_t i = 0; i < batch; ++i) {
        const std::string user = "user" + std::to_string((done + i) % 50);
        StoreStatus s = AppendSystemEvent(c, (done + i) % 3 ? kAuditSuccessfulLogin
                                                            : kAuditFailedLogin,
                                          user.c_str());
        if (!s.ok()) return s;
      }
      return StoreStatus::Ok();
    });
    done += batch;
  }
  double peak = 0;
  for (auto _ : state) {
    ResetPeak();
    auto manager = std::make_unique<CSystemEventManager>();
    CAuditCollectionComp* list = manager->LoadEventList();
    if (list == nullptr || static_cast<int64_t>(list->GetChildCount()) != n) {
      state.SkipWithError("log not read");
      break;
    }
    benchmark::DoNotOptimize(list);
    peak = std::max(peak, PeakMb());
    state.PauseTiming();  // the list is freed outside the measurement
    manager.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peak;
  state.SetItemsProcessed(state.iterations() * n);
  RemoveDir(dir);
}
BENCHMARK(BM_LoadEventList)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav
