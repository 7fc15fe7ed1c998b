// StoreStatus: the outcome of an operation on the suite's stored state (the
// data directory, the compliance database, the account database), as a
// value (never an exception).
//
// The file library's public operations turn it into their negative result
// codes (filelib_codes.h); the message is meant for a person and names the
// file or folder and what went wrong.
//
// Thread safety: a plain value.
#ifndef TAV_UTIL_STORE_STATUS_H_
#define TAV_UTIL_STORE_STATUS_H_

#include <string>
#include <utility>

namespace tav {

class StoreStatus {
 public:
  enum Code {
    kOk = 0,
    kBusy,       // the database stayed locked longer than the wait allowed
    kCorrupt,    // damaged database, or a stored record that does not read
    kForeign,    // not a database of this suite, or of a newer version
    kReadOnly,   // the database or its folder cannot be written
    kFull,       // the disk (or a quota) is full
    kIOError,    // any other failure of the storage
    kNotFound,   // the thing asked for is not stored
    kExists,     // the thing to add is stored already
    kInvalid,    // a bad argument
    kUnavailable,  // no store: the data directory is missing or this user may not use it
    kTampered,     // stored data that fails its integrity check (a seal)
  };

  StoreStatus() = default;
  StoreStatus(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  static StoreStatus Ok() { return StoreStatus(); }

  bool ok() const { return code_ == kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // "ok", or the message.
  std::string ToString() const { return ok() ? std::string("ok") : message_; }

 private:
  Code code_ = kOk;
  std::string message_;
};

}  // namespace tav

#endif  // TAV_UTIL_STORE_STATUS_H_
