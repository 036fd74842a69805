#include "engine/types/integer_type.h"

#include <cmath>
#include <limits>

#include "engine/errors/engine_exception.h"
#include "engine/types/float_type.h"
#include "engine/types/type_errors.h"
#include "engine/types/value_text.h"

namespace vexilo::types {

namespace {
using C = TVxbFieldCodec;
}  // namespace

TVxbIntegerType::TVxbIntegerType(int16_t columnType, bool nullable, int16_t level)
    : TVxbNumericType(columnType, nullable, level) {}

int32_t TVxbIntegerType::GetDataSize() const {
  int32_t size = 4;
  switch (FColumnType) {
    case vxbSmallInt: size = 2; break;
    case vxbByte: case vxbBoolean: size = 1; break;
    case vxbBigInt: size = 8; break;
    default: break;
  }
  return size + (GetHasNullByte() ? 1 : 0);
}

std::u16string TVxbIntegerType::GetSqlName() const {
  switch (FColumnType) {
    case vxbSmallInt: return u"SmallInt";
    case vxbByte: return u"Byte";
    case vxbBoolean: return u"Boolean";
    case vxbRecordId: return u"RecordId";
    case vxbLink: return u"Link";
    case vxbBigInt: return u"BigInt";
    default: return u"Integer";
  }
}

const TVxbDataType* TVxbIntegerType::Create(int16_t columnType, bool nullable, int16_t level) const {
  return GetDataType(columnType, nullable, level);
}

int64_t TVxbIntegerType::MinValue() const {
  switch (FColumnType) {
    case vxbSmallInt: return -32768;
    case vxbByte: case vxbBoolean: case vxbRecordId: case vxbLink: return 0;
    case vxbBigInt: return std::numeric_limits<int64_t>::min();
    default: return std::numeric_limits<int32_t>::min();
  }
}

int64_t TVxbIntegerType::MaxValue() const {
  switch (FColumnType) {
    case vxbSmallInt: return 32767;
    case vxbByte: return 255;
    case vxbBoolean: return 1;
    case vxbBigInt: return std::numeric_limits<int64_t>::max();
    default: return std::numeric_limits<int32_t>::max();
  }
}

void TVxbIntegerType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else SetInteger(value, MinValue());
}

bool TVxbIntegerType::Read(const TVxbDataValue& value, int64_t& v) const {
  const uint8_t* bytes = ValueBytes(value);
  if (!bytes) return false;
  const TVxbFieldLayout f = Layout();
  switch (FColumnType) {
    case vxbSmallInt: {
      int16_t x;
      if (!C::ReadSmallInt(bytes, f, x)) return false;
      v = x;
      return true;
    }
    case vxbByte: {
      uint8_t x;
      if (!C::ReadByte(bytes, f, x)) return false;
      v = x;
      return true;
    }
    case vxbBoolean: {
      bool x;
      if (!C::ReadBoolean(bytes, f, x)) return false;
      v = x ? 1 : 0;
      return true;
    }
    case vxbLink: {
      int32_t x;
      if (!C::ReadLink(bytes, f, x)) return false;
      v = x;
      return true;
    }
    case vxbBigInt:
      return C::ReadBigInt(bytes, f, v);
    default: {
      int32_t x;
      if (!C::ReadInteger(bytes, f, x)) return false;
      v = x;
      return true;
    }
  }
}

bool TVxbIntegerType::IsNull(const TVxbDataValue& value) const {
  int64_t v;
  return !Read(value, v);
}

void TVxbIntegerType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  uint8_t* bytes = FixedBytesForWrite(value);
  const TVxbFieldLayout f = Layout();
  switch (FColumnType) {
    case vxbSmallInt: C::WriteSmallInt(bytes, f, false, 0); break;
    case vxbByte: C::WriteByte(bytes, f, false, 0); break;
    case vxbBoolean: C::WriteBoolean(bytes, f, false, 0); break;
    case vxbBigInt: C::WriteBigInt(bytes, f, false, 0); break;
    default: C::WriteInteger(bytes, f, false, 0); break;
  }
}

void TVxbIntegerType::SetInteger(TVxbDataValue& value, int64_t v) const {
  if (FColumnType == vxbBoolean) v = v != 0 ? 1 : 0;
  if (v < MinValue() || v > MaxValue())
    RaiseRange(IntegerToText(v), IntegerToText(MinValue()), IntegerToText(MaxValue()));
  uint8_t* bytes = FixedBytesForWrite(value);
  const TVxbFieldLayout f = Layout();
  switch (FColumnType) {
    case vxbSmallInt: C::WriteSmallInt(bytes, f, true, v); break;
    case vxbByte: C::WriteByte(bytes, f, true, v); break;
    case vxbBoolean: C::WriteBoolean(bytes, f, true, v); break;
    case vxbBigInt: C::WriteBigInt(bytes, f, true, v); break;
    default: C::WriteInteger(bytes, f, true, v); break;
  }
}

int64_t TVxbIntegerType::GetInteger(const TVxbDataValue& value) const {
  int64_t v = 0;
  return Read(value, v) ? v : 0;
}

void TVxbIntegerType::SetDouble(TVxbDataValue& value, double v) const {
  const double r = std::nearbyint(v);
  // 2^63 is the first double beyond the int64 range.
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    RaiseRange(DoubleToText(v), IntegerToText(MinValue()), IntegerToText(MaxValue()));
  SetInteger(value, static_cast<int64_t>(r));
}

double TVxbIntegerType::GetDouble(const TVxbDataValue& value) const { return IntegerToDouble(GetInteger(value)); }

int64_t TVxbIntegerType::Narrow(int64_t v) const {
  switch (FColumnType) {
    case vxbSmallInt: return static_cast<int16_t>(static_cast<uint64_t>(v) & 0xFFFF);
    case vxbByte: return static_cast<int64_t>(static_cast<uint64_t>(v) & 0xFF);
    case vxbBoolean: return v != 0 ? 1 : 0;
    case vxbBigInt: return v;
    default: return static_cast<int32_t>(static_cast<uint64_t>(v) & 0xFFFFFFFF);
  }
}

bool TVxbIntegerType::CanCompareTo(const TVxbDataType& other) const {
  return IsIntegerColumnType(other.ColumnType());
}

int TVxbIntegerType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other,
                               const TVxbDataType& otherType, TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  int64_t a;
  if (!Read(value, a) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  const int64_t b = otherType.GetInteger(other);
  return a < b ? kCompareLess : a > b ? kCompareGreater : kCompareEqual;
}

bool TVxbIntegerType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (code == vxbNullType || IsIntegerColumnType(code) || code == vxbFloat || code == vxbEnum) return true;
  return explicitly && IsTextColumnType(code);
}

void TVxbIntegerType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                                  bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
    return;
  }
  const int16_t code = from.ColumnType();
  if (IsIntegerColumnType(code) || code == vxbEnum) {
    SetInteger(value, Narrow(from.GetInteger(fromValue)));
  } else if (code == vxbFloat) {
    const double d = from.GetDouble(fromValue);
    const double r = std::nearbyint(d);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
      RaiseRange(DoubleToText(d), IntegerToText(MinValue()), IntegerToText(MaxValue()));
    SetInteger(value, Narrow(static_cast<int64_t>(r)));
  } else if (explicitly && IsTextColumnType(code)) {
    ConvertFromString(value, from.ConvertToString(fromValue));
  } else {
    TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
  }
}

std::u16string TVxbIntegerType::ConvertToString(const TVxbDataValue& value) const {
  int64_t v;
  if (!Read(value, v)) return {};
  if (FColumnType == vxbBoolean) return BooleanToText(v != 0);
  return IntegerToText(v);
}

void TVxbIntegerType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty()) {
    SetNull(value);
    return;
  }
  if (FColumnType == vxbBoolean) {
    const auto b = BooleanFromText(text);
    if (!b) RaiseRange(std::u16string(text), BooleanToText(false), BooleanToText(true));
    SetInteger(value, *b ? 1 : 0);
    return;
  }
  const auto v = IntegerFromText(text);
  if (!v) throw EVxbConvertError(u"\"" + std::u16string(text) + u"\" is not a valid integer value");
  SetInteger(value, *v);
}

}  // namespace vexilo::types
