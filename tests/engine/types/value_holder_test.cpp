// Value holders: owned values, references into record bytes, copying and
// converting between holders.

#include <gtest/gtest.h>

#include <vector>

#include "engine/types/data_type.h"
#include "engine/types/string_type.h"
#include "type_test_support.h"

namespace vexilo::types {
namespace {

using T = TVxbDataType;

// A record with one nullable Integer field at offset 2, on a given level.
struct IntegerRecord {
  explicit IntegerRecord(int16_t level) : type(T::GetDataType(vxbInteger, true, level)), bytes(9, 0xEE) {
    type->SetReference(field, bytes.data() + 2);
  }
  const TVxbDataType* type;
  std::vector<uint8_t> bytes;
  TVxbDataValue field;
};

TEST(ValueHolder, ReferenceHolderReadsAndWritesTheRecordField) {
  IntegerRecord level6(6), level5(5);
  level6.type->SetInteger(level6.field, 0x0A0B0C0D);
  level5.type->SetInteger(level5.field, 0x0A0B0C0D);
  EXPECT_EQ(level6.bytes, (std::vector<uint8_t>{0xEE, 0xEE, 1, 0x0D, 0x0C, 0x0B, 0x0A, 0xEE, 0xEE}));
  EXPECT_EQ(level5.bytes, (std::vector<uint8_t>{0xEE, 0xEE, 0x0D, 0x0C, 0x0B, 0x0A, 1, 0xEE, 0xEE}));
  EXPECT_TRUE(level6.field.IsReference());
  EXPECT_EQ(level6.field.Code(), vxbInteger);

  level6.bytes[2] = 0;  // the record says null
  EXPECT_TRUE(level6.type->IsNull(level6.field));
  level6.type->SetInteger(level6.field, 7);
  EXPECT_EQ(level6.type->GetInteger(level6.field), 7);
}

TEST(ValueHolder, HolderOfTheSameLayoutSharesBytesOtherwiseGetsACopy) {
  IntegerRecord record(6);
  record.type->SetInteger(record.field, 5);
  TVxbDataValue shared;
  record.type->SetReference(shared, record.field, *record.type);
  EXPECT_TRUE(shared.IsReference());
  record.type->SetInteger(record.field, 6);
  EXPECT_EQ(record.type->GetInteger(shared), 6);

  const TVxbDataType* big = T::GetDataType(vxbBigInt, true, 6);
  TVxbDataValue copy;
  big->SetReference(copy, record.field, *record.type);
  EXPECT_FALSE(copy.IsReference());
  EXPECT_EQ(big->GetInteger(copy), 6);
}

TEST(ValueHolder, AssignConvertsAndAnEmptySourceCountsAsNull) {
  TVxbDataValue source, target;
  const TVxbDataType* small = T::GetDataType(vxbSmallInt, true, 6);
  const TVxbDataType* real = T::GetDataType(vxbFloat, true, 6);
  small->SetInteger(source, -3);
  real->Assign(target, source, *small);
  EXPECT_EQ(real->GetDouble(target), -3.0);
  TVxbDataValue empty;
  real->Assign(target, empty, *small);
  EXPECT_TRUE(real->IsNull(target));
}

TEST(ValueHolder, CopyToWritesTheFieldLayout) {
  const TVxbDataType* type = T::GetDataType(vxbSmallInt, true, 5);
  TVxbDataValue v;
  type->SetInteger(v, 258);
  std::vector<uint8_t> field(3, 0xEE);
  type->CopyTo(v, field.data());
  EXPECT_EQ(field, (std::vector<uint8_t>{2, 1, 1}));
  TVxbDataValue empty;
  type->CopyTo(empty, field.data());
  EXPECT_EQ(field[2], 0);
}

TEST(ValueHolder, OperatorsOnAReferenceLeaveTheRecordAlone) {
  std::vector<uint8_t> bytes(3, 0);
  const TVxbDataType* type = T::GetDataType(vxbSmallInt, true, 6);
  TVxbDataValue field;
  type->SetReference(field, bytes.data());
  type->SetInteger(field, 100);
  const std::vector<uint8_t> before = bytes;
  const TVxbDataType* result = T::Calculate(duoMinus, field, *type);
  EXPECT_EQ(result->GetInteger(field), -100);
  EXPECT_FALSE(field.IsReference());
  EXPECT_EQ(bytes, before);

  type->SetReference(field, bytes.data());
  T::Convert(field, *type, *T::GetDataType(vxbFloat, true, 6), false);
  EXPECT_EQ(T::GetDataType(vxbFloat, true, 6)->GetDouble(field), 100.0);
  EXPECT_EQ(bytes, before);
}

TEST(ValueHolder, DoneValueAndInitValueEmptyTheHolder) {
  TVxbDataValue v;
  T::GetDataType(vxbWideMemo, true, 6)->SetWideString(v, u"some text");
  EXPECT_FALSE(T::IsEmpty(v));
  EXPECT_NE(v.Buffer, nullptr);
  T::DoneValue(v);
  EXPECT_TRUE(T::IsEmpty(v));
  EXPECT_EQ(v.Buffer, nullptr);
  EXPECT_TRUE(T::GetDataType(vxbWideMemo, true, 6)->IsNull(v));
  T::GetDataType(vxbInteger, true, 6)->SetInteger(v, 1);
  T::InitValue(v);
  EXPECT_TRUE(T::IsEmpty(v));
  EXPECT_TRUE(T::GetDataType(vxbInteger, true, 6)->IsValueOfType(v) == false);
}

TEST(ValueHolder, MovedHolderTakesItsBufferAlong) {
  const TVxbDataType* type = T::GetStringType(vxbString, true, 20, u"", 6);
  TVxbDataValue a;
  type->SetAnsiString(a, "moving");
  TVxbDataValue b = std::move(a);
  EXPECT_EQ(type->GetAnsiString(b), "moving");
  EXPECT_TRUE(type->IsValueOfType(b));
}

}  // namespace
}  // namespace vexilo::types
