#include "records/tag_registry.h"

#include <gtest/gtest.h>

#include <set>

#include "records/component.h"
#include "records/list_comp.h"
#include "records/value_comps.h"

namespace tav {
namespace {

TEST(TagRegistry, OrderAndLookup) {
  EXPECT_EQ(LookupTag("GLBL"), 0);
  EXPECT_EQ(LookupTag("VERS"), 1);
  EXPECT_EQ(LookupTag("EOPl"), 77);
  EXPECT_EQ(LookupTag("EOF "), 78);
  EXPECT_EQ(LookupTag("CALR"), 79);
  EXPECT_EQ(LookupTag("21EN"), 190);
  EXPECT_EQ(LookupTag("ESTN"), 288);
  EXPECT_EQ(LookupTag("EOF"), -1);  // the blank counts
  EXPECT_EQ(LookupTag("glbl"), -1);  // so does case
  EXPECT_EQ(LookupTag("GLBLX"), -1);
  std::set<std::string_view> seen;
  for (int i = 0; i < kTagCount; ++i) {
    EXPECT_EQ(LookupTag(GetTagText(i)), i);
    EXPECT_TRUE(seen.insert(GetTagText(i)).second) << GetTagText(i);
    EXPECT_FALSE(GetComponentName(i).empty()) << GetTagText(i);
  }
}

TEST(TagRegistry, Names) {
  EXPECT_EQ(GetComponentName(-1), "!~Invalid Component~!");
  EXPECT_EQ(GetComponentName(289), "289");
  EXPECT_EQ(GetComponentName(-2), "-2");
  EXPECT_EQ(GetComponentName(LookupTag("EOF ")), "EOF");
  EXPECT_EQ(GetComponentName(LookupTag("SyEL")), "System Event List");
}

TEST(TagRegistry, PathIndex) {
  EXPECT_EQ(GetTagIndexFromPath("CFRL\\FiRe\\FFPa"), LookupTag("FFPa"));
  EXPECT_EQ(GetTagIndexFromPath("VERS"), 1);
  EXPECT_EQ(GetTagIndexFromPath("VERS\\"), -1);
  EXPECT_EQ(GetTagIndexFromPath("VERS\\QQQQ"), -1);
}

TEST(TagRegistry, FactoryMakesTheValueClasses) {
  std::unique_ptr<CComponent> c;
  EXPECT_TRUE(CreateComponent("ROWN", c));
  EXPECT_NE(dynamic_cast<CShortComp*>(c.get()), nullptr);
  EXPECT_TRUE(CreateComponent("EOF ", c));
  EXPECT_NE(dynamic_cast<CLongComp*>(c.get()), nullptr);
  EXPECT_TRUE(CreateComponent("CFDb", c));
  EXPECT_NE(dynamic_cast<CDateComp*>(c.get()), nullptr);
  EXPECT_TRUE(CreateComponent("ESTN", c));
  EXPECT_NE(dynamic_cast<CTextComp*>(c.get()), nullptr);
  EXPECT_TRUE(CreateComponent("FReT", c));
  EXPECT_NE(dynamic_cast<CByteComp*>(c.get()), nullptr);
  EXPECT_EQ(c->GetBodyLength(), 1u);

  EXPECT_FALSE(CreateComponent("QQQQ", c));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetTagString(), "QQQQ");
  EXPECT_EQ(c->GetBodyLength(), 0u);
}

TEST(TagRegistry, Clone) {
  CTextComp text("COMT", "hello");
  std::unique_ptr<CComponent> copy = std::make_unique<CLongComp>("VERS", 1);
  EXPECT_TRUE(CloneComponent(&text, copy));
  EXPECT_EQ(copy->GetValueText(), "hello");
  EXPECT_FALSE(CloneComponent(nullptr, copy));
  EXPECT_EQ(copy, nullptr);

  CRawComponent raw(ComponentTag("QQQQ"));
  raw.SetBody("xyz");
  EXPECT_FALSE(CloneComponent(&raw, copy));  // no class for the tag...
  EXPECT_EQ(copy->GetBodyLength(), 3u);      // ...but nothing is lost
}

}  // namespace
}  // namespace tav
