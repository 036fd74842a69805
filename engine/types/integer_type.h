// TVxbIntegerType: SmallInt (2), Byte (4), Boolean (5), RecordId (9),
// Link (10), Integer (16) and BigInt (20).
//
// Ranges checked by SetInteger (engine error 81 outside): SmallInt -32768 to
// 32767, Byte 0 to 255, RecordId and Link 0 to 2147483647, Integer the int32
// range, BigInt the int64 range. A Boolean stores 1 for any non-zero value.
// Converting from another number narrows first (SmallInt keeps the low 16
// bits as a signed number, Byte the low 8 bits, the 32-bit types the low 32
// bits, a Boolean becomes 1 when non-zero); a Float is first rounded to the
// nearest integer, ties to even.
#pragma once

#include "engine/types/numeric_type.h"

namespace vexilo::types {

class TVxbIntegerType : public TVxbNumericType {
 public:
  using TVxbDataType::SetAnsiString;
  using TVxbDataType::SetWideString;

  TVxbIntegerType(int16_t columnType, bool nullable, int16_t level);

  int32_t GetDataSize() const override;
  std::u16string GetSqlName() const override;
  std::u16string GetTplName() const override { return u"Integer"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  int64_t MinValue() const;
  int64_t MaxValue() const;

  void GetDefault(TVxbDataValue& value) const override { SetInteger(value, 0); }
  void GetMaximum(TVxbDataValue& value) const override { SetInteger(value, MaxValue()); }
  void GetMinimum(TVxbDataValue& value) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  void SetInteger(TVxbDataValue& value, int64_t v) const override;
  int64_t GetInteger(const TVxbDataValue& value) const override;
  // Rounds to the nearest integer (ties to even), then as SetInteger.
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

  // The value as this type keeps it after narrowing (see above).
  int64_t Narrow(int64_t v) const;

 private:
  // Reads the value; false for null.
  bool Read(const TVxbDataValue& value, int64_t& v) const;
};

}  // namespace vexilo::types
