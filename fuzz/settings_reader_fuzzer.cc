// Feeds arbitrary bytes to the readers of stored settings and logs: setting
// records through the factory with the configuration's record kinds, the
// archive forms of the audit settings and of the e-signature configuration,
// and event exports. What reads must write and read back to the same bytes;
// merging or auditing a record against its own copy must change nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/esig_config_types.h"
#include "services/config/audit_settings.h"
#include "services/config/settings_merge.h"
#include "services/config/settings_records.h"
#include "services/config/system_configuration.h"
#include "services/filelib/event_export.h"
#include "util/archive.h"

namespace {

template <typename T>
void ArchiveRoundTrip(const uint8_t* data, size_t size) {
  T value;
  try {
    tav::CMemFile in(data, size);
    tav::CArchive ar(&in, tav::CArchive::load);
    value.Serialize(ar);
  } catch (const tav::CArchiveException&) {
    return;
  }
  tav::CMemFile out;
  tav::CArchive store(&out, tav::CArchive::store);
  value.Serialize(store);
  T again;
  tav::CMemFile in2(out.data(), out.size());
  tav::CArchive load(&in2, tav::CArchive::load);
  again.Serialize(load);  // must not throw
  tav::CMemFile out2;
  tav::CArchive store2(&out2, tav::CArchive::store);
  again.Serialize(store2);
  if (out2.view() != out.view()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool loaded = (tav::LoadConfigurationService(), true);
  (void)loaded;

  tav::CMemFile in(data, size);
  tav::ChunkFileError error;
  auto chunks = tav::ReadChunkFile(&in, &error);
  tav::CMemFile out;
  if (tav::WriteChunkFile(&out, chunks) == tav::kRecordOk) {
    tav::CMemFile again(out.data(), out.size());
    tav::ChunkFileError error2;
    auto chunks2 = tav::ReadChunkFile(&again, &error2);
    if (error2.code != tav::kRecordOk || chunks2.size() != chunks.size()) std::abort();
    for (size_t i = 0; i < chunks.size(); ++i) {
      std::unique_ptr<tav::CComponent> merged =
          tav::MergeChanges(chunks[i].get(), chunks2[i].get(), chunks[i].get());
      if (!merged->HasSameContent(chunks[i].get())) std::abort();
      tav::CAuditEventComp event;
      std::unique_ptr<tav::CComponent> old = tav::CloneRecord(*chunks[i]);
      chunks2[i]->AuditChanges(old, &event, nullptr);
      if (event.GetChildCount() != 0) std::abort();
    }
  }

  ArchiveRoundTrip<tav::CTAVAuditDataTypeSettingArray>(data, size);
  ArchiveRoundTrip<tav::CTAVESigConfiguration>(data, size);

  tav::CMemFile export_file(data, size);
  tav::EventExportContents contents;
  std::string message;
  tav::ReadEventExport(&export_file, &contents, &message);
  return 0;
}
