#include <gtest/gtest.h>

#include "fs/format.h"
#include "fs/text.h"

namespace vexilo::fs {
namespace {

TEST(TextConversion, RoundTripsHungarianAndAstralCharacters) {
  const std::string utf8 = "árvíztűrő tükörfúrógép ŐŰ 𝄞";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(utf8)), utf8);
  EXPECT_EQ(Utf8ToUtf16("ő"), std::u16string(u"\u0151"));
}

TEST(TextConversion, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");          // cut sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

struct FormatCase {
  const char* pattern;
  std::vector<FormatArg> args;
  const char* expected;
};

TEST(MessageFormat, FillsPlaceholdersInOrder) {
  const std::vector<FormatCase> cases = {
      {"Cannot open file \"%s\"", {"Eng_hun.vxbt"}, "Cannot open file \"Eng_hun.vxbt\""},
      {"Value %s of type %s exceeds the allowed range from %s to %s",
       {"70000", "SmallInt", "-32768", "32767"},
       "Value 70000 of type SmallInt exceeds the allowed range from -32768 to 32767"},
      {"VxbLog%d_%.2d.txt", {1, 3}, "VxbLog1_03.txt"},
      {"%5d|%-5s|%%", {42, "ab"}, "   42|ab   |%"},
      {"%x %u", {255, 7}, "FF 7"},
      {"%.3f", {2.5}, "2.500"},
      {"Ungültige %s", {"ő"}, "Ungültige ő"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16ToUtf8(FormatMessage(Utf8ToUtf16(c.pattern), c.args)), c.expected) << c.pattern;
  }
}

TEST(MessageFormat, MismatchedArgumentsAreReportedNotGuessed) {
  const std::vector<FormatCase> cases = {
      {"%s and %s", {"one"}, nullptr},   // too few
      {"%d", {"text"}, nullptr},          // text for a number
      {"%s", {5}, nullptr},               // number for a text
      {"trailing %", {}, nullptr},        // cut placeholder
      {"%q", {1}, nullptr},               // unknown type
  };
  for (const auto& c : cases) {
    EXPECT_THROW(FormatMessage(Utf8ToUtf16(c.pattern), c.args), EFormatError) << c.pattern;
    EXPECT_FALSE(TryFormatMessage(Utf8ToUtf16(c.pattern), c.args).has_value());
  }
}

// Each folding rule against the letters that tell the rules apart.
TEST(NameComparison, EachRuleFoldsItsOwnLetters) {
  struct TCase {
    std::u16string a, b;
    bool ascii, latin1, latin;
  };
  const TCase cases[] = {
      {u"Eng_Hun.VXBT", u"eng_hun.vxbt", true, true, true},
      {u"\u00c1RV\u00cdZ", u"\u00e1rv\u00edz", false, true, true},    // ÁRVÍZ / árvíz
      {u"\u00d7", u"\u00f7", false, false, false},                    // × and ÷ are no letters
      {u"\u0150R\u00dcL", u"\u0151r\u00fcl", false, false, true},     // ŐRÜL / őrül
      {u"\u0141\u0179", u"\u0142\u017a", false, false, true},         // shifted pairs Ł Ź
      {u"\u0178", u"\u00ff", false, false, true},                     // Ÿ / ÿ
      {u"abc", u"abd", false, false, false},
      {u"abc", u"abcd", false, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(u8(c.a) + " / " + u8(c.b));
    EXPECT_EQ(EqualsIgnoringAsciiCase(c.a, c.b), c.ascii);
    EXPECT_EQ(EqualsIgnoringLatin1Case(c.a, c.b), c.latin1);
    EXPECT_EQ(EqualsIgnoringLatinCase(c.a, c.b), c.latin);
    EXPECT_EQ(LowerLatinCase(c.a) == LowerLatinCase(c.b), c.latin);
  }
}

TEST(NameComparison, PartsOfNamesIgnoringAsciiCase) {
  EXPECT_TRUE(EndsWithIgnoringAsciiCase(u"dir/Eng_hun.VxbT", u".vxbt"));
  EXPECT_FALSE(EndsWithIgnoringAsciiCase(u"t", u".vxbt"));
  EXPECT_TRUE(ContainsIgnoringAsciiCase(u"Eng!REL_1", u"!rel_"));
  EXPECT_FALSE(ContainsIgnoringAsciiCase(u"Eng!RE", u"!rel_"));
  EXPECT_TRUE(StartsWithIgnoringLatin1Case(u"SYS_Id", u"sys_"));
  EXPECT_FALSE(StartsWithIgnoringLatin1Case(u"sy", u"sys"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase(std::string_view("WideString"), std::string_view("widestring")));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(std::string_view("\xc3\x81"), std::string_view("\xc3\xa1")));
}

}  // namespace
}  // namespace vexilo::fs
