// TVxbWideStringType: WideString (18) and WideMemo (19, unbounded), texts
// of UTF-16 code units. They compare with String, Memo, WideString and
// WideMemo values (an ANSI operand is first converted to UTF-16) by the
// collation of the first operand.
#pragma once

#include "engine/types/string_type.h"

namespace vexilo::types {

class TVxbWideStringType : public TVxbStringType {
 public:
  using TVxbDataType::SetAnsiString;
  using TVxbDataType::SetWideString;
  using TVxbStringType::CalculateWith;

  TVxbWideStringType(int16_t columnType, bool nullable, int32_t maxLength, std::u16string collationName,
                     int16_t level)
      : TVxbStringType(columnType, nullable, maxLength, std::move(collationName), level) {}

  // "VARWCHAR(n)" or "LONGVARWCHAR".
  std::u16string GetSqlName() const override;
  std::u16string GetTplName() const override { return u"String"; }

  // Converted from the collation's code page.
  void SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const override;
  std::string GetAnsiString(const TVxbDataValue& value) const override;
  void SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const override;
  std::u16string GetWideString(const TVxbDataValue& value) const override;

  bool CanCompareTo(const TVxbDataType& other) const override;
  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool Matches(const TVxbDataValue& value, const TVxbDataValue& pattern, const TVxbDataType& patternType,
               char16_t multiJoker, char16_t singleJoker, char16_t escape) const override;
  void CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& resultType) const override;
};

}  // namespace vexilo::types
