// The file operations of the Run List Manager on POSIX paths, without Qt.
//
// A run file's full path is its folder + "/" + its name. A destination
// folder is valid when it is absolute; a trailing slash is dropped. Two
// folders are the same when they resolve (".", "..", symbolic links) to the
// same path, compared byte for byte.
//
// Deleting and moving act only on a regular file named by the path itself:
// a symbolic link, a folder or a device is refused, so that a file replaced
// by a link since the list was loaded never lets an operation reach outside
// its folder. A move to another file system copies into a temporary file
// beside the target, flushes it to disk, renames it into place and only then
// removes the source; a failed copy leaves the source untouched and no file
// under the target's name.
//
// Results are StoreStatus values whose message is the system error text
// ("Error: %d : %s").
#ifndef TAV_RUNLIST_RUN_FILE_OPS_H_
#define TAV_RUNLIST_RUN_FILE_OPS_H_

#include <string>

#include "util/store_status.h"

namespace tav {

// "Error: %d : %s" with the error number and the system's text for it, or
// "Error: %d" when there is no text.
std::string SystemErrorText(int error_number);

// True when something (of any kind, a dangling link included) has the name.
bool RunFileExists(const std::string& path);
// True when the file system says for sure that nothing has the name (the
// name or one of its folders does not exist). A path that cannot be looked
// at (a folder without search permission) is not missing: it may be there.
bool RunFileMissing(const std::string& path);

// Splits a full path at its last '/' into folder and name; without a '/'
// the folder is empty and the name is the whole path.
void SplitRunFilePath(const std::string& path, std::string* folder, std::string* name);
std::string JoinRunFilePath(const std::string& folder, const std::string& name);

// Turns a chosen folder into a destination: trailing slashes (the root
// excepted) and then trailing white space are dropped. kInvalid, with the
// box text as message, for an empty or relative folder.
StoreStatus NormaliseDestinationFolder(const std::string& chosen, std::string* folder);

// Whether two folders name the same place.
bool SameFolder(const std::string& a, const std::string& b);

// True for the extensions tav, tvm and tvt in any letter case.
bool HasRunFileExtension(const std::string& path);

StoreStatus DeleteRunFile(const std::string& path);

// Moves `source` to `target`. With `replace` a regular file there is
// replaced; without it a file that appeared there since the caller looked
// is never overwritten (the move fails with "File exists"). When a move to
// another file system placed the copy but could not remove the source, it
// fails with *copied_only (when given) set: the file is in both places.
StoreStatus MoveRunFile(const std::string& source, const std::string& target, bool replace,
                        bool* copied_only = nullptr);

}  // namespace tav

#endif  // TAV_RUNLIST_RUN_FILE_OPS_H_
