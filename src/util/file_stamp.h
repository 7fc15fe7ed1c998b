// FileStamp: what stat() says of a file's identity, size and last changes,
// so that what a process read from a small file (a key, a settings file)
// can be kept until the file changes: an equal stamp costs one stat().
//
// A change of contents, owner or mode moves the modification or change
// time; a file replaced by another has another inode. Two changes within
// the clock's granularity can leave the times as they were, which
// ChangedWithin tells a caller that must not miss them.
//
// Thread safety: plain value type.
#ifndef TAV_UTIL_FILE_STAMP_H_
#define TAV_UTIL_FILE_STAMP_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>

namespace tav {

struct FileStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};

  static FileStamp Of(const struct stat& st) {
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  }

  bool operator==(const FileStamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }

  // True when the file changed less than `seconds` before `now`.
  bool ChangedWithin(time_t seconds, time_t now) const {
    const time_t last = mtime.tv_sec > ctime.tv_sec ? mtime.tv_sec : ctime.tv_sec;
    return last + seconds >= now;
  }
};

}  // namespace tav

#endif  // TAV_UTIL_FILE_STAMP_H_
