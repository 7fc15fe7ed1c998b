// The viewer's filter without a window: which rows it keeps, and when a
// new filter only narrows the one before.
#include "audit/audit_filter.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tav {
namespace {

DATE At(int hour, int minute, int second) {
  return *MakeOleDate(2026, 12, 6, hour, minute, second);
}

struct Row {
  std::array<std::string, 3> cells;
  uintptr_t data;
};

bool Keeps(const AuditRowMatcher& matcher, const Row& row) {
  return matcher.Keeps(row.data, [&](int column) { return std::string_view(row.cells[column]); });
}

TEST(AuditFilter, KeepsWhatEveryConditionKeeps) {
  const std::vector<AuditRowFacts> facts = {
      {At(9, 59, 59), false}, {At(10, 0, 0), true}, {At(11, 0, 0), false}, {At(11, 0, 1), false}};
  const std::vector<Row> rows = {{{"d", "alice", "Successful Login"}, 0},
                                 {{"d", "bob", "Failed Login"}, 1},
                                 {{"d", "Alice.B", "Failed Login"}, 2},
                                 {{"d", "carol", "Logged Off"}, 3}};
  auto kept = [&](const AuditFilter& filter) {
    const AuditRowMatcher matcher(filter, AuditColumns{}, {0, 1, 2}, facts);
    std::string out;
    for (const Row& row : rows) out += Keeps(matcher, row) ? "1" : "0";
    return out;
  };
  AuditFilter range;
  range.from = At(10, 0, 0);
  range.to = At(11, 0, 0);
  EXPECT_EQ(kept(range), "0110");  // both ends included, to the second
  // A bound given with a fraction of a second means the second shown.
  range.to = At(11, 0, 0) + 0.4 / 86400;
  EXPECT_EQ(kept(range), "0110");

  AuditFilter text;
  text.text = "ALICE";
  EXPECT_EQ(kept(text), "1010");
  text.text = "login";
  EXPECT_EQ(kept(text), "1110");

  AuditFilter user;
  user.user = "alice";  // the whole name, as typed
  EXPECT_EQ(kept(user), "1000");
  AuditFilter kind;
  kind.kind = "Failed Login";
  kind.unreviewed_only = true;
  EXPECT_EQ(kept(kind), "0010");

  // A row that names no facts is not guessed into a range.
  const AuditRowMatcher matcher(range, AuditColumns{}, {0}, facts);
  EXPECT_FALSE(Keeps(matcher, Row{{"d", "x", "y"}, 99}));
}

TEST(AuditFilter, TrailKindsAreFoundAmongTheEntries) {
  AuditFilter filter;
  filter.kind = "Added Record";
  const AuditRowMatcher matcher(filter, AuditColumns{0, 1, 2, /*kind_in_entries=*/true}, {2}, {});
  auto keeps = [&](std::string what) { return Keeps(matcher, Row{{"", "", what}, 0}); };
  EXPECT_TRUE(keeps("Added Record: Signature Reasons > 2"));
  EXPECT_TRUE(keeps("Changed Record: A; Added Record: B"));
  EXPECT_FALSE(keeps("Changed Record: Added Record mentioned"));
  EXPECT_FALSE(keeps("Added Records: X"));
}

TEST(AuditFilter, OnlyALongerTextNarrows) {
  AuditFilter before;
  before.text = "ali";
  AuditFilter now = before;
  now.text = "ALIC";
  EXPECT_TRUE(FilterNarrows(now, before));
  now.text = "al";
  EXPECT_FALSE(FilterNarrows(now, before));
  now.text = "alice";
  now.user = "alice";
  EXPECT_FALSE(FilterNarrows(now, before));
  EXPECT_EQ(AuditFilter().Describe(), "(none)");
}

TEST(AuditFilter, DescribesEveryPartAlsoWhenItIsTheOnlyOne) {
  // A report's header states its filter: a text filter alone once read
  // "(none)" over rows it had chosen.
  AuditFilter filter;
  filter.text = "alice";
  EXPECT_EQ(filter.Describe(), "text \"alice\"");
  filter.user = "bob";
  filter.unreviewed_only = true;
  EXPECT_EQ(filter.Describe(), "user bob; text \"alice\"; not yet reviewed");
  AuditFilter kind;
  kind.kind = "Failed Login";
  EXPECT_EQ(kind.Describe(), "kind Failed Login");
}

}  // namespace
}  // namespace tav
