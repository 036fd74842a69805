// TVxbBinaryType: Blob (11), whose record field is the 4-byte number of the
// value's first block in the blob file, and Binary (22), the type of binary
// values of expressions. A holder keeps the bytes as a presence byte, a
// uint32 length and the bytes (see data_value.h); FMaxLength, when above 0,
// cuts values to that many bytes. Binary values compare byte by byte, a
// shorter value that is a prefix of a longer one first.
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbBinaryType : public TVxbDataType {
 public:
  using TVxbDataType::SetAnsiString;

  TVxbBinaryType(int16_t columnType, bool nullable, int32_t maxLength, int16_t level)
      : TVxbDataType(columnType, nullable, level), FMaxLength(maxLength) {}

  int32_t MaxLength() const { return FMaxLength; }

  int32_t GetDataSize() const override { return FColumnType == vxbBlob ? 4 : 0; }
  bool GetHasNullByte() const override { return false; }
  std::u16string GetSqlName() const override { return u"LONGVARBINARY"; }
  std::u16string GetTplName() const override { return u"Blob"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override { SetBytes(value, {}); }
  void GetMaximum(TVxbDataValue& value) const override;
  void GetMinimum(TVxbDataValue& value) const override;
  int32_t GetSize(const TVxbDataValue& value) const override;
  void CopyTo(const TVxbDataValue& value, uint8_t* dest) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  void SetBytes(TVxbDataValue& value, std::span<const uint8_t> first,
                std::span<const uint8_t> second = {}) const override;
  std::span<const uint8_t> GetBytes(const TVxbDataValue& value) const override;
  // The characters as bytes, and back.
  void SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const override;
  std::string GetAnsiString(const TVxbDataValue& value) const override;

  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool CanCompareTo(const TVxbDataType& other) const override;
  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;

 protected:
  const uint8_t* ValueBytes(const TVxbDataValue& value) const override;

 private:
  int32_t FMaxLength;
};

}  // namespace vexilo::types
