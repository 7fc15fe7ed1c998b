// The Run List Manager opening on large lists: a run list of 100,000 files
// (the "Run List" tab loads as the dialog opens) and a history of one
// million file records (loaded when the "Audit Trail" tab is first shown).
// Each run builds the dialog, shows it and, for the history, turns to its
// tab; the store is filled once, in large transactions, before timing.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <string>

#include "bench_support.h"
#include "controls/sort_list_ctrl.h"
#include "records/file_record_comp.h"
#include "runlist/file_record_history_page.h"
#include "runlist/run_list_manager_dlg.h"
#include "runlist/run_list_page.h"
#include "runlist/run_list_rows.h"
#include "services/filelib/run_list_manager.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "util/sqlite_db.h"
#include "util/file.h"

namespace tav {
namespace {

using bench::FreshDataDir;
using bench::RemoveDir;

std::string Chunk(int type, const std::string& path, const char* source) {
  CFileRecordComp record;
  std::optional<std::string_view> from;
  if (source != nullptr) from = std::string_view(source);
  record.Set(static_cast<int8_t>(type), std::string_view(path), std::string_view("analyst"), from);
  CMemFile file(256);
  record.StreamDataOut(&file);
  return file.TakeString();
}

// `files` run files on the list and `history` records in the history.
bool Fill(int64_t files, int64_t history) {
  std::shared_ptr<ComplianceDb> db;
  if (!ComplianceDb::Get(&db).ok()) return false;
  for (int64_t done = 0; done < std::max(files, history);) {
    const int64_t batch = 100000;
    const StoreStatus status = db->Write([&](SqlDb& c) {
      StoreStatus s;
      for (int64_t i = done; i < done + batch; ++i) {
        const std::string path =
            "/data/runs/plate" + std::to_string(i % 97) + "/run" + std::to_string(i) + ".tav";
        if (i < files) {
          SqlStatement insert =
              c.Prepare("INSERT INTO run_list(path, record) VALUES(?, ?)", &s);
          if (!s.ok()) return s;
          insert.BindText(1, path);
          insert.BindBlob(2, Chunk(kFileRecordAdded, path, nullptr));
          s = insert.Run();
          if (!s.ok()) return s;
        }
        if (i < history) {
          s = AppendChained(c, ChainedLog::kRunHistory,
                            i % 3 == 0 ? Chunk(kFileRecordMoved, path, "/data/old/run.tav")
                                       : Chunk(kFileRecordAdded, path, nullptr));
          if (!s.ok()) return s;
        }
      }
      return StoreStatus::Ok();
    });
    if (!status.ok()) return false;
    done += batch;
  }
  return true;
}

void BM_OpenRunList(benchmark::State& state) {
  const std::string dir = FreshDataDir("runlist");
  if (!Fill(state.range(0), 0)) state.SkipWithError("store not filled");
  for (auto _ : state) {
    auto dialog = std::make_unique<CRunListManagerDlg>();
    dialog->show();
    QApplication::processEvents();
    if (dialog->RunListPage()->List()->GetItemCount() != state.range(0)) {
      state.SkipWithError("run list not loaded");
      break;
    }
    state.PauseTiming();  // closing is not opening
    dialog.reset();
    state.ResumeTiming();
  }
  RemoveDir(dir);
}
BENCHMARK(BM_OpenRunList)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_OpenHistory(benchmark::State& state) {
  const std::string dir = FreshDataDir("history");
  if (!Fill(1, state.range(0))) state.SkipWithError("store not filled");
  for (auto _ : state) {
    auto dialog = std::make_unique<CRunListManagerDlg>();
    dialog->show();
    QApplication::processEvents();
    dialog->SelectPage(1);
    QApplication::processEvents();
    if (dialog->HistoryPage()->List()->GetItemCount() != state.range(0)) {
      state.SkipWithError("history not loaded");
      break;
    }
    state.PauseTiming();  // closing is not opening
    dialog.reset();
    state.ResumeTiming();
  }
  RemoveDir(dir);
}
BENCHMARK(BM_OpenHistory)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

// The share of the file library in the above: reading the history as a
// list of records, and building the rows' texts from it.
void BM_LoadHistoryRows(benchmark::State& state) {
  const std::string dir = FreshDataDir("history_rows");
  if (!Fill(1, state.range(0))) state.SkipWithError("store not filled");
  for (auto _ : state) {
    CRunListManager manager;
    CFileRecordListComp* history = manager.LoadFileRecordHistory();
    if (history == nullptr) {
      state.SkipWithError("history not read");
      break;
    }
    if (state.range(1) != 0) {
      POSITION pos = history->GetLastChildPosition();
      while (pos != nullptr) {
        const auto* record = dynamic_cast<const CFileRecordComp*>(history->GetPrevChild(pos));
        benchmark::DoNotOptimize(HistoryRow(*record));
      }
    }
  }
  RemoveDir(dir);
}
BENCHMARK(BM_LoadHistoryRows)->Args({1000000, 0})->Args({1000000, 1})->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav
