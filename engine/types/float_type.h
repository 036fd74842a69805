// TVxbFloatType: Float (3), a binary64 number (a 6-byte real in level-1
// records). Values compare equal when they agree in FPrecision (15)
// significant digits: |a - b| / (|a| + |b|) <= 1e-15, or |a| + |b| <= 1e-15.
// FScale is the number of digits after the decimal point of the column.
#pragma once

#include "engine/types/numeric_type.h"

namespace vexilo::types {

class TVxbFloatType : public TVxbNumericType {
 public:
  TVxbFloatType(bool nullable, int16_t scale, int16_t level);

  int16_t Precision() const { return FPrecision; }
  int16_t Scale() const { return FScale; }

  int32_t GetDataSize() const override;
  std::u16string GetSqlName() const override { return u"DOUBLE"; }
  std::u16string GetTplName() const override { return u"Real"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override { SetDouble(value, 0.0); }
  void GetMaximum(TVxbDataValue& value) const override { SetDouble(value, 1e16); }
  void GetMinimum(TVxbDataValue& value) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  void SetInteger(TVxbDataValue& value, int64_t v) const override;
  void SetDouble(TVxbDataValue& value, double v) const override;
  double GetDouble(const TVxbDataValue& value) const override;

  bool CanCompareTo(const TVxbDataType& other) const override;
  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
  std::u16string ConvertToString(const TVxbDataValue& value) const override;
  void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const override;

 private:
  int16_t FPrecision = 15;
  int16_t FScale;
};

// Whether two doubles agree in `precision` significant digits.
bool FloatsEqual(double a, double b, int precision);
// The double of an integer; raises EVxbOverflowError "Large integer value
// overflows double range" for a result beyond the double range.
double IntegerToDouble(int64_t v);

}  // namespace vexilo::types
