#include "services/filelib/key_file.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/atomic_create.h"

namespace tav {

StoreStatus KeyFileError(int err, const std::string& what) {
  if (err == ENOENT) return StoreStatus(StoreStatus::kNotFound, what + ": " + std::strerror(err));
  if (err == EACCES || err == EPERM || err == EROFS) {
    return StoreStatus(StoreStatus::kReadOnly, what + ": " + std::strerror(err));
  }
  if (err == ENOSPC || err == EDQUOT) {
    return StoreStatus(StoreStatus::kFull, what + ": " + std::strerror(err));
  }
  return StoreStatus(StoreStatus::kIOError, what + ": " + std::strerror(err));
}

StoreStatus CreateKeyFile(const std::string& folder, const char* name, const uint8_t* data,
                          size_t size, bool replace) {
  const std::string path = folder + "/" + name;
  if (replace && unlink(path.c_str()) != 0 && errno != ENOENT) {
    return KeyFileError(errno, "cannot replace " + path);
  }
  // Root makes the keys of a store that another account (the compliance
  // service's) keeps: they are that account's, or the service could not use
  // them.
  struct stat folder_st;
  const bool hand_over = geteuid() == 0 && stat(folder.c_str(), &folder_st) == 0 &&
                         folder_st.st_uid != 0;
  StoreStatus status = CreateFileAtomically(
      path, StoreFileMode(folder, true), [&](const std::string& temp) {
        const int fd = open(temp.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return KeyFileError(errno, "cannot open " + temp);
        StoreStatus s;
        size_t done = 0;
        while (s.ok() && done < size) {
          const ssize_t n = write(fd, data + done, size - done);
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) {
            s = KeyFileError(n < 0 ? errno : EIO, "cannot write " + temp);
          } else {
            done += static_cast<size_t>(n);
          }
        }
        if (s.ok() && hand_over && fchown(fd, folder_st.st_uid, folder_st.st_gid) != 0) {
          s = KeyFileError(errno, "cannot give " + temp + " to the store's owner");
        }
        close(fd);
        return s;
      });
  if (status.code() == StoreStatus::kExists) {
    return StoreStatus(StoreStatus::kExists,
                       path + " exists: the store has a sealing key already (--force replaces it)");
  }
  return status;
}

StoreStatus ReadKeyFile(const std::string& path, uint8_t* out, size_t size,
                        const std::string& what) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return KeyFileError(errno, "cannot open " + what + " " + path);
  // One byte more than expected tells a longer file from the right one.
  size_t done = 0;
  StoreStatus status;
  uint8_t extra = 0;
  while (done <= size) {
    uint8_t* at = done < size ? out + done : &extra;
    const size_t want = done < size ? size - done : 1;
    const ssize_t n = pread(fd, at, want, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      status = KeyFileError(errno, "cannot read " + what + " " + path);
      break;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  if (status.ok() && done != size) {
    sodium_memzero(out, size);
    status = StoreStatus(StoreStatus::kCorrupt, what + " " + path + " is damaged");
  }
  return status;
}

}  // namespace tav
