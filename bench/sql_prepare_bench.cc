// The connection's statement cache: what a store pays to get one of its
// prepared statements back (the cost every query carries before it runs).
//
// BM_PrepareCached: one statement's text looked up again and again, as a
// store's literal does on every call.
// BM_PrepareCachedMix: a store's worth of statements (30, of the lengths the
// stores write), taken in turn.
// BM_PrepareAndStep: a lookup followed by a one-row query against a small
// table, the whole cost of a cached read.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "util/sqlite_db.h"

namespace tav {
namespace {

struct Db {
  std::string dir;
  std::unique_ptr<SqliteDb> db;
  Db() {
    dir = bench::FreshDataDir("prepare");
    SqliteDb::Open(dir + "/bench.db", SqliteDb::Options(), &db);
    if (db != nullptr) {
      db->Exec("CREATE TABLE settings (name TEXT PRIMARY KEY, value BLOB NOT NULL)");
      db->Exec("INSERT INTO settings VALUES ('audit', x'0102030405060708')");
    }
  }
  ~Db() {
    db.reset();
    bench::RemoveDir(dir);
  }
};

// Texts that last as long as the program, as the stores' literals do.
const std::vector<std::string>& Statements() {
  static const std::vector<std::string>* texts = [] {
    auto* v = new std::vector<std::string>;
    for (int i = 0; i < 30; ++i) {
      std::string sql = "SELECT value, length(value) AS n" + std::to_string(i) +
                        " FROM settings WHERE name = ?1";
      // 60 to 400 bytes, as the stores' statements are.
      sql.append(static_cast<size_t>(i % 6) * 60, ' ');
      v->push_back(std::move(sql));
    }
    return v;
  }();
  return *texts;
}

void BM_PrepareCached(benchmark::State& state) {
  Db d;
  static const char kSelect[] = "SELECT value FROM settings WHERE name = ?1";
  StoreStatus status;
  for (auto _ : state) {
    SqlStatement stmt = d.db->Prepare(kSelect, &status);
    benchmark::DoNotOptimize(stmt.valid());
  }
  if (!status.ok()) state.SkipWithError(status.ToString().c_str());
}
BENCHMARK(BM_PrepareCached);

void BM_PrepareCachedMix(benchmark::State& state) {
  Db d;
  const auto& texts = Statements();
  StoreStatus status;
  size_t i = 0;
  for (auto _ : state) {
    SqlStatement stmt = d.db->Prepare(texts[i].c_str(), &status);
    benchmark::DoNotOptimize(stmt.valid());
    if (++i == texts.size()) i = 0;
  }
  if (!status.ok()) state.SkipWithError(status.ToString().c_str());
}
BENCHMARK(BM_PrepareCachedMix);

void BM_PrepareAndStep(benchmark::State& state) {
  Db d;
  static const char kSelect[] = "SELECT value FROM settings WHERE name = ?1";
  StoreStatus status;
  for (auto _ : state) {
    SqlStatement stmt = d.db->Prepare(kSelect, &status);
    stmt.BindText(1, "audit");
    if (!stmt.Step(&status)) {
      state.SkipWithError("no row");
      break;
    }
    benchmark::DoNotOptimize(stmt.ColumnBlob(0).size());
  }
}
BENCHMARK(BM_PrepareAndStep);

}  // namespace
}  // namespace tav
