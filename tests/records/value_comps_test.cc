#include "records/value_comps.h"

#include <gtest/gtest.h>

#include "records/property_item.h"
#include "records/tag_registry.h"
#include "testing/bytes.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::WriteToString;

// Writes, reads back through the factory and writes again.
std::string RoundTrip(CComponent& c) {
  const std::string bytes = WriteToString(c);
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> back;
  EXPECT_TRUE(CreateComponent(c.GetTagString(), back));
  EXPECT_EQ(back->StreamDataIn(&file), kRecordOk);
  EXPECT_EQ(WriteToString(*back), bytes);
  return bytes;
}

TEST(ValueComps, ByteLayouts) {
  CShortComp rown("ROWN", 5);
  EXPECT_EQ(RoundTrip(rown), Bytes({'R', 'O', 'W', 'N', 0, 0, 0, 2, 0, 5}));
  CTextComp empty("COMT");
  EXPECT_EQ(RoundTrip(empty), Bytes({'C', 'O', 'M', 'T', 0, 0, 0, 0}));
  CByteComp flag("21EN", 0xfe);
  EXPECT_EQ(RoundTrip(flag), Chunk("21EN", Bytes({0xfe})));
  CLongComp vers("VERS", 0x01020304);
  EXPECT_EQ(RoundTrip(vers), Chunk("VERS", Bytes({1, 2, 3, 4})));
  CTextComp text("COMT", "Run 7");
  EXPECT_EQ(RoundTrip(text), Chunk("COMT", "Run 7"));
  // The date lies as it does in memory: little-endian IEEE 754.
  CDateComp date("PISD", 1.5);
  EXPECT_EQ(RoundTrip(date), Chunk("PISD", Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f})));
}

TEST(ValueComps, ShortBodyIsAReadError) {
  const std::string bytes = Chunk("VERS", Bytes({1, 2, 3, 4})).substr(0, 10);
  CMemFile file(bytes.data(), bytes.size());
  CLongComp v("VERS");
  EXPECT_EQ(v.StreamDataIn(&file), kRecordReadError);
}

TEST(ValueComps, HeaderPropertiesAddTheValue) {
  CByteComp signed_byte("21EN", 0xff);
  CPropertyItemList list;
  signed_byte.AppendHeaderProperties(list);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list.at(3)->kind(), kPropertyComponentValue);
  EXPECT_EQ(list.at(3)->GetText(" = "), "Value = -1");

  CLongComp big("VERS", 4000000000u);
  CPropertyItemList list2;
  big.AppendHeaderProperties(list2);
  EXPECT_EQ(list2.at(3)->GetText(" = "), "Value = 4000000000");
  EXPECT_EQ(list2.at(1)->GetText(" = "), "Size = 4");

  // Leaves show themselves under their display name.
  CPropertyItemList leaves;
  big.AppendProperties(leaves);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_EQ(leaves.at(0)->GetText(" = "), "Version = 4000000000");
}

TEST(ValueComps, ActivityValueShowsItsName) {
  SetActivityNameResolver([](int a) { return a == 6 ? std::string("Manage Run List") : std::string(); });
  CShortComp activity("CTRa", 6);
  CPropertyItemList list;
  activity.AppendHeaderProperties(list);
  EXPECT_EQ(list.at(3)->value_text(), "6 (Manage Run List)");
  SetActivityNameResolver(nullptr);
  EXPECT_EQ(activity.GetValueText(), "6 ()");
}

TEST(ValueComps, CopyFromNeedsTheSameTag) {
  CTextComp source("COMT", "abc");
  CTextComp same("COMT");
  same.CopyFrom(source);
  EXPECT_EQ(same.GetText(), "abc");
  CTextComp other("DESC", "keep");
  other.CopyFrom(source);
  EXPECT_EQ(other.GetText(), "keep");     // fields only from the same tag
  EXPECT_EQ(other.GetTagString(), "COMT");  // but tag and length always
}

}  // namespace
}  // namespace tav
