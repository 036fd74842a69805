// Enum, Guid, Char, Blob, Relation and the null type.

#include <gtest/gtest.h>

#include <vector>

#include "engine/types/binary_type.h"
#include "engine/types/data_type.h"
#include "engine/types/enum_type.h"
#include "engine/types/guid_type.h"
#include "engine/types/string_type.h"
#include "type_test_support.h"

namespace vexilo::types {
namespace {

using T = TVxbDataType;
using testing_support::ExpectEngineError;
using testing_support::ExpectTypeException;

const TVxbEnumType* Colours() { return T::GetEnumType(true, false, u"red\ngreen\nblue", u'\n', u'"', 6); }

TEST(EnumType, ValuesConvertToAndFromItemNames) {
  TVxbDataValue v;
  Colours()->ConvertFromString(v, u"green");
  EXPECT_EQ(Colours()->GetInteger(v), 2);
  EXPECT_EQ(Colours()->ConvertToString(v), u"green");
  ExpectTypeException<EVxbConvertError>([&] { Colours()->ConvertFromString(v, u"Green"); },
                                        u"\"Green\" is not a valid enumeration value for <enumeration>.");
  ExpectTypeException<EVxbConvertError>([&] { Colours()->SetInteger(v, 4); },
                                        u"\"4\" is not a valid enumeration value for <enumeration>.");
  TVxbDataValue number;
  T::GetDataType(vxbInteger, true, 6)->SetInteger(number, 3);
  T::Convert(number, v, *T::GetDataType(vxbInteger, true, 6), *Colours(), false);
  EXPECT_EQ(Colours()->ConvertToString(v), u"blue");
}

TEST(EnumType, AnotherEnumerationConvertsByName) {
  const TVxbEnumType* other = T::GetEnumType(true, false, u"blue\nred", u'\n', u'"', 6);
  TVxbDataValue from, to;
  Colours()->ConvertFromString(from, u"red");
  T::Convert(from, to, *Colours(), *other, false);
  EXPECT_EQ(other->GetInteger(to), 2);
}

TEST(EnumType, ByteZeroIsNullAndTheDefaultIsTheFirstItem) {
  std::vector<uint8_t> field = {0};
  TVxbDataValue v;
  Colours()->SetReference(v, field.data());
  EXPECT_TRUE(Colours()->IsNull(v));
  Colours()->GetDefault(v);
  EXPECT_EQ(field[0], 1);
  Colours()->SetNull(v);
  EXPECT_EQ(field[0], 0);
}

TEST(GuidType, TextRoundTripAndTheKeyOrder) {
  const TVxbDataType* guid = T::GetDataType(vxbGuid, true, 6);
  TVxbDataValue a, b;
  guid->ConvertFromString(a, u"{00000001-0000-0000-0100-000000000000}");
  EXPECT_EQ(guid->ConvertToString(a), u"{00000001-0000-0000-0100-000000000000}");
  guid->ConvertFromString(b, u"{00000001-0000-0000-0001-000000000000}");
  // Bytes 8-9 compare as a little-endian number: 0x0001 < 0x0100.
  EXPECT_EQ(guid->CompareTo(a, b, *guid, 0), kCompareLess);
  guid->ConvertFromString(a, u"{00000001-0000-0000-0000-000000000001}");
  guid->ConvertFromString(b, u"{00000001-0000-0000-0000-010000000000}");
  // Then the last six bytes from byte 15 down.
  EXPECT_EQ(guid->CompareTo(a, b, *guid, 0), kCompareGreater);
  ExpectEngineError([&] { guid->ConvertFromString(a, u"not a guid"); }, 44, u"Type mismatch: String->Guid");
}

TEST(CharType, HoldsOneCharacterAndNamesItsNullability) {
  const TVxbDataType* nullable = T::GetDataType(vxbChar, true, 6);
  const TVxbDataType* notNull = T::GetDataType(vxbChar, false, 6);
  EXPECT_EQ(nullable->GetSqlName(), u"CHAR(1)");
  EXPECT_EQ(notNull->GetSqlName(), u"CHAR(1) NOT NULL");
  TVxbDataValue v, w;
  nullable->SetWideString(v, u"\u00e9t\u00e9");
  EXPECT_EQ(nullable->GetAnsiString(v), "\xE9");
  EXPECT_EQ(nullable->ConvertToString(v), u"\u00e9");
  nullable->SetAnsiString(w, "f");
  EXPECT_EQ(nullable->CompareTo(v, w, *nullable, 0), kCompareGreater);
  nullable->ConvertFromString(v, u"");
  EXPECT_TRUE(nullable->IsNull(v));
  const TVxbDataType* super = T::GetSuperType(*nullable, *T::GetStringType(vxbString, true, 8, u"", 6));
  EXPECT_EQ(super->ColumnType(), vxbString);
}

TEST(BinaryType, TwoPiecesBecomeOneValue) {
  const TVxbDataType* blob = T::GetDataType(vxbBlob, true, 6);
  TVxbDataValue v;
  const std::vector<uint8_t> head = {1, 0}, body = {'d', 'a', 't', 'a'};
  blob->SetBytes(v, head, body);
  const auto bytes = blob->GetBytes(v);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), (std::vector<uint8_t>{1, 0, 'd', 'a', 't', 'a'}));
  blob->SetBytes(v, blob->GetBytes(v), body);  // pieces from the holder itself
  EXPECT_EQ(blob->GetBytes(v).size(), 10u);
  const TVxbBinaryType* limited = T::GetBinaryType(vxbBinary, true, 3, 6);
  limited->SetBytes(v, body);
  EXPECT_EQ(limited->GetAnsiString(v), "dat");
  ExpectTypeException<EVxbTypeError>([&] { limited->GetWideString(v); }, u"Is not a wide string.");
}

TEST(RelationType, RefersToAnObjectOutsideTheRecord) {
  const TVxbDataType* relation = T::GetDataType(vxbRelation, true, 6);
  int object = 0, other = 0;
  TVxbDataValue a, b;
  relation->SetObject(a, &object);
  relation->SetObject(b, &object);
  EXPECT_EQ(relation->GetObject(a), &object);
  EXPECT_EQ(relation->CompareTo(a, b, *relation, 0), kCompareEqual);
  relation->SetObject(b, &other);
  EXPECT_NE(relation->CompareTo(a, b, *relation, 0), kCompareEqual);
  relation->SetNull(a);
  EXPECT_TRUE(relation->IsNull(a));
  ExpectTypeException<EVxbTypeError>([&] { T::GetDataType(vxbInteger, true, 6)->GetObject(a); }, u"Is not a class.");
}

TEST(NullType, ConvertsToTheNullOfEveryTypeAndComparesWithoutOrder) {
  const TVxbDataType* nullType = T::GetNullType(6);
  TVxbDataValue nullValue, target;
  for (int16_t code : {vxbInteger, vxbFloat, vxbDate, vxbGuid, vxbWideMemo}) {
    SCOPED_TRACE(code);
    const TVxbDataType* type = T::GetDataType(code, true, 6);
    EXPECT_TRUE(T::CanConvert(*nullType, *type, false));
    T::Convert(nullValue, target, *nullType, *type, false);
    EXPECT_TRUE(type->IsNull(target));
  }
  const TVxbDataType* notNull = T::GetDataType(vxbDate, false, 6);
  T::Convert(nullValue, target, *nullType, *notNull, false);
  EXPECT_EQ(notNull->GetDate(target), kDefaultDate);
  TVxbDataValue number;
  T::GetDataType(vxbFloat, true, 6)->SetDouble(number, 1);
  EXPECT_EQ(T::Compare(number, nullValue, *T::GetDataType(vxbFloat, true, 6), *nullType, 0), kCompareNull);
  EXPECT_EQ(nullType->GetSqlName(), u"<null type>");
}

TEST(TypeNames, SqlAndScriptNamesOfTheColumnTypes) {
  struct Case {
    const TVxbDataType* type;
    const char16_t* sql;
    const char16_t* tpl;
  };
  const Case cases[] = {
      {T::GetDataType(vxbSmallInt, true, 6), u"SmallInt", u"Integer"},
      {T::GetDataType(vxbFloat, true, 6), u"DOUBLE", u"Real"},
      {T::GetDataType(vxbByte, true, 6), u"Byte", u"Integer"},
      {T::GetDataType(vxbBoolean, true, 6), u"Boolean", u"Integer"},
      {T::GetDataType(vxbDate, true, 6), u"Date", u"Date"},
      {T::GetDataType(vxbRecordId, true, 6), u"RecordId", u"Integer"},
      {T::GetDataType(vxbLink, true, 6), u"Link", u"Integer"},
      {T::GetDataType(vxbBlob, true, 6), u"LONGVARBINARY", u"Blob"},
      {T::GetDataType(vxbRelation, true, 6), u"Relation", u"Relation"},
      {T::GetDataType(vxbTime, true, 6), u"Time", u"Time"},
      {T::GetDataType(vxbInteger, true, 6), u"Integer", u"Integer"},
      {T::GetDataType(vxbTimeStamp, true, 6), u"TimeStamp", u"DateTime"},
      {T::GetStringType(vxbWideString, true, 12, u"", 6), u"VARWCHAR(12)", u"String"},
      {T::GetDataType(vxbBigInt, true, 6), u"BigInt", u"Integer"},
      {T::GetDataType(vxbGuid, true, 6), u"Guid", u"Guid"},
      {Colours(), u"<enumeration>", u"<enumeration>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::u8(c.sql));
    EXPECT_EQ(c.type->GetSqlName(), c.sql);
    EXPECT_EQ(c.type->GetTplName(), c.tpl);
  }
}

}  // namespace
}  // namespace vexilo::types
