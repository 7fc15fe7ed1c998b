#include "util/archive.h"

#include <cstring>

namespace tav {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

void CArchive::CheckStoring() const {
  if (!IsStoring()) throw CArchiveException(CArchiveException::kReadOnly, "archive is loading");
}

void CArchive::CheckLoading() const {
  if (!IsLoading()) throw CArchiveException(CArchiveException::kWriteOnly, "archive is storing");
}

void CArchive::WriteBytes(const void* data, size_t size) {
  CheckStoring();
  file_->Write(data, size);
}

void CArchive::WriteUInt8(uint8_t v) { WriteBytes(&v, 1); }

void CArchive::WriteUInt16(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  WriteBytes(b, 2);
}

void CArchive::WriteUInt32(uint32_t v) {
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  WriteBytes(b, 4);
}

void CArchive::WriteUInt64(uint64_t v) {
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  WriteBytes(b, 8);
}

void CArchive::WriteDouble(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  WriteUInt64(bits);
}

void CArchive::WriteCount(uint64_t count) {
  if (count < 0xFFFF) {
    WriteUInt16(static_cast<uint16_t>(count));
    return;
  }
  WriteUInt16(0xFFFF);
  if (count < 0xFFFFFFFFu) {
    WriteUInt32(static_cast<uint32_t>(count));
    return;
  }
  WriteUInt32(0xFFFFFFFFu);
  WriteUInt64(count);
}

void CArchive::WriteString(std::string_view s) {
  const uint64_t n = s.size();
  if (n < 255) {
    WriteUInt8(static_cast<uint8_t>(n));
  } else if (n < 0xFFFE) {
    WriteUInt8(0xFF);
    WriteUInt16(static_cast<uint16_t>(n));
  } else if (n < 0xFFFFFFFFu) {
    WriteUInt8(0xFF);
    WriteUInt16(0xFFFF);
    WriteUInt32(static_cast<uint32_t>(n));
  } else {
    WriteUInt8(0xFF);
    WriteUInt16(0xFFFF);
    WriteUInt32(0xFFFFFFFFu);
    WriteUInt64(n);
  }
  WriteBytes(s.data(), s.size());
}

void CArchive::RequireRemaining(uint64_t bytes) const {
  if (file_->GetRemaining() < bytes) {
    throw CArchiveException(CArchiveException::kEndOfFile,
                            "archive ends before the data it announces");
  }
}

void CArchive::ReadBytes(void* data, size_t size) {
  CheckLoading();
  if (file_->Read(data, size) != size) {
    throw CArchiveException(CArchiveException::kEndOfFile, "unexpected end of archive");
  }
}

uint8_t CArchive::ReadUInt8() {
  uint8_t v;
  ReadBytes(&v, 1);
  return v;
}

uint16_t CArchive::ReadUInt16() {
  uint8_t b[2];
  ReadBytes(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t CArchive::ReadUInt32() {
  uint8_t b[4];
  ReadBytes(b, 4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}

uint64_t CArchive::ReadUInt64() {
  uint8_t b[8];
  ReadBytes(b, 8);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}

double CArchive::ReadDouble() {
  const uint64_t bits = ReadUInt64();
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

uint64_t CArchive::ReadCount() {
  const uint16_t small = ReadUInt16();
  if (small != 0xFFFF) return small;
  const uint32_t medium = ReadUInt32();
  if (medium != 0xFFFFFFFFu) return medium;
  return ReadUInt64();
}

std::string CArchive::ReadString() {
  // The length scheme, shared by both forms: byte, then word, then dword.
  auto read_length = [this](bool* wide_marker) -> uint64_t {
    const uint8_t b = ReadUInt8();
    if (b < 0xFF) return b;
    const uint16_t w = ReadUInt16();
    if (w == 0xFFFE) {
      *wide_marker = true;
      return 0;
    }
    if (w < 0xFFFF) return w;
    const uint32_t d = ReadUInt32();
    if (d < 0xFFFFFFFFu) return d;
    return ReadUInt64();
  };

  bool wide = false;
  uint64_t length = read_length(&wide);
  if (!wide) {
    RequireRemaining(length);
    std::string s(static_cast<size_t>(length), '\0');
    if (length != 0) ReadBytes(s.data(), s.size());
    return s;
  }

  bool again = false;
  length = read_length(&again);
  if (again) {
    throw CArchiveException(CArchiveException::kGeneric, "malformed wide string in archive");
  }
  if (length > UINT64_MAX / 2) RequireRemaining(UINT64_MAX);
  RequireRemaining(length * 2);
  std::string out;
  out.reserve(static_cast<size_t>(length));
  for (uint64_t i = 0; i < length; ++i) {
    uint32_t unit = ReadUInt16();
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < length) {
      const uint16_t low = ReadUInt16();
      ++i;
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      } else {
        AppendUtf8(out, 0xFFFD);
        unit = low;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;  // an unpaired surrogate
    AppendUtf8(out, unit);
  }
  return out;
}

}  // namespace tav
