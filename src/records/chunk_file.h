// Files made of a sequence of top-level chunks (documents, exports).
#ifndef TAV_RECORDS_CHUNK_FILE_H_
#define TAV_RECORDS_CHUNK_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/component.h"

namespace tav {

// Reads the next chunk at the file's position through the factory. On
// success `out` holds the component; on failure `out` is empty and the
// result is the record code. `bytes_read` as for StreamDataIn.
int ReadNextComponent(CFile* file, std::unique_ptr<CComponent>& out,
                      uint64_t* bytes_read = nullptr);

struct ChunkFileError {
  int code = kRecordOk;
  uint64_t offset = 0;  // where the failing top-level chunk starts
  std::string text;     // "" when the file read cleanly
};

// Reads top-level chunks until the end of the file. Returns what was read
// before any failure; `error` (optional) tells where and why it stopped.
std::vector<std::unique_ptr<CComponent>> ReadChunkFile(CFile* file, ChunkFileError* error);

// A whole file read as `tavsec records check` reads it: the chunks read
// (those before a failure only), and one issue per damage found: where the
// read failed (the innermost place, first) and what it tolerated for the
// sake of older files (a list cut short, a body read shorter than
// declared, a negative count). A clean file writes back to its own bytes,
// except where `notes` tell of an older layout read into the current form.
struct CheckedChunkFile {
  std::vector<std::unique_ptr<CComponent>> chunks;
  ChunkFileError error;
  std::vector<ReadIssueCollector::Issue> issues;
  std::vector<ReadIssueCollector::Issue> notes;
  bool clean() const { return error.code == kRecordOk && issues.empty(); }
};
CheckedChunkFile ReadChunkFileChecked(CFile* file);

// Writes the components one after another. 0 or the first failing code.
int WriteChunkFile(CFile* file, const std::vector<std::unique_ptr<CComponent>>& components);

}  // namespace tav

#endif  // TAV_RECORDS_CHUNK_FILE_H_
