// TVxbDateTimeType: Date (6), Time (13) and TimeStamp (17).
//
//   Date       packed date (date_time.h); 0 is null. From 0001-01-01 to
//              9999-12-31, default 0001-01-01.
//   Time       FPrecision 1 (hours) or 2 (minutes): int16 minutes since
//              midnight; 3 (seconds) or 4 (milliseconds): int32 milliseconds.
//              Values are cut to the precision when set. A null byte exactly
//              when FHasNullByte.
//   TimeStamp  packed date and milliseconds of the day; both 0 is null.
//
// Dates and time stamps compare with each other (a Date first compares the
// dates only; a TimeStamp first compares with midnight of the Date); Time
// compares with Time. A date or time stamp plus or minus an integer moves it
// by that many days; the difference of two dates is their distance in days.
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbDateTimeType : public TVxbDataType {
 public:
  using TVxbDataType::CalculateWith;
  using TVxbDataType::GetResultDataType;

  TVxbDateTimeType(int16_t columnType, bool nullable, int16_t precision, bool hasNullByte, int16_t level);

  int16_t Precision() const { return FPrecision; }

  int32_t GetDataSize() const override;
  bool GetHasNullByte() const override { return FHasNullByte; }
  std::u16string GetSqlName() const override;
  std::u16string GetTplName() const override;
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override;
  void GetMaximum(TVxbDataValue& value) const override;
  void GetMinimum(TVxbDataValue& value) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  // Date and TimeStamp; raises 137 for a packed value that is no real day.
  void SetDate(TVxbDataValue& value, int32_t date) const override;
  int32_t GetDate(const TVxbDataValue& value) const override;
  // Time only; raises 140 for ticks outside 0 to 24:00.
  void SetTime(TVxbDataValue& value, int64_t ticks) const override;
  // Time and TimeStamp (its time of day).
  int64_t GetTime(const TVxbDataValue& value) const override;
  // Date (the date part) and TimeStamp; raises 158 for an invalid stamp.
  void SetTimeStamp(TVxbDataValue& value, const TVxbTimeStamp& v) const override;
  // TimeStamp and Date (at midnight).
  TVxbTimeStamp GetTimeStamp(const TVxbDataValue& value) const override;

  bool CanCompareTo(const TVxbDataType& other) const override;
  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
  std::u16string ConvertToString(const TVxbDataValue& value) const override;
  void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const override;

  const TVxbDataType* GetSuperType(const TVxbDataType& other) const override;
  const TVxbDataType* GetResultDataType(TVxbUnaryOperator op) const override;
  const TVxbDataType* GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                            const TVxbDataType& type2) const override;
  void CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1, const TVxbDataValue& value2,
                     const TVxbDataType& type1, const TVxbDataType& type2, TVxbDataValue& result,
                     const TVxbDataType& resultType) const override;
  void CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& resultType) const override;

 private:
  bool IsDate() const { return FColumnType == vxbDate; }
  bool IsTime() const { return FColumnType == vxbTime; }
  bool IsTimeStamp() const { return FColumnType == vxbTimeStamp; }
  void WriteStamp(TVxbDataValue& value, const TVxbTimeStamp& v) const;
  // Moves a date or time stamp value by `days`; raises 43 beyond the range.
  void AddDays(const TVxbDataType& type, const TVxbDataValue& value, int64_t days, TVxbDataValue& result,
               const TVxbDataType& resultType) const;

  int16_t FPrecision;
  bool FHasNullByte;
};

}  // namespace vexilo::types
