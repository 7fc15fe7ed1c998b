// CArchive: the framework's serialisation stream over a file object, for the
// settings classes whose stored form is a framework archive.
//
// Integers are little-endian, as they lie in memory. Two variable-length
// encodings matter for compatibility and are reproduced byte for byte:
//
//   count   a 16-bit count; 0xFFFF announces a 32-bit count after it, and a
//           32-bit 0xFFFFFFFF a 64-bit one (written only for such counts).
//   string  the length as 1 byte when below 255; else 0xFF and a 16-bit
//           length when below 0xFFFE; else 0xFF, 0xFFFF and a 32-bit length;
//           then the bytes, no terminator. A reader also accepts the wide
//           form (0xFF, 0xFFFE, then a length in the same scheme and UTF-16LE
//           characters), which it turns into UTF-8.
//
// Reading never trusts a length: a count or string that claims more bytes
// than the file has left throws CArchiveException(kEndOfFile) before
// anything is allocated. Failures of the file itself are CFileException.
//
// Ownership: the archive borrows the file, which must outlive it.
// Thread safety: one thread at a time.
#ifndef TAV_UTIL_ARCHIVE_H_
#define TAV_UTIL_ARCHIVE_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "util/file.h"

namespace tav {

class CArchiveException : public std::runtime_error {
 public:
  enum Cause {
    kNone,
    kGeneric,
    kReadOnly,   // a write to a loading archive
    kEndOfFile,  // a read past the end, or a length beyond the end
    kWriteOnly,  // a read from a storing archive
    kBadIndex,
    kBadClass,
    kBadSchema,  // a stored version this program does not know
  };

  CArchiveException(Cause cause, const std::string& what)
      : std::runtime_error(what), cause_(cause) {}
  Cause cause() const { return cause_; }

 private:
  Cause cause_;
};

class CArchive {
 public:
  enum Mode { load, store };

  // REQUIRES: file != nullptr.
  CArchive(CFile* file, Mode mode) : file_(file), mode_(mode) {}
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return mode_ == load; }
  bool IsStoring() const { return mode_ == store; }
  CFile* GetFile() const { return file_; }

  void WriteUInt8(uint8_t v);
  void WriteUInt16(uint16_t v);
  void WriteUInt32(uint32_t v);
  void WriteUInt64(uint64_t v);
  void WriteInt32(int32_t v) { WriteUInt32(static_cast<uint32_t>(v)); }
  void WriteDouble(double v);
  void WriteCount(uint64_t count);
  void WriteString(std::string_view s);
  void WriteBytes(const void* data, size_t size);

  uint8_t ReadUInt8();
  uint16_t ReadUInt16();
  uint32_t ReadUInt32();
  uint64_t ReadUInt64();
  int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
  double ReadDouble();
  uint64_t ReadCount();
  std::string ReadString();
  void ReadBytes(void* data, size_t size);

  // Throws kEndOfFile unless `bytes` more bytes can be read. Readers of
  // counted elements call it with the smallest size an element can have.
  void RequireRemaining(uint64_t bytes) const;

 private:
  void CheckStoring() const;
  void CheckLoading() const;

  CFile* file_;
  Mode mode_;
};

}  // namespace tav

#endif  // TAV_UTIL_ARCHIVE_H_
