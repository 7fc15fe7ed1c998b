// The report list filled as the permission grids fill it, at scale: 100,000
// rows with five checkbox columns, against a QTableWidget of checkable items
// filled the same way. Also the column count behind the header checkbox.
//
// Run without a display: the offscreen platform is chosen unless
// QT_QPA_PLATFORM names another.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>

#include <cstdlib>
#include <memory>

#include "controls/report_list_ctrl.h"

namespace tav {
namespace {

constexpr int kRows = 100000;
constexpr int kCheckColumns = 5;

std::unique_ptr<CXListCtrl> NewReportList() {
  auto list = std::make_unique<CXListCtrl>();
  list->resize(800, 600);
  list->InsertColumn(0, "Group", Qt::AlignLeft, 160);
  for (int c = 1; c <= kCheckColumns; ++c) {
    list->InsertColumn(c, QString("Right %1").arg(c), Qt::AlignCenter, 80);
    list->SetHeaderCheckedState(c, kHeaderUnchecked);
  }
  list->show();
  QApplication::processEvents();
  return list;
}

void FillReportList(CXListCtrl& list) {
  for (int r = 0; r < kRows; ++r) {
    list.InsertItem(r, QStringLiteral("Group"));
    for (int c = 1; c <= kCheckColumns; ++c) list.SetCheckbox(r, c, (r + c) & 1);
  }
  QApplication::processEvents();  // the view lays the rows out
}

// InsertItem and five SetCheckbox calls per row, each column with a header
// checkbox, then one layout of the shown list.
void BM_ReportListInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto list = NewReportList();
    state.ResumeTiming();
    FillReportList(*list);
    benchmark::DoNotOptimize(list->GetItemCount());
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ReportListInsert)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReportListCountChecked(benchmark::State& state) {
  auto list = NewReportList();
  FillReportList(*list);
  int column = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(list->CountCheckedItems(column));
    column = column % kCheckColumns + 1;
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ReportListCountChecked)->Unit(benchmark::kMicrosecond);

// The naive grid: a QTableWidget, one checkable item per cell, rows
// appended one at a time.
std::unique_ptr<QTableWidget> NewTable() {
  auto table = std::make_unique<QTableWidget>(0, kCheckColumns + 1);
  table->resize(800, 600);
  table->show();
  QApplication::processEvents();
  return table;
}

void FillTable(QTableWidget& table) {
  for (int r = 0; r < kRows; ++r) {
    table.insertRow(r);
    table.setItem(r, 0, new QTableWidgetItem(QStringLiteral("Group")));
    for (int c = 1; c <= kCheckColumns; ++c) {
      auto* item = new QTableWidgetItem();
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState((r + c) & 1 ? Qt::Checked : Qt::Unchecked);
      table.setItem(r, c, item);
    }
  }
  QApplication::processEvents();
}

void BM_TableWidgetInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto table = NewTable();
    state.ResumeTiming();
    FillTable(*table);
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_TableWidgetInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TableWidgetCountChecked(benchmark::State& state) {
  auto table = NewTable();
  FillTable(*table);
  int column = 1;
  for (auto _ : state) {
    int count = 0;
    for (int r = 0; r < kRows; ++r) count += table->item(r, column)->checkState() == Qt::Checked;
    benchmark::DoNotOptimize(count);
    column = column % kCheckColumns + 1;
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_TableWidgetCountChecked)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tav
