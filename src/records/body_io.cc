#include "records/body_io.h"

#include "util/strings.h"

namespace tav::body_io {

int CheckDeclaredCount(CFile* file, uint64_t count, uint64_t min_bytes, uint64_t offset,
                       const ComponentTag& tag, const char* what) {
  const uint64_t left = file->GetRemaining();
  // Divide rather than multiply: count * min_bytes may not fit 64 bits.
  if (min_bytes == 0 || count <= left / min_bytes) return kRecordOk;
  ReadIssueCollector::ReportFailure(
      offset, StrFormat("chunk '%s' declares %llu %s but only %llu bytes are left",
                        HexSafeTag(tag).c_str(), static_cast<unsigned long long>(count), what,
                        static_cast<unsigned long long>(left)));
  return kRecordCorrupt;
}

}  // namespace tav::body_io
