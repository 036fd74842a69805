// TVxbAnsiStringType: String (1) and Memo (7, unbounded). Characters are
// bytes in the code page of the column's collation; level-1 records keep them
// in the OEM set, which the accessors translate. Strings compare with String
// and Memo values by the collation of the first operand.
#pragma once

#include "engine/types/string_type.h"

namespace vexilo::types {

class TVxbAnsiStringType : public TVxbStringType {
 public:
  using TVxbDataType::SetAnsiString;
  using TVxbDataType::SetWideString;
  using TVxbStringType::CalculateWith;

  TVxbAnsiStringType(int16_t columnType, bool nullable, int32_t maxLength, std::u16string collationName,
                     int16_t level)
      : TVxbStringType(columnType, nullable, maxLength, std::move(collationName), level) {}

  // "VARCHAR(n)", "VARCHAR(n) COLLATE name" or "LONGVARCHAR".
  std::u16string GetSqlName() const override;
  std::u16string GetTplName() const override { return u"String"; }

  void SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const override;
  void SetAnsiStringRef(TVxbDataValue& value, const char* s, size_t length) const override;
  std::string GetAnsiString(const TVxbDataValue& value) const override;
  std::string_view GetPAnsiChar(const TVxbDataValue& value) const override;
  // Converted to the collation's code page; characters it lacks become "?".
  void SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const override;
  std::u16string GetWideString(const TVxbDataValue& value) const override;

  bool CanCompareTo(const TVxbDataType& other) const override;
  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool Matches(const TVxbDataValue& value, const TVxbDataValue& pattern, const TVxbDataType& patternType,
               char16_t multiJoker, char16_t singleJoker, char16_t escape) const override;
  void CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& resultType) const override;

 private:
  // The characters of a value as bytes in the collation's code page: a view
  // of the stored bytes where they are that already, else `scratch`.
  bool AnsiView(const TVxbDataValue& value, std::string& scratch, std::string_view& view) const;
};

}  // namespace vexilo::types
