#include "engine/types/enum_type.h"

#include <algorithm>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/type_errors.h"
#include "engine/types/value_text.h"

namespace vexilo::types {

namespace {
using C = TVxbFieldCodec;
}  // namespace

TVxbEnumType::TVxbEnumType(bool nullable, bool flags, std::vector<TVxbEnumItem> items, int16_t level)
    : TVxbDataType(vxbEnum, nullable, level), FFlags(flags), FEnumItems(std::move(items)) {}

const TVxbEnumItem* TVxbEnumType::FindValue(int64_t value) const {
  for (const auto& item : FEnumItems)
    if (item.Value == value) return &item;
  return nullptr;
}

const TVxbEnumItem* TVxbEnumType::FindName(std::u16string_view name) const {
  for (const auto& item : FEnumItems)
    if (item.Name == name) return &item;
  return nullptr;
}

const TVxbDataType* TVxbEnumType::Create(int16_t columnType, bool nullable, int16_t level) const {
  if (columnType != vxbEnum) return GetDataType(columnType, nullable, level);
  return GetEnumType(nullable, FFlags, FEnumItems, level);
}

void TVxbEnumType::GetDefault(TVxbDataValue& value) const {
  if (FindValue(0) || FEnumItems.empty()) Store(value, 0);
  else Store(value, FEnumItems.front().Value);
}

void TVxbEnumType::GetMaximum(TVxbDataValue& value) const {
  int64_t max = 0;
  for (const auto& item : FEnumItems) max = std::max<int64_t>(max, item.Value);
  Store(value, max);
}

void TVxbEnumType::GetMinimum(TVxbDataValue& value) const {
  if ((FLevel >= 4 && FNullable) || FEnumItems.empty()) {
    Store(value, 0);
    return;
  }
  int64_t min = FEnumItems.front().Value;
  for (const auto& item : FEnumItems) min = std::min<int64_t>(min, item.Value);
  Store(value, min);
}

bool TVxbEnumType::IsNull(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  uint8_t v;
  return !bytes || !C::ReadEnum(bytes, Layout(), v);
}

void TVxbEnumType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  C::WriteEnum(FixedBytesForWrite(value), Layout(), false, 0);
}

void TVxbEnumType::Store(TVxbDataValue& value, int64_t v) const {
  if (!C::WriteEnum(FixedBytesForWrite(value), Layout(), true, v))
    RaiseRange(IntegerToText(v), u"0", u"255");
}

void TVxbEnumType::SetInteger(TVxbDataValue& value, int64_t v) const {
  if (!FindValue(v))
    throw EVxbConvertError(u"\"" + IntegerToText(v) + u"\" is not a valid enumeration value for " + GetSqlName() +
                           u".");
  Store(value, v);
}

int64_t TVxbEnumType::GetInteger(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  uint8_t v = 0;
  if (!bytes || !C::ReadEnum(bytes, Layout(), v)) return 0;
  return v;
}

int TVxbEnumType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                            TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  if (IsNull(value) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  const int64_t a = GetInteger(value), b = otherType.GetInteger(other);
  return a < b ? kCompareLess : a > b ? kCompareGreater : kCompareEqual;
}

bool TVxbEnumType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (code == vxbNullType || code == vxbEnum || IsIntegerColumnType(code)) return true;
  return explicitly && IsTextColumnType(code);
}

void TVxbEnumType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                               bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
    return;
  }
  const int16_t code = from.ColumnType();
  if (code == vxbEnum && &from != this) {
    // Another enumeration: the item of the same name.
    ConvertFromString(value, from.ConvertToString(fromValue));
  } else if (code == vxbEnum || IsIntegerColumnType(code)) {
    SetInteger(value, from.GetInteger(fromValue));
  } else if (explicitly && IsTextColumnType(code)) {
    ConvertFromString(value, from.ConvertToString(fromValue));
  } else {
    TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
  }
}

std::u16string TVxbEnumType::ConvertToString(const TVxbDataValue& value) const {
  if (IsNull(value)) return {};
  const int64_t v = GetInteger(value);
  const TVxbEnumItem* item = FindValue(v);
  return item ? item->Name : IntegerToText(v);
}

void TVxbEnumType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty()) {
    SetNull(value);
    return;
  }
  const TVxbEnumItem* item = FindName(text);
  if (!item)
    throw EVxbConvertError(u"\"" + std::u16string(text) + u"\" is not a valid enumeration value for " +
                           GetSqlName() + u".");
  Store(value, item->Value);
}

const TVxbDataType* TVxbEnumType::GetSuperType(const TVxbDataType& other) const {
  if (&other == this || other.ColumnType() == vxbNullType) return this;
  if (other.ColumnType() == vxbEnum && static_cast<const TVxbEnumType&>(other).Items() == FEnumItems)
    return FNullable ? this : &other;
  return nullptr;
}

}  // namespace vexilo::types
