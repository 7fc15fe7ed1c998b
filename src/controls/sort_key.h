// Sort keys of the sortable list: every cell of the sorted column is trimmed,
// classified and parsed once per sort, and the rows are then ordered by these
// keys; the order is stable (rows whose keys are equal keep their order).
//
// A cell is one of four kinds, classified in this order:
//   empty   nothing but white space (" \t\r\n\v\f");
//   number  every character a digit '0'-'9' or '+', except that the first may
//           be '-' when the text has two characters or more ("1.5" is not a
//           number); its value is the leading numeric part as strtod reads it
//           (0 when there is none: "+" and "-+5" are 0);
//   date    not a number, and parsed by ParseOleDate (util/ole_date.h) in the
//           process's locale;
//   text    anything else.
//
// Order (ascending; descending is the exact reverse, Compare(y, x)):
//   - keys of different kinds are ordered empty < number < date < text;
//   - numbers by value, dates by time, texts byte-wise and case-sensitively
//     as strcmp does (unsigned bytes, a prefix first);
//   - keys that compare equal ("5", "+5" and "05"; two equal times written
//     differently) keep their rows' order, in both directions.
// So a column that holds one kind (with or without empty cells) sorts as a
// list that compares every pair by that kind, empty cells first in ascending
// order; a column that mixes kinds sorts as a deterministic total order
// instead of one that depends on which cell happens to come first in a pair.
//
// Threads: the functions are safe to call from several threads. The keys
// point into the texts they were made from: those must outlive them.
#ifndef TAV_CONTROLS_SORT_KEY_H_
#define TAV_CONTROLS_SORT_KEY_H_

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tav {

// The kinds in their order within a mixed column. Values are not stored.
enum class SortKind : uint8_t { kEmpty = 0, kNumber = 1, kDate = 2, kText = 3 };

// True when `text` (already trimmed) is a number as described above.
bool IsNumericText(std::string_view text);

// One classified and parsed cell.
class SortKey {
 public:
  SortKey() = default;

  // Trims and classifies `cell`. REQUIRES: `cell` outlives the key.
  static SortKey Make(std::string_view cell);

  SortKind kind() const { return kind_; }

  // <0, 0 or >0 as `a` sorts before, with or after `b` in ascending order.
  static int Compare(const SortKey& a, const SortKey& b) {
    if (a.kind_ != b.kind_) return a.kind_ < b.kind_ ? -1 : 1;
    if (a.high_ != b.high_) return a.high_ < b.high_ ? -1 : 1;
    if (a.low_ != b.low_) return a.low_ < b.low_ ? -1 : 1;
    if (a.kind_ != SortKind::kText) return 0;
    if (a.size_ <= kPrefixSize && b.size_ <= kPrefixSize) {
      // Equal prefixes: short texts differ at most in trailing NUL bytes,
      // and the shorter one comes first, as a prefix does.
      return a.size_ < b.size_ ? -1 : (a.size_ > b.size_ ? 1 : 0);
    }
    return CompareLongTexts(a, b);
  }

 private:
  static constexpr size_t kPrefixSize = 16;

  static int CompareLongTexts(const SortKey& a, const SortKey& b);

  // Numbers and dates: an order-preserving image of the value in `high_`.
  // Texts: the first sixteen bytes, big-endian, zero-padded, which decide
  // most pairs without reaching into the text (a cache miss per pair when
  // a million rows are sorted).
  uint64_t high_ = 0;
  uint64_t low_ = 0;
  const char* text_ = nullptr;  // texts only: the trimmed text
  uint32_t size_ = 0;
  SortKind kind_ = SortKind::kEmpty;
};

// The stable order of `cells` as described above: the result holds the
// indexes of `cells`, first the one that sorts first. At most 2^32 - 1 cells.
std::vector<uint32_t> StableSortOrder(std::span<const std::string_view> cells, bool ascending);

}  // namespace tav

#endif  // TAV_CONTROLS_SORT_KEY_H_
