// Exports of the system event log: a file of top-level system event list
// chunks (SyEL), so that a log of any size can be handed to an inspector in
// the record format (docs/event-log.md).
//
// A list chunk counts at most 65535 children, so the log is cut into
// segments. Each segment's sequence number is the log sequence number of its
// first event; its is-full flag is 1 when the segment is full (65535 events)
// and the log goes on in the next segment, 0 on the last segment. Segments
// follow one another: the next starts at sequence number + count of the one
// before. A gap in the log itself (records missing from the database) starts
// a new segment, so the gap shows in the export too. An empty log is one
// empty segment with sequence number 0.
//
// Thread safety: one thread per writer and file.
#ifndef TAV_SERVICES_FILELIB_EVENT_EXPORT_H_
#define TAV_SERVICES_FILELIB_EVENT_EXPORT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "services/filelib/loaded_lists.h"
#include "util/file.h"

namespace tav {

inline constexpr uint32_t kMaxEventsPerSegment = 65535;

class EventExportWriter {
 public:
  // REQUIRES: `file` outlives the writer and is positioned where the export
  // begins.
  explicit EventExportWriter(CFile* file) : file_(file) {}

  // Appends the event stored under `seq` (its complete chunk, as stored).
  // Failures of the file are CFileException.
  void Add(uint64_t seq, std::string_view event_chunk);
  // Closes the last segment. Call once, after the last Add.
  void Finish();

 private:
  void OpenSegment(uint64_t seq);
  void CloseSegment(bool more_follow);

  CFile* file_;
  bool open_ = false;
  uint64_t segment_start_ = 0;  // file position of the segment's header
  uint64_t next_seq_ = 0;       // the sequence number that continues it
  uint32_t count_ = 0;
};

struct EventExportContents {
  std::unique_ptr<CLoadedAuditCollection> events;  // every event, in order
  uint64_t first_seq = 0;
  uint32_t segments = 0;
};

// Reads an export back and joins its segments. Returns 0; a record code
// when a chunk is damaged; kRecordCorrupt when the segments do not follow
// one another (a segment missing, out of order, or the last one flagged as
// continued). *error says what and where; `out` holds what was read.
int ReadEventExport(CFile* file, EventExportContents* out, std::string* error);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_EVENT_EXPORT_H_
