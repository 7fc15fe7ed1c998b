// The sortable list against a plain QTreeWidget filled with the same rows:
// a million rows of three columns ("Date & Time", "User Login", "Event"),
// filled and shown, then sorted by the date-and-time column, and by the
// login column after a date sort has scattered the rows. Also the cost of parsing cells inside every comparison
// against parsing them once per sort.
//
// Peak memory is reported as counters: the growth of the peak resident set
// (VmHWM, reset through /proc/self/clear_refs before each run) over the
// resident set at the start of the run, in MB.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "controls/sort_key.h"
#include "controls/sort_list_ctrl.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr int kRows = 1'000'000;
constexpr int kDateColumn = 0;
constexpr int kLoginColumn = 1;

struct Rows {
  std::vector<std::string> cells[3];
};

const Rows& TheRows() {
  static const Rows* rows = [] {
    auto* r = new Rows;
    std::mt19937 rng(11);
    const char* names[] = {"alice", "bob", "carol", "dmitri", "eve", "frances", "gunnar",
                           "hiroko", "ines", "jamal", "kwame", "labtech", "mallory"};
    const char* events[] = {"Successful Login", "Failed Login", "Failed E-Signature Attempt",
                            "Added Record"};
    const DATE base = *MakeOleDate(2020, 1, 1);
    for (auto& column : r->cells) column.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
      const double seconds = static_cast<double>(rng() % (5u * 365 * 86400));
      r->cells[0].push_back(FormatOleDate(base + seconds / 86400.0));
      r->cells[1].push_back(StrFormat("%s.%u", names[rng() % std::size(names)],
                                             static_cast<unsigned>(rng() % 10000)));
      r->cells[2].push_back(events[rng() % std::size(events)]);
    }
    return r;
  }();
  return *rows;
}

// Resident set figures of /proc/self/status, in kB.
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
  }
  return 0;
}

// Measures the growth of the peak resident set from construction on.
class PeakMemory {
 public:
  PeakMemory() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    start_kb_ = StatusKb("VmRSS");
  }
  double PeakMb() const { return static_cast<double>(StatusKb("VmHWM") - start_kb_) / 1024.0; }
  double NowMb() const { return static_cast<double>(StatusKb("VmRSS") - start_kb_) / 1024.0; }

 private:
  long start_kb_ = 0;
};

void Settle(QAbstractItemView& view) {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  view.viewport()->repaint();
}

// --- Ours -------------------------------------------------------------------

std::unique_ptr<CSortListCtrl> FillOurs() {
  const Rows& rows = TheRows();
  auto list = std::make_unique<CSortListCtrl>();
  list->resize(800, 600);
  list->InsertColumn(0, "Date & Time", Qt::AlignLeft, 180);
  list->InsertColumn(1, "User Login", Qt::AlignLeft, 140);
  list->InsertColumn(2, "Event", Qt::AlignLeft, 220);
  for (int i = 0; i < kRows; ++i) {
    list->AddItem(i, rows.cells[0][i], {rows.cells[1][i], rows.cells[2][i]});
  }
  list->show();
  Settle(*list);
  return list;
}

void BM_Ours_FillAndShow(benchmark::State& state) {
  TheRows();
  for (auto _ : state) {
    PeakMemory memory;
    auto list = FillOurs();
    state.counters["peak_MB"] = memory.PeakMb();
    state.counters["held_MB"] = memory.NowMb();
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
}

// The text sort runs on rows that a date sort left scattered in memory, as
// they are when a user clicks one heading after another.
void SortOurs(benchmark::State& state, int column, int first_column = -1) {
  TheRows();
  for (auto _ : state) {
    state.PauseTiming();
    PeakMemory memory;
    auto list = FillOurs();
    if (first_column >= 0) list->Sort(first_column, false);
    Settle(*list);
    state.ResumeTiming();
    list->Sort(column, true);
    Settle(*list);
    state.PauseTiming();
    state.counters["peak_MB"] = memory.PeakMb();  // the list and the sort
    if (list->GetItemCount() != kRows) state.SkipWithError("rows lost");
    list.reset();
    state.ResumeTiming();
  }
}

void BM_Ours_SortByDate(benchmark::State& state) { SortOurs(state, kDateColumn); }
void BM_Ours_SortByText(benchmark::State& state) { SortOurs(state, kLoginColumn, kDateColumn); }

// --- A plain QTreeWidget ----------------------------------------------------

std::unique_ptr<QTreeWidget> FillTreeWidget() {
  const Rows& rows = TheRows();
  auto tree = std::make_unique<QTreeWidget>();
  tree->resize(800, 600);
  tree->setRootIsDecorated(false);
  tree->setUniformRowHeights(true);
  tree->setHeaderLabels({"Date & Time", "User Login", "Event"});
  QList<QTreeWidgetItem*> items;
  items.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    items.push_back(new QTreeWidgetItem(QStringList{QString::fromStdString(rows.cells[0][i]),
                                                    QString::fromStdString(rows.cells[1][i]),
                                                    QString::fromStdString(rows.cells[2][i])}));
  }
  tree->addTopLevelItems(items);
  tree->show();
  Settle(*tree);
  return tree;
}

void BM_QTreeWidget_FillAndShow(benchmark::State& state) {
  TheRows();
  for (auto _ : state) {
    PeakMemory memory;
    auto tree = FillTreeWidget();
    state.counters["peak_MB"] = memory.PeakMb();
    state.counters["held_MB"] = memory.NowMb();
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
}

void SortTreeWidget(benchmark::State& state, int column, int first_column = -1) {
  TheRows();
  for (auto _ : state) {
    state.PauseTiming();
    PeakMemory memory;
    auto tree = FillTreeWidget();
    if (first_column >= 0) tree->sortItems(first_column, Qt::DescendingOrder);
    Settle(*tree);
    state.ResumeTiming();
    tree->sortItems(column, Qt::AscendingOrder);
    Settle(*tree);
    state.PauseTiming();
    state.counters["peak_MB"] = memory.PeakMb();
    tree.reset();
    state.ResumeTiming();
  }
}

// QTreeWidget compares the texts: its "date" order is the text order.
void BM_QTreeWidget_SortByDate(benchmark::State& state) { SortTreeWidget(state, kDateColumn); }
void BM_QTreeWidget_SortByText(benchmark::State& state) {
  SortTreeWidget(state, kLoginColumn, kDateColumn);
}

// --- Parsing per comparison against once per sort ---------------------------

// The comparison that classifies and parses both texts of every pair, the
// first text deciding the kind (valid here: the column holds dates only).
int NaiveCompare(const std::string& a_cell, const std::string& b_cell) {
  const std::string a(TrimWhitespace(a_cell));
  const std::string b(TrimWhitespace(b_cell));
  auto text = [&] { return a < b ? -1 : (b < a ? 1 : 0); };
  if (a.empty() || b.empty()) return text();
  if (IsNumericText(a)) {
    const double x = std::strtod(a.c_str(), nullptr);
    const double y = std::strtod(b.c_str(), nullptr);
    return x < y ? -1 : (y < x ? 1 : 0);
  }
  const std::optional<DATE> x = ParseOleDate(a);
  if (!x) return text();
  const std::optional<DATE> y = ParseOleDate(b);
  if (!y) return text();
  return *x < *y ? -1 : (*y < *x ? 1 : 0);
}

void BM_Dates_ParsePerComparison(benchmark::State& state) {
  const std::vector<std::string>& dates = TheRows().cells[kDateColumn];
  for (auto _ : state) {
    std::vector<uint32_t> order(dates.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
      return NaiveCompare(dates[x], dates[y]) < 0;
    });
    benchmark::DoNotOptimize(order.data());
  }
}

void BM_Dates_ParseOncePerSort(benchmark::State& state) {
  const std::vector<std::string>& dates = TheRows().cells[kDateColumn];
  for (auto _ : state) {
    std::vector<std::string_view> cells(dates.begin(), dates.end());
    std::vector<uint32_t> order = StableSortOrder(cells, true);
    benchmark::DoNotOptimize(order.data());
  }
}

void Once(benchmark::internal::Benchmark* b) {
  b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Ours_FillAndShow)->Apply(Once);
BENCHMARK(BM_QTreeWidget_FillAndShow)->Apply(Once);
BENCHMARK(BM_Ours_SortByDate)->Apply(Once);
BENCHMARK(BM_QTreeWidget_SortByDate)->Apply(Once);
BENCHMARK(BM_Ours_SortByText)->Apply(Once);
BENCHMARK(BM_QTreeWidget_SortByText)->Apply(Once);
BENCHMARK(BM_Dates_ParsePerComparison)->Apply(Once);
BENCHMARK(BM_Dates_ParseOncePerSort)->Apply(Once);

}  // namespace
}  // namespace tav
