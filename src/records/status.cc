#include "records/status.h"

namespace tav {

const char* RecordStatusText(int code) {
  switch (code) {
    case kRecordOk: return "no error";
    case kRecordReadError: return "short read inside a body";
    case kRecordWriteError: return "no file to write to";
    case kRecordHeaderError: return "incomplete chunk header";
    case kRecordTooDeep: return "chunks nested too deeply";
    case kRecordListFull: return "list holds too many children";
    case kRecordCorrupt: return "body does not match its declared counts";
    default: return "record error";
  }
}

}  // namespace tav
