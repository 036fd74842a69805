// Integer and Float types: ranges, null handling, conversions, comparison
// and arithmetic.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "engine/types/data_type.h"
#include "engine/types/float_type.h"
#include "engine/types/integer_type.h"
#include "type_test_support.h"

namespace vexilo::types {
namespace {

using T = TVxbDataType;
using testing_support::ExpectEngineError;
using testing_support::ExpectTypeException;

const TVxbDataType* Int(int16_t code, bool nullable = true) { return T::GetDataType(code, nullable, 6); }
const TVxbDataType* Real() { return T::GetDataType(vxbFloat, true, 6); }

TEST(IntegerType, SetIntegerChecksTheRangeOfEachType) {
  struct Case {
    int16_t code;
    int64_t value;
    std::optional<int64_t> stored;  // nothing: error 81
  };
  const Case cases[] = {
      {vxbSmallInt, -32768, -32768},
      {vxbSmallInt, 32767, 32767},
      {vxbSmallInt, 32768, std::nullopt},
      {vxbSmallInt, -32769, std::nullopt},
      {vxbByte, 255, 255},
      {vxbByte, 256, std::nullopt},
      {vxbByte, -1, std::nullopt},
      {vxbBoolean, 1, 1},
      {vxbBoolean, 0, 0},
      {vxbBoolean, 5, 1},
      {vxbRecordId, 2147483647, 2147483647},
      {vxbRecordId, -1, std::nullopt},
      {vxbLink, -1, std::nullopt},
      {vxbInteger, -2147483648LL, -2147483648LL},
      {vxbInteger, 2147483648LL, std::nullopt},
      {vxbBigInt, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::min()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << ": " << c.value);
    const TVxbDataType* type = Int(c.code, false);
    TVxbDataValue value;
    if (c.stored) {
      type->SetInteger(value, c.value);
      EXPECT_EQ(type->GetInteger(value), *c.stored);
    } else {
      try {
        type->SetInteger(value, c.value);
        ADD_FAILURE() << "accepted";
      } catch (const errors::EVxbEngine& e) {
        EXPECT_EQ(e.Code(), 81);
      }
    }
  }
  ExpectEngineError([] { TVxbDataValue v; Int(vxbSmallInt)->SetInteger(v, 70000); }, 81,
                    u"Value 70000 of type SmallInt exceeds the allowed range from -32768 to 32767");
}

TEST(IntegerType, ConversionNarrowsToTheTargetWidthBeforeTheRangeCheck) {
  struct Case {
    int16_t from;
    int64_t value;
    int16_t to;
    std::optional<int64_t> result;
  };
  const Case cases[] = {
      {vxbInteger, 70000, vxbSmallInt, 70000 - 65536},
      {vxbInteger, -70000, vxbSmallInt, -70000 + 65536},
      {vxbInteger, 300, vxbByte, 44},
      {vxbInteger, -2, vxbBoolean, 1},
      {vxbBigInt, 0x1'0000'0005LL, vxbInteger, 5},
      {vxbBigInt, 0xFFFF'FFFFLL, vxbInteger, -1},
      {vxbInteger, -5, vxbRecordId, std::nullopt},  // still negative after narrowing
      {vxbSmallInt, -5, vxbBigInt, -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " -> " << c.to);
    TVxbDataValue from, to;
    Int(c.from)->SetInteger(from, c.value);
    if (c.result) {
      T::Convert(from, to, *Int(c.from), *Int(c.to), false);
      EXPECT_EQ(Int(c.to)->GetInteger(to), *c.result);
    } else {
      EXPECT_THROW(T::Convert(from, to, *Int(c.from), *Int(c.to), false), errors::EVxbEngine);
    }
  }
}

TEST(IntegerType, FloatsConvertToIntegersRoundingTiesToEven) {
  struct Case {
    double value;
    int64_t result;
  };
  for (const Case& c : {Case{2.5, 2}, Case{3.5, 4}, Case{-2.5, -2}, Case{2.4999, 2}, Case{-0.5, 0},
                        Case{1e15 + 0.5, 1000000000000000}}) {
    SCOPED_TRACE(c.value);
    TVxbDataValue from, to;
    Real()->SetDouble(from, c.value);
    T::Convert(from, to, *Real(), *Int(vxbBigInt), false);
    EXPECT_EQ(Int(vxbBigInt)->GetInteger(to), c.result);
  }
  TVxbDataValue from, to;
  Real()->SetDouble(from, 1e30);
  EXPECT_THROW(T::Convert(from, to, *Real(), *Int(vxbBigInt), false), errors::EVxbEngine);
  Real()->SetDouble(from, std::nan(""));
  EXPECT_THROW(T::Convert(from, to, *Real(), *Int(vxbBigInt), false), errors::EVxbEngine);
}

TEST(IntegerType, NullConvertsToNullOrToTheDefaultOfANonNullableTarget) {
  TVxbDataValue nullValue, to;
  Int(vxbInteger)->SetNull(nullValue);
  to.Clear();
  T::Convert(nullValue, to, *Int(vxbInteger), *Int(vxbSmallInt), false);
  EXPECT_TRUE(Int(vxbSmallInt)->IsNull(to));
  T::Convert(nullValue, to, *Int(vxbInteger), *Int(vxbSmallInt, false), false);
  EXPECT_FALSE(Int(vxbSmallInt, false)->IsNull(to));
  EXPECT_EQ(Int(vxbSmallInt, false)->GetInteger(to), 0);
}

TEST(IntegerType, NullIsRefusedByTypesThatAreNotNullable) {
  ExpectEngineError([] { TVxbDataValue v; Int(vxbInteger, false)->SetNull(v); }, 47,
                    u"\"Integer\" does not accept NULL values");
  ExpectEngineError([] { TVxbDataValue v; Int(vxbInteger, false)->ConvertFromString(v, u""); }, 47,
                    u"\"Integer\" does not accept NULL values");
}

TEST(IntegerType, MinimumIsNullForNullableTypesFromLevel4On) {
  TVxbDataValue v;
  T::GetDataType(vxbInteger, true, 4)->GetMinimum(v);
  EXPECT_TRUE(T::GetDataType(vxbInteger, true, 4)->IsNull(v));
  T::GetDataType(vxbInteger, true, 3)->GetMinimum(v);
  EXPECT_EQ(T::GetDataType(vxbInteger, true, 3)->GetInteger(v), std::numeric_limits<int32_t>::min());
  Int(vxbByte)->GetMaximum(v);
  EXPECT_EQ(Int(vxbByte)->GetInteger(v), 255);
}

TEST(IntegerType, TextFormsOfIntegersAndBooleans) {
  TVxbDataValue v;
  Int(vxbBoolean)->ConvertFromString(v, u"tRuE");
  EXPECT_EQ(Int(vxbBoolean)->GetInteger(v), 1);
  EXPECT_EQ(Int(vxbBoolean)->ConvertToString(v), u"True");
  ExpectEngineError([&] { Int(vxbBoolean)->ConvertFromString(v, u"maybe"); }, 81,
                    u"Value maybe of type Boolean exceeds the allowed range from False to True");
  Int(vxbBigInt)->ConvertFromString(v, u"-9223372036854775808");
  EXPECT_EQ(Int(vxbBigInt)->ConvertToString(v), u"-9223372036854775808");
  ExpectTypeException<EVxbConvertError>([&] { Int(vxbInteger)->ConvertFromString(v, u"12a"); },
                                        u"\"12a\" is not a valid integer value");
  ExpectEngineError([&] { Int(vxbSmallInt)->ConvertFromString(v, u"40000"); }, 81,
                    u"Value 40000 of type SmallInt exceeds the allowed range from -32768 to 32767");
  Int(vxbInteger)->ConvertFromString(v, u"");
  EXPECT_TRUE(Int(vxbInteger)->IsNull(v));
  EXPECT_EQ(Int(vxbInteger)->ConvertToString(v), u"");
}

TEST(FloatType, EqualWithin15SignificantDigits) {
  struct Case {
    double a, b;
    int result;
  };
  const Case cases[] = {
      {1.0, 1.0 + 1e-16, kCompareEqual}, {1.0, 1.0 + 1e-14, kCompareLess}, {0.0, 1e-16, kCompareEqual},
      {1e300, 1e300 * (1 + 1e-16), kCompareEqual}, {-1.0, 1.0, kCompareLess}, {2.0, 1.0, kCompareGreater},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
    TVxbDataValue a, b;
    Real()->SetDouble(a, c.a);
    Real()->SetDouble(b, c.b);
    EXPECT_EQ(Real()->CompareTo(a, b, *Real(), 0), c.result);
  }
}

TEST(FloatType, ComparesWithIntegersInEitherOrder) {
  TVxbDataValue f, i;
  Real()->SetDouble(f, 2.5);
  Int(vxbSmallInt)->SetInteger(i, 3);
  EXPECT_EQ(T::Compare(f, i, *Real(), *Int(vxbSmallInt), 0), kCompareLess);
  EXPECT_EQ(T::Compare(i, f, *Int(vxbSmallInt), *Real(), 0), kCompareGreater);
  Int(vxbSmallInt)->SetNull(i);
  EXPECT_EQ(T::Compare(i, f, *Int(vxbSmallInt), *Real(), 0), kCompareNull);
}

TEST(FloatType, TextFormAndItsFailures) {
  TVxbDataValue v;
  Real()->ConvertFromString(v, u"-12.5E2");
  EXPECT_EQ(Real()->GetDouble(v), -1250.0);
  EXPECT_EQ(Real()->ConvertToString(v), u"-1250");
  ExpectTypeException<EVxbConvertError>([&] { Real()->ConvertFromString(v, u"12,5"); }, u"Invalid double: \"12,5\"");
  ExpectTypeException<EVxbConvertError>([&] { Real()->ConvertFromString(v, u"1e999"); },
                                        u"Invalid double: \"1e999\"");
}

TEST(FloatType, AccessorsItDoesNotOfferRaiseTheirOwnTexts) {
  TVxbDataValue v;
  Real()->SetDouble(v, 1);
  ExpectTypeException<EVxbTypeError>([&] { Real()->GetInteger(v); }, u"Is not an integer.");
  ExpectTypeException<EVxbTypeError>([&] { Real()->SetGuid(v, TGuid{}); }, u"Cannot assign GUID.");
  ExpectEngineError([&] { TVxbDataValue d; T::GetDataType(vxbDate, true, 6)->GetDouble(d); }, 44,
                    u"Type mismatch: Date->Double");
  ExpectEngineError([&] { Real()->GetTimeStamp(v); }, 44, u"Type mismatch: Real->DateTime");
}

TEST(NumericArithmetic, ResultTypesAndValues) {
  struct Case {
    TVxbBinaryOperator op;
    int16_t t1;
    double v1;
    int16_t t2;
    double v2;
    int16_t resultType;
    double result;
  };
  const Case cases[] = {
      {dboPlus, vxbSmallInt, 30000, vxbSmallInt, 30000, vxbInteger, 60000},
      {dboMinus, vxbInteger, 5, vxbBigInt, 7, vxbBigInt, -2},
      {dboMultiply, vxbInteger, 6, vxbFloat, 0.5, vxbFloat, 3},
      {dboDivide, vxbInteger, 7, vxbInteger, 2, vxbFloat, 3.5},
      {dboDiv, vxbInteger, -7, vxbInteger, 2, vxbInteger, -3},
      {dboMod, vxbInteger, -7, vxbInteger, 2, vxbInteger, -1},
      {dboMod, vxbBigInt, std::numeric_limits<int64_t>::min(), vxbInteger, -1, vxbBigInt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " " << c.v1 << ", " << c.v2);
    TVxbDataValue a, b, r;
    const TVxbDataType* ta = T::GetDataType(c.t1, true, 6);
    const TVxbDataType* tb = T::GetDataType(c.t2, true, 6);
    if (c.t1 == vxbFloat) ta->SetDouble(a, c.v1);
    else ta->SetInteger(a, static_cast<int64_t>(c.v1));
    if (c.t2 == vxbFloat) tb->SetDouble(b, c.v2);
    else tb->SetInteger(b, static_cast<int64_t>(c.v2));
    const TVxbDataType* rt = T::Calculate(c.op, a, b, *ta, *tb, r);
    ASSERT_EQ(rt->ColumnType(), c.resultType);
    EXPECT_EQ(rt->GetDouble(r), c.result);
  }
}

TEST(NumericArithmetic, DivisionByZeroAndOverflowAreEngineErrors) {
  TVxbDataValue a, b, r;
  const TVxbDataType* i = Int(vxbInteger);
  i->SetInteger(a, 10);
  i->SetInteger(b, 0);
  for (TVxbBinaryOperator op : {dboDivide, dboDiv, dboMod}) {
    SCOPED_TRACE(op);
    ExpectEngineError([&] { T::Calculate(op, a, b, *i, *i, r); }, 178, u"Division by zero");
  }
  TVxbDataValue f, zero;
  Real()->SetDouble(f, 1.5);
  Real()->SetDouble(zero, 0.0);
  ExpectEngineError([&] { T::Calculate(dboDivide, f, zero, *Real(), *Real(), r); }, 178, u"Division by zero");

  i->SetInteger(a, 2147483647);
  i->SetInteger(b, 1);
  ExpectEngineError([&] { T::Calculate(dboPlus, a, b, *i, *i, r); }, 43,
                    u"The value is outside the allowed range: \"2147483647 + 1\"");
  const TVxbDataType* big = Int(vxbBigInt);
  big->SetInteger(a, std::numeric_limits<int64_t>::max());
  big->SetInteger(b, 2);
  EXPECT_THROW(T::Calculate(dboMultiply, a, b, *big, *big, r), errors::EVxbEngine);
  Real()->SetDouble(f, 1e308);
  EXPECT_THROW(T::Calculate(dboMultiply, f, f, *Real(), *Real(), r), errors::EVxbEngine);
  big->SetInteger(a, std::numeric_limits<int64_t>::min());
  EXPECT_THROW(T::Calculate(duoMinus, a, *big), errors::EVxbEngine);
}

TEST(NumericArithmetic, NullOperandsGiveNullExceptDecidedLogic) {
  const TVxbDataType* b = Int(vxbBoolean);
  TVxbDataValue t, f, n, r;
  b->SetInteger(t, 1);
  b->SetInteger(f, 0);
  b->SetNull(n);
  struct Case {
    TVxbBinaryOperator op;
    TVxbDataValue* x;
    TVxbDataValue* y;
    std::optional<int64_t> result;
  };
  const Case cases[] = {
      {dboAnd, &t, &t, 1},  {dboAnd, &t, &f, 0},           {dboAnd, &f, &n, 0}, {dboAnd, &n, &f, 0},
      {dboAnd, &t, &n, std::nullopt}, {dboOr, &f, &f, 0},  {dboOr, &t, &n, 1},  {dboOr, &n, &t, 1},
      {dboOr, &f, &n, std::nullopt},
  };
  for (const Case& c : cases) {
    const TVxbDataType* rt = T::Calculate(c.op, *c.x, *c.y, *b, *b, r);
    if (c.result) EXPECT_EQ(rt->GetInteger(r), *c.result);
    else EXPECT_TRUE(rt->IsNull(r));
  }
  TVxbDataValue one;
  Int(vxbInteger)->SetInteger(one, 1);
  EXPECT_TRUE(T::Calculate(dboPlus, n, one, *b, *Int(vxbInteger), r)->IsNull(r));
  EXPECT_EQ(T::GetResultDataType(dboAnd, *Int(vxbInteger), *Int(vxbInteger)), nullptr);
}

TEST(NumericArithmetic, UnaryOperatorsReplaceTheValue) {
  TVxbDataValue v;
  Int(vxbSmallInt)->SetInteger(v, -32768);
  const TVxbDataType* rt = T::Calculate(duoMinus, v, *Int(vxbSmallInt));
  EXPECT_EQ(rt->ColumnType(), vxbInteger);
  EXPECT_EQ(rt->GetInteger(v), 32768);
  Int(vxbBoolean)->SetInteger(v, 0);
  rt = T::Calculate(duoNot, v, *Int(vxbBoolean));
  EXPECT_EQ(rt->GetInteger(v), 1);
  Int(vxbInteger)->SetInteger(v, 41);
  rt = T::Calculate(duoInc, v, *Int(vxbInteger));
  EXPECT_EQ(rt->GetInteger(v), 42);
  ExpectTypeException<EVxbTypeError>([&] { T::Calculate(duoNot, v, *Int(vxbInteger)); },
                                     u"Cannot perform the operation on this data type.");
}

TEST(NumericArithmetic, SuperTypeIsTheWiderNumber) {
  EXPECT_EQ(T::GetSuperType(*Int(vxbByte), *Int(vxbSmallInt)), Int(vxbSmallInt));
  EXPECT_EQ(T::GetSuperType(*Int(vxbLink), *Int(vxbRecordId, false))->ColumnType(), vxbInteger);
  EXPECT_EQ(T::GetSuperType(*Int(vxbBigInt), *Real())->ColumnType(), vxbFloat);
  EXPECT_EQ(T::GetSuperType(*Int(vxbInteger), *T::GetNullType(6)), Int(vxbInteger));
  EXPECT_EQ(T::GetSuperType(*Int(vxbInteger), *T::GetDataType(vxbDate, true, 6)), nullptr);
}

}  // namespace
}  // namespace vexilo::types
