// StoreStatus: the outcome of an operation on the suite's compliance
// database, as a value (never an exception).
//
// The file library's public operations turn it into their negative result
// codes (filelib_codes.h); the message is meant for a person and names the
// database and what went wrong.
//
// Thread safety: a plain value.
#ifndef TAV_SERVICES_FILELIB_STORE_STATUS_H_
#define TAV_SERVICES_FILELIB_STORE_STATUS_H_

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
    kTampered,   // stored data that fails its integrity check (a seal)
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

#endif  // TAV_SERVICES_FILELIB_STORE_STATUS_H_
