#include "engine/types/numeric_type.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/float_type.h"
#include "engine/types/integer_type.h"
#include "engine/types/value_text.h"

namespace vexilo::types {

namespace {

// "-" and the value's digits (appending avoids a false -Wrestrict in GCC 12's
// operator+ that inserts at the front).
std::u16string NegationText(int64_t v) {
  std::u16string text = u"-";
  text += IntegerToText(v);
  return text;
}

const char16_t* OperatorText(TVxbBinaryOperator op) {
  switch (op) {
    case dboPlus: return u" + ";
    case dboMinus: return u" - ";
    case dboMultiply: return u" * ";
    case dboDivide: return u" / ";
    case dboDiv: return u" DIV ";
    case dboMod: return u" MOD ";
    case dboAnd: return u" AND ";
    case dboOr: return u" OR ";
  }
  return u" ? ";
}

[[noreturn]] void RaiseOverflow(const std::u16string& what) {
  throw errors::EVxbEngine(errors::vxbErrOutOfRange, what);
}

[[noreturn]] void RaiseDivisionByZero() { throw errors::EVxbEngine(errors::vxbErrDivisionByZero, {}); }

bool IsBoolean(const TVxbDataType& t) { return t.ColumnType() == vxbBoolean; }
bool IsFloat(const TVxbDataType& t) { return t.ColumnType() == vxbFloat; }

int16_t ScaleOf(const TVxbDataType& t) {
  return IsFloat(t) ? static_cast<const TVxbFloatType&>(t).Scale() : 0;
}

// The rank of an integer code in the widening order Boolean < Byte <
// SmallInt < Integer < BigInt.
int IntegerRank(int16_t code) {
  switch (code) {
    case vxbBoolean: return 0;
    case vxbByte: return 1;
    case vxbSmallInt: return 2;
    case vxbBigInt: return 4;
    default: return 3;  // Integer, RecordId, Link
  }
}

// Integer arithmetic results: Integer, or BigInt when an operand is one.
const TVxbDataType* IntegerResult(const TVxbDataType& t1, const TVxbDataType& t2, int16_t level) {
  const bool big = t1.ColumnType() == vxbBigInt || t2.ColumnType() == vxbBigInt;
  return TVxbDataType::GetDataType(big ? vxbBigInt : vxbInteger, true, level);
}

const TVxbDataType* FloatResult(const TVxbDataType& t1, const TVxbDataType& t2, int16_t level) {
  return TVxbDataType::GetFloatType(vxbFloat, true, std::max(ScaleOf(t1), ScaleOf(t2)), level);
}

// Stores an integer result, raising 43 when it does not fit the result type.
void StoreInteger(const TVxbDataType& resultType, TVxbDataValue& result, int64_t r, const std::u16string& what) {
  const auto& it = static_cast<const TVxbIntegerType&>(resultType);
  if (r < it.MinValue() || r > it.MaxValue()) RaiseOverflow(what);
  resultType.SetInteger(result, r);
}

void StoreDouble(const TVxbDataType& resultType, TVxbDataValue& result, double r, const std::u16string& what) {
  if (!std::isfinite(r)) RaiseOverflow(what);
  resultType.SetDouble(result, r);
}

}  // namespace

void DetachValue(TVxbDataValue& value) {
  if (value.IsReference()) {
    value.ColumnType = 0;
    value.DataPtr = nullptr;
    value.RefIsText = false;
    value.RefLength = 0;
  }
  value.HoldsChar = false;
}

const TVxbDataType* TVxbNumericType::GetSuperType(const TVxbDataType& other) const {
  if (&other == this || other.ColumnType() == vxbNullType) return this;
  if (!IsNumeric(other)) return nullptr;
  const bool nullable = Nullable() || other.Nullable();
  if (IsFloat(*this) || IsFloat(other))
    return GetFloatType(vxbFloat, nullable, std::max(ScaleOf(*this), ScaleOf(other)), FLevel);
  int16_t code = IntegerRank(FColumnType) >= IntegerRank(other.ColumnType()) ? FColumnType : other.ColumnType();
  if (IntegerRank(code) == 3 && FColumnType != other.ColumnType()) code = vxbInteger;
  return GetDataType(code, nullable, FLevel);
}

const TVxbDataType* TVxbNumericType::GetResultDataType(TVxbUnaryOperator op) const {
  switch (op) {
    case duoMinus:
      return IsFloat(*this) ? GetFloatType(vxbFloat, true, ScaleOf(*this), FLevel)
                            : IntegerResult(*this, *this, FLevel);
    case duoInc:
      return GetNullableType(true);
    case duoNot:
      return IsBoolean(*this) ? GetNullableType(true) : nullptr;
    default:
      return nullptr;
  }
}

const TVxbDataType* TVxbNumericType::GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                                           const TVxbDataType& type2) const {
  if (!IsNumeric(type1) || !IsNumeric(type2)) return nullptr;
  const bool anyFloat = IsFloat(type1) || IsFloat(type2);
  switch (op) {
    case dboPlus:
    case dboMinus:
    case dboMultiply:
      return anyFloat ? FloatResult(type1, type2, type1.Level()) : IntegerResult(type1, type2, type1.Level());
    case dboDivide:
      return FloatResult(type1, type2, type1.Level());
    case dboDiv:
    case dboMod:
      return anyFloat ? nullptr : IntegerResult(type1, type2, type1.Level());
    case dboAnd:
    case dboOr:
      return IsBoolean(type1) && IsBoolean(type2) ? type1.GetNullableType(true) : nullptr;
  }
  return nullptr;
}

void TVxbNumericType::CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1,
                                    const TVxbDataValue& value2, const TVxbDataType& type1,
                                    const TVxbDataType& type2, TVxbDataValue& result,
                                    const TVxbDataType& resultType) const {
  const bool null1 = value1.IsEmpty() || type1.IsNull(value1);
  const bool null2 = value2.IsEmpty() || type2.IsNull(value2);
  if (op == dboAnd || op == dboOr) {
    const bool b1 = !null1 && type1.GetInteger(value1) != 0;
    const bool b2 = !null2 && type2.GetInteger(value2) != 0;
    // The value that decides alone: false for AND, true for OR.
    const bool decisive = op == dboOr;
    if ((!null1 && b1 == decisive) || (!null2 && b2 == decisive)) resultType.SetInteger(result, decisive);
    else if (null1 || null2) resultType.SetNull(result);
    else resultType.SetInteger(result, !decisive);
    return;
  }
  if (null1 || null2) {
    resultType.SetNull(result);
    return;
  }
  if (IsFloat(resultType)) {
    const double a = type1.GetDouble(value1), b = type2.GetDouble(value2);
    const std::u16string what = DoubleToText(a) + OperatorText(op) + DoubleToText(b);
    switch (op) {
      case dboPlus: StoreDouble(resultType, result, a + b, what); return;
      case dboMinus: StoreDouble(resultType, result, a - b, what); return;
      case dboMultiply: StoreDouble(resultType, result, a * b, what); return;
      case dboDivide:
        if (b == 0) RaiseDivisionByZero();
        StoreDouble(resultType, result, a / b, what);
        return;
      default: break;
    }
  } else {
    const int64_t a = type1.GetInteger(value1), b = type2.GetInteger(value2);
    const std::u16string what = IntegerToText(a) + OperatorText(op) + IntegerToText(b);
    int64_t r = 0;
    switch (op) {
      case dboPlus:
        if (__builtin_add_overflow(a, b, &r)) RaiseOverflow(what);
        break;
      case dboMinus:
        if (__builtin_sub_overflow(a, b, &r)) RaiseOverflow(what);
        break;
      case dboMultiply:
        if (__builtin_mul_overflow(a, b, &r)) RaiseOverflow(what);
        break;
      case dboDiv:
      case dboMod:
        if (b == 0) RaiseDivisionByZero();
        if (b == -1) {  // INT64_MIN / -1 does not fit; x MOD -1 is 0
          if (op == dboMod) r = 0;
          else if (__builtin_sub_overflow(int64_t{0}, a, &r)) RaiseOverflow(what);
        } else {
          r = op == dboDiv ? a / b : a % b;
        }
        break;
      default:
        TVxbDataType::CalculateWith(op, value1, value2, type1, type2, result, resultType);
    }
    StoreInteger(resultType, result, r, what);
    return;
  }
  TVxbDataType::CalculateWith(op, value1, value2, type1, type2, result, resultType);
}

void TVxbNumericType::CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value,
                                    const TVxbDataType& resultType) const {
  if (value.IsEmpty() || IsNull(value)) {
    DetachValue(value);
    resultType.SetNull(value);
    return;
  }
  if (IsFloat(*this)) {
    const double d = GetDouble(value);
    DetachValue(value);
    if (op == duoMinus) StoreDouble(resultType, value, -d, [&] { std::u16string text = u"-"; return text += DoubleToText(d); }());
    else if (op == duoInc) StoreDouble(resultType, value, d + 1, DoubleToText(d) + u" + 1");
    else TVxbDataType::CalculateWith(op, value, resultType);
    return;
  }
  const int64_t v = GetInteger(value);
  DetachValue(value);
  int64_t r = 0;
  switch (op) {
    case duoMinus:
      if (__builtin_sub_overflow(int64_t{0}, v, &r)) RaiseOverflow(NegationText(v));
      StoreInteger(resultType, value, r, NegationText(v));
      return;
    case duoInc:
      if (__builtin_add_overflow(v, int64_t{1}, &r)) RaiseOverflow(IntegerToText(v) + u" + 1");
      StoreInteger(resultType, value, r, IntegerToText(v) + u" + 1");
      return;
    case duoNot:
      resultType.SetInteger(value, v == 0 ? 1 : 0);
      return;
    default:
      TVxbDataType::CalculateWith(op, value, resultType);
  }
}

}  // namespace vexilo::types
