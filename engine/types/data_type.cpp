#include "engine/types/data_type.h"

#include <cstring>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/type_errors.h"

namespace vexilo::types {

namespace {

[[noreturn]] void Plain(const char16_t* text) { throw EVxbTypeError(text); }

}  // namespace

// ---- Description ----

bool TVxbDataType::GetHasNullByte() const { return FNullable && HasNullByteWhenNullable(FColumnType); }

bool TVxbDataType::HasSameLayout(const TVxbDataType& other) const {
  if (&other == this) return true;
  // Types of one code and one size differ in layout only by the place of the
  // null byte (level 6 or not) and, for strings, the prefix width, which
  // follows from the size.
  return other.FColumnType == FColumnType && other.GetDataSize() == GetDataSize() &&
         other.GetHasNullByte() == GetHasNullByte() && (other.FLevel >= 6) == (FLevel >= 6) &&
         (other.FLevel == 1) == (FLevel == 1);
}

TVxbFieldLayout TVxbDataType::Layout() const {
  return TVxbFieldLayout{0, static_cast<size_t>(GetDataSize()), FLevel, GetHasNullByte()};
}

const uint8_t* TVxbDataType::ValueBytes(const TVxbDataValue& value) const {
  if (value.IsEmpty()) return nullptr;
  if (value.IsReference()) return value.RefIsText ? nullptr : value.DataPtr;
  return value.Inline;
}

uint8_t* TVxbDataType::FixedBytesForWrite(TVxbDataValue& value) const {
  if (value.IsReference() && !value.RefIsText && value.DataPtr) return value.DataPtr;
  if (value.ColumnType != static_cast<uint16_t>(FColumnType) || value.IsReference() || value.IsEmpty()) {
    value.ColumnType = static_cast<uint16_t>(FColumnType);
    value.DataPtr = nullptr;
    value.RefIsText = false;
    std::memset(value.Inline, 0, sizeof value.Inline);
  }
  value.HoldsChar = FColumnType == vxbChar;
  return value.Inline;
}

void TVxbDataType::CheckNullable() const {
  if (!FNullable) throw errors::EVxbEngine(errors::vxbErrNullNotAccepted, GetSqlName());
}

void TVxbDataType::SetNullOrDefault(TVxbDataValue& value) const {
  if (FNullable) SetNull(value);
  else GetDefault(value);
}

void TVxbDataType::RaiseMismatch(const std::u16string& to) const {
  throw errors::EVxbEngine(errors::vxbErrTypeMismatch, GetTplName() + u"->" + to);
}

void TVxbDataType::RaiseRange(const std::u16string& value, const std::u16string& min,
                              const std::u16string& max) const {
  throw errors::EVxbEngine(errors::vxbErrValueRange, {value, GetSqlName(), min, max});
}

// ---- Values ----

int32_t TVxbDataType::GetSize(const TVxbDataValue&) const { return GetDataSize(); }

void TVxbDataType::CopyTo(const TVxbDataValue& value, uint8_t* dest) const {
  const uint8_t* bytes = ValueBytes(value);
  if (bytes) {
    TvwMemory::Copy(dest, 0, bytes, 0, static_cast<size_t>(GetDataSize()));
    return;
  }
  // An empty holder: write null the way the field does.
  TVxbDataValue nullValue;
  SetReference(nullValue, dest);
  SetNull(nullValue);
}

void TVxbDataType::SetReference(TVxbDataValue& value, uint8_t* ref) const {
  value.ColumnType = static_cast<uint16_t>(FColumnType) | kValueReferenceBit;
  value.HoldsChar = false;
  value.DataPtr = ref;
  value.RefIsText = false;
  value.RefLength = 0;
}

void TVxbDataType::SetReference(TVxbDataValue& value, const TVxbDataValue& other,
                                const TVxbDataType& otherType) const {
  if (&value == &other) return;
  if (HasSameLayout(otherType) && !other.IsEmpty()) {
    if (other.IsReference()) {
      value.ColumnType = static_cast<uint16_t>(FColumnType) | kValueReferenceBit;
      value.HoldsChar = false;
      value.DataPtr = other.DataPtr;
      value.RefIsText = other.RefIsText;
      value.RefLength = other.RefLength;
      return;
    }
    if (const uint8_t* bytes = otherType.ValueBytes(other)) {
      SetReference(value, const_cast<uint8_t*>(bytes));
      return;
    }
  }
  Assign(value, other, otherType);
}

void TVxbDataType::Assign(TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType) const {
  if (&value == &other) return;
  if (other.IsEmpty()) {
    SetNull(value);
    return;
  }
  Convert(other, value, otherType, *this, true);
}

void TVxbDataType::SetNull(TVxbDataValue&) const {
  CheckNullable();
  Plain(u"Cannot perform the operation on this data type.");
}

// ---- Typed access: nothing is supported here ----

void TVxbDataType::SetInteger(TVxbDataValue&, int64_t) const { Plain(u"Cannot assign integer."); }
int64_t TVxbDataType::GetInteger(const TVxbDataValue&) const { Plain(u"Is not an integer."); }
void TVxbDataType::SetDouble(TVxbDataValue&, double) const { Plain(u"Cannot assign double."); }
double TVxbDataType::GetDouble(const TVxbDataValue&) const { RaiseMismatch(u"Double"); }
void TVxbDataType::SetGuid(TVxbDataValue&, const TGuid&) const { Plain(u"Cannot assign GUID."); }
TGuid TVxbDataType::GetGuid(const TVxbDataValue&) const { Plain(u"Is not a GUID."); }
void TVxbDataType::SetTime(TVxbDataValue&, int64_t) const { Plain(u"Cannot assign time."); }
int64_t TVxbDataType::GetTime(const TVxbDataValue&) const { Plain(u"Is not a time."); }
void TVxbDataType::SetDate(TVxbDataValue&, int32_t) const { Plain(u"Cannot assign date."); }
int32_t TVxbDataType::GetDate(const TVxbDataValue&) const { Plain(u"Is not a date."); }
void TVxbDataType::SetTimeStamp(TVxbDataValue&, const TVxbTimeStamp&) const { Plain(u"Cannot assign time stamp."); }
TVxbTimeStamp TVxbDataType::GetTimeStamp(const TVxbDataValue&) const { RaiseMismatch(u"DateTime"); }
void TVxbDataType::SetAnsiString(TVxbDataValue&, const char*, size_t) const { Plain(u"Cannot assign ANSI string."); }
void TVxbDataType::SetAnsiStringRef(TVxbDataValue&, const char*, size_t) const {
  Plain(u"Cannot assign ANSI string reference.");
}
std::string TVxbDataType::GetAnsiString(const TVxbDataValue&) const { Plain(u"Is not an ANSI string."); }
std::string_view TVxbDataType::GetPAnsiChar(const TVxbDataValue&) const { Plain(u"Is not an ANSI string."); }
void TVxbDataType::SetWideString(TVxbDataValue&, const char16_t*, size_t) const {
  Plain(u"Cannot assign Unicode string.");
}
std::u16string TVxbDataType::GetWideString(const TVxbDataValue&) const { Plain(u"Is not a wide string."); }
void TVxbDataType::SetObject(TVxbDataValue&, void*) const { Plain(u"Cannot assign object."); }
void* TVxbDataType::GetObject(const TVxbDataValue&) const { Plain(u"Is not a class."); }
void TVxbDataType::SetBytes(TVxbDataValue&, std::span<const uint8_t>, std::span<const uint8_t>) const {
  Plain(u"Cannot assign bytes.");
}
std::span<const uint8_t> TVxbDataType::GetBytes(const TVxbDataValue&) const { Plain(u"Is not a binary."); }

// ---- Comparison and conversion ----

bool TVxbDataType::CanCompareTo(const TVxbDataType& other) const { return other.FColumnType == FColumnType; }

int TVxbDataType::CompareTo(const TVxbDataValue&, const TVxbDataValue&, const TVxbDataType&,
                            TStrCmpOptions) const {
  Plain(u"Cannot compare these types");
}

bool TVxbDataType::CanConvertTo(const TVxbDataType&, bool) const { return false; }

bool TVxbDataType::CanConvertFrom(const TVxbDataType& from, bool) const {
  return from.FColumnType == vxbNullType || HasSameLayout(from);
}

void TVxbDataType::ConvertTo(const TVxbDataValue&, TVxbDataValue&, const TVxbDataType& to, bool) const {
  RaiseMismatch(to.GetTplName());
}

void TVxbDataType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                               bool) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
    return;
  }
  if (!HasSameLayout(from)) from.RaiseMismatch(GetTplName());
  const uint8_t* src = from.ValueBytes(fromValue);
  if (!src) from.RaiseMismatch(GetTplName());
  uint8_t* dst = FixedBytesForWrite(value);
  if (dst != src) TvwMemory::Copy(dst, 0, src, 0, static_cast<size_t>(GetDataSize()));
}

std::u16string TVxbDataType::ConvertToString(const TVxbDataValue&) const { Plain(u"Cannot convert to string"); }

void TVxbDataType::ConvertFromString(TVxbDataValue&, std::u16string_view) const {
  throw errors::EVxbEngine(errors::vxbErrTypeMismatch, u"String->" + GetTplName());
}

// ---- Expressions ----

const TVxbDataType* TVxbDataType::GetSuperType(const TVxbDataType& other) const {
  if (&other == this) return this;
  if (other.FColumnType == vxbNullType) return this;
  if (HasSameLayout(other)) return FNullable ? this : &other;
  return nullptr;
}

const TVxbDataType* TVxbDataType::GetResultDataType(TVxbUnaryOperator) const { return nullptr; }

const TVxbDataType* TVxbDataType::GetResultDataTypeWith(TVxbBinaryOperator, const TVxbDataType&,
                                                        const TVxbDataType&) const {
  return nullptr;
}

void TVxbDataType::CalculateWith(TVxbBinaryOperator, const TVxbDataValue&, const TVxbDataValue&,
                                 const TVxbDataType&, const TVxbDataType&, TVxbDataValue&,
                                 const TVxbDataType&) const {
  Plain(u"Cannot perform this operation on these data types.");
}

void TVxbDataType::CalculateWith(TVxbUnaryOperator, TVxbDataValue&, const TVxbDataType&) const {
  Plain(u"Cannot perform the operation on this data type.");
}

}  // namespace vexilo::types
