#include "engine/types/guid_type.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/value_text.h"

namespace vexilo::types {

namespace {
using C = TVxbFieldCodec;

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}
}  // namespace

int CompareGuids(const TGuid& a, const TGuid& b) {
  if (int r = Order(a.Data1, b.Data1)) return r;
  if (int r = Order(a.Data2, b.Data2)) return r;
  if (int r = Order(a.Data3, b.Data3)) return r;
  const uint16_t a89 = static_cast<uint16_t>(a.Data4[0] | a.Data4[1] << 8);
  const uint16_t b89 = static_cast<uint16_t>(b.Data4[0] | b.Data4[1] << 8);
  if (int r = Order(a89, b89)) return r;
  for (int i = 7; i >= 2; --i)
    if (int r = Order(a.Data4[i], b.Data4[i])) return r;
  return 0;
}

const TVxbDataType* TVxbGuidType::Create(int16_t columnType, bool nullable, int16_t level) const {
  return GetDataType(columnType, nullable, level);
}

void TVxbGuidType::GetMaximum(TVxbDataValue& value) const {
  TGuid g;
  g.Data1 = 0xFFFFFFFF;
  g.Data2 = g.Data3 = 0xFFFF;
  for (auto& b : g.Data4) b = 0xFF;
  SetGuid(value, g);
}

void TVxbGuidType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else SetGuid(value, TGuid{});
}

bool TVxbGuidType::IsNull(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  TGuid g;
  return !bytes || !C::ReadGuid(bytes, Layout(), g);
}

void TVxbGuidType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  C::WriteGuid(FixedBytesForWrite(value), Layout(), false, TGuid{});
}

void TVxbGuidType::SetGuid(TVxbDataValue& value, const TGuid& v) const {
  C::WriteGuid(FixedBytesForWrite(value), Layout(), true, v);
}

TGuid TVxbGuidType::GetGuid(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  TGuid g;
  if (!bytes || !C::ReadGuid(bytes, Layout(), g)) return TGuid{};
  return g;
}

int TVxbGuidType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                            TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  if (IsNull(value) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  return 2 + CompareGuids(GetGuid(value), otherType.GetGuid(other));
}

bool TVxbGuidType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  return code == vxbNullType || code == vxbGuid || (explicitly && IsTextColumnType(code));
}

void TVxbGuidType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                               bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) SetNullOrDefault(value);
  else if (from.ColumnType() == vxbGuid) SetGuid(value, from.GetGuid(fromValue));
  else if (explicitly && IsTextColumnType(from.ColumnType())) ConvertFromString(value, from.ConvertToString(fromValue));
  else TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
}

std::u16string TVxbGuidType::ConvertToString(const TVxbDataValue& value) const {
  if (IsNull(value)) return {};
  return GuidToText(GetGuid(value));
}

void TVxbGuidType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty()) {
    SetNull(value);
    return;
  }
  const auto g = GuidFromText(text);
  if (!g) throw errors::EVxbEngine(errors::vxbErrTypeMismatch, u"String->" + GetTplName());
  SetGuid(value, *g);
}

}  // namespace vexilo::types
