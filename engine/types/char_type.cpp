#include "engine/types/char_type.h"

#include "engine/types/collation.h"
#include "engine/types/string_type.h"

namespace vexilo::types {

namespace {
using C = TVxbFieldCodec;
}  // namespace

std::u16string TVxbCharType::GetSqlName() const { return FNullable ? u"CHAR(1)" : u"CHAR(1) NOT NULL"; }

const TVxbDataType* TVxbCharType::Create(int16_t columnType, bool nullable, int16_t level) const {
  return GetDataType(columnType, nullable, level);
}

void TVxbCharType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else Store(value, 0);
}

bool TVxbCharType::Read(const TVxbDataValue& value, uint8_t& c) const {
  const uint8_t* bytes = ValueBytes(value);
  return bytes && C::ReadChar(bytes, Layout(), c);
}

void TVxbCharType::Store(TVxbDataValue& value, uint8_t c) const {
  C::WriteChar(FixedBytesForWrite(value), Layout(), true, c);
}

bool TVxbCharType::IsNull(const TVxbDataValue& value) const {
  uint8_t c;
  return !Read(value, c);
}

void TVxbCharType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  C::WriteChar(FixedBytesForWrite(value), Layout(), false, 0);
}

void TVxbCharType::SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const {
  Store(value, length ? static_cast<uint8_t>(s[0]) : 0);
}

std::string TVxbCharType::GetAnsiString(const TVxbDataValue& value) const {
  uint8_t c = 0;
  if (!Read(value, c) || c == 0) return {};
  return std::string(1, static_cast<char>(c));
}

void TVxbCharType::SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const {
  const std::string ansi = TVxbCollation::Engine().WideToAnsi(std::u16string_view(s, length ? 1 : 0));
  SetAnsiString(value, ansi);
}

std::u16string TVxbCharType::GetWideString(const TVxbDataValue& value) const {
  return TVxbCollation::Engine().AnsiToWide(GetAnsiString(value));
}

int TVxbCharType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                            TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  uint8_t a, b;
  if (!Read(value, a) || other.IsEmpty() || !static_cast<const TVxbCharType&>(otherType).Read(other, b))
    return kCompareNull;
  return a < b ? kCompareLess : a > b ? kCompareGreater : kCompareEqual;
}

bool TVxbCharType::CanConvertFrom(const TVxbDataType& from, bool) const {
  return from.ColumnType() == vxbNullType || IsTextColumnType(from.ColumnType());
}

void TVxbCharType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                               bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
  } else if (from.ColumnType() == vxbChar) {
    uint8_t c = 0;
    static_cast<const TVxbCharType&>(from).Read(fromValue, c);
    Store(value, c);
  } else if (from.ColumnType() == vxbString || from.ColumnType() == vxbMemo) {
    SetAnsiString(value, from.GetAnsiString(fromValue));
  } else if (IsTextColumnType(from.ColumnType())) {
    SetWideString(value, from.GetWideString(fromValue));
  } else {
    TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
  }
}

void TVxbCharType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty() && FNullable) SetNull(value);
  else SetWideString(value, text);
}

const TVxbDataType* TVxbCharType::GetSuperType(const TVxbDataType& other) const {
  if (&other == this || other.ColumnType() == vxbNullType) return this;
  if (other.ColumnType() == vxbChar) return FNullable ? this : &other;
  // A Char joins the other texts as a String of one character.
  if (IsTextColumnType(other.ColumnType())) return other.GetSuperType(*GetStringType(vxbString, FNullable, 1, u"", FLevel));
  return nullptr;
}

}  // namespace vexilo::types
