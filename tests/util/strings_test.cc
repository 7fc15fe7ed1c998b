#include "util/strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace tav {
namespace {

TEST(StrFormat, ShortAndLongOutput) {
  EXPECT_EQ(StrFormat("%d (%s)", -1, "Unimplemented"), "-1 (Unimplemented)");
  // Longer than the stack buffer: the second pass must see the same arguments.
  const std::string long_arg(1000, 'x');
  EXPECT_EQ(StrFormat("[%s]%d", long_arg.c_str(), 7), "[" + long_arg + "]7");
}

TEST(NoCase, OnlyAsciiLettersFold) {
  EXPECT_TRUE(EqualsNoCase("Administrators", "ADMINISTRATORS"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  // Non-ASCII bytes compare as they are (no locale folding of UTF-8).
  EXPECT_FALSE(EqualsNoCase("\xC3\xA4", "\xC3\x84"));
  EXPECT_EQ(ToUpperAscii("a\xC3\xA4z"), "A\xC3\xA4Z");
}

TEST(NoCase, CompareOrdersLikeLowerCaseBytes) {
  EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
  EXPECT_LT(CompareNoCase("abc", "abd"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  EXPECT_LT(CompareNoCase("ab", "abc"), 0);
  EXPECT_GT(CompareNoCase("abc", "AB"), 0);
  // '_' lies between upper and lower case letters: names fold to lower case
  // before comparing, as the platform's case-blind compare does.
  EXPECT_GT(CompareNoCase("A", "_"), 0);
  // High bytes are unsigned, so they sort after ASCII.
  EXPECT_GT(CompareNoCase("\xE9", "z"), 0);
}

TEST(SplitJoin, EmptyPartsAreKeptAndRoundTrip) {
  EXPECT_EQ(SplitString("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitString("", ','), (std::vector<std::string>{""}));
  EXPECT_EQ(SplitString("abc", ','), (std::vector<std::string>{"abc"}));
  for (const char* text : {"GLBL\\VERS", "\\a\\", "", "x"}) {
    EXPECT_EQ(JoinStrings(SplitString(text, '\\'), "\\"), text);
  }
  EXPECT_EQ(JoinStrings({}, ", "), "");
}

TEST(CrlfToLf, OnlyPairsChange) {
  EXPECT_EQ(CrlfToLf("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(CrlfToLf("a\rb\n\r"), "a\rb\n\r");
  EXPECT_EQ(CrlfToLf("\r\r\n"), "\r\n");
}

TEST(Utf8Prefix, NeverSplitsACharacter) {
  const std::string s = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, 2-, 3-, 4-byte chars
  EXPECT_EQ(Utf8Prefix(s, 100), s);
  EXPECT_EQ(Utf8Prefix(s, 0), "");
  EXPECT_EQ(Utf8Prefix(s, 1), "a");
  EXPECT_EQ(Utf8Prefix(s, 2), "a");
  EXPECT_EQ(Utf8Prefix(s, 3), "a\xC3\xA4");
  EXPECT_EQ(Utf8Prefix(s, 5), "a\xC3\xA4");
  EXPECT_EQ(Utf8Prefix(s, 6), "a\xC3\xA4\xE2\x82\xAC");
  EXPECT_EQ(Utf8Prefix(s, 9), "a\xC3\xA4\xE2\x82\xAC");
  EXPECT_EQ(Utf8Prefix(s, 10), s);
}

TEST(Utf8Prefix, InvalidBytesStillCutNearTheLimit) {
  // A run of stray continuation bytes has no character boundary to find:
  // the cut must not swallow the whole run.
  const std::string stray = "ab" + std::string(8, '\x80');
  EXPECT_EQ(Utf8Prefix(stray, 7).size(), 7u);
  EXPECT_EQ(Utf8Prefix(std::string(4, '\x80'), 2).size(), 2u);
}

TEST(ParseInt64, AcceptsWholeDecimalsOnly) {
  long long v = 0;
  EXPECT_TRUE(ParseInt64("201", &v));
  EXPECT_EQ(v, 201);
  EXPECT_TRUE(ParseInt64("-1430", &v));
  EXPECT_EQ(v, -1430);
  EXPECT_TRUE(ParseInt64("+7", &v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(ParseInt64("9223372036854775807", &v));
  EXPECT_EQ(v, LLONG_MAX);
  EXPECT_TRUE(ParseInt64("-9223372036854775808", &v));
  EXPECT_EQ(v, LLONG_MIN);

  v = 99;
  for (const char* bad : {"", "+", "-", "+-5", "-+5", "--5", " 5", "5 ", "0x10", "1e3", "1.0",
                          "12a", "9223372036854775808", "-9223372036854775809"}) {
    EXPECT_FALSE(ParseInt64(bad, &v)) << bad;
  }
  EXPECT_EQ(v, 99) << "a failed parse must leave the output alone";
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

TEST(EscapeControlChars, NoStoredTextStartsALineOrPassesForAnEscape) {
  EXPECT_EQ(EscapeControlChars("alice"), "alice");
  EXPECT_EQ(EscapeControlChars("a\nb\r\t\x7f"), "a\\x0ab\\x0d\\x09\\x7f");
  EXPECT_EQ(EscapeControlChars(std::string("x\0y", 3)), "x\\x00y");
  // A typed "\x0a" stays apart from an escaped line break.
  EXPECT_EQ(EscapeControlChars("\\x0a"), "\\\\x0a");
  EXPECT_EQ(EscapeControlChars("Gr\xc3\xbc\xc3\x9f"), "Gr\xc3\xbc\xc3\x9f");
  EXPECT_TRUE(HasControlChar("a\nb"));
  EXPECT_TRUE(HasControlChar("\x7f"));
  EXPECT_FALSE(HasControlChar("Gr\xc3\xbc\xc3\x9f ok"));
}

}  // namespace
}  // namespace tav
