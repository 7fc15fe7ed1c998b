// Creating a store file whole or not at all.
//
// A database made in place is visible, and half made, from its first byte:
// on a full disk it stays behind empty or partial, and every later opener
// takes it for a damaged store. CreateFileAtomically builds the file under a
// temporary name in the same folder, syncs it, and only then gives it its
// name, so that a crash or a failed write leaves either no file or a
// complete one.
//
// Thread safety: the functions keep no state; two processes that create the
// same file at once both succeed, one of them with kExists.
#ifndef TAV_UTIL_ATOMIC_CREATE_H_
#define TAV_UTIL_ATOMIC_CREATE_H_

#include <sys/types.h>

#include <functional>
#include <string>

#include "util/store_status.h"

namespace tav {

// Creates `path` with permission bits `mode` (the umask does not apply):
// makes an empty file "<path>.new-XXXXXX", calls fill() with its name, syncs
// it and renames it to `path` without replacing anything, then syncs the
// folder. fill() must close every handle on the file before it returns.
// Returns ok; kExists when `path` exists (before, or made by someone else
// meanwhile; nothing of ours is left); or the failure, after removing the
// temporary file and any journal SQLite left beside it.
StoreStatus CreateFileAtomically(const std::string& path, mode_t mode,
                                 const std::function<StoreStatus(const std::string&)>& fill);

// The permission bits of a new store file in `folder`: 0600, or in a folder
// shared by a group (set-group-ID, as `tavsec setup` makes the machine-wide
// store) 0640, or 0660 when `group_writes`.
mode_t StoreFileMode(const std::string& folder, bool group_writes);

// The folder part of `path` ("." when it has none).
std::string FolderOf(const std::string& path);

}  // namespace tav

#endif  // TAV_UTIL_ATOMIC_CREATE_H_
