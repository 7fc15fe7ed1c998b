// Field readers and writers for record bodies.
//
// Record kinds mix two byte orders: the framework fields (chunk headers,
// list counts) are big-endian, the fields that the audit and signature
// records write themselves are little-endian, as they lie in memory. Every
// reader returns kRecordOk or kRecordReadError (a short read) and checks a
// length against the bytes left in the file before it allocates.
#ifndef TAV_RECORDS_BODY_IO_H_
#define TAV_RECORDS_BODY_IO_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/component.h"
#include "util/file.h"

namespace tav::body_io {

static_assert(std::endian::native == std::endian::little,
              "little-endian fields are written as they lie in memory");

inline int ReadExact(CFile* file, void* out, size_t n) {
  return file->Read(out, n) == n ? kRecordOk : kRecordReadError;
}

inline int ReadU8(CFile* file, uint8_t* out) { return ReadExact(file, out, 1); }

inline int ReadLE16(CFile* file, uint16_t* out) {
  uint8_t b[2];
  if (ReadExact(file, b, 2) != kRecordOk) return kRecordReadError;
  *out = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return kRecordOk;
}

inline int ReadLE32(CFile* file, uint32_t* out) {
  uint8_t b[4];
  if (ReadExact(file, b, 4) != kRecordOk) return kRecordReadError;
  *out = uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
  return kRecordOk;
}

inline int ReadBE16(CFile* file, uint16_t* out) {
  uint8_t b[2];
  if (ReadExact(file, b, 2) != kRecordOk) return kRecordReadError;
  *out = LoadBigEndian16(b);
  return kRecordOk;
}

inline int ReadBE32(CFile* file, uint32_t* out) {
  uint8_t b[4];
  if (ReadExact(file, b, 4) != kRecordOk) return kRecordReadError;
  *out = LoadBigEndian32(b);
  return kRecordOk;
}

// An OLE date: IEEE double, little-endian.
inline int ReadDate(CFile* file, double* out) { return ReadExact(file, out, 8); }

// Reads `n` characters. A length beyond the end of the file is a short
// read, found before anything is allocated; `out` is then empty.
inline int ReadText(CFile* file, uint64_t n, std::string* out) {
  out->clear();
  if (n > file->GetRemaining()) return kRecordReadError;
  out->resize(static_cast<size_t>(n));
  if (n != 0 && file->Read(out->data(), out->size()) < out->size()) {
    out->clear();
    return kRecordReadError;
  }
  return kRecordOk;
}

// Skips `n` bytes; a skip beyond the end of the file is a short read.
inline int Skip(CFile* file, uint64_t n) {
  if (n > file->GetRemaining()) return kRecordReadError;
  file->Seek(static_cast<int64_t>(n), CFile::current);
  return kRecordOk;
}

inline void WriteU8(CFile* file, uint8_t v) { file->Write(&v, 1); }

inline void WriteLE16(CFile* file, uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  file->Write(b, 2);
}

inline void WriteLE32(CFile* file, uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  file->Write(b, 4);
}

inline void WriteBE16(CFile* file, uint16_t v) {
  uint8_t b[2];
  StoreBigEndian16(b, v);
  file->Write(b, 2);
}

inline void WriteBE32(CFile* file, uint32_t v) {
  uint8_t b[4];
  StoreBigEndian32(b, v);
  file->Write(b, 4);
}

inline void WriteDate(CFile* file, double v) { file->Write(&v, 8); }

inline void WriteText(CFile* file, std::string_view text) { file->Write(text.data(), text.size()); }

// How many of `count` declared items, each at least `min_bytes` long, the
// bytes left in the file could hold: what a reader may reserve room for.
// A count is never trusted: a damaged one must not allocate more than the
// file could fill. The reader still reads item by item until the count or
// the data ends.
inline uint64_t CountThatFits(CFile* file, uint64_t count, uint64_t min_bytes) {
  const uint64_t left = file->GetRemaining();
  const uint64_t fits = min_bytes == 0 ? left : left / min_bytes;
  return count < fits ? count : fits;
}

}  // namespace tav::body_io

#endif  // TAV_RECORDS_BODY_IO_H_
