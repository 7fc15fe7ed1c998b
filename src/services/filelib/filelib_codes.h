// Result codes of the file library's record operations (system events, run
// list, documents). Hosts show them as numbers and compare them with these
// values: they must not change.
#ifndef TAV_SERVICES_FILELIB_FILELIB_CODES_H_
#define TAV_SERVICES_FILELIB_FILELIB_CODES_H_

#include "services/filelib/store_status.h"

namespace tav {

inline constexpr int kFileLibOk = 0;
// The storage failed in a way not listed below (an I/O error).
inline constexpr int kFileLibStorageError = -50;
// The database stayed locked by another process longer than the bounded wait.
inline constexpr int kFileLibBusy = -51;
// The path is not on the run list.
inline constexpr int kFileLibNotOnList = -52;
// The path is already on the run list.
inline constexpr int kFileLibAlreadyOnList = -53;
// A null or empty path, or another bad argument.
inline constexpr int kFileLibInvalidArgument = -54;
// The database is damaged, foreign, or made by a newer version.
inline constexpr int kFileLibDamaged = -55;
// The database or the data directory cannot be written.
inline constexpr int kFileLibReadOnly = -56;
// The disk is full.
inline constexpr int kFileLibDiskFull = -57;
// The document file could not be opened or read.
inline constexpr int kFileLibCannotOpen = -58;

// The result code for a storage outcome.
inline int FileLibCode(const StoreStatus& status) {
  switch (status.code()) {
    case StoreStatus::kOk: return kFileLibOk;
    case StoreStatus::kBusy: return kFileLibBusy;
    case StoreStatus::kCorrupt:
    case StoreStatus::kForeign:
    case StoreStatus::kTampered: return kFileLibDamaged;
    case StoreStatus::kReadOnly: return kFileLibReadOnly;
    case StoreStatus::kFull: return kFileLibDiskFull;
    case StoreStatus::kNotFound: return kFileLibNotOnList;
    case StoreStatus::kExists: return kFileLibAlreadyOnList;
    case StoreStatus::kInvalid: return kFileLibInvalidArgument;
    case StoreStatus::kIOError:
    case StoreStatus::kUnavailable: break;
  }
  return kFileLibStorageError;
}

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_FILELIB_CODES_H_
