// TVxbCharType: Char (0), one character in one byte (0 is the empty
// character), followed by its null byte on every level when nullable.
// Level-1 records keep the character in the OEM set; the holder of a level-1
// Char keeps the record's byte, and the accessors translate. Characters
// convert to and from UTF-16 in code page 1252.
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbCharType : public TVxbDataType {
 public:
  using TVxbDataType::SetAnsiString;
  using TVxbDataType::SetWideString;

  TVxbCharType(bool nullable, int16_t level) : TVxbDataType(vxbChar, nullable, level) {}

  int32_t GetDataSize() const override { return GetHasNullByte() ? 2 : 1; }
  // "CHAR(1)", with " NOT NULL" when not nullable.
  std::u16string GetSqlName() const override;
  std::u16string GetTplName() const override { return u"String"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override { Store(value, 0); }
  void GetMaximum(TVxbDataValue& value) const override { Store(value, 255); }
  void GetMinimum(TVxbDataValue& value) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  // The first character of the text, or the empty character.
  void SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const override;
  std::string GetAnsiString(const TVxbDataValue& value) const override;
  void SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const override;
  std::u16string GetWideString(const TVxbDataValue& value) const override;

  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
  std::u16string ConvertToString(const TVxbDataValue& value) const override { return GetWideString(value); }
  void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const override;
  const TVxbDataType* GetSuperType(const TVxbDataType& other) const override;

 private:
  // The ANSI character; false for null.
  bool Read(const TVxbDataValue& value, uint8_t& c) const;
  void Store(TVxbDataValue& value, uint8_t c) const;
};

}  // namespace vexilo::types
