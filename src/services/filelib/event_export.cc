#include "services/filelib/event_export.h"

#include "records/body_io.h"
#include "records/chunk_file.h"
#include "records/status.h"

namespace tav {

// Segment header: tag, body length (patched on closing), then the list
// body's count (patched), sequence number and is-full flag (patched).
namespace {
constexpr uint64_t kLengthOffset = 4;
constexpr uint64_t kCountOffset = 8;
constexpr uint64_t kFlagOffset = 14;
}  // namespace

void EventExportWriter::OpenSegment(uint64_t seq) {
  segment_start_ = file_->GetPosition();
  file_->Write("SyEL", 4);
  body_io::WriteBE32(file_, 0);
  body_io::WriteBE16(file_, 0);
  body_io::WriteBE32(file_, static_cast<uint32_t>(seq));
  body_io::WriteU8(file_, 0);
  open_ = true;
  count_ = 0;
  next_seq_ = seq;
}

void EventExportWriter::CloseSegment(bool more_follow) {
  const uint64_t end = file_->GetPosition();
  const uint64_t body = end - segment_start_ - 8;
  file_->Seek(static_cast<int64_t>(segment_start_ + kLengthOffset), CFile::begin);
  body_io::WriteBE32(file_, static_cast<uint32_t>(body));
  file_->Seek(static_cast<int64_t>(segment_start_ + kCountOffset), CFile::begin);
  body_io::WriteBE16(file_, static_cast<uint16_t>(count_));
  file_->Seek(static_cast<int64_t>(segment_start_ + kFlagOffset), CFile::begin);
  body_io::WriteU8(file_, more_follow ? 1 : 0);
  file_->Seek(static_cast<int64_t>(end), CFile::begin);
  open_ = false;
}

void EventExportWriter::Add(uint64_t seq, std::string_view event_chunk) {
  if (open_ && (count_ == kMaxEventsPerSegment || seq != next_seq_)) CloseSegment(true);
  if (!open_) OpenSegment(seq);
  file_->Write(event_chunk.data(), event_chunk.size());
  ++count_;
  next_seq_ = seq + 1;
}

void EventExportWriter::Finish() {
  if (!open_) OpenSegment(0);
  CloseSegment(false);
}

int ReadEventExport(CFile* file, EventExportContents* out, std::string* error) {
  *out = EventExportContents();
  out->events = std::make_unique<CLoadedAuditCollection>("SyEL");
  error->clear();
  uint64_t expected = 0;
  bool continued = true;
  while (file->GetRemaining() > 0) {
    const uint64_t offset = file->GetPosition();
    std::unique_ptr<CComponent> chunk;
    const int result = ReadNextComponent(file, chunk);
    if (result != kRecordOk) {
      *error = "offset " + std::to_string(offset) + ": " + RecordStatusText(result);
      out->events->Finish();
      return result;
    }
    auto* segment = dynamic_cast<CAuditCollectionComp*>(chunk.get());
    if (segment == nullptr || !segment->GetTag().Is("SyEL")) {
      *error = "offset " + std::to_string(offset) + ": not a system event list";
      out->events->Finish();
      return kRecordCorrupt;
    }
    const uint64_t seq = segment->GetSequenceNumber();
    if (!continued) {
      *error = "offset " + std::to_string(offset) + ": a segment follows the last one";
      out->events->Finish();
      return kRecordCorrupt;
    }
    if (out->segments == 0) {
      out->first_seq = seq;
    } else if (seq != expected) {
      *error = "offset " + std::to_string(offset) + ": the segment starts at event " +
               std::to_string(seq) + ", not at " + std::to_string(expected);
      out->events->Finish();
      return kRecordCorrupt;
    }
    ++out->segments;
    expected = seq + segment->GetChildCount();
    continued = segment->IsFull();
    while (segment->GetChildCount() > 0) {
      out->events->AppendLoaded(segment->RemoveComponent(segment->GetFirstChildPosition()));
    }
  }
  out->events->Finish();
  if (continued && out->segments != 0) {
    *error = "the last segment says that more events follow";
    return kRecordCorrupt;
  }
  return kRecordOk;
}

}  // namespace tav
