// The viewer's filter on a million events: the sortable list's own row
// filter (what the filter bar puts on the list at each keystroke) beside a
// QSortFilterProxyModel over the same model, both in this run, each with
// the list's view attached.
//
// A keystroke is measured three ways: a text typed into an empty field
// (every row asked), one more character (the shown rows asked: the list
// narrows), and a user chosen with a date range (the facts the list does
// not show). The proxy asks every row each time, through the model's
// display role. The ratio of the first two to the proxy is the gain.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSortFilterProxyModel>
#include <QTreeView>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "audit/audit_filter.h"
#include "controls/sort_list_ctrl.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr int kRows = 1'000'000;

struct Log {
  std::vector<std::string> cells[3];
  std::vector<AuditRowFacts> facts;
};

const Log& TheLog() {
  static const Log* log = [] {
    auto* l = new Log;
    std::mt19937 rng(11);
    const char* names[] = {"alice", "bob", "carol", "dmitri", "eve", "frances", "gunnar",
                           "hiroko", "ines", "jamal", "kwame", "labtech", "mallory"};
    const char* events[] = {"Successful Login", "Failed Login", "Failed E-Signature Attempt",
                            "Logged Off"};
    const DATE base = *MakeOleDate(2020, 1, 1);
    for (int i = 0; i < kRows; ++i) {
      const DATE date = base + static_cast<double>(rng() % (5u * 365 * 86400)) / 86400.0;
      l->cells[0].push_back(FormatOleDate(date));
      l->cells[1].push_back(StrFormat("%s.%u", names[rng() % std::size(names)],
                                      static_cast<unsigned>(rng() % 10000)));
      l->cells[2].push_back(events[rng() % std::size(events)]);
      l->facts.push_back(AuditRowFacts{date, false});
    }
    return l;
  }();
  return *log;
}

std::unique_ptr<CSortListCtrl> FillList() {
  const Log& log = TheLog();
  auto list = std::make_unique<CSortListCtrl>();
  list->resize(800, 600);
  for (const char* heading : {"Date & Time", "User Login", "Event"}) {
    list->InsertColumn(list->GetColumnCount(), heading);
  }
  list->AddItems(
      kRows,
      [&](size_t i, std::span<std::string_view> cells) {
        for (int c = 0; c < 3; ++c) cells[static_cast<size_t>(c)] = log.cells[c][i];
      },
      [](size_t i) { return static_cast<uintptr_t>(i); });
  list->Sort(0, /*ascending=*/false);
  list->show();
  QApplication::processEvents();
  return list;
}

void Settle(QAbstractItemView& view) {
  QApplication::processEvents();
  view.viewport()->repaint();
}

SortListModel::RowFilter FilterOf(const AuditFilter& filter) {
  auto matcher = std::make_shared<const AuditRowMatcher>(filter, AuditColumns{},
                                                         std::vector<int>{0, 1, 2},
                                                         TheLog().facts);
  return [matcher](const SortListModel::RowRef& row) {
    return matcher->Keeps(row.ItemData(), [&](int column) { return row.Cell(column); });
  };
}

// One keystroke of `text` after `before` (typed, or an empty field).
void Ours(benchmark::State& state, const std::string& before, const std::string& text) {
  auto list = FillList();
  AuditFilter was;
  was.text = before;
  AuditFilter now;
  now.text = text;
  int shown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    list->GetModel()->SetRowFilter(before.empty() ? nullptr : FilterOf(was));
    Settle(*list);
    state.ResumeTiming();
    list->GetModel()->SetRowFilter(FilterOf(now), FilterNarrows(now, was) && !before.empty());
    Settle(*list);
    shown = list->GetItemCount();
  }
  state.counters["shown"] = shown;
}

void BM_Ours_FirstCharacter(benchmark::State& state) { Ours(state, "", "a"); }
void BM_Ours_OneMoreCharacter(benchmark::State& state) { Ours(state, "al", "ali"); }

void BM_Ours_UserAndDateRange(benchmark::State& state) {
  auto list = FillList();
  AuditFilter filter;
  filter.from = *MakeOleDate(2022, 1, 1);
  filter.to = *MakeOleDate(2022, 12, 31, 23, 59, 59);
  filter.text = "alice";
  for (auto _ : state) {
    state.PauseTiming();
    list->GetModel()->SetRowFilter(nullptr);
    Settle(*list);
    state.ResumeTiming();
    list->GetModel()->SetRowFilter(FilterOf(filter));
    Settle(*list);
  }
  state.counters["shown"] = list->GetItemCount();
}

// The same model and view behind a QSortFilterProxyModel, filtering on
// every column without regard to case.
void Proxy(benchmark::State& state, const QString& before, const QString& text) {
  auto list = FillList();
  QSortFilterProxyModel proxy;
  proxy.setSourceModel(list->GetModel());
  proxy.setFilterKeyColumn(-1);
  proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
  QTreeView view;
  view.setUniformRowHeights(true);
  view.setRootIsDecorated(false);
  view.resize(800, 600);
  view.setModel(&proxy);
  view.show();
  list->hide();
  int shown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    proxy.setFilterFixedString(before);
    Settle(view);
    state.ResumeTiming();
    proxy.setFilterFixedString(text);
    Settle(view);
    shown = proxy.rowCount();
  }
  state.counters["shown"] = shown;
}

void BM_Proxy_FirstCharacter(benchmark::State& state) { Proxy(state, "", "a"); }
void BM_Proxy_OneMoreCharacter(benchmark::State& state) { Proxy(state, "al", "ali"); }

BENCHMARK(BM_Ours_FirstCharacter)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Ours_OneMoreCharacter)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Ours_UserAndDateRange)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Proxy_FirstCharacter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Proxy_OneMoreCharacter)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tav
