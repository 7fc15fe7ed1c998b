#include "util/file.h"

#include "util/memory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

namespace tav {

CFileException::CFileException(Cause cause, int os_error,
                               const std::string& path, const std::string& what)
    : std::runtime_error(what), cause_(cause), os_error_(os_error), path_(path) {}

void CFileException::ThrowErrno(int err, const std::string& path,
                                const char* operation) {
  Cause cause = kGeneric;
  switch (err) {
    case ENOENT: cause = kFileNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: cause = kAccessDenied; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: cause = kDiskFull; break;
    case EIO: cause = kHardIO; break;
    case EINVAL:
    case ESPIPE: cause = kBadSeek; break;
    default: break;
  }
  std::string what = std::string(operation) + " failed";
  if (!path.empty()) what += " for '" + path + "'";
  what += ": ";
  what += std::strerror(err);
  throw CFileException(cause, err, path, what);
}

// ---------------------------------------------------------------- CMemFile

CMemFile::CMemFile(size_t grow_by) : grow_by_(grow_by == 0 ? 1024 : grow_by), owned_(true) {}

CMemFile::CMemFile(const void* data, size_t size) : grow_by_(0), owned_(false) {
  // The window is read-only: wend_ stays at base_, so every write reaches
  // WriteSlow, which refuses.
  base_ = cur_ = const_cast<uint8_t*>(static_cast<const uint8_t*>(data));
  rend_ = base_ + size;
  wend_ = base_;
}

CMemFile::~CMemFile() {
  if (owned_) std::free(base_);
}

void CMemFile::Reserve(size_t needed) {
  const size_t capacity = static_cast<size_t>(wend_ - base_);
  if (needed <= capacity) return;
  size_t grown = std::max(needed, capacity * 2);
  grown = (grown + grow_by_ - 1) / grow_by_ * grow_by_;
  const size_t position = static_cast<size_t>(cur_ - base_);
  const size_t length = static_cast<size_t>(rend_ - base_);
  auto* fresh = static_cast<uint8_t*>(std::realloc(base_, grown));
  if (fresh == nullptr) throw std::bad_alloc();
  if (grown >= kLargeBufferBytes) AdviseHugePages(fresh + length, grown - length);
  base_ = fresh;
  cur_ = base_ + position;
  rend_ = base_ + length;
  wend_ = base_ + grown;
}

size_t CMemFile::ReadSlow(void* buf, size_t count) {
  const size_t available = cur_ < rend_ ? static_cast<size_t>(rend_ - cur_) : 0;
  const size_t n = std::min(count, available);
  if (n != 0) std::memcpy(buf, cur_, n);
  cur_ += n;
  return n;
}

void CMemFile::WriteSlow(const void* buf, size_t count) {
  if (!owned_) {
    throw CFileException(CFileException::kAccessDenied, EACCES, std::string(),
                         "write to a read-only memory file");
  }
  const size_t position = static_cast<size_t>(cur_ - base_);
  if (count > std::numeric_limits<size_t>::max() - position) throw std::bad_alloc();
  Reserve(position + count);
  if (count != 0) std::memcpy(cur_, buf, count);
  cur_ += count;
  if (cur_ > rend_) rend_ = cur_;
}

uint64_t CMemFile::Seek(int64_t offset, SeekPosition from) {
  int64_t origin = 0;
  if (from == current) origin = static_cast<int64_t>(cur_ - base_);
  if (from == end) origin = static_cast<int64_t>(rend_ - base_);
  int64_t target;
  if (__builtin_add_overflow(origin, offset, &target) || target < 0 ||
      target > rend_ - base_) {
    throw CFileException(CFileException::kBadSeek, EINVAL, std::string(),
                         "seek outside a memory file");
  }
  cur_ = base_ + target;
  return static_cast<uint64_t>(target);
}

void CMemFile::SetLength(uint64_t length) {
  if (!owned_) {
    throw CFileException(CFileException::kAccessDenied, EACCES, std::string(),
                         "resize of a read-only memory file");
  }
  if (length > std::numeric_limits<size_t>::max()) throw std::bad_alloc();
  const size_t old_length = static_cast<size_t>(rend_ - base_);
  const size_t new_length = static_cast<size_t>(length);
  Reserve(new_length);
  if (new_length > old_length) std::memset(base_ + old_length, 0, new_length - old_length);
  rend_ = base_ + new_length;
  if (cur_ > rend_) cur_ = rend_;
}

std::string CMemFile::TakeString() {
  std::string out(view());
  if (owned_) {
    std::free(base_);
    base_ = cur_ = rend_ = wend_ = nullptr;
  } else {
    cur_ = base_;
  }
  return out;
}

// ---------------------------------------------------------------- CDiskFile

CDiskFile::CDiskFile(const std::string& path, unsigned flags) : path_(path), flags_(flags) {
  int oflags = O_CLOEXEC;
  if (flags & modeReadWrite) {
    oflags |= O_RDWR;
  } else if (flags & modeWrite) {
    oflags |= O_WRONLY;
  } else {
    oflags |= O_RDONLY;
  }
  if (flags & modeCreate) {
    oflags |= O_CREAT;
    if (!(flags & modeNoTruncate)) oflags |= O_TRUNC;
  }
  do {
    fd_ = ::open(path.c_str(), oflags, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) CFileException::ThrowErrno(errno, path, "open");
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    CFileException::ThrowErrno(EISDIR, path, "open");
  }
  buffer_ = static_cast<uint8_t*>(std::malloc(kBufferSize));
  if (buffer_ == nullptr) {
    ::close(fd_);
    throw std::bad_alloc();
  }
  ResetWindow(0);
}

CDiskFile::~CDiskFile() {
  try {
    Close();
  } catch (const CFileException&) {
    // Reported only through an explicit Close().
  }
  std::free(buffer_);
}

void CDiskFile::CheckOpen() const {
  if (fd_ < 0) {
    throw CFileException(CFileException::kInvalidFile, EBADF, path_, "file is closed");
  }
}

void CDiskFile::ResetWindow(uint64_t offset) {
  base_ = cur_ = rend_ = wend_ = buffer_;
  base_offset_ = offset;
  mode_ = Mode::kIdle;
}

void CDiskFile::FlushWrites() {
  if (mode_ != Mode::kWriting) return;
  const uint8_t* p = base_;
  uint64_t offset = base_offset_;
  const uint64_t position = GetPosition();
  while (p < rend_) {
    ssize_t n = ::pwrite(fd_, p, static_cast<size_t>(rend_ - p), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ResetWindow(position);  // the unwritten bytes are lost with the failure
      CFileException::ThrowErrno(err, path_, "write");
    }
    p += n;
    offset += static_cast<uint64_t>(n);
  }
  ResetWindow(position);
}

size_t CDiskFile::ReadSlow(void* buf, size_t count) {
  CheckOpen();
  auto* out = static_cast<uint8_t*>(buf);
  size_t done = 0;
  // Take what the window still holds.
  if (mode_ == Mode::kReading && cur_ < rend_) {
    done = static_cast<size_t>(rend_ - cur_);
    std::memcpy(out, cur_, done);
    cur_ += done;
  }
  FlushWrites();
  uint64_t position = GetPosition();
  // Large requests go straight into the caller's buffer.
  while (count - done >= kBufferSize) {
    ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(position));
    if (n < 0) {
      if (errno == EINTR) continue;
      CFileException::ThrowErrno(errno, path_, "read");
    }
    if (n == 0) {
      ResetWindow(position);
      return done;
    }
    done += static_cast<size_t>(n);
    position += static_cast<uint64_t>(n);
  }
  ResetWindow(position);
  if (done == count) return done;
  ssize_t n;
  do {
    n = ::pread(fd_, buffer_, kBufferSize, static_cast<off_t>(position));
  } while (n < 0 && errno == EINTR);
  if (n < 0) CFileException::ThrowErrno(errno, path_, "read");
  mode_ = Mode::kReading;
  rend_ = buffer_ + n;
  wend_ = buffer_;  // writes leave the read window through WriteSlow
  const size_t take = std::min(count - done, static_cast<size_t>(n));
  std::memcpy(out + done, cur_, take);
  cur_ += take;
  return done + take;
}

void CDiskFile::WriteSlow(const void* buf, size_t count) {
  CheckOpen();
  if (!(flags_ & (modeWrite | modeReadWrite))) {
    throw CFileException(CFileException::kAccessDenied, EBADF, path_,
                         "write to a file opened for reading");
  }
  if (mode_ != Mode::kWriting) {
    ResetWindow(GetPosition());
    mode_ = Mode::kWriting;
    wend_ = buffer_ + kBufferSize;
  }
  const auto* in = static_cast<const uint8_t*>(buf);
  if (count <= static_cast<size_t>(wend_ - cur_)) {
    std::memcpy(cur_, in, count);
    cur_ += count;
    rend_ = cur_;
    return;
  }
  FlushWrites();
  uint64_t position = GetPosition();
  if (count >= kBufferSize) {
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::pwrite(fd_, in + done, count - done, static_cast<off_t>(position));
      if (n < 0) {
        if (errno == EINTR) continue;
        CFileException::ThrowErrno(errno, path_, "write");
      }
      done += static_cast<size_t>(n);
      position += static_cast<uint64_t>(n);
    }
    ResetWindow(position);
    return;
  }
  mode_ = Mode::kWriting;
  wend_ = buffer_ + kBufferSize;
  std::memcpy(cur_, in, count);
  cur_ += count;
  rend_ = cur_;
}

uint64_t CDiskFile::Seek(int64_t offset, SeekPosition from) {
  CheckOpen();
  int64_t origin = 0;
  if (from == current) origin = static_cast<int64_t>(GetPosition());
  if (from == end) origin = static_cast<int64_t>(GetLength());
  int64_t target;
  if (__builtin_add_overflow(origin, offset, &target) || target < 0) {
    throw CFileException(CFileException::kBadSeek, EINVAL, path_, "seek before the start of '" + path_ + "'");
  }
  const auto t = static_cast<uint64_t>(target);
  if (mode_ == Mode::kReading && t >= base_offset_ &&
      t <= base_offset_ + static_cast<uint64_t>(rend_ - base_)) {
    cur_ = base_ + (t - base_offset_);
    return t;
  }
  FlushWrites();
  ResetWindow(t);
  return t;
}

uint64_t CDiskFile::GetLength() const {
  CheckOpen();
  struct stat st;
  if (::fstat(fd_, &st) != 0) CFileException::ThrowErrno(errno, path_, "stat");
  uint64_t length = static_cast<uint64_t>(st.st_size);
  if (mode_ == Mode::kWriting) {
    length = std::max(length, base_offset_ + static_cast<uint64_t>(rend_ - base_));
  }
  return length;
}

void CDiskFile::SetLength(uint64_t length) {
  CheckOpen();
  const uint64_t position = GetPosition();
  FlushWrites();
  if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    CFileException::ThrowErrno(errno, path_, "truncate");
  }
  ResetWindow(position);
}

void CDiskFile::Flush() {
  CheckOpen();
  FlushWrites();
}

void CDiskFile::Sync() {
  Flush();
  if (::fsync(fd_) != 0) CFileException::ThrowErrno(errno, path_, "fsync");
}

void CDiskFile::Close() {
  if (fd_ < 0) return;
  try {
    FlushWrites();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0 && errno != EINTR) CFileException::ThrowErrno(errno, path_, "close");
}

// ---------------------------------------------------------------- helpers

std::string ReadWholeFile(const std::string& path) {
  CDiskFile file(path, CDiskFile::modeRead);
  const uint64_t length = file.GetLength();
  std::string out;
  out.resize(static_cast<size_t>(length));
  const size_t n = file.Read(out.data(), out.size());
  out.resize(n);
  // A file that grew while we read it: take the rest too.
  char chunk[4096];
  for (size_t m; (m = file.Read(chunk, sizeof chunk)) != 0;) out.append(chunk, m);
  return out;
}

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

mode_t CurrentUmask() {
  // umask() can only be read by setting it, which would race with threads
  // creating files; the kernel reports it in /proc.
  std::FILE* status = std::fopen("/proc/self/status", "re");
  mode_t mask = 022;
  if (status == nullptr) return mask;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    unsigned value = 0;
    if (std::sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<mode_t>(value & 0777);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

void WriteFileAtomically(const std::string& path, std::string_view contents) {
  // Keep the old file's permissions when there is one.
  struct stat st;
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777)
                                                     : (0666 & ~CurrentUmask());
  WriteFileAtomically(path, contents, mode);
}

void WriteFileAtomically(const std::string& path, std::string_view contents, mode_t mode) {
  std::string temp = path + ".tmpXXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) CFileException::ThrowErrno(errno, path, "create temporary file");
  ::fchmod(fd, mode);
  auto fail = [&](int err, const char* what) {
    ::close(fd);
    ::unlink(temp.c_str());
    CFileException::ThrowErrno(err, path, what);
  };
  size_t done = 0;
  while (done < contents.size()) {
    ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno, "write");
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) fail(errno, "fsync");
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    CFileException::ThrowErrno(err, path, "close");
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    CFileException::ThrowErrno(err, path, "rename");
  }
  const std::string dir = DirectoryOf(path);
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace tav
