#include "engine/types/binary_type.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/types/numeric_type.h"
#include "engine/types/type_errors.h"

namespace vexilo::types {

namespace {
using M = TvwMemory;
constexpr size_t kHeader = 5;  // presence byte, uint32 length
}  // namespace

const TVxbDataType* TVxbBinaryType::Create(int16_t columnType, bool nullable, int16_t level) const {
  if (columnType != vxbBlob && columnType != vxbBinary) return GetDataType(columnType, nullable, level);
  return GetBinaryType(columnType, nullable, FMaxLength, level);
}

void TVxbBinaryType::GetMaximum(TVxbDataValue& value) const {
  static const uint8_t kHighest[1] = {0xFF};
  SetBytes(value, kHighest);
}

void TVxbBinaryType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else SetBytes(value, {});
}

const uint8_t* TVxbBinaryType::ValueBytes(const TVxbDataValue& value) const {
  if (value.IsEmpty()) return nullptr;
  if (value.IsReference()) return value.RefIsText ? nullptr : value.DataPtr;
  return value.BufferSize >= kHeader ? value.Buffer.get() : nullptr;
}

std::span<const uint8_t> TVxbBinaryType::GetBytes(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  if (!bytes || M::ReadUInt8(bytes, 0) == 0) return {};
  size_t length = M::ReadUInt32(bytes, 1);
  if (!value.IsReference()) length = std::min(length, value.BufferSize - kHeader);
  return {bytes + kHeader, length};
}

int32_t TVxbBinaryType::GetSize(const TVxbDataValue& value) const {
  return static_cast<int32_t>(kHeader + GetBytes(value).size());
}

void TVxbBinaryType::CopyTo(const TVxbDataValue&, uint8_t*) const {
  throw EVxbTypeError(u"Cannot perform the operation on this data type.");
}

bool TVxbBinaryType::IsNull(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  return !bytes || M::ReadUInt8(bytes, 0) == 0;
}

void TVxbBinaryType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  DetachValue(value);
  value.ColumnType = static_cast<uint16_t>(FColumnType);
  uint8_t* base = value.EnsureBuffer(kHeader);
  M::WriteUInt8(base, 0, 0);
  M::WriteUInt32(base, 1, 0);
}

void TVxbBinaryType::SetBytes(TVxbDataValue& value, std::span<const uint8_t> first,
                              std::span<const uint8_t> second) const {
  // The pieces may lie in the holder's own buffer, which may move.
  std::vector<uint8_t> joined(first.begin(), first.end());
  joined.insert(joined.end(), second.begin(), second.end());
  if (FMaxLength > 0 && joined.size() > static_cast<size_t>(FMaxLength)) joined.resize(FMaxLength);
  DetachValue(value);
  value.ColumnType = static_cast<uint16_t>(FColumnType);
  uint8_t* base = value.EnsureBuffer(kHeader + joined.size());
  M::WriteUInt8(base, 0, 1);
  M::WriteUInt32(base, 1, static_cast<uint32_t>(joined.size()));
  M::Copy(base, kHeader, joined.data(), 0, joined.size());
}

void TVxbBinaryType::SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const {
  SetBytes(value, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s), length));
}

std::string TVxbBinaryType::GetAnsiString(const TVxbDataValue& value) const {
  const auto bytes = GetBytes(value);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool TVxbBinaryType::CanCompareTo(const TVxbDataType& other) const {
  return other.ColumnType() == vxbBlob || other.ColumnType() == vxbBinary;
}

int TVxbBinaryType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                              TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  if (IsNull(value) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  const auto a = GetBytes(value), b = otherType.GetBytes(other);
  const size_t n = std::min(a.size(), b.size());
  int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (r == 0) r = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  return r < 0 ? kCompareLess : r > 0 ? kCompareGreater : kCompareEqual;
}

bool TVxbBinaryType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (code == vxbNullType || code == vxbBlob || code == vxbBinary) return true;
  return explicitly && (code == vxbString || code == vxbMemo);
}

void TVxbBinaryType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                                 bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) SetNullOrDefault(value);
  else if (code == vxbBlob || code == vxbBinary) SetBytes(value, from.GetBytes(fromValue));
  else if (explicitly && (code == vxbString || code == vxbMemo)) SetAnsiString(value, from.GetAnsiString(fromValue));
  else TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
}

}  // namespace vexilo::types
