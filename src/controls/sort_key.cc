#include "controls/sort_key.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {
namespace {

// Maps a finite double or an infinity to an unsigned integer with the same
// order; 0.0 and -0.0 map alike.
uint64_t OrderBits(double value) {
  if (value == 0.0) value = 0.0;
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  return (bits & (uint64_t{1} << 63)) != 0 ? ~bits : bits | (uint64_t{1} << 63);
}

// The leading numeric part of a number text, as strtod reads it: an optional
// sign and a run of digits. The texts here hold nothing else strtod accepts
// (no '.', 'e', 'x', "inf").
double NumberValue(std::string_view text) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  size_t end = pos;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == pos) return 0.0;
  double value;
  if (end - pos <= 15) {
    // Exact in a double: no rounding question.
    uint64_t n = 0;
    for (size_t i = pos; i < end; ++i) n = n * 10 + static_cast<uint64_t>(text[i] - '0');
    value = static_cast<double>(n);
  } else {
    const std::string digits(text.substr(pos, end - pos));
    value = std::strtod(digits.c_str(), nullptr);  // correctly rounded, or HUGE_VAL
  }
  return negative ? -value : value;
}

// Eight bytes of `text` from `offset` on, big-endian, zero-padded.
uint64_t TextWord(std::string_view text, size_t offset) {
  unsigned char bytes[8] = {};
  if (offset < text.size()) {
    std::memcpy(bytes, text.data() + offset, std::min<size_t>(text.size() - offset, sizeof bytes));
  }
  uint64_t word = 0;
  for (unsigned char b : bytes) word = (word << 8) | b;
  return word;
}

constexpr size_t kPrefetchDistance = 16;

}  // namespace

bool IsNumericText(std::string_view text) {
  if (text.empty()) return false;
  size_t i = 0;
  if (text[0] == '-' && text.size() >= 2) i = 1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if ((c < '0' || c > '9') && c != '+') return false;
  }
  return true;
}

SortKey SortKey::Make(std::string_view cell) {
  const std::string_view text = TrimWhitespace(cell);
  SortKey key;
  if (text.empty()) return key;
  if (IsNumericText(text)) {
    key.kind_ = SortKind::kNumber;
    key.high_ = OrderBits(NumberValue(text));
    return key;
  }
  if (const std::optional<DATE> date = ParseOleDate(text)) {
    key.kind_ = SortKind::kDate;
    key.high_ = OrderBits(*date);
    return key;
  }
  key.kind_ = SortKind::kText;
  key.high_ = TextWord(text, 0);
  key.low_ = TextWord(text, 8);
  key.text_ = text.data();
  key.size_ = static_cast<uint32_t>(
      std::min<size_t>(text.size(), std::numeric_limits<uint32_t>::max()));
  return key;
}

int SortKey::CompareLongTexts(const SortKey& a, const SortKey& b) {
  // char_traits<char> compares as unsigned char, as strcmp does.
  const int c = std::string_view(a.text_, a.size_).compare(std::string_view(b.text_, b.size_));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::vector<uint32_t> StableSortOrder(std::span<const std::string_view> cells, bool ascending) {
  struct Entry {
    SortKey key;
    uint32_t index;
  };
  std::vector<Entry> entries;
  entries.reserve(cells.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    // The texts lie anywhere in memory: fetch ahead, so that the misses
    // overlap instead of following one another.
    if (i + kPrefetchDistance < cells.size()) __builtin_prefetch(cells[i + kPrefetchDistance].data());
    entries.push_back(Entry{SortKey::Make(cells[i]), static_cast<uint32_t>(i)});
  }
  // Ties go by position, which makes the order total: the result is the
  // stable order, and introsort reaches it faster than a merge sort and
  // without a second buffer.
  if (ascending) {
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
      const int c = SortKey::Compare(x.key, y.key);
      return c < 0 || (c == 0 && x.index < y.index);
    });
  } else {
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
      const int c = SortKey::Compare(y.key, x.key);
      return c < 0 || (c == 0 && x.index < y.index);
    });
  }
  std::vector<uint32_t> order;
  order.reserve(entries.size());
  for (const Entry& e : entries) order.push_back(e.index);
  return order;
}

}  // namespace tav
