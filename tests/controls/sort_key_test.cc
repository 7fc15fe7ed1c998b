// How the sortable list orders a column: numbers, dates, texts, empty cells,
// columns that mix them, and the stability of equal rows in both directions.
#include "controls/sort_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace tav {
namespace {

std::vector<std::string> Sorted(const std::vector<std::string>& cells, bool ascending = true) {
  const std::vector<std::string_view> views(cells.begin(), cells.end());
  std::vector<std::string> out;
  for (uint32_t i : StableSortOrder(views, ascending)) out.push_back(cells[i]);
  return out;
}

using Cells = std::vector<std::string>;

TEST(SortKeyTest, NumbersCompareByValue) {
  EXPECT_EQ(Sorted({"10", "9", "100"}), (Cells{"9", "10", "100"}));
  EXPECT_EQ(Sorted({"10", "9", "100"}, false), (Cells{"100", "10", "9"}));
  EXPECT_EQ(Sorted({"-5", "3", "-20", "0"}), (Cells{"-20", "-5", "0", "3"}));
  // The leading numeric part counts, as strtod reads it; beyond 15 digits
  // the value is rounded as strtod rounds it.
  EXPECT_EQ(Sorted({"1+9", "0", "2"}), (Cells{"0", "1+9", "2"}));
  EXPECT_EQ(Sorted({"100000000000000000001", "99999999999999999999", "7"}),
            (Cells{"7", "100000000000000000001", "99999999999999999999"}));
}

TEST(SortKeyTest, NumericTextIsDigitsAndPlusWithALeadingMinus) {
  EXPECT_TRUE(IsNumericText("007"));
  EXPECT_TRUE(IsNumericText("+"));
  EXPECT_TRUE(IsNumericText("-1"));
  EXPECT_TRUE(IsNumericText("1+2"));
  EXPECT_FALSE(IsNumericText("-"));
  EXPECT_FALSE(IsNumericText("1-2"));
  EXPECT_FALSE(IsNumericText("1.5"));
  EXPECT_FALSE(IsNumericText(""));
  EXPECT_EQ(SortKey::Make(" 42\t").kind(), SortKind::kNumber);
  EXPECT_EQ(SortKey::Make("1.5").kind(), SortKind::kText);
  EXPECT_EQ(SortKey::Make(" \r\n").kind(), SortKind::kEmpty);
}

TEST(SortKeyTest, DatesCompareByTime) {
  EXPECT_EQ(SortKey::Make("12/6/2026 9:40:36 AM").kind(), SortKind::kDate);
  EXPECT_EQ(Sorted({"1/2/2024 10:00:00 AM", "1/2/2024 9:00:00 AM", "1/2/2024 11:00:00 AM"},
                   false),
            (Cells{"1/2/2024 11:00:00 AM", "1/2/2024 10:00:00 AM", "1/2/2024 9:00:00 AM"}));
  // As text "10/..." would come before "9/...".
  EXPECT_EQ(Sorted({"10/1/2024", "9/30/2024", "2024-09-29 23:59:59"}),
            (Cells{"2024-09-29 23:59:59", "9/30/2024", "10/1/2024"}));
}

TEST(SortKeyTest, TextsCompareBytewiseAndCaseSensitively) {
  EXPECT_EQ(Sorted({"b", "B", "a", "ab", "\xc3\xa9", "abcdefghijklmnopq", "abcdefghijklmnopp"}),
            (Cells{"B", "a", "ab", "abcdefghijklmnopp", "abcdefghijklmnopq", "b",
                   "\xc3\xa9"}));
  // Texts longer than the inline prefix that differ only in length.
  EXPECT_EQ(Sorted({"Failed E-Signature Attempt!", "Failed E-Signature Attempt"}),
            (Cells{"Failed E-Signature Attempt", "Failed E-Signature Attempt!"}));
}

TEST(SortKeyTest, EmptyCellsComeFirstAscendingAndLastDescending) {
  EXPECT_EQ(Sorted({"b", "", "a", "  "}), (Cells{"", "  ", "a", "b"}));
  EXPECT_EQ(Sorted({"10", "", "9"}), (Cells{"", "9", "10"}));
  EXPECT_EQ(Sorted({"10", "", "9"}, false), (Cells{"10", "9", ""}));
}

// A column that mixes kinds sorts empty < numbers < dates < texts, whatever
// order the cells come in; descending is the exact reverse.
TEST(SortKeyTest, MixedColumnsHaveOneOrderWhateverTheInputOrder) {
  Cells cells = {"1.5", "10", "2", "abc", "", "1/2/2020", "-3", "zz", "12/31/2019 11:00:00 PM"};
  const Cells expected = {"", "-3", "2", "10", "12/31/2019 11:00:00 PM", "1/2/2020",
                          "1.5", "abc", "zz"};
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(cells.begin(), cells.end(), rng);
    EXPECT_EQ(Sorted(cells), expected);
    Cells reversed(expected.rbegin(), expected.rend());
    EXPECT_EQ(Sorted(cells, false), reversed);
  }
}

// Equal keys keep their rows' order in both directions: the numbers 5, +5
// and 05 are equal, as are two spellings of one time.
TEST(SortKeyTest, EqualKeysKeepTheirOrderInBothDirections) {
  const Cells cells = {"05", "7", "+5", "5", "1/2/2024 1:00:00 PM", "2024-01-02 13:00:00"};
  const std::vector<std::string_view> views(cells.begin(), cells.end());
  EXPECT_EQ(StableSortOrder(views, true), (std::vector<uint32_t>{0, 2, 3, 1, 4, 5}));
  EXPECT_EQ(StableSortOrder(views, false), (std::vector<uint32_t>{4, 5, 1, 0, 2, 3}));
}

// A large column of random cells of every kind: the order is a total order
// (each adjacent pair in order) and a permutation, in both directions.
TEST(SortKeyTest, LargeMixedColumnSortsToAConsistentPermutation) {
  std::mt19937 rng(3);
  Cells cells;
  for (int i = 0; i < 5000; ++i) {
    switch (rng() % 5) {
      case 0: cells.push_back(std::to_string(static_cast<int>(rng() % 200) - 100)); break;
      case 1: cells.push_back(std::to_string(rng() % 12 + 1) + "/" + std::to_string(rng() % 28 + 1) + "/2024"); break;
      case 2: cells.push_back(std::string(rng() % 20, static_cast<char>('a' + rng() % 3))); break;
      case 3: cells.push_back(""); break;
      default: cells.push_back(std::to_string(rng() % 10) + ".5"); break;
    }
  }
  const std::vector<std::string_view> views(cells.begin(), cells.end());
  for (bool ascending : {true, false}) {
    const std::vector<uint32_t> order = StableSortOrder(views, ascending);
    std::vector<uint32_t> seen = order;
    std::sort(seen.begin(), seen.end());
    for (uint32_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], i);
    for (size_t i = 1; i < order.size(); ++i) {
      const SortKey a = SortKey::Make(views[order[i - 1]]);
      const SortKey b = SortKey::Make(views[order[i]]);
      const int c = ascending ? SortKey::Compare(a, b) : SortKey::Compare(b, a);
      ASSERT_LE(c, 0) << views[order[i - 1]] << " before " << views[order[i]];
      if (c == 0) {
        ASSERT_LT(order[i - 1], order[i]);
      }
    }
  }
}

}  // namespace
}  // namespace tav
