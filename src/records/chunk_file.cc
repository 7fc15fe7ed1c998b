#include "records/chunk_file.h"

#include "records/tag_registry.h"
#include "util/strings.h"

namespace tav {

int ReadNextComponent(CFile* file, std::unique_ptr<CComponent>& out, uint64_t* bytes_read) {
  out.reset();
  if (file == nullptr) return kRecordReadError;
  const uint64_t start = file->GetPosition();
  char tag_bytes[4];
  if (file->Read(tag_bytes, 4) < 4) {
    if (bytes_read != nullptr) *bytes_read = file->GetPosition() - start;
    return kRecordHeaderError;
  }
  ComponentTag tag;
  std::memcpy(tag.bytes, tag_bytes, 4);
  std::unique_ptr<CComponent> component;
  CreateComponent(tag, component);
  file->Seek(static_cast<int64_t>(start), CFile::begin);
  const int result = component->StreamDataIn(file, bytes_read);
  if (result == kRecordOk) out = std::move(component);
  return result;
}

std::vector<std::unique_ptr<CComponent>> ReadChunkFile(CFile* file, ChunkFileError* error) {
  std::vector<std::unique_ptr<CComponent>> out;
  if (error != nullptr) *error = ChunkFileError();
  if (file == nullptr) {
    if (error != nullptr) {
      error->code = kRecordReadError;
      error->text = RecordStatusText(kRecordReadError);
    }
    return out;
  }
  const uint64_t length = file->GetLength();
  while (file->GetPosition() < length) {
    const uint64_t start = file->GetPosition();
    std::unique_ptr<CComponent> component;
    const int result = ReadNextComponent(file, component);
    if (result != kRecordOk) {
      if (error != nullptr) {
        error->code = result;
        error->offset = start;
        error->text = result == kRecordHeaderError
                          ? StrFormat("incomplete chunk header (%llu bytes left)",
                                      static_cast<unsigned long long>(length - start))
                          : RecordStatusText(result);
      }
      break;
    }
    out.push_back(std::move(component));
  }
  return out;
}

CheckedChunkFile ReadChunkFileChecked(CFile* file) {
  CheckedChunkFile out;
  ReadIssueCollector collector;
  out.chunks = ReadChunkFile(file, &out.error);
  if (out.error.code != kRecordOk) {
    // The innermost failure says more than the top-level chunk's code.
    const ReadIssueCollector::Issue* where = collector.failure();
    out.issues.push_back(where != nullptr ? *where
                                          : ReadIssueCollector::Issue{out.error.offset, out.error.text});
  }
  for (const auto& issue : collector.issues()) out.issues.push_back(issue);
  out.notes = collector.notes();
  return out;
}

int WriteChunkFile(CFile* file, const std::vector<std::unique_ptr<CComponent>>& components) {
  for (const auto& c : components) {
    const int result = c->StreamDataOut(file);
    if (result != kRecordOk) return result;
  }
  return kRecordOk;
}

}  // namespace tav
