#include "util/atomic_create.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tav {
namespace {

StoreStatus FromErrno(int error, const std::string& what) {
  StoreStatus::Code code = StoreStatus::kIOError;
  if (error == ENOSPC || error == EDQUOT || error == EFBIG) code = StoreStatus::kFull;
  if (error == EROFS || error == EACCES || error == EPERM) code = StoreStatus::kReadOnly;
  return StoreStatus(code, what + ": " + std::strerror(error));
}

void RemoveWithJournals(const std::string& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) unlink((path + suffix).c_str());
}

// Gives `from` the name `to` unless `to` exists. Some file systems cannot
// rename without replacing; a hard link does the same there.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  if (link(from.c_str(), to.c_str()) != 0) return -1;
  unlink(from.c_str());
  return 0;
}

void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t StoreFileMode(const std::string& folder, bool group_writes) {
  struct stat st;
  if (stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISGID) != 0) {
    return group_writes ? 0660 : 0640;
  }
  return 0600;
}

StoreStatus CreateFileAtomically(const std::string& path, mode_t mode,
                                 const std::function<StoreStatus(const std::string&)>& fill) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return StoreStatus(StoreStatus::kExists, path + " exists");

  std::string temp = path + ".new-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return FromErrno(errno, "cannot create a file beside " + path);
  if (fchmod(fd, mode) != 0) {
    StoreStatus status = FromErrno(errno, "cannot set the mode of " + temp);
    close(fd);
    unlink(temp.c_str());
    return status;
  }
  StoreStatus status = fill(temp);
  if (status.ok() && fsync(fd) != 0) status = FromErrno(errno, "cannot sync " + temp);
  close(fd);
  if (status.ok() && RenameNoReplace(temp, path) != 0) {
    status = errno == EEXIST ? StoreStatus(StoreStatus::kExists, path + " exists")
                             : FromErrno(errno, "cannot name the new file " + path);
  }
  if (!status.ok()) {
    RemoveWithJournals(temp);
    return status;
  }
  SyncFolder(FolderOf(path));
  return StoreStatus::Ok();
}

}  // namespace tav
