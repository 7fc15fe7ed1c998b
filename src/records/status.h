// Result codes of the record operations. These values cross the library's
// boundary and appear in stored diagnostics: they must not change.
#ifndef TAV_RECORDS_STATUS_H_
#define TAV_RECORDS_STATUS_H_

namespace tav {

inline constexpr int kRecordOk = 0;
// A null file given to a read, or a short read inside a body.
inline constexpr int kRecordReadError = -100;
// A null file given to a write.
inline constexpr int kRecordWriteError = -200;
// The chunk header (tag or body length) could not be read.
inline constexpr int kRecordHeaderError = -300;
// Chunks nested deeper than kMaxNestingDepth.
inline constexpr int kRecordTooDeep = -400;
// A list would hold more children than its 16-bit count can say.
inline constexpr int kRecordListFull = -500;
// A body whose declared counts or lengths cannot fit the bytes it has.
inline constexpr int kRecordCorrupt = -600;

// How deep chunks may nest inside one another when read. Real records nest a
// handful of levels; the limit keeps a hostile file from exhausting the stack.
inline constexpr int kMaxNestingDepth = 100;

// Largest number of children a list can hold (its count is 16 bits).
inline constexpr unsigned kMaxListChildren = 65535;

// A short English text for a result code ("short read", ...).
const char* RecordStatusText(int code);

}  // namespace tav

#endif  // TAV_RECORDS_STATUS_H_
