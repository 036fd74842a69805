#include "engine/types/string_type.h"

#include <algorithm>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/numeric_type.h"
#include "engine/types/string_size.h"
#include "engine/types/type_errors.h"

namespace vexilo::types {

// The source of an empty text (never read: it has no units).
static constexpr uint8_t kNoUnits[1] = {0};


namespace {

using M = TvwMemory;

constexpr size_t kUnboundedMinimumUnits = 80;

bool IsUnboundedCode(int16_t code, int32_t maxLength) {
  return code == vxbMemo || code == vxbWideMemo || maxLength == 0 || maxLength == kUnboundedLength;
}

// The code page of a text type's bytes (Char and the engine collation: 1252).
uint16_t CodePageOf(const TVxbDataType& type) {
  if (type.ColumnType() == vxbChar) return TVxbCollation::Engine().CodePage();
  return static_cast<const TVxbStringType&>(type).Collation().CodePage();
}

bool IsAnsiText(int16_t code) { return code == vxbChar || code == vxbString || code == vxbMemo; }
bool IsWideText(int16_t code) { return code == vxbWideString || code == vxbWideMemo; }

int32_t TextLength(const TVxbDataType& type) {
  if (type.ColumnType() == vxbChar) return 1;
  return static_cast<const TVxbStringType&>(type).MaxLength();
}

}  // namespace

TVxbStringType::TVxbStringType(int16_t columnType, bool nullable, int32_t maxLength, std::u16string collationName,
                               int16_t level)
    : TVxbDataType(columnType, nullable, level),
      FMaxLength(IsUnboundedCode(columnType, maxLength) ? kUnboundedLength : maxLength),
      FCollationName(std::move(collationName)) {
  if (!IsUnbounded()) CheckStringLength(columnType, FMaxLength);
  const TVxbResolvedCollation resolved = TVxbCollation::Resolve(FCollationName);
  if (!resolved.collation) throw errors::EVxbEngine(errors::vxbErrNoSuchCollation, FCollationName);
  FCollation = resolved.collation;
  FLocaleId = FCollation->LocaleId();
  FStrCmpOptions = resolved.options;
}

int32_t TVxbStringType::CalcMaxLength(int16_t columnType, bool nullable, int32_t size, int16_t level) {
  const bool nullByte = nullable && CanBeNullable(columnType, level) && HasNullByteWhenNullable(columnType);
  return columnType == vxbWideString ? WideStringMaxLength(size, nullByte) : StringMaxLength(size, nullByte);
}

bool TVxbStringType::IsSupportedCollation(std::u16string_view collationName) {
  return TVxbCollation::IsSupported(collationName);
}

int32_t TVxbStringType::GetDataSize() const {
  if (FColumnType == vxbMemo || FColumnType == vxbWideMemo) return 4;
  if (IsUnbounded()) return 0;
  return IsWide() ? WideStringFieldSize(FMaxLength, GetHasNullByte()) : StringFieldSize(FMaxLength, GetHasNullByte());
}

bool TVxbStringType::GetHasNullByte() const { return !IsUnbounded() && TVxbDataType::GetHasNullByte(); }

const TVxbDataType* TVxbStringType::Create(int16_t columnType, bool nullable, int16_t level) const {
  if (!IsTextColumnType(columnType) || columnType == vxbChar) return GetDataType(columnType, nullable, level);
  return GetStringType(columnType, nullable, IsUnbounded() ? 0 : FMaxLength, FCollationName, level);
}

// ---- Holder layout ----

size_t TVxbStringType::PrefixOffset() const {
  if (IsUnbounded()) return 1;
  return GetHasNullByte() && FLevel >= 6 ? 1 : 0;
}

size_t TVxbStringType::PrefixWidth() const {
  if (IsUnbounded()) return 4;
  return IsWide() ? 2 : static_cast<size_t>(StringPrefixWidth(FMaxLength));
}

size_t TVxbStringType::Capacity(const TVxbDataValue& value) const {
  if (!IsUnbounded()) return static_cast<size_t>(FMaxLength);
  if (value.IsReference() || value.BufferSize < DataOffset()) return 0;
  return (value.BufferSize - DataOffset()) / UnitSize();
}

const uint8_t* TVxbStringType::ValueBytes(const TVxbDataValue& value) const {
  if (value.IsEmpty()) return nullptr;
  if (value.IsReference()) return value.RefIsText ? nullptr : value.DataPtr;
  return value.Buffer.get();
}

bool TVxbStringType::ReadText(const TVxbDataValue& value, TText& text) const {
  if (value.IsEmpty()) return false;
  if (value.IsReference() && value.RefIsText) {
    text = {value.DataPtr, value.RefLength};
    return true;
  }
  const uint8_t* bytes = ValueBytes(value);
  if (!bytes) return false;
  size_t units;
  if (IsUnbounded()) {
    if (M::ReadUInt8(bytes, 0) == 0) return false;
    units = M::ReadUInt32(bytes, 1);
    if (!value.IsReference()) units = std::min(units, Capacity(value));
  } else {
    // A buffer filled through another type may be shorter than this field.
    if (!value.IsReference() && value.BufferSize < static_cast<size_t>(GetDataSize())) return false;
    if (GetHasNullByte() && M::ReadUInt8(bytes, FLevel >= 6 ? 0 : GetDataSize() - 1) == 0) return false;
    units = PrefixWidth() == 1 ? M::ReadUInt8(bytes, PrefixOffset()) : M::ReadUInt16(bytes, PrefixOffset());
    units = std::min(units, static_cast<size_t>(FMaxLength));
  }
  text = {bytes + DataOffset(), units};
  return true;
}

uint8_t* TVxbStringType::PrepareText(TVxbDataValue& value, size_t& units) const {
  if (!IsUnbounded()) units = std::min(units, static_cast<size_t>(FMaxLength));
  uint8_t* base;
  if (value.IsReference() && !value.RefIsText && value.DataPtr && !IsUnbounded()) {
    base = value.DataPtr;
  } else {
    DetachValue(value);
    value.ColumnType = static_cast<uint16_t>(FColumnType);
    const size_t need = IsUnbounded() ? DataOffset() + UnitSize() * std::max(units, kUnboundedMinimumUnits)
                                      : static_cast<size_t>(GetDataSize());
    base = value.EnsureBuffer(need);
  }
  if (IsUnbounded()) {
    M::WriteUInt8(base, 0, 1);
    M::WriteUInt32(base, 1, static_cast<uint32_t>(units));
  } else {
    if (GetHasNullByte()) M::WriteUInt8(base, FLevel >= 6 ? 0 : GetDataSize() - 1, 1);
    if (PrefixWidth() == 1) M::WriteUInt8(base, PrefixOffset(), static_cast<uint8_t>(units));
    else M::WriteUInt16(base, PrefixOffset(), static_cast<uint16_t>(units));
  }
  return base + DataOffset();
}

void TVxbStringType::GetDefault(TVxbDataValue& value) const { StoreUnits(value, kNoUnits, 0); }

void TVxbStringType::StoreUnits(TVxbDataValue& value, const uint8_t* src, size_t units) const {
  // The holder's buffer may move while it grows; keep a source inside it.
  std::vector<uint8_t> copy;
  const uint8_t* buffer = value.Buffer.get();
  if (src && buffer && src >= buffer && src < buffer + value.BufferSize) {
    copy.assign(src, src + units * UnitSize());
    src = copy.data();
  }
  uint8_t* dst = PrepareText(value, units);
  if (units) M::Copy(dst, 0, src, 0, units * UnitSize());
  if (!IsUnbounded()) M::Fill(dst, units * UnitSize(), (FMaxLength - units) * UnitSize(), 0);
}

void TVxbStringType::StoreWide(TVxbDataValue& value, const char16_t* s, size_t units) const {
  uint8_t* dst = PrepareText(value, units);
  for (size_t i = 0; i < units; ++i) M::WriteUInt16(dst, 2 * i, s[i]);
  if (!IsUnbounded()) M::Fill(dst, units * 2, (FMaxLength - units) * 2, 0);
}

// ---- Values ----

void TVxbStringType::GetMaximum(TVxbDataValue& value) const {
  static const uint8_t kZero[2] = {0, 0};
  StoreUnits(value, kZero, 1);
}

void TVxbStringType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else StoreUnits(value, kNoUnits, 0);
}

int32_t TVxbStringType::GetSize(const TVxbDataValue& value) const {
  if (!IsUnbounded()) return GetDataSize();
  TText text;
  const size_t units = ReadText(value, text) ? text.units : 0;
  return static_cast<int32_t>(DataOffset() + units * UnitSize());
}

void TVxbStringType::CopyTo(const TVxbDataValue& value, uint8_t* dest) const {
  if (IsUnbounded()) throw EVxbTypeError(u"Cannot perform the operation on this data type.");
  TVxbDataValue target;
  SetReference(target, dest);
  TText text;
  if (ReadText(value, text)) StoreUnits(target, text.data, text.units);
  else if (FNullable) SetNull(target);
  else StoreUnits(target, kNoUnits, 0);
}

bool TVxbStringType::IsNull(const TVxbDataValue& value) const {
  TText text;
  return !ReadText(value, text);
}

void TVxbStringType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  uint8_t* base;
  if (value.IsReference() && !value.RefIsText && value.DataPtr && !IsUnbounded()) {
    base = value.DataPtr;
  } else {
    DetachValue(value);
    value.ColumnType = static_cast<uint16_t>(FColumnType);
    base = value.EnsureBuffer(IsUnbounded() ? DataOffset() : static_cast<size_t>(GetDataSize()));
  }
  if (IsUnbounded()) {
    M::WriteUInt8(base, 0, 0);
    M::WriteUInt32(base, 1, 0);
  } else if (GetHasNullByte()) {
    M::WriteUInt8(base, FLevel >= 6 ? 0 : GetDataSize() - 1, 0);
  } else {
    size_t none = 0;
    PrepareText(value, none);
  }
}

void TVxbStringType::SetLength(TVxbDataValue& value, int32_t length) const {
  size_t units = static_cast<size_t>(std::max(length, 0));
  PrepareText(value, units);
}

int32_t TVxbStringType::GetLength(const TVxbDataValue& value) const {
  TText text;
  return ReadText(value, text) ? static_cast<int32_t>(text.units) : 0;
}

int32_t TVxbStringType::GetLength(const uint8_t* ptr) const {
  TVxbDataValue view;
  SetReference(view, const_cast<uint8_t*>(ptr));
  return GetLength(view);
}

void TVxbStringType::GetMaximumFill(TVxbDataValue& value) const {
  TText text;
  const size_t units = ReadText(value, text) ? text.units : 0;
  if (!IsUnbounded() && units >= static_cast<size_t>(FMaxLength)) return;
  std::vector<uint8_t> filled(text.data, text.data + units * UnitSize());
  filled.resize(filled.size() + UnitSize(), 0);
  StoreUnits(value, filled.data(), units + 1);
}

// ---- Conversion ----

bool TVxbStringType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (code == vxbNullType || IsTextColumnType(code)) return true;
  return explicitly && code != vxbBlob && code != vxbRelation && code != vxbBinary;
}

void TVxbStringType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                                 bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
    return;
  }
  const int16_t code = from.ColumnType();
  if (!IsTextColumnType(code)) {
    if (!explicitly || !CanConvertFrom(from, explicitly)) {
      TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
      return;
    }
    SetWideString(value, from.ConvertToString(fromValue));
    return;
  }
  const bool sameUnits = code != vxbChar && IsWideText(code) == IsWide();
  if (sameUnits && (IsWide() || CodePageOf(from) == CodePageOf(*this)) && (from.Level() == 1) == (FLevel == 1)) {
    // The stored characters mean the same here: copy them as they are.
    TText text;
    static_cast<const TVxbStringType&>(from).ReadText(fromValue, text);
    StoreUnits(value, text.data, text.units);
  } else if (!IsWide() && IsAnsiText(code) && CodePageOf(from) == CodePageOf(*this)) {
    SetAnsiString(value, from.GetAnsiString(fromValue));
  } else {
    SetWideString(value, from.GetWideString(fromValue));
  }
}

void TVxbStringType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty() && FNullable) SetNull(value);
  else SetWideString(value, text);
}

// ---- Expressions ----

const TVxbDataType* TVxbStringType::GetSuperType(const TVxbDataType& other) const {
  if (&other == this || other.ColumnType() == vxbNullType) return this;
  if (!IsTextColumnType(other.ColumnType())) return nullptr;
  const bool wide = IsWide() || IsWideText(other.ColumnType());
  const int32_t otherLength = TextLength(other);
  bool unbounded = IsUnbounded() || otherLength == kUnboundedLength;
  int32_t length = std::max(FMaxLength, otherLength);
  if (wide && length > kMaxWideStringLength) unbounded = true;
  return GetStringType(wide ? vxbWideString : vxbString, FNullable || other.Nullable(), unbounded ? 0 : length,
                       FCollationName, FLevel);
}

const TVxbDataType* TVxbStringType::GetResultDataType(TVxbUnaryOperator op) const {
  if (op == duoStringUpper || op == duoStringLower) return GetNullableType(true);
  return nullptr;
}

const TVxbDataType* TVxbStringType::GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                                          const TVxbDataType& type2) const {
  if (op != dboPlus || !IsTextColumnType(type1.ColumnType()) || !IsTextColumnType(type2.ColumnType()))
    return nullptr;
  const bool wide = IsWideText(type1.ColumnType()) || IsWideText(type2.ColumnType());
  const int16_t code = wide ? vxbWideString : vxbString;
  const TVxbDataType& named = type1.ColumnType() == vxbChar ? type2 : type1;
  const std::u16string collation =
      named.ColumnType() == vxbChar ? u"" : static_cast<const TVxbStringType&>(named).CollationName();
  const int32_t l1 = TextLength(type1), l2 = TextLength(type2);
  if (l1 == kUnboundedLength || l2 == kUnboundedLength)
    return GetStringType(code, true, 0, collation, type1.Level());
  const int32_t sum = std::min(l1 + l2, MaxStringLengthOf(code));
  return GetApproxStringType(code, true, sum, collation, type1.Level());
}

void TVxbStringType::CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1,
                                   const TVxbDataValue& value2, const TVxbDataType& type1,
                                   const TVxbDataType& type2, TVxbDataValue& result,
                                   const TVxbDataType& resultType) const {
  if (op != dboPlus) {
    TVxbDataType::CalculateWith(op, value1, value2, type1, type2, result, resultType);
    return;
  }
  if (value1.IsEmpty() || type1.IsNull(value1) || value2.IsEmpty() || type2.IsNull(value2)) {
    resultType.SetNull(result);
    return;
  }
  const auto& target = static_cast<const TVxbStringType&>(resultType);
  const bool ansi = !target.IsWide() && IsAnsiText(type1.ColumnType()) && IsAnsiText(type2.ColumnType()) &&
                    CodePageOf(type1) == CodePageOf(target) && CodePageOf(type2) == CodePageOf(target);
  if (ansi) target.SetAnsiString(result, type1.GetAnsiString(value1) + type2.GetAnsiString(value2));
  else target.SetWideString(result, type1.GetWideString(value1) + type2.GetWideString(value2));
}

}  // namespace vexilo::types
