// Throughput of the chunk reader and writer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "records/chunk_file.h"
#include "records/list_comp.h"
#include "records/tag_registry.h"
#include "records/value_comps.h"
#include "util/file.h"

namespace tav {
namespace {

constexpr int kLists = 100;
constexpr int kValuesPerList = 10000;  // one million values in all

// The lists use a tag of the instrument data model, made a plain list here
// so that the benchmark measures the generic list reader.
constexpr const char* kListTag = "SPEC";
const bool kListRegistered = RegisterComponentMaker(kListTag, [](const ComponentTag& tag) {
  return std::unique_ptr<CComponent>(std::make_unique<CListComp>(std::string_view(tag.bytes, 4)));
});

std::vector<std::unique_ptr<CComponent>> MakeSmallValues() {
  std::vector<std::unique_ptr<CComponent>> out;
  for (int l = 0; l < kLists; ++l) {
    auto list = std::make_unique<CListComp>(kListTag);
    for (int i = 0; i < kValuesPerList; ++i) {
      switch (i % 3) {
        case 0: list->AddComponent(std::make_unique<CByteComp>("PRER", uint8_t(i))); break;
        case 1: list->AddComponent(std::make_unique<CShortComp>("ROWN", uint16_t(i))); break;
        default: list->AddComponent(std::make_unique<CLongComp>("VERS", uint32_t(i))); break;
      }
    }
    out.push_back(std::move(list));
  }
  return out;
}

const std::string& SmallValuesFile() {
  static const std::string bytes = [] {
    CMemFile file;
    WriteChunkFile(&file, MakeSmallValues());
    return file.TakeString();
  }();
  return bytes;
}

constexpr int64_t kComponents = int64_t{kLists} * (kValuesPerList + 1);

void BM_ReadSmallValuesMemory(benchmark::State& state) {
  const std::string& bytes = SmallValuesFile();
  for (auto _ : state) {
    CMemFile file(bytes.data(), bytes.size());
    auto chunks = ReadChunkFile(&file, nullptr);
    benchmark::DoNotOptimize(chunks.data());
    state.PauseTiming();
    chunks.clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kComponents);
}
BENCHMARK(BM_ReadSmallValuesMemory)->Unit(benchmark::kMillisecond);

void BM_ReadSmallValuesDisk(benchmark::State& state) {
  const std::string path = "/tmp/tav_records_bench_" + std::to_string(::getpid());
  WriteFileAtomically(path, SmallValuesFile());
  for (auto _ : state) {
    CDiskFile file(path, CDiskFile::modeRead);
    auto chunks = ReadChunkFile(&file, nullptr);
    benchmark::DoNotOptimize(chunks.data());
    state.PauseTiming();
    chunks.clear();
    state.ResumeTiming();
  }
  ::unlink(path.c_str());
  state.SetItemsProcessed(state.iterations() * kComponents);
}
BENCHMARK(BM_ReadSmallValuesDisk)->Unit(benchmark::kMillisecond);

void BM_WriteSmallValuesMemory(benchmark::State& state) {
  auto chunks = MakeSmallValues();
  for (auto _ : state) {
    CMemFile file(1 << 20);
    WriteChunkFile(&file, chunks);
    benchmark::DoNotOptimize(file.data());
  }
  state.SetItemsProcessed(state.iterations() * kComponents);
}
BENCHMARK(BM_WriteSmallValuesMemory)->Unit(benchmark::kMillisecond);

void BM_WriteSmallValuesDisk(benchmark::State& state) {
  auto chunks = MakeSmallValues();
  const std::string path = "/tmp/tav_records_bench_w_" + std::to_string(::getpid());
  for (auto _ : state) {
    CDiskFile file(path, CDiskFile::modeCreate | CDiskFile::modeWrite);
    WriteChunkFile(&file, chunks);
    file.Close();
  }
  ::unlink(path.c_str());
  state.SetItemsProcessed(state.iterations() * kComponents);
}
BENCHMARK(BM_WriteSmallValuesDisk)->Unit(benchmark::kMillisecond);

constexpr size_t kBigText = size_t{64} << 20;

void BM_ReadBigText(benchmark::State& state) {
  CMemFile source;
  CTextComp text("COMT", std::string(kBigText, 'x'));
  text.StreamDataOut(&source);
  for (auto _ : state) {
    CMemFile file(source.data(), source.size());
    CTextComp back("COMT");
    back.StreamDataIn(&file);
    benchmark::DoNotOptimize(back.GetText().data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBigText));
}
BENCHMARK(BM_ReadBigText)->Unit(benchmark::kMillisecond);

void BM_WriteBigText(benchmark::State& state) {
  CTextComp text("COMT", std::string(kBigText, 'x'));
  for (auto _ : state) {
    CMemFile file(1024);
    text.StreamDataOut(&file);
    benchmark::DoNotOptimize(file.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBigText));
}
BENCHMARK(BM_WriteBigText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav
