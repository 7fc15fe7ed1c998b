#include "TAVSecurityUI_CXErr.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

// Hosts rely on the layout: one 32-bit code, copied bit for bit.
static_assert(sizeof(CXErr) == 4);
static_assert(std::is_trivially_copyable_v<CXErr>);

TEST(CXErr, DefaultIsNoError) {
  const CXErr e;
  EXPECT_EQ(e.GetID(), 0);
  EXPECT_EQ(e.GetClassID(), 0);
  EXPECT_EQ(e.GetMsgID(), 0);
  EXPECT_EQ(e.GetErrName(), "No Error");
}

TEST(CXErr, ClassAndMessageAreSigned16BitHalves) {
  const CXErr e(-1430);
  EXPECT_EQ(e.GetClassID(), -1);
  EXPECT_EQ(e.GetMsgID(), -1430);
  const CXErr mixed(196809);  // class 3, message 201
  EXPECT_EQ(mixed.GetClassID(), 3);
  EXPECT_EQ(mixed.GetMsgID(), 201);
  const CXErr high(static_cast<int32_t>(0x7FFF8000));
  EXPECT_EQ(high.GetClassID(), 0x7FFF);
  EXPECT_EQ(high.GetMsgID(), -32768);
}

TEST(CXErr, SetClassIdKeepsTheMessage) {
  CXErr e(201);
  e.SetClassID(3);
  EXPECT_EQ(e.GetID(), 196809);
  EXPECT_EQ(e.GetErrName(), "Unknown");
  e.SetClassID(-1);
  EXPECT_EQ(e.GetID(), static_cast<int32_t>(0xFFFF00C9));
  e.SetClassID(0);
  EXPECT_EQ(e.GetID(), 201);
  EXPECT_EQ(e.GetErrName(), "File Not Found");
}

TEST(CXErr, SetMsgIdSignExtendsOverTheClass) {
  CXErr e;
  e.SetMsgID(-5);
  EXPECT_EQ(e.GetID(), -5);
  EXPECT_EQ(e.GetClassID(), -1);

  CXErr f(-1);
  f.SetMsgID(5);
  EXPECT_EQ(f.GetID(), -65531);
  EXPECT_EQ(f.GetClassID(), -1);
  EXPECT_EQ(f.GetMsgID(), 5);

  // A positive id leaves the class alone; a negative one overwrites it.
  CXErr g(196809);
  g.SetMsgID(7);
  EXPECT_EQ(g.GetClassID(), 3);
  EXPECT_EQ(g.GetMsgID(), 7);
  g.SetMsgID(-2);
  EXPECT_EQ(g.GetID(), -2);
}

TEST(CXErr, OperatorsAnswerOneOrZero) {
  const CXErr a(201);
  EXPECT_EQ(a == 201, 1);
  EXPECT_EQ(a == CXErr(201), 1);
  EXPECT_EQ(a == CXErr(-1), 0);
  EXPECT_EQ(a != 200, 1);
  EXPECT_EQ(a != 201, 0);
}

TEST(CXErr, Descriptions) {
  EXPECT_EQ(CXErr(201).GetErrDesc(), "201 (File Not Found)");
  EXPECT_EQ(CXErr(7).GetErrDesc(), "7 (Unknown)");
  EXPECT_EQ(CXErr(-1).GetErrDesc(), "-1 (Unimplemented)");
  EXPECT_EQ(CXErr(INT32_MIN).GetErrDesc(), "-2147483648 (Unknown)");
}

TEST(CXErr, NamesKeepTheirExactText) {
  const CXErr e(201);  // the own code plays no part in a lookup by id
  EXPECT_EQ(e.GetErrNameFromID(14), "Exception Thrown\t\t\t\t\t");
  EXPECT_EQ(e.GetErrNameFromID(-1424), "MC Error Forced Essentail Filter OFF");
  EXPECT_EQ(e.GetErrNameFromID(-1402), "Port Already Assoicated");
  EXPECT_EQ(e.GetErrNameFromID(-1004), "Channel Already Openned");
  EXPECT_EQ(e.GetErrNameFromID(-1001), "Couldnt Open Channel");
  EXPECT_EQ(e.GetErrNameFromID(3101), "LDP_CLASS_IDMISMATCH");
  EXPECT_EQ(e.GetErrNameFromID(3203), "ML AUTOCALL User Canceled");
  // A table name that is not the fallback.
  EXPECT_EQ(e.GetErrNameFromID(-1420), "Unknown Error");
  EXPECT_EQ(e.GetErrNameFromID(-1005), "Unknown");
}

TEST(CXErr, TableHasItsCodesAndNoOthers) {
  const CXErr e;
  // The instrument range has no holes.
  for (int32_t code = -1430; code <= -1400; ++code) {
    EXPECT_NE(e.GetErrNameFromID(code), "Unknown") << code;
  }
  // Every table code lies within the 16-bit messages of classes 0 and -1.
  int named = 0;
  for (int32_t code = -70000; code <= 70000; ++code) {
    if (e.GetErrNameFromID(code) != "Unknown") ++named;
  }
  EXPECT_EQ(named, 83);
  // The lookup is by the whole code: another class does not match.
  for (int32_t code : {201, -1, 14, 3300}) {
    CXErr shifted(code);
    shifted.SetClassID(static_cast<int16_t>(shifted.GetClassID() + 1));
    EXPECT_EQ(shifted.GetErrName(), "Unknown") << code;
  }
}

}  // namespace
