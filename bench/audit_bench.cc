// AuditChanges and the property-tree diff on large collections.
//
// Each version holds `n` children (1,000 to 100,000; a list's stored limit
// is 65535, but in memory a collection may hold more, and the configuration
// service compares what it holds). Against the old version the new one
// changes 1% of the children and adds 0.5%; the keyed collections also
// drop 0.5%.
//
//   BM_AuditValues         value children matched by tag, in order
//   BM_AuditKeyed          target configurations matched by name; 1% of
//                          them moved elsewhere in the new version
//   BM_AuditKeyedShuffled  the same with the new version's order shuffled:
//                          the worst case for a search, and for the caches
//   BM_DiffTrees           building both property trees and describing
//                          their changes, as `tavsec records diff` does
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "records/audit_event_comp.h"
#include "records/esig_config_comp.h"
#include "records/property_item.h"
#include "records/value_comps.h"

namespace tav {
namespace {

// A configuration list that holds more than a stored list may.
class BigCollection : public CESigConfigurationsComp {
 public:
  void Append(std::unique_ptr<CComponent> child) {
    SetBodyLength(GetBodyLength() + static_cast<uint32_t>(child->GetComponentSize()));
    AppendChild(std::move(child));
  }
};

bool Picked(int i, uint32_t salt, uint32_t per_thousand) {
  uint32_t x = static_cast<uint32_t>(i) * 2654435761U + salt;
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  return x % 1000 < per_thousand;
}

std::unique_ptr<BigCollection> MakeValues(int n, bool new_version) {
  auto list = std::make_unique<BigCollection>();
  for (int i = 0; i < n; ++i) {
    const uint32_t value = static_cast<uint32_t>(i) + (new_version && Picked(i, 2, 10) ? 1 : 0);
    list->Append(std::make_unique<CLongComp>("VERS", value));
  }
  // Appended children: matched by tag in order, a child dropped from the
  // middle would shift every later pair.
  if (new_version) {
    for (int i = 0; i < n / 200; ++i) list->Append(std::make_unique<CTextComp>("COMT", "new"));
  }
  return list;
}

std::unique_ptr<BigCollection> MakeKeyed(int n, bool new_version, bool shuffled) {
  std::vector<int> order(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
  if (new_version && shuffled) {
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
  } else if (new_version) {
    std::mt19937 rng(7);
    for (int i = 0; i < n; ++i) {
      if (Picked(i, 4, 10)) std::swap(order[static_cast<size_t>(i)], order[rng() % static_cast<size_t>(n)]);
    }
  }
  auto list = std::make_unique<BigCollection>();
  for (int i : order) {
    if (new_version && Picked(i, 1, 5)) continue;
    auto target = std::make_unique<CESigTargetConfigComp>("target " + std::to_string(i));
    target->AddComponent(std::make_unique<CLongComp>("VERS", new_version && Picked(i, 2, 10) ? 2 : 1));
    list->Append(std::move(target));
  }
  return list;
}

template <typename Make>
void RunAudit(benchmark::State& state, Make make) {
  const int n = static_cast<int>(state.range(0));
  auto now = make(n, true);
  size_t entries = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<CComponent> old = make(n, false);
    CAuditEventComp event;
    state.ResumeTiming();
    now->AuditChanges(old, &event, nullptr);
    entries = event.GetChildCount();
    state.PauseTiming();
    // Destroying the consumed old children is not part of the comparison.
    event.Reset();
    state.ResumeTiming();
  }
  state.counters["entries"] = static_cast<double>(entries);
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_AuditValues(benchmark::State& state) { RunAudit(state, MakeValues); }
BENCHMARK(BM_AuditValues)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AuditKeyed(benchmark::State& state) {
  RunAudit(state, [](int n, bool new_version) { return MakeKeyed(n, new_version, false); });
}
BENCHMARK(BM_AuditKeyed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AuditKeyedShuffled(benchmark::State& state) {
  RunAudit(state, [](int n, bool new_version) { return MakeKeyed(n, new_version, true); });
}
BENCHMARK(BM_AuditKeyedShuffled)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

std::unique_ptr<CPropertyItemList> Tree(const CComponent& c) {
  auto list = std::make_unique<CPropertyItemList>();
  c.AppendHeaderProperties(*list);
  c.AppendProperties(*list);
  return list;
}

void BM_DiffTrees(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto before = MakeValues(n, false);
  auto now = MakeValues(n, true);
  size_t bytes = 0;
  for (auto _ : state) {
    auto old_tree = Tree(*before);
    auto new_tree = Tree(*now);
    std::string text;
    new_tree->Compare(*old_tree, text, std::string());
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["text_bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DiffTrees)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav
