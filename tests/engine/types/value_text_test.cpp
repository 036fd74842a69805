// Text forms of numbers, GUIDs and truth values.

#include "engine/types/value_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "fs/text.h"

namespace vexilo::types {
namespace {

using fs::u16;

TEST(DoubleText, GeneralFormatWith15SignificantDigits) {
  struct Case {
    double value;
    const char16_t* text;
  };
  const Case cases[] = {
      {0.0, u"0"},
      {1.0, u"1"},
      {-2.5, u"-2.5"},
      {0.1, u"0.1"},
      {1.0 / 3.0, u"0.333333333333333"},
      {123456789012345.0, u"123456789012345"},
      {1234567890123456.0, u"1.23456789012346E15"},
      {1e20, u"1E20"},
      {0.00001, u"0.00001"},
      {0.000001, u"1E-6"},
      {-1.5e-7, u"-1.5E-7"},
      {0.1 + 0.2, u"0.3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(DoubleToText(c.value), c.text);
  }
}

TEST(DoubleText, ReadsDecimalNumbersWithAPointOnly) {
  EXPECT_EQ(DoubleFromText(u"3.25"), 3.25);
  EXPECT_EQ(DoubleFromText(u" -3.25 "), -3.25);
  EXPECT_EQ(DoubleFromText(u"+.5"), 0.5);
  EXPECT_EQ(DoubleFromText(u"1E20"), 1e20);
  EXPECT_EQ(DoubleFromText(u"1e-400"), 0.0);
  EXPECT_TRUE(std::isinf(*DoubleFromText(u"1e400")));
  for (const char* bad : {"3,25", "", "abc", "1.2.3", "inf", "nan", "0x10", "1 2", "--1"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(DoubleFromText(u16(bad)), std::nullopt);
  }
}

TEST(IntegerText, ReadsTheWholeInt64Range) {
  EXPECT_EQ(IntegerFromText(u"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(IntegerFromText(u"+42"), 42);
  EXPECT_EQ(IntegerFromText(u"9223372036854775808"), std::nullopt);
  EXPECT_EQ(IntegerFromText(u"12a"), std::nullopt);
  EXPECT_EQ(IntegerFromText(u"+-1"), std::nullopt);
  EXPECT_EQ(IntegerToText(INT64_MIN), u"-9223372036854775808");
}

TEST(GuidText, RoundTripsThroughTheBracedUpperCaseForm) {
  TGuid g;
  g.Data1 = 0x0123ABCD;
  g.Data2 = 0x4567;
  g.Data3 = 0x89EF;
  const uint8_t tail[8] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
  std::copy(tail, tail + 8, g.Data4);
  const std::u16string text = GuidToText(g);
  EXPECT_EQ(text, u"{0123ABCD-4567-89EF-FEDC-BA9876543210}");
  EXPECT_EQ(GuidFromText(text), g);
  EXPECT_EQ(GuidFromText(u"{0123abcd-4567-89ef-fedc-ba9876543210}"), g);
  for (const char* bad : {"0123ABCD-4567-89EF-FEDC-BA9876543210", "{0123ABCD-4567-89EF-FEDCBA-98765432}",
                          "{0123ABCD-4567-89EF-FEDC-BA987654321G}", "{}"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(GuidFromText(u16(bad)), std::nullopt);
  }
}

TEST(BooleanText, TrueAndFalseIgnoringCase) {
  EXPECT_EQ(BooleanToText(true), u"True");
  EXPECT_EQ(BooleanToText(false), u"False");
  EXPECT_EQ(BooleanFromText(u"tRUE"), true);
  EXPECT_EQ(BooleanFromText(u"FALSE"), false);
  EXPECT_EQ(BooleanFromText(u"1"), std::nullopt);
  EXPECT_EQ(BooleanFromText(u"yes"), std::nullopt);
}

}  // namespace
}  // namespace vexilo::types
