// Change description of two versions of a large record tree, by name and by
// position.
//
// Each version has `n` top-level items; every tenth is a group with four
// children. Against the old version the new one changes about 5% of the
// values (floats, integers, texts), a child in 1% of the groups, swaps 2% of
// neighbouring items (by name that is no change; by position it is), drops
// 0.5% of the items and appends as many new ones.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>

#include "records/property_item.h"

namespace tav {
namespace {

constexpr int kGroupEvery = 10;
constexpr int kChildrenPerGroup = 4;

// Small deterministic generator so that both versions agree on the layout.
uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

bool Picked(int i, uint32_t salt, uint32_t per_thousand) {
  return Hash(static_cast<uint32_t>(i) * 2654435761U + salt) % 1000 <
         per_thousand;
}

std::unique_ptr<CPropertyItem> MakeItem(int i, bool new_version) {
  const bool changed = new_version && Picked(i, 1, 50);
  auto item = std::make_unique<CPropertyItem>(kPropertyValue,
                                              "Property " + std::to_string(i));
  if (i % kGroupEvery == 0) {
    item->set_kind(kPropertyGroup);
    item->SetGroupNumber(i);
    auto children = std::make_unique<CPropertyItemList>();
    const bool child_changed = new_version && Picked(i, 2, 10);
    for (int c = 0; c < kChildrenPerGroup; ++c) {
      CPropertyItem* child = children->Add(kPropertyValue, "Hold Time (sec)");
      child->SetDouble(30.0 * c + (child_changed && c == 1 ? 0.5 : 0.0));
    }
    item->SetChildren(std::move(children));
    return item;
  }
  switch (i % 3) {
    case 0:
      item->SetFloat(static_cast<float>(i) * 0.25f + (changed ? 1.0f : 0.0f));
      break;
    case 1:
      item->SetInt32(i + (changed ? 7 : 0));
      break;
    default:
      item->SetText(changed ? "changed text" : "sample text");
      break;
  }
  return item;
}

std::unique_ptr<CPropertyItemList> MakeVersion(int n, bool new_version,
                                               int32_t mode) {
  auto list = std::make_unique<CPropertyItemList>(mode);
  std::unique_ptr<CPropertyItem> held;  // for swapping neighbours
  for (int i = 0; i < n; ++i) {
    if (new_version && Picked(i, 3, 5)) continue;  // dropped
    auto item = MakeItem(i, new_version);
    if (held) {
      list->Add(std::move(item));
      list->Add(std::move(held));
    } else if (new_version && Picked(i, 4, 20) && i + 1 < n) {
      held = std::move(item);
    } else {
      list->Add(std::move(item));
    }
  }
  if (held) list->Add(std::move(held));
  if (new_version) {
    for (int i = 0; i < n / 200; ++i) list->Add(MakeItem(n + i, true));
  }
  return list;
}

void RunCompare(benchmark::State& state, int32_t mode) {
  const int n = static_cast<int>(state.range(0));
  auto old_list = MakeVersion(n, false, mode);
  auto new_list = MakeVersion(n, true, mode);
  const std::string prefix;
  std::string out;
  for (auto _ : state) {
    out.clear();
    benchmark::DoNotOptimize(new_list->Compare(*old_list, out, prefix));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetComplexityN(n);
  state.counters["out_bytes"] = static_cast<double>(out.size());
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_CompareByName(benchmark::State& state) {
  RunCompare(state, CPropertyItemList::kMatchByName);
}

void BM_CompareByPosition(benchmark::State& state) {
  RunCompare(state, CPropertyItemList::kMatchByPosition);
}

BENCHMARK(BM_CompareByName)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_CompareByPosition)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tav
