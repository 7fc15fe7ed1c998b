// The configuration service: a settings read (what a host asks before each
// controlled activity) and an audited settings write (one durable
// transaction holding the new record and its audit event).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <list>
#include <string>

#include "services/config/system_configuration.h"
#include "services/config/system_table.h"

namespace tav {
namespace {

struct DataDir {
  std::string path;
  DataDir() {
    char tmpl[] = "/tmp/tav_bench_config.XXXXXX";
    path = ::mkdtemp(tmpl);
    ::setenv("TAV_DATA_DIR", path.c_str(), 1);
  }
  ~DataDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

void BM_IsActivityAllowed(benchmark::State& state) {
  DataDir dir;
  CSystemConfiguration config;
  config.Set21CFREnabled(1);
  const std::list<std::string> groups = {"staff", "lab", SystemTable::GetGroupName(kGroupAnalysts)};
  for (auto _ : state) {
    benchmark::DoNotOptimize(config.IsActivityAllowed(groups, kActivityAnalyzeData, nullptr));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsActivityAllowed)->Unit(benchmark::kMicrosecond);

void BM_Is21CFREnabled(benchmark::State& state) {
  DataDir dir;
  CSystemConfiguration config;
  config.Set21CFREnabled(1);
  for (auto _ : state) benchmark::DoNotOptimize(config.Is21CFREnabled());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Is21CFREnabled)->Unit(benchmark::kMicrosecond);

void BM_AuditedGrantWrite(benchmark::State& state) {
  DataDir dir;
  CSystemConfiguration config;
  const std::string group = SystemTable::GetGroupName(kGroupOperators);
  bool grant = true;
  for (auto _ : state) {
    CTAVGroupRightsArray rights;
    config.ReadActivityGroupArray(rights);
    if (grant) {
      rights.Grant(group, kActivityAnalyzeData);
    } else {
      rights.Revoke(group, kActivityAnalyzeData);
    }
    grant = !grant;
    if (config.WriteActivityGroupArray(rights) != kConfigOk) {
      state.SkipWithError("write failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AuditedGrantWrite)->Iterations(500)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tav
