#include "audit/text_match.h"

#include <array>

namespace tav {
namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[static_cast<size_t>(c)] =
        static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

unsigned char FoldByte(char c) { return kFold[static_cast<unsigned char>(c)]; }

}  // namespace

TextMatch::TextMatch(std::string_view needle) : needle_(Fold(needle)) {}

std::string TextMatch::Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(FoldByte(c));
  return folded;
}

bool TextMatch::FoundIn(std::string_view text) const {
  const size_t n = needle_.size();
  if (n == 0) return true;
  if (text.size() < n) return false;
  const unsigned char first = static_cast<unsigned char>(needle_[0]);
  const char* rest = needle_.data() + 1;
  const size_t last = text.size() - n;
  // A list cell is short: a plain scan for the first byte beats the set-up
  // of a smarter search.
  for (size_t i = 0; i <= last; ++i) {
    if (FoldByte(text[i]) != first) continue;
    size_t k = 1;
    while (k < n && FoldByte(text[i + k]) == static_cast<unsigned char>(rest[k - 1])) ++k;
    if (k == n) return true;
  }
  return false;
}

}  // namespace tav
