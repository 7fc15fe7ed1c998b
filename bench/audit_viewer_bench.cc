// Opening the System Audit viewer on a system event log of one million
// events, against the naive way of showing the same log.
//
// BM_Viewer_Open: the dialog as the export builds it (load the log, fill
// the sortable list, fit the columns, sort newest first), timed until the
// list first paints; then_chain_ms is the check of the hash chain that runs
// once the window is up, peak_MB the peak resident memory of the process
// during the whole run, chain check included.
// BM_QTreeWidget_Open: the same log loaded and put into a QTreeWidget item
// by item, columns fitted, sorted by its date column and shown.
// BM_Viewer_Resort/<column>: re-sorting the open viewer's list by a column.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "bench_support.h"
#include "audit/audit_list_ctrl.h"
#include "audit/event_log_page.h"
#include "audit/event_rows.h"
#include "audit/system_audit_dialog.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/system_event_manager.h"
#include "util/file.h"
#include "util/ole_date.h"

namespace tav {
namespace {

constexpr int64_t kEvents = 1000000;

using bench::PeakMb;
using bench::ResetPeak;

// The benchmark's own data directory, removed when the program ends.
struct BenchDataDir {
  BenchDataDir() : path(bench::FreshDataDir("viewer")) {}
  ~BenchDataDir() { bench::RemoveDir(path); }
  std::string path;
};

// A log of kEvents events a few seconds apart, in a data directory of its
// own that lives as long as the program.
bool MakeLog() {
  static int made = [] {
    static BenchDataDir dir;
    std::shared_ptr<ComplianceDb> db;
    if (!ComplianceDb::Get(&db).ok()) return 0;
    const DATE start = *MakeOleDate(2020, 1, 1);
    for (int64_t done = 0; done < kEvents;) {
      const int64_t batch = std::min<int64_t>(kEvents - done, 100000);
      const StoreStatus s = db->Write([&](SqlDb& c) {
        for (int64_t i = done; i < done + batch; ++i) {
          const std::string user = "user" + std::to_string(i % 50);
          auto event = MakeSystemEvent(i % 3 ? kAuditSuccessfulLogin : kAuditFailedLogin,
                                       user.c_str(), start + static_cast<double>(i) * 7 / 86400);
          CMemFile file(128);
          event->StreamDataOut(&file);
          StoreStatus st = AppendChained(c, ChainedLog::kSystemEvents, file.TakeString());
          if (!st.ok()) return st;
        }
        return StoreStatus::Ok();
      });
      if (!s.ok()) return 0;
      done += batch;
    }
    return 1;
  }();
  return made != 0;
}

// Notes when a widget first paints.
class FirstPaint : public QObject {
 public:
  std::optional<std::chrono::steady_clock::time_point> at;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !at) at = std::chrono::steady_clock::now();
    return QObject::eventFilter(watched, event);
  }
};

// Timed up to the list's first paint: what the user waits for. The chain
// check that follows is reported as then_chain_ms.
void BM_Viewer_Open(benchmark::State& state) {
  if (!MakeLog()) return state.SkipWithError("no log");
  using Clock = std::chrono::steady_clock;
  double peak = 0;
  double chain_ms = 0;
  for (auto _ : state) {
    ResetPeak();
    const auto start = Clock::now();
    auto dialog = std::make_unique<SystemAuditDialog>(nullptr, kEventLogTab);
    FirstPaint painted;
    dialog->EventLog()->List()->viewport()->installEventFilter(&painted);
    dialog->show();
    while (!painted.at || !dialog->EventLog()->ChainChecked()) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const auto checked = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(*painted.at - start).count());
    chain_ms = std::chrono::duration<double, std::milli>(checked - *painted.at).count();
    if (dialog->EventLog()->List()->GetItemCount() != kEvents) {
      state.SkipWithError("log not shown");
      break;
    }
    peak = std::max(peak, PeakMb());
    dialog.reset();
  }
  state.counters["peak_MB"] = peak;
  state.counters["then_chain_ms"] = chain_ms;
}

void BM_QTreeWidget_Open(benchmark::State& state) {
  if (!MakeLog()) return state.SkipWithError("no log");
  double peak = 0;
  for (auto _ : state) {
    ResetPeak();
    auto manager = std::make_unique<CSystemEventManager>();
    const CAuditCollectionComp* events = manager->LoadEventList();
    if (events == nullptr) return state.SkipWithError("log not read");
    auto tree = std::make_unique<QTreeWidget>();
    tree->setRootIsDecorated(false);
    tree->setHeaderLabels({"Date & Time", "User Login", "Event"});
    POSITION pos = events->GetFirstChildPosition();
    while (pos != nullptr) {
      const auto* event = dynamic_cast<const CAuditEventComp*>(events->GetNextChild(pos));
      if (event == nullptr) continue;
      const auto cells = EventRowTexts(*event);
      auto* item = new QTreeWidgetItem(tree.get());
      item->setText(0, QString::fromStdString(cells[0]));
      item->setText(1, QString::fromStdString(cells[1]));
      item->setText(2, QString::fromStdString(cells[2]));
    }
    for (int column = 0; column < 3; ++column) tree->resizeColumnToContents(column);
    tree->sortItems(0, Qt::DescendingOrder);
    tree->show();
    QApplication::processEvents();
    peak = std::max(peak, PeakMb());
    state.PauseTiming();
    tree.reset();
    manager.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peak;
}

void BM_Viewer_Resort(benchmark::State& state) {
  if (!MakeLog()) return state.SkipWithError("no log");
  SystemAuditDialog dialog(nullptr, kEventLogTab);
  dialog.show();
  QApplication::processEvents();
  CAuditListCtrl* list = dialog.EventLog()->List();
  const int column = static_cast<int>(state.range(0));
  bool ascending = true;
  for (auto _ : state) {
    list->Sort(column, ascending);
    QApplication::processEvents();
    ascending = !ascending;
  }
}

// Where the opening time goes, step by step (ms per step as counters).
void BM_Viewer_Steps(benchmark::State& state) {
  if (!MakeLog()) return state.SkipWithError("no log");
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
  };
  for (auto _ : state) {
    const auto t0 = Clock::now();
    CSystemEventManager manager;
    const CAuditCollectionComp* events = manager.LoadEventList();
    const auto t1 = Clock::now();
    CAuditListCtrl list;
    for (const char* heading : kEventColumnHeadings) list.InsertColumn(list.GetColumnCount(), heading);
    EventRowBuilder rows;
    POSITION pos = events->GetFirstChildPosition();
    while (pos != nullptr) {
      const auto* event = static_cast<const CAuditEventComp*>(events->GetNextChild(pos));
      list.AddItem(list.GetItemCount(), rows.Cells(*event));
    }
    const auto t2 = Clock::now();
    for (int column = 0; column < 3; ++column) list.resizeColumnToContents(column);
    const auto t3 = Clock::now();
    list.Sort(0, false);
    const auto t4 = Clock::now();
    ChainReport report;
    std::string error;
    manager.VerifyEventLog(&report, &error);
    const auto t5 = Clock::now();
    list.show();
    QApplication::processEvents();
    const auto t6 = Clock::now();
    state.counters["load_ms"] = ms(t0, t1);
    state.counters["fill_ms"] = ms(t1, t2);
    state.counters["fit_ms"] = ms(t2, t3);
    state.counters["sort_ms"] = ms(t3, t4);
    state.counters["verify_ms"] = ms(t4, t5);
    state.counters["show_ms"] = ms(t5, t6);
  }
}

BENCHMARK(BM_Viewer_Steps)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Viewer_Open)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTreeWidget_Open)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Viewer_Resort)->DenseRange(0, 2)->Iterations(2)->UseRealTime()->Unit(
    benchmark::kMillisecond);

}  // namespace
}  // namespace tav
