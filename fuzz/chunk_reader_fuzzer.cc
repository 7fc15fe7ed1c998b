// Feeds arbitrary bytes to the chunk reader through the factory, then writes
// what was read and reads it again: the second read must succeed and give
// the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "records/chunk_file.h"
#include "records/property_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tav::CMemFile in(data, size);
  tav::ReadIssueCollector collector;
  tav::ChunkFileError error;
  auto chunks = tav::ReadChunkFile(&in, &error);

  tav::CPropertyItemList tree;
  for (const auto& c : chunks) {
    c->AppendHeaderProperties(tree);
    c->AppendProperties(tree);
    (void)c->GetDisplayText();
  }
  std::string text;
  tree.DescribeAll("", text, "");

  tav::CMemFile out;
  if (tav::WriteChunkFile(&out, chunks) != tav::kRecordOk) return 0;
  tav::CMemFile again(out.data(), out.size());
  tav::ChunkFileError error2;
  auto chunks2 = tav::ReadChunkFile(&again, &error2);
  if (error2.code != tav::kRecordOk) std::abort();
  tav::CMemFile out2;
  tav::WriteChunkFile(&out2, chunks2);
  if (out2.view() != out.view()) std::abort();

  tav::CPropertyItemList tree2;
  for (const auto& c : chunks2) {
    c->AppendHeaderProperties(tree2);
    c->AppendProperties(tree2);
  }
  std::string diff;
  tree2.Compare(tree, diff, "");
  return 0;
}
