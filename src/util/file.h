// File objects: the byte streams that records are read from and written to.
//
// A CFile is either a disk file (CDiskFile) or a growable memory buffer
// (CMemFile). Reads may be short: Read returns how many bytes arrived, fewer
// than asked only at the end of the file. Every other failure (a write that
// cannot be done, a bad seek, an I/O error) throws CFileException, which the
// record layer lets pass to its callers.
//
// Small reads and writes are the hot path of the record engine (a record is
// mostly fields of 1 to 8 bytes), so both files keep a buffer window in the
// base class and Read/Write copy straight from or into it; only when the
// window is exhausted do they call the file's virtual slow path.
//
// Thread safety: a file object is used by one thread at a time.
#ifndef TAV_UTIL_FILE_H_
#define TAV_UTIL_FILE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <sys/types.h>

#include <string>
#include <string_view>

namespace tav {

class CFileException : public std::runtime_error {
 public:
  enum Cause {
    kGeneric,
    kFileNotFound,
    kAccessDenied,
    kBadSeek,
    kDiskFull,
    kHardIO,
    kInvalidFile,
  };

  CFileException(Cause cause, int os_error, const std::string& path,
                 const std::string& what);

  Cause cause() const { return cause_; }
  int os_error() const { return os_error_; }
  const std::string& path() const { return path_; }

  // Throws the exception that matches errno value `err`.
  [[noreturn]] static void ThrowErrno(int err, const std::string& path,
                                      const char* operation);

 private:
  Cause cause_;
  int os_error_;
  std::string path_;
};

class CFile {
 public:
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile() = default;

  // Reads up to `count` bytes; returns the number read.
  size_t Read(void* buf, size_t count) {
    if (rend_ >= cur_ && count <= static_cast<size_t>(rend_ - cur_)) {
      if (count != 0) std::memcpy(buf, cur_, count);
      cur_ += count;
      return count;
    }
    return ReadSlow(buf, count);
  }

  // Writes all `count` bytes or throws.
  void Write(const void* buf, size_t count) {
    if (wend_ >= cur_ && count <= static_cast<size_t>(wend_ - cur_)) {
      if (count != 0) std::memcpy(cur_, buf, count);
      cur_ += count;
      if (cur_ > rend_) rend_ = cur_;
      return;
    }
    WriteSlow(buf, count);
  }

  uint64_t GetPosition() const {
    return base_offset_ + static_cast<uint64_t>(cur_ - base_);
  }

  // Moves the position; returns the new position. A position before the
  // start throws kBadSeek.
  virtual uint64_t Seek(int64_t offset, SeekPosition from) = 0;
  virtual uint64_t GetLength() const = 0;
  virtual void SetLength(uint64_t length) = 0;
  virtual void Flush() {}
  virtual std::string GetFilePath() const { return std::string(); }

  // Bytes between the position and the end of the file (0 past the end).
  uint64_t GetRemaining() const {
    const uint64_t length = GetLength();
    const uint64_t position = GetPosition();
    return position < length ? length - position : 0;
  }

  uint64_t SeekToBegin() { return Seek(0, begin); }
  uint64_t SeekToEnd() { return Seek(0, end); }

 protected:
  // Called when the window cannot serve the whole request.
  virtual size_t ReadSlow(void* buf, size_t count) = 0;
  virtual void WriteSlow(const void* buf, size_t count) = 0;

  // The window: base_ stands for file offset base_offset_; cur_ is the
  // position; [base_, rend_) holds valid bytes; writes may go up to wend_.
  uint8_t* base_ = nullptr;
  uint8_t* cur_ = nullptr;
  uint8_t* rend_ = nullptr;
  uint8_t* wend_ = nullptr;
  uint64_t base_offset_ = 0;
};

// A file in memory. The buffer grows as it is written, in steps of at least
// `grow_by` bytes and at least doubling, so long writes stay linear.
// Seeking beyond the end of a memory file throws kBadSeek.
class CMemFile final : public CFile {
 public:
  explicit CMemFile(size_t grow_by = 1024);
  // A read-only view of `data`, which must outlive the file; writes throw.
  CMemFile(const void* data, size_t size);
  ~CMemFile() override;

  uint64_t Seek(int64_t offset, SeekPosition from) override;
  uint64_t GetLength() const override { return static_cast<uint64_t>(rend_ - base_); }
  void SetLength(uint64_t length) override;

  const uint8_t* data() const { return base_; }
  size_t size() const { return static_cast<size_t>(rend_ - base_); }
  std::string_view view() const {
    return std::string_view(reinterpret_cast<const char*>(base_), size());
  }
  // Detaches the written bytes.
  std::string TakeString();

 protected:
  size_t ReadSlow(void* buf, size_t count) override;
  void WriteSlow(const void* buf, size_t count) override;

 private:
  void Reserve(size_t needed);

  size_t grow_by_;
  bool owned_;
};

// A file on disk, buffered. Open flags combine like CFile's modes.
class CDiskFile final : public CFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
  };

  // Opens `path` or throws CFileException.
  CDiskFile(const std::string& path, unsigned flags);
  // Flushes; a failure in the destructor is swallowed, so call Close() to
  // learn about it.
  ~CDiskFile() override;

  uint64_t Seek(int64_t offset, SeekPosition from) override;
  uint64_t GetLength() const override;
  void SetLength(uint64_t length) override;
  void Flush() override;
  std::string GetFilePath() const override { return path_; }

  // Flushes the buffer and makes the data durable (fsync).
  void Sync();
  void Close();

 protected:
  size_t ReadSlow(void* buf, size_t count) override;
  void WriteSlow(const void* buf, size_t count) override;

 private:
  static constexpr size_t kBufferSize = 64 * 1024;
  enum class Mode { kIdle, kReading, kWriting };

  void FlushWrites();
  void ResetWindow(uint64_t offset);
  void CheckOpen() const;

  std::string path_;
  int fd_ = -1;
  unsigned flags_;
  Mode mode_ = Mode::kIdle;
  uint8_t* buffer_ = nullptr;
};

// Reads a whole disk file into a string; throws CFileException.
std::string ReadWholeFile(const std::string& path);

// Replaces `path` with `contents` safely: writes a temporary file beside it,
// syncs it, renames it over the old one and syncs the folder. On failure the
// old file is untouched and the exception is thrown. The file keeps the
// mode of the one it replaces; a new file gets 0666 less the umask, as any
// created file does.
void WriteFileAtomically(const std::string& path, std::string_view contents);
// As above, with mode `mode` whether or not the file existed (exports of a
// log that only their owner may read).
void WriteFileAtomically(const std::string& path, std::string_view contents, mode_t mode);

// The process's umask, read without changing it.
mode_t CurrentUmask();

}  // namespace tav

#endif  // TAV_UTIL_FILE_H_
