#include "records/property_item.h"

#include <cmath>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "util/ole_date.h"

namespace tav {
namespace {

CPropertyItem* AddInt(CPropertyItemList& list, const std::string& name,
                      int32_t v) {
  CPropertyItem* item = list.Add(kPropertyValue, name);
  item->SetInt32(v);
  return item;
}

CPropertyItemList* AddGroup(CPropertyItemList& list, const std::string& name,
                            int32_t number,
                            int32_t mode = CPropertyItemList::kMatchByPosition) {
  CPropertyItem* item = list.Add(kPropertyGroup, name);
  item->SetGroupNumber(number);
  item->SetChildren(std::make_unique<CPropertyItemList>(mode));
  return item->children();
}

constexpr int32_t kByName = CPropertyItemList::kMatchByName;

std::unique_ptr<CPropertyItemList> Ints(
    std::initializer_list<std::pair<const char*, int32_t>> items,
    int32_t mode = CPropertyItemList::kMatchByPosition) {
  auto list = std::make_unique<CPropertyItemList>(mode);
  for (const auto& [name, v] : items) AddInt(*list, name, v);
  return list;
}

std::string Compare(CPropertyItemList& new_list, CPropertyItemList& old_list,
                    bool* result = nullptr) {
  std::string out;
  bool r = new_list.Compare(old_list, out, "");
  if (result) *result = r;
  return out;
}

TEST(PropertyItemTest, ValueTextsFollowTheVariantType) {
  CPropertyItem item(kPropertyValue, "v");
  auto text = [&item](uint16_t vt) {
    EXPECT_EQ(item.variant().vt, vt);
    return item.value_text();
  };
  item.SetInt8(-128);
  EXPECT_EQ(text(kVtI1), "-128");
  item.SetInt32(INT32_MIN);
  EXPECT_EQ(text(kVtInt), "-2147483648");
  item.SetUInt16(65535);
  EXPECT_EQ(text(kVtUI2), "65535");
  item.SetUInt32(4294967295u);
  EXPECT_EQ(text(kVtUI4), "4294967295");
  item.SetFloat(0.1f);
  EXPECT_EQ(text(kVtR4), "0.1");
  item.SetDouble(1.0 / 3.0);
  EXPECT_EQ(text(kVtR8), "0.333333333333333");
  item.SetDate(45000.5);
  EXPECT_EQ(text(kVtDate), FormatOleDate(45000.5) + "(45000.5)");
  EXPECT_EQ(item.type_code(), kVtDate);
  // Text clears the variant: no stale bytes to make equal texts unequal.
  item.SetText("x");
  CPropertyItem fresh(kPropertyValue, "v");
  fresh.SetText("x");
  EXPECT_TRUE(item.IsEqual(fresh));
}

TEST(PropertyItemTest, GetTextAndIsEqual) {
  CPropertyItem a(kPropertyGroup, "Stage"), b(kPropertyValue, "Stage");
  EXPECT_EQ(a.GetText(" = "), "Stage");
  a.SetGroupNumber(2);
  EXPECT_EQ(a.GetText(" = "), "Stage (2) ");
  EXPECT_EQ(a.GetPlainText(": "), "Stage: 2");
  b.SetInt32(2);
  EXPECT_TRUE(a.IsEqual(b));  // kind and type code are not compared
  b.SetUInt32(2);             // same text, other variant type
  EXPECT_FALSE(a.IsEqual(b));
  CPropertyItem unnamed(kPropertyValue, "");
  unnamed.SetText("only value");
  EXPECT_EQ(unnamed.GetText(" = "), "only value");
}

TEST(PropertyItemDescribeChangeTest, LineForms) {
  std::string out;
  CPropertyItem a(kPropertyValue, "A"), b(kPropertyValue, "B");
  a.SetInt32(1);
  b.SetInt32(1);
  EXPECT_FALSE(a.DescribeChange(a, out, "[Changed] "));
  EXPECT_TRUE(b.DescribeChange(a, out, "[Changed] "));
  EXPECT_EQ(out, "[Changed]  [From] A = 1 [To] B = 1\r\n");

  CPropertyItem empty(kPropertyValue, "A");
  empty.SetText("");
  out.clear();
  empty.DescribeChange(a, out, "[Changed] ");
  a.DescribeChange(empty, out, "[Changed] ");
  EXPECT_EQ(out,
            "[Changed] A [Deleted] 1\r\n"
            "[Changed] A [Added] 1\r\n");

  CPropertyItem x(kPropertyValue, "X"), y(kPropertyValue, "X");
  x.SetDouble(0.1);
  y.SetDouble(std::nextafter(0.1, 1.0));
  out.clear();
  y.DescribeChange(x, out, "");
  EXPECT_EQ(out,
            "X [From] 0.1 [To] 0.1 (values may appear the same due to "
            "rounding error)\r\n");

  y.set_value_text("");
  x.set_value_text("");
  out.clear();
  y.DescribeChange(x, out, "");
  EXPECT_EQ(out,
            "X [From] [Blank] [To] [Blank] (values may appear the same due to "
            "rounding error)\r\n");
}

// Two stages; the second changes "Reps" and gains a third step.
TEST(PropertyListCompareTest, WorkedExampleWritesFourLines) {
  CPropertyItemList lists[2];
  for (int v = 0; v < 2; ++v) {
    AddInt(*AddGroup(lists[v], "Stage", 1), "Reps", 30);
    CPropertyItemList* stage = AddGroup(lists[v], "Stage", 2);
    AddInt(*stage, "Reps", v == 0 ? 40 : 45);
    AddInt(*AddGroup(*stage, "Step", 1), "Temp", 95);
    AddInt(*AddGroup(*stage, "Step", 2), "Temp", 60);
    if (v == 1) AddInt(*AddGroup(*stage, "Step", 3), "Temp", 72);
  }
  EXPECT_EQ(Compare(lists[1], lists[0]),
            "[Changed] Stage (2) \r\n"
            "     [Changed] Reps [From] 40 [To] 45\r\n"
            "     [Added] Step (3) \r\n"
            "          Temp = 72\r\n");
}

TEST(PropertyListCompareTest, ByPositionGrowShrinkShift) {
  auto abc = Ints({{"A", 1}, {"B", 2}, {"C", 3}});
  auto ab = Ints({{"A", 1}, {"B", 2}});
  auto bc = Ints({{"B", 2}, {"C", 3}});
  bool changed = false;
  EXPECT_EQ(Compare(*bc, *abc, &changed),
            "[Changed]  [From] A = 1 [To] B = 2\r\n"
            "[Changed]  [From] B = 2 [To] C = 3\r\n"
            "[Deleted] C = 3\r\n");
  EXPECT_TRUE(changed);
  EXPECT_EQ(Compare(*abc, *ab), "[Added] C = 3\r\n");
  EXPECT_EQ(Compare(*ab, *abc), "[Deleted] C = 3\r\n");
  EXPECT_EQ(Compare(*ab, *ab, &changed), "");
  EXPECT_FALSE(changed);
}

TEST(PropertyListCompareTest, NullEntriesAreSkipped) {
  CPropertyItemList a, b;
  a.Add(nullptr);
  AddInt(a, "X", 1);
  AddInt(b, "Y", 1);
  AddInt(b, "X", 2);
  b.Add(nullptr);
  bool changed = false;
  EXPECT_EQ(Compare(a, b, &changed), "[Changed] X [From] 2 [To] 1\r\n");
  EXPECT_TRUE(changed);
  a.set_mode(kByName);
  EXPECT_EQ(Compare(a, b),
            "[Changed] X [From] 2 [To] 1\r\n"
            "[Deleted] Y = 1\r\n");
  EXPECT_FALSE(a.IsEqual(b));
}

TEST(PropertyListCompareTest, ByNameReorderAndDuplicates) {
  auto old_list = Ints({{"A", 1}, {"B", 2}}, kByName);
  EXPECT_EQ(Compare(*Ints({{"B", 2}, {"A", 1}}, kByName), *old_list), "");

  // The second old "A" is never matched; both new ones pair with the first.
  AddInt(*old_list, "C", 3);
  AddInt(*old_list, "A", 9);
  auto new_list = Ints({{"B", 2}, {"A", 1}, {"A", 5}, {"D", 4}}, kByName);
  EXPECT_EQ(Compare(*new_list, *old_list),
            "[Changed] A [From] 1 [To] 5\r\n"
            "[Deleted] C = 3\r\n"
            "[Deleted] A = 9\r\n"
            "[Added] D = 4\r\n");
  // A list compared with itself: the second "A" pairs with the first.
  EXPECT_EQ(Compare(*new_list, *new_list), "[Changed] A [From] 1 [To] 5\r\n");
  // Marks of the first comparison must not hide items in the next one.
  EXPECT_EQ(Compare(*new_list, *Ints({{"D", 4}}, kByName)),
            "[Added] B = 2\r\n"
            "[Added] A = 1\r\n"
            "[Added] A = 5\r\n");
}

TEST(PropertyListCompareTest, ByNameDuplicatesShareOldChildren) {
  // Both new groups are compared with the one old group; the second must
  // still see the old child that only the first kept.
  CPropertyItemList old_list(kByName), new_list(kByName);
  for (CPropertyItemList* g :
       {AddGroup(old_list, "G", 1, kByName), AddGroup(new_list, "G", 1, kByName)}) {
    AddInt(*g, "a", 1);
    AddInt(*g, "b", 2);
  }
  AddInt(*AddGroup(new_list, "G", 1, kByName), "a", 1);
  EXPECT_EQ(Compare(new_list, old_list),
            "[Changed] G (1) \r\n"
            "     [Deleted] b = 2\r\n");
}

// The by-name comparison as a linear search for the first old item of each
// name: the reference for the indexed one.
std::string LinearByName(CPropertyItemList& new_list, CPropertyItemList& old_list) {
  std::string out, added;
  std::vector<bool> paired(old_list.size());
  for (size_t i = 0; i < new_list.size(); ++i) {
    const CPropertyItem* item = new_list.at(i);
    if (item == nullptr) continue;
    size_t j = 0;
    while (j < old_list.size() && (old_list.at(j) == nullptr || old_list.at(j)->name() != item->name())) ++j;
    if (j == old_list.size()) {
      added += "[Added] " + item->GetText(" = ") + "\r\n";
      continue;
    }
    paired[j] = true;
    new_list.DescribePair(*item, *old_list.at(j), out, "");
  }
  for (size_t j = 0; j < old_list.size(); ++j) {
    if (old_list.at(j) != nullptr && !paired[j]) out += "[Deleted] " + old_list.at(j)->GetText(" = ") + "\r\n";
  }
  return out + added;
}

TEST(PropertyListCompareTest, ByNameOnLargeListsEqualsTheLinearSearch) {
  // Few names among many items: long runs of duplicates, names that share
  // hash bits, items on one side only, empty entries.
  std::mt19937 rng(11);
  for (int round = 0; round < 6; ++round) {
    const int names = round % 2 == 0 ? 40 : 3000;
    auto make = [&](int n) {
      auto list = std::make_unique<CPropertyItemList>(kByName);
      for (int i = 0; i < n; ++i) {
        if (rng() % 50 == 0) {
          list->Add(nullptr);
          continue;
        }
        AddInt(*list, "n" + std::to_string(rng() % names), int32_t(rng() % 3));
      }
      return list;
    };
    auto old_list = make(2000 + round * 700);
    auto new_list = make(2500 + round * 500);
    const std::string expected = LinearByName(*new_list, *old_list);
    EXPECT_EQ(Compare(*new_list, *old_list), expected) << "round " << round;
    // A second run sees the marks of the first and must give the same.
    EXPECT_EQ(Compare(*new_list, *old_list), expected) << "round " << round;
  }
}

TEST(PropertyListCompareTest, HeaderLineRules) {
  CPropertyItemList old_list, new_list;
  // Own value unchanged, children changed: header line.
  AddInt(*AddGroup(old_list, "G", 1), "x", 1);
  AddInt(*AddGroup(new_list, "G", 1), "x", 2);
  // Own value changed too: its own line stands for the header.
  AddInt(*AddGroup(old_list, "H", 1), "x", 1);
  AddInt(*AddGroup(new_list, "H", 2), "x", 2);
  // Children only in the new version, two levels deep: the tag stays on the
  // first level.
  old_list.Add(kPropertyGroup, "N")->SetGroupNumber(0);
  CPropertyItemList* n = AddGroup(new_list, "N", 0);
  AddInt(*AddGroup(*n, "S", 1), "y", 3);
  // Children only in the old version.
  AddInt(*AddGroup(old_list, "O", 0), "z", 4);
  new_list.Add(kPropertyGroup, "O")->SetGroupNumber(0);
  // Children only in the new version, own line written: no header either.
  old_list.Add(kPropertyGroup, "P")->SetGroupNumber(1);
  AddInt(*AddGroup(new_list, "P", 2), "q", 5);

  bool changed = true;
  EXPECT_EQ(Compare(new_list, old_list, &changed),
            "[Changed] G (1) \r\n"
            "     [Changed] x [From] 1 [To] 2\r\n"
            "[Changed] H [From] 1 [To] 2\r\n"
            "     [Changed] x [From] 1 [To] 2\r\n"
            "[Changed] N (0) \r\n"
            "     [Added]S (1) \r\n"
            "          y = 3\r\n"
            "[Changed] O (0) \r\n"
            "     [Deleted]z = 4\r\n"
            "[Changed] P [From] 1 [To] 2\r\n"
            "     [Added]q = 5\r\n");
  EXPECT_TRUE(changed);  // "H" wrote its own line
}

TEST(PropertyListIsEqualTest, ByPositionAndByName) {
  CPropertyItemList a, b;
  EXPECT_TRUE(a.IsEqual(b));
  a.Add(nullptr);
  b.Add(nullptr);
  EXPECT_TRUE(a.IsEqual(b));
  AddInt(a, "A", 1);
  AddInt(b, "A", 1);
  EXPECT_TRUE(a.IsEqual(b));
  // Children on one side only, then unequal children.
  a.at(1)->SetChildren(std::make_unique<CPropertyItemList>());
  EXPECT_FALSE(a.IsEqual(b));
  b.at(1)->SetChildren(std::make_unique<CPropertyItemList>());
  EXPECT_TRUE(a.IsEqual(b));
  AddInt(*a.at(1)->children(), "c", 1);
  AddInt(*b.at(1)->children(), "c", 2);
  EXPECT_FALSE(a.IsEqual(b));

  // By name: duplicates leave the other side's item unmatched.
  auto aa = Ints({{"A", 1}, {"A", 1}}, kByName);
  EXPECT_FALSE(aa->IsEqual(*Ints({{"A", 1}, {"B", 1}}, kByName)));
  EXPECT_TRUE(aa->IsEqual(*aa));
  auto ba = Ints({{"B", 7}, {"A", 1}}, kByName);
  EXPECT_TRUE(ba->IsEqual(*Ints({{"A", 1}, {"B", 7}})));
  EXPECT_FALSE(ba->IsEqual(*aa));
}

}  // namespace
}  // namespace tav
