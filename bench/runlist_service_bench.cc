// The run list through the compliance service against the run list in
// process, on the same data directory.
//
// BM_LoadHistory/N/0: the history of N file records loaded by a manager
// that opens the store; /N/1: by one that pages it from a real tavsecd
// (the same list, built from pages of at most 512 KiB). pages counts the
// replies of one load through the service.
// BM_Import/0 and /1: one ImportFileRecord, stored durably, in process and
// through the service (a request, the service's transaction, the record
// back).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

#include "bench_support.h"
#include "client/run_list_proxy.h"
#include "client/service_client.h"
#include "records/file_record_comp.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/run_list_manager.h"
#include "testing/service_process.h"
#include "util/file.h"

namespace tav {
namespace {

using bench::FreshDataDir;
using bench::RemoveDir;

std::string Chunk(int64_t i) {
  CFileRecordComp record;
  const std::string path =
      "/data/runs/plate" + std::to_string(i % 97) + "/run" + std::to_string(i) + ".tav";
  record.Set(static_cast<int8_t>(kFileRecordAdded), std::string_view(path),
             std::string_view("analyst"), std::nullopt);
  CMemFile file(256);
  record.StreamDataOut(&file);
  return file.TakeString();
}

bool FillHistory(int64_t records) {
  std::shared_ptr<ComplianceDb> db;
  if (!ComplianceDb::Get(&db).ok()) return false;
  for (int64_t done = 0; done < records; done += 100000) {
    const StoreStatus status = db->Write([&](SqlDb& c) {
      for (int64_t i = done; i < std::min(records, done + 100000); ++i) {
        StoreStatus s = AppendChained(c, ChainedLog::kRunHistory, Chunk(i));
        if (!s.ok()) return s;
      }
      return StoreStatus::Ok();
    });
    if (!status.ok()) return false;
  }
  return true;
}

// Counts the pages a load asks for.
class CountingRemote final : public RunListRemote {
 public:
  bool InUse() override { return true; }
  int DeleteFileRecord(std::string_view, bool, std::string*) override { return -50; }
  int MoveFileRecord(std::string_view, std::string_view, bool, std::string*) override {
    return -50;
  }
  int ImportFileRecord(std::string_view path, std::string* record) override {
    return client::RunListProxy().ImportFileRecord(path, record);
  }
  int RecordFileOperation(int, std::string_view, std::string_view, std::string*) override {
    return -50;
  }
  StoreStatus LoadPage(bool history, uint64_t start, RunListPage* page) override {
    ++pages;
    return client::RunListProxy().LoadPage(history, start, page);
  }
  int pages = 0;
};

void BM_LoadHistory(benchmark::State& state) {
  const std::string dir = FreshDataDir("runlist_service");
  if (!FillHistory(state.range(0))) state.SkipWithError("store not filled");
  std::unique_ptr<testing::ServiceProcess> service;
  CountingRemote remote;
  if (state.range(1) != 0) {
    service = std::make_unique<testing::ServiceProcess>(dir);
    RunListRemoteSeam().Set(&remote);
  }
  for (auto _ : state) {
    remote.pages = 0;
    CRunListManager manager;
    CFileRecordListComp* history = manager.LoadFileRecordHistory();
    if (history == nullptr || history->GetChildCount() != static_cast<size_t>(state.range(0))) {
      state.SkipWithError("history not loaded");
      break;
    }
  }
  state.counters["pages"] = remote.pages;
  RunListRemoteSeam().Set(nullptr);
  DisconnectFromService();
  service.reset();
  RemoveDir(dir);
}
BENCHMARK(BM_LoadHistory)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State& state) {
  const std::string dir = FreshDataDir("runlist_import");
  std::unique_ptr<testing::ServiceProcess> service;
  CountingRemote remote;
  if (state.range(0) != 0) {
    service = std::make_unique<testing::ServiceProcess>(dir);
    RunListRemoteSeam().Set(&remote);
  }
  CRunListManager manager;
  int64_t i = 0;
  for (auto _ : state) {
    const std::string path = "/data/runs/run" + std::to_string(i++) + ".tav";
    if (manager.ImportFileRecord(path.c_str(), nullptr) != 0) {
      state.SkipWithError("not imported");
      break;
    }
  }
  RunListRemoteSeam().Set(nullptr);
  DisconnectFromService();
  service.reset();
  RemoveDir(dir);
}
BENCHMARK(BM_Import)->Arg(0)->Arg(1)->Iterations(300)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tav
