// Feeds arbitrary bytes to the chunk reader through the factory, then writes
// what was read and reads it again: the second read must succeed and give
// the same bytes (a reader may upgrade an older layout on the first read,
// never on the second). Then audits each record against its re-read copy,
// which must give no entry, and neighbouring records against each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/property_item.h"
#include "records/tag_registry.h"

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

  // Same bytes, same content: no audit entry.
  for (size_t i = 0; i < chunks.size(); ++i) {
    std::unique_ptr<tav::CComponent> old = std::move(chunks[i]);
    tav::CAuditEventComp event;
    chunks2[i]->AuditChanges(old, &event, nullptr);
    if (old != nullptr || event.GetChildCount() != 0) std::abort();
  }
  // Different records: the entries must write (or refuse as too many).
  tav::CAuditEventComp event;
  for (size_t i = 1; i < chunks2.size(); ++i) {
    std::unique_ptr<tav::CComponent> old;
    tav::CloneComponent(chunks2[i - 1].get(), old);
    chunks2[i]->AuditChanges(old, &event, nullptr);
  }
  tav::CMemFile audit;
  const int written = event.StreamDataOut(&audit);
  if (written != tav::kRecordOk && written != tav::kRecordListFull) std::abort();
  return 0;
}
