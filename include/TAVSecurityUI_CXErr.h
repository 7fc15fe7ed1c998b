// CXErr: the suite's error code as a small value type, exported for hosts.
//
// The object is one signed 32-bit code. Its upper 16 bits are the class id
// and its lower 16 bits the message id, both read as signed 16-bit values,
// so every negative code has class id -1. The type has no virtual functions
// and copies bit for bit; its layout is part of the exported interface.
//
// Names come from a fixed table of the suite's error codes (instrument,
// transport, file, firmware and module errors), looked up by the whole
// 32-bit value; any other code is "Unknown". The names are kept exactly as
// the instruments report them, misspellings included, because hosts compare
// and log them.
//
// Thread safety: a CXErr is a plain value; the table is constant.
#ifndef TAVSECURITYUI_CXERR_H_
#define TAVSECURITYUI_CXERR_H_

#include <cstdint>
#include <string>

#ifndef TAV_EXPORT
#define TAV_EXPORT __attribute__((visibility("default")))
#endif

class TAV_EXPORT CXErr {
 public:
  CXErr() = default;
  CXErr(int32_t code);  // NOLINT(google-explicit-constructor): hosts assign codes
  CXErr(const CXErr& other) = default;

  // Copies the code; returns this object.
  CXErr& operator=(const CXErr& other) = default;

  int32_t GetID() const { return id_; }
  // The upper half, sign included (an arithmetic shift).
  int16_t GetClassID() const;
  int16_t GetMsgID() const;

  // Keeps the upper half, replaces the lower half by `msg_id` and then ORs
  // in its sign extension: a negative id sets the upper half to all ones.
  void SetMsgID(int16_t msg_id);
  // Replaces the upper half by `class_id`, keeping the lower half.
  void SetClassID(int16_t class_id);

  // 1 when the codes are equal (or differ, for !=), else 0.
  int32_t operator==(int32_t code) const;
  int32_t operator==(const CXErr& other) const;
  int32_t operator!=(int32_t code) const;

  // The table name of the own code.
  std::string GetErrName() const;
  // The table name of `code`; the object's own code plays no part.
  std::string GetErrNameFromID(int32_t code) const;
  // "<code in decimal> (<name>)", for example "201 (File Not Found)".
  std::string GetErrDesc() const;

 private:
  int32_t id_ = 0;
};

#endif  // TAVSECURITYUI_CXERR_H_
