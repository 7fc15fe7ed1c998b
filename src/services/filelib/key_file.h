// Small fixed-size key files beside the compliance database (the sealing
// key, the service's keys): made whole or not at all, with the store's file
// mode, and owned by the store's owner even when root makes them, so that
// the account that keeps the store (the compliance service's) can use them.
//
// Thread safety: any thread.
#ifndef TAV_SERVICES_FILELIB_KEY_FILE_H_
#define TAV_SERVICES_FILELIB_KEY_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "services/filelib/store_status.h"

namespace tav {

// Writes `size` bytes as the new file `folder`/`name`, removing an old one
// first when `replace`. kExists (with a hint at --force) when it is there.
StoreStatus CreateKeyFile(const std::string& folder, const char* name, const uint8_t* data,
                          size_t size, bool replace);

// Reads exactly `size` bytes of `path` into `out`. kNotFound when missing,
// kCorrupt when the file has another size.
StoreStatus ReadKeyFile(const std::string& path, uint8_t* out, size_t size,
                        const std::string& what);

// The status for errno `err` while doing `what`.
StoreStatus KeyFileError(int err, const std::string& what);

// Numbers in key files and seals: 8 bytes, little-endian.
inline void PutU64(void* at, uint64_t v) {
  auto* out = static_cast<uint8_t*>(at);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint64_t GetU64(const void* at) {
  const auto* in = static_cast<const uint8_t*>(at);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in[i];
  return v;
}

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_KEY_FILE_H_
