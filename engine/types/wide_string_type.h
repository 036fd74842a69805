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

  TVxbWideStringType(int16_t column_type, bool nullable, int32_t max_length, std::u16string collation_name,
                     int16_t level)
      : TVxbStringType(column_type, nullable, max_length, std::move(collation_name), level) {}

  // "VARWCHAR(n)" or "LONGVARWCHAR".
  std::u16string GetSqlName() const override;
  std::u16string GetTplName() const override { return u"String"; }

  // Converted from the collation's code page.
  void SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const override;
  std::string GetAnsiString(const TVxbDataValue& value) const override;
  void SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const override;
  std::u16string GetWideString(const TVxbDataValue& value) const override;

  bool CanCompareTo(const TVxbDataType& other) const override;
  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& other_type,
                TStrCmpOptions options) const override;
  bool Matches(const TVxbDataValue& value, const TVxbDataValue& pattern, const TVxbDataType& pattern_type,
               char16_t multi_joker, char16_t single_joker, char16_t escape) const override;
  void CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& result_type) const override;
};

}  // namespace vexilo::types
