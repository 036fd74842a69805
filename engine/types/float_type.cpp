#include "engine/types/float_type.h"

#include <cmath>
#include <limits>

#include "engine/types/integer_type.h"
#include "engine/types/type_errors.h"
#include "engine/types/value_text.h"

namespace vexilo::types {

namespace {
using C = TVxbFieldCodec;
}  // namespace

bool FloatsEqual(double a, double b, int precision) {
  const double tolerance = std::pow(10.0, -precision);
  const double magnitude = std::fabs(a) + std::fabs(b);
  if (magnitude <= tolerance) return true;
  return std::fabs(a - b) / magnitude <= tolerance;
}

double IntegerToDouble(int64_t v) {
  const double d = static_cast<double>(v);
  if (std::fabs(d) > std::numeric_limits<double>::max())
    throw EVxbOverflowError(u"Large integer value overflows double range");
  return d;
}

TVxbFloatType::TVxbFloatType(bool nullable, int16_t scale, int16_t level)
    : TVxbNumericType(vxbFloat, nullable, level), FScale(scale) {}

int32_t TVxbFloatType::GetDataSize() const { return (FLevel == 1 ? 6 : 8) + (GetHasNullByte() ? 1 : 0); }

const TVxbDataType* TVxbFloatType::Create(int16_t columnType, bool nullable, int16_t level) const {
  if (columnType != vxbFloat) return GetDataType(columnType, nullable, level);
  return GetFloatType(columnType, nullable, FScale, level);
}

void TVxbFloatType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else SetDouble(value, -1e16);
}

bool TVxbFloatType::IsNull(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  double d;
  return !bytes || !C::ReadFloat(bytes, Layout(), d);
}

void TVxbFloatType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  C::WriteFloat(FixedBytesForWrite(value), Layout(), false, 0);
}

void TVxbFloatType::SetInteger(TVxbDataValue& value, int64_t v) const { SetDouble(value, IntegerToDouble(v)); }

void TVxbFloatType::SetDouble(TVxbDataValue& value, double v) const {
  C::WriteFloat(FixedBytesForWrite(value), Layout(), true, v);
}

double TVxbFloatType::GetDouble(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  double d = 0;
  if (!bytes || !C::ReadFloat(bytes, Layout(), d)) return 0;
  return d;
}

bool TVxbFloatType::CanCompareTo(const TVxbDataType& other) const {
  const int16_t code = other.ColumnType();
  return code == vxbFloat || code == vxbNullType || IsIntegerColumnType(code);
}

int TVxbFloatType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                             TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  if (IsNull(value) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  const double a = GetDouble(value);
  const double b = otherType.GetDouble(other);
  if (FloatsEqual(a, b, FPrecision)) return kCompareEqual;
  return a < b ? kCompareLess : kCompareGreater;
}

bool TVxbFloatType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (code == vxbNullType || code == vxbFloat || IsIntegerColumnType(code)) return true;
  return explicitly && IsTextColumnType(code);
}

void TVxbFloatType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                                bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
    return;
  }
  const int16_t code = from.ColumnType();
  if (code == vxbFloat) SetDouble(value, from.GetDouble(fromValue));
  else if (IsIntegerColumnType(code)) SetDouble(value, IntegerToDouble(from.GetInteger(fromValue)));
  else if (explicitly && IsTextColumnType(code)) ConvertFromString(value, from.ConvertToString(fromValue));
  else TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
}

std::u16string TVxbFloatType::ConvertToString(const TVxbDataValue& value) const {
  if (IsNull(value)) return {};
  return DoubleToText(GetDouble(value));
}

void TVxbFloatType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty()) {
    SetNull(value);
    return;
  }
  const auto d = DoubleFromText(text);
  if (!d || !std::isfinite(*d)) throw EVxbConvertError(u"Invalid double: \"" + std::u16string(text) + u"\"");
  SetDouble(value, *d);
}

}  // namespace vexilo::types
