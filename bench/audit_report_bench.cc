// PDF reports of the event log: a report of 10,000, 100,000 and 1,000,000
// events written to a file, with the growth of the peak resident set while
// it is written (VmHWM, reset through /proc/self/clear_refs before each
// run, over the resident set at its start, in MB). The rows are made
// before the measurement, as the viewer's list holds them; what the report
// itself holds must not grow with its pages.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audit/report_pdf.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {
namespace {

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
  }
  return 0;
}

const std::vector<std::array<std::string, 3>>& TheRows() {
  static const auto* rows = [] {
    auto* r = new std::vector<std::array<std::string, 3>>;
    std::mt19937 rng(5);
    const char* names[] = {"alice", "bob", "carol", "dmitri", "eve", "frances"};
    const char* events[] = {"Successful Login", "Failed Login", "Failed E-Signature Attempt",
                            "Logged Off"};
    const DATE base = *MakeOleDate(2026, 1, 1);
    for (int i = 0; i < 1'000'000; ++i) {
      r->push_back({FormatOleDate(base + i / 86400.0 * 30),
                    StrFormat("%s.%u", names[rng() % std::size(names)],
                              static_cast<unsigned>(rng() % 10000)),
                    events[rng() % std::size(events)]});
    }
    return r;
  }();
  return *rows;
}

void BM_ReportPdf(benchmark::State& state) {
  const auto& rows = TheRows();
  static constexpr const char* kHeadings[] = {"Date & Time", "User Login", "Event"};
  AuditReport report;
  report.title = "System Event Log";
  report.header = ReportHeaderLines(ReportContext{"bench", "/var/lib/tavsecurity", "(none)",
                                                  "2026-01-01 to 2028-06-01",
                                                  "1000000 events, chain intact", "alice",
                                                  "2026-12-08 09:00:00"});
  report.table.headings = kHeadings;
  report.table.rows = static_cast<size_t>(state.range(0));
  report.table.cell = [&](size_t row, size_t column) -> std::string_view {
    return rows[row][column];
  };
  const std::string path = "/tmp/tav_report_bench.pdf";
  int pages = 0;
  for (auto _ : state) {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long start_kb = StatusKb("VmRSS");
    std::string error;
    if (!WriteReportPdf(report, path, &error, &pages)) state.SkipWithError(error.c_str());
    state.counters["peak_growth_MB"] =
        static_cast<double>(StatusKb("VmHWM") - start_kb) / 1024.0;
  }
  struct stat st {};
  ::stat(path.c_str(), &st);
  state.counters["pages"] = pages;
  state.counters["file_MB"] = static_cast<double>(st.st_size) / (1024.0 * 1024.0);
  std::remove(path.c_str());
}

BENCHMARK(BM_ReportPdf)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
}  // namespace tav
