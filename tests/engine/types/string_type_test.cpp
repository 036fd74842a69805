// String and WideString types: holders, lengths, collations, comparison,
// matching, conversion and concatenation.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/types/ansi_string_type.h"
#include "engine/types/data_type.h"
#include "engine/types/wide_string_type.h"
#include "type_test_support.h"

namespace vexilo::types {
namespace {

using T = TVxbDataType;
using testing_support::ExpectEngineError;

const TVxbStringType* Str(int32_t maxLength, std::u16string_view collation = u"", int16_t level = 6,
                          bool nullable = true) {
  return T::GetStringType(vxbString, nullable, maxLength, collation, level);
}
const TVxbStringType* Wide(int32_t maxLength, std::u16string_view collation = u"", int16_t level = 6) {
  return T::GetStringType(vxbWideString, true, maxLength, collation, level);
}

TEST(StringType, TextsAreCutToMaxLength) {
  TVxbDataValue v;
  Str(5)->SetAnsiString(v, "abcdefgh");
  EXPECT_EQ(Str(5)->GetAnsiString(v), "abcde");
  EXPECT_EQ(Str(5)->GetLength(v), 5);
  Wide(3)->SetWideString(v, u"\u0151\u0150xyz");
  EXPECT_EQ(Wide(3)->GetWideString(v), u"\u0151\u0150x");
  Str(4)->ConvertFromString(v, u"0123456789");
  EXPECT_EQ(Str(4)->GetAnsiString(v), "0123");
}

TEST(StringType, HolderWritesTheRecordFieldThroughAReference) {
  struct Case {
    int32_t maxLength;
    int16_t level;
    size_t fieldSize;
    size_t prefixAt;
    size_t prefixWidth;
    size_t nullAt;
  };
  for (const Case& c : {Case{255, 6, 257, 1, 1, 0}, Case{256, 6, 259, 1, 2, 0}, Case{255, 5, 257, 0, 1, 256},
                        Case{256, 5, 259, 0, 2, 258}}) {
    SCOPED_TRACE(testing::Message() << c.maxLength << " level " << c.level);
    const TVxbStringType* type = Str(c.maxLength, u"", c.level);
    ASSERT_EQ(static_cast<size_t>(type->GetDataSize()), c.fieldSize);
    std::vector<uint8_t> record(c.fieldSize + 2, 0xEE);
    TVxbDataValue field;
    type->SetReference(field, record.data() + 1);
    type->SetAnsiString(field, "hello");
    EXPECT_EQ(record[1 + c.nullAt], 1);
    EXPECT_EQ(record[1 + c.prefixAt], 5);
    if (c.prefixWidth == 2) {
      EXPECT_EQ(record[2 + c.prefixAt], 0);
    }
    EXPECT_EQ(std::memcmp(&record[1 + c.prefixAt + c.prefixWidth], "hello", 5), 0);
    EXPECT_EQ(record.front(), 0xEE);
    EXPECT_EQ(record.back(), 0xEE);
    EXPECT_EQ(type->GetLength(record.data() + 1), 5);

    type->SetNull(field);
    EXPECT_EQ(record[1 + c.nullAt], 0);
    EXPECT_EQ(record[1 + c.prefixAt], 5);  // only the null byte changes
    EXPECT_TRUE(type->IsNull(field));
  }
}

TEST(StringType, WideTextsAtOddOffsetsReadAndWriteSafely) {
  const TVxbStringType* type = Wide(4, u"", 6);  // null byte first: units at odd offsets
  std::vector<uint8_t> record(type->GetDataSize() + 1, 0);
  TVxbDataValue field;
  type->SetReference(field, record.data() + 1);
  type->SetWideString(field, u"\u0151bc");
  EXPECT_EQ(record[1], 1);
  EXPECT_EQ(record[2], 3);
  EXPECT_EQ(record[4], 0x51);
  EXPECT_EQ(record[5], 0x01);
  TVxbDataValue other;
  type->SetWideString(other, u"\u0151bd");
  EXPECT_EQ(type->CompareTo(field, other, *type, 0), kCompareLess);
}

TEST(StringType, DamagedLengthInReferredBytesIsCutToTheField) {
  const TVxbStringType* type = Str(4, u"", 5, false);
  std::vector<uint8_t> record = {250, 'a', 'b', 'c', 'd'};
  TVxbDataValue field;
  type->SetReference(field, record.data());
  EXPECT_EQ(type->GetAnsiString(field), "abcd");
}

TEST(StringType, MaximumFillAppendsCharacterZeroBelowMaxLength) {
  const TVxbStringType* type = Str(5);
  TVxbDataValue v;
  type->SetAnsiString(v, "sz");
  type->GetMaximumFill(v);
  EXPECT_EQ(type->GetAnsiString(v), std::string("sz\0", 3));
  type->SetAnsiString(v, "12345");
  type->GetMaximumFill(v);
  EXPECT_EQ(type->GetAnsiString(v), "12345");
  type->GetMaximum(v);
  EXPECT_EQ(type->GetAnsiString(v), std::string(1, '\0'));
}

TEST(StringType, FilledValueBoundsEveryStringWithItsPrefix) {
  const TVxbStringType* type = Str(20);
  TVxbDataValue low, high, probe;
  type->SetAnsiString(low, "sz");
  type->SetAnsiString(high, "sz");
  type->GetMaximumFill(high);
  for (const char* inside : {"sz", "sz\xF3", "szu", "szoba"}) {
    SCOPED_TRACE(inside);
    type->SetAnsiString(probe, inside);
    EXPECT_NE(type->CompareTo(probe, low, *type, 0), kCompareLess);
    EXPECT_EQ(type->CompareTo(probe, high, *type, 0), kCompareLess);
  }
  for (const char* outside : {"sy", "t"}) {
    SCOPED_TRACE(outside);
    type->SetAnsiString(probe, outside);
    const int r1 = type->CompareTo(probe, low, *type, 0), r2 = type->CompareTo(probe, high, *type, 0);
    EXPECT_TRUE(r1 == kCompareLess || r2 == kCompareGreater);
  }
  TVxbDataValue maximum;
  type->GetMaximum(maximum);
  type->SetAnsiString(probe, "\xFF\xFF\xFF");
  EXPECT_EQ(type->CompareTo(probe, maximum, *type, 0), kCompareLess);
}

TEST(StringType, ComparisonWithNullGivesNoOrderInEitherDirection) {
  const TVxbStringType* type = Str(10);
  TVxbDataValue value, nullValue, empty;
  type->SetAnsiString(value, "abc");
  type->SetNull(nullValue);
  EXPECT_EQ(T::Compare(value, nullValue, *type, *type, 0), kCompareNull);
  EXPECT_EQ(T::Compare(nullValue, value, *type, *type, 0), kCompareNull);
  EXPECT_EQ(T::Compare(value, empty, *type, *type, 0), kCompareNull);
  EXPECT_EQ(T::Compare(value, empty, *type, *T::GetNullType(6), 0), kCompareNull);
  EXPECT_EQ(T::Compare(empty, value, *T::GetNullType(6), *type, 0), kCompareNull);
}

TEST(StringType, CompareFallsBackToTheOtherDirection) {
  const TVxbStringType* ansi = Str(10);
  const TVxbStringType* wide = Wide(10);
  ASSERT_FALSE(ansi->CanCompareTo(*wide));
  ASSERT_TRUE(wide->CanCompareTo(*ansi));
  TVxbDataValue a, w;
  ansi->SetAnsiString(a, "apple");
  wide->SetWideString(w, u"banana");
  EXPECT_EQ(T::Compare(a, w, *ansi, *wide, 0), kCompareLess);
  EXPECT_EQ(T::Compare(w, a, *wide, *ansi, 0), kCompareGreater);
  wide->SetWideString(w, u"APPLE");
  EXPECT_EQ(T::Compare(a, w, *ansi, *wide, 0), kCompareEqual);
  EXPECT_TRUE(T::CanCompare(*ansi, *wide));
  EXPECT_FALSE(T::CanCompare(*ansi, *T::GetDataType(vxbInteger, true, 6)));
}

TEST(StringType, CallerOptionsMakeComparisonStricter) {
  const TVxbStringType* type = Str(10);
  TVxbDataValue a, b;
  type->SetAnsiString(a, "strasse");
  type->SetAnsiString(b, "STRASSE");
  EXPECT_EQ(type->CompareTo(a, b, *type, 0), kCompareEqual);
  EXPECT_NE(type->CompareTo(a, b, *type, scoCaseSensitive), kCompareEqual);
}

TEST(StringType, NamedCollationComparesByTheLocale) {
  const TVxbStringType* type = Wide(20, u"Hungarian_CI_AI");
  TVxbDataValue a, b;
  type->SetWideString(a, u"\u00e1rv\u00edzt\u0171r\u0151");
  type->SetWideString(b, u"ARVIZTURO");
  EXPECT_EQ(type->CompareTo(a, b, *type, 0), kCompareEqual);
  // A String column of this collation keeps ő in code page 1250.
  const TVxbStringType* ansi = Str(20, u"Hungarian_CI_AI");
  ansi->SetWideString(a, u"\u0151");
  EXPECT_EQ(ansi->GetAnsiString(a), "\xF5");
  EXPECT_EQ(ansi->GetWideString(a), u"\u0151");
  Str(20)->SetWideString(a, u"\u0151");  // code page 1252 lacks it
  EXPECT_EQ(Str(20)->GetAnsiString(a), "?");
}

TEST(StringType, PatternsMatchUnderTheCollationsCaseRule) {
  TVxbDataValue value, pattern, nullValue;
  const TVxbStringType* insensitive = Str(10);
  const TVxbStringType* sensitive = Str(10, u"English_CS");
  insensitive->SetAnsiString(value, "ABC");
  insensitive->SetAnsiString(pattern, "ab%");
  EXPECT_TRUE(insensitive->Matches(value, pattern, *insensitive, u'%', u'_', 0));
  sensitive->SetAnsiString(value, "ABC");
  EXPECT_FALSE(sensitive->Matches(value, pattern, *insensitive, u'%', u'_', 0));
  insensitive->SetNull(nullValue);
  EXPECT_FALSE(insensitive->Matches(nullValue, pattern, *insensitive, u'%', u'_', 0));
  const TVxbStringType* wide = Wide(10);
  wide->SetWideString(value, u"x\u0151z");
  TVxbDataValue noPattern;
  EXPECT_FALSE(wide->Matches(value, noPattern, *T::GetNullType(6), u'%', u'_', 0));
  insensitive->SetAnsiString(pattern, "X_Z");
  EXPECT_TRUE(wide->Matches(value, pattern, *insensitive, u'%', u'_', 0));
}

TEST(StringType, ReferenceToCallerCharactersIsNotCopied) {
  const TVxbStringType* type = Str(4);
  char text[] = "abcdef";
  TVxbDataValue v;
  type->SetAnsiStringRef(v, text, 6);
  EXPECT_TRUE(v.IsReference());
  EXPECT_EQ(type->GetPAnsiChar(v).data(), text);
  EXPECT_EQ(type->GetAnsiString(v), "abcd");
  text[0] = 'X';
  EXPECT_EQ(type->GetAnsiString(v), "Xbcd");
  type->SetAnsiString(v, "new");  // writing makes the holder own its text
  EXPECT_FALSE(v.IsReference());
  EXPECT_EQ(std::string(text), "Xbcdef");
}

TEST(StringType, Level1HoldersKeepOemBytesAndGiveAnsiText) {
  const TVxbStringType* type = Str(5, u"", 1, false);
  std::vector<uint8_t> record(type->GetDataSize(), 0);
  TVxbDataValue field;
  type->SetReference(field, record.data());
  type->SetAnsiString(field, "\xFC");
  EXPECT_EQ(record[1], 0x81);
  EXPECT_EQ(type->GetAnsiString(field), "\xFC");
  EXPECT_EQ(type->GetWideString(field), u"\u00fc");
}

TEST(StringType, EmptyTextIsNullOnlyWhenTheTypeAcceptsNull) {
  TVxbDataValue v;
  Str(10)->ConvertFromString(v, u"");
  EXPECT_TRUE(Str(10)->IsNull(v));
  const TVxbStringType* notNull = Str(10, u"", 6, false);
  notNull->ConvertFromString(v, u"");
  EXPECT_FALSE(notNull->IsNull(v));
  EXPECT_EQ(notNull->GetLength(v), 0);
  ExpectEngineError([&] { notNull->SetNull(v); }, 47, u"\"VARCHAR(10)\" does not accept NULL values");
}

TEST(StringType, ConversionsBetweenTextsAndFromOtherTypes) {
  TVxbDataValue from, to;
  const TVxbDataType* memo = T::GetDataType(vxbMemo, true, 6);
  memo->SetAnsiString(from, std::string(100, 'm'));
  T::Convert(from, to, *memo, *Str(10), false);
  EXPECT_EQ(Str(10)->GetAnsiString(to), std::string(10, 'm'));
  T::Convert(from, to, *memo, *Wide(12), false);
  EXPECT_EQ(Wide(12)->GetWideString(to), std::u16string(12, u'm'));

  const TVxbDataType* integer = T::GetDataType(vxbInteger, true, 6);
  integer->SetInteger(from, -42);
  ExpectEngineError([&] { T::Convert(from, to, *integer, *Str(10), false); }, 44, u"Type mismatch: Integer->String");
  T::Convert(from, to, *integer, *Str(10), true);
  EXPECT_EQ(Str(10)->GetAnsiString(to), "-42");
  Str(10)->SetAnsiString(from, "17");
  T::Convert(from, to, *Str(10), *integer, true);
  EXPECT_EQ(integer->GetInteger(to), 17);
}

TEST(StringType, ConcatenationTypesAndValues) {
  TVxbDataValue a, b, r;
  Str(10)->SetAnsiString(a, "Hello, ");
  Str(25)->SetAnsiString(b, "world");
  const TVxbDataType* rt = T::Calculate(dboPlus, a, b, *Str(10), *Str(25), r);
  EXPECT_EQ(rt, T::GetApproxStringType(vxbString, true, 35, u"", 6));
  EXPECT_EQ(rt->GetAnsiString(r), "Hello, world");

  Wide(5)->SetWideString(b, u"\u0151");
  rt = T::Calculate(dboPlus, a, b, *Str(10), *Wide(5), r);
  EXPECT_EQ(rt->ColumnType(), vxbWideString);
  EXPECT_EQ(rt->GetWideString(r), u"Hello, \u0151");

  const TVxbDataType* memo = T::GetDataType(vxbMemo, true, 6);
  memo->SetAnsiString(b, std::string(500, 'x'));
  rt = T::Calculate(dboPlus, a, b, *Str(10), *memo, r);
  EXPECT_TRUE(static_cast<const TVxbStringType*>(rt)->IsUnbounded());
  EXPECT_EQ(rt->GetAnsiString(r).size(), 507u);

  Str(25)->SetNull(b);
  rt = T::Calculate(dboPlus, a, b, *Str(10), *Str(25), r);
  EXPECT_TRUE(rt->IsNull(r));
  EXPECT_EQ(T::GetResultDataType(dboMinus, *Str(10), *Str(10)), nullptr);
}

TEST(StringType, UpperAndLowerCaseFollowTheCollation) {
  TVxbDataValue v;
  Str(10)->SetAnsiString(v, "\xE1rv\xEDz");  // "árvíz" in code page 1252
  T::Calculate(duoStringUpper, v, *Str(10));
  EXPECT_EQ(Str(10)->GetAnsiString(v), "\xC1RV\xCDZ");
  Wide(10)->SetWideString(v, u"\u00ffA");
  T::Calculate(duoStringLower, v, *Wide(10));
  EXPECT_EQ(Wide(10)->GetWideString(v), u"\u00ffa");
}

TEST(StringType, UnboundedHoldersGrowWithTheirText) {
  const TVxbDataType* memo = T::GetDataType(vxbWideMemo, true, 6);
  TVxbDataValue v;
  memo->SetWideString(v, u"short");
  const std::u16string longText(5000, u'\u0151');
  memo->SetWideString(v, longText);
  EXPECT_EQ(memo->GetWideString(v), longText);
  EXPECT_EQ(static_cast<const TVxbStringType*>(memo)->GetLength(v), 5000);
  memo->SetNull(v);
  EXPECT_TRUE(memo->IsNull(v));
}

}  // namespace
}  // namespace vexilo::types
