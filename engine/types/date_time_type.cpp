#include "engine/types/date_time_type.h"

#include <algorithm>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/date_time_text.h"
#include "engine/types/numeric_type.h"
#include "engine/types/type_errors.h"
#include "engine/types/value_text.h"

namespace vexilo::types {

namespace {
using C = TVxbFieldCodec;

bool IsDateOrStamp(int16_t code) { return code == vxbDate || code == vxbTimeStamp; }

template <typename T>
int Order(T a, T b) {
  return a < b ? kCompareLess : a > b ? kCompareGreater : kCompareEqual;
}

// Time stamps order by date, then time; a time outside the day is damage.
int CompareStamps(const TVxbTimeStamp& a, const TVxbTimeStamp& b) {
  if (!IsValidTimeOfDay(a.Time) || !IsValidTimeOfDay(b.Time))
    throw EVxbTypeError(u"Invalid time stamp in CompareTimeStamps");
  if (int r = Order(DayNumber(a.Date), DayNumber(b.Date)); r != kCompareEqual) return r;
  return Order(a.Time, b.Time);
}

[[noreturn]] void Invalid(const char16_t* what, std::u16string_view text) {
  throw EVxbConvertError(u"\"" + std::u16string(text) + u"\" is not a valid " + what);
}

}  // namespace

TVxbDateTimeType::TVxbDateTimeType(int16_t columnType, bool nullable, int16_t precision, bool hasNullByte,
                                   int16_t level)
    : TVxbDataType(columnType, nullable, level), FPrecision(precision), FHasNullByte(hasNullByte) {}

int32_t TVxbDateTimeType::GetDataSize() const {
  int32_t size = 4;
  if (IsTimeStamp()) size = 8;
  else if (IsTime() && FPrecision <= 2) size = 2;
  return size + (FHasNullByte ? 1 : 0);
}

std::u16string TVxbDateTimeType::GetSqlName() const {
  return IsDate() ? u"Date" : IsTime() ? u"Time" : u"TimeStamp";
}

std::u16string TVxbDateTimeType::GetTplName() const {
  return IsDate() ? u"Date" : IsTime() ? u"Time" : u"DateTime";
}

const TVxbDataType* TVxbDateTimeType::Create(int16_t columnType, bool nullable, int16_t level) const {
  if (columnType != FColumnType) return GetDataType(columnType, nullable, level);
  // A Time made nullable gets a null byte, as a newly defined column does; a
  // nullable one keeps what it has.
  const bool nullByte = nullable && (FNullable ? FHasNullByte : columnType == vxbTime);
  return GetDateTimeType(columnType, nullable, FPrecision, nullByte, level);
}

void TVxbDateTimeType::GetDefault(TVxbDataValue& value) const {
  if (IsDate()) SetDate(value, kDefaultDate);
  else if (IsTime()) SetTime(value, 0);
  else WriteStamp(value, {kDefaultDate, 0});
}

void TVxbDateTimeType::GetMaximum(TVxbDataValue& value) const {
  if (IsDate()) SetDate(value, kMaxDate);
  else if (IsTime()) SetTime(value, kMaxTimeTicks);
  else WriteStamp(value, {kMaxDate, kMillisecondsPerDay - 1});
}

void TVxbDateTimeType::GetMinimum(TVxbDataValue& value) const {
  if (FLevel >= 4 && FNullable) SetNull(value);
  else if (IsDate()) SetDate(value, kMinDate);
  else if (IsTime()) SetTime(value, 0);
  else WriteStamp(value, {0, 0});
}

bool TVxbDateTimeType::IsNull(const TVxbDataValue& value) const {
  const uint8_t* bytes = ValueBytes(value);
  if (!bytes) return true;
  const TVxbFieldLayout f = Layout();
  if (IsDate()) {
    int32_t d;
    return !C::ReadDate(bytes, f, d);
  }
  if (IsTime()) {
    int64_t t;
    return !C::ReadTime(bytes, f, t);
  }
  TVxbTimeStamp s;
  return !C::ReadTimeStamp(bytes, f, s);
}

void TVxbDateTimeType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  uint8_t* bytes = FixedBytesForWrite(value);
  const TVxbFieldLayout f = Layout();
  if (IsDate()) C::WriteDate(bytes, f, false, 0);
  else if (IsTime()) C::WriteTime(bytes, f, false, 0);
  else C::WriteTimeStamp(bytes, f, false, {});
}

void TVxbDateTimeType::WriteStamp(TVxbDataValue& value, const TVxbTimeStamp& v) const {
  C::WriteTimeStamp(FixedBytesForWrite(value), Layout(), true, v);
}

void TVxbDateTimeType::SetDate(TVxbDataValue& value, int32_t date) const {
  if (IsTime()) TVxbDataType::SetDate(value, date);
  if (!IsValidDate(date)) throw errors::EVxbEngine(errors::vxbErrInvalidDate, DateToText(date));
  if (IsDate()) C::WriteDate(FixedBytesForWrite(value), Layout(), true, date);
  else WriteStamp(value, {date, 0});
}

int32_t TVxbDateTimeType::GetDate(const TVxbDataValue& value) const {
  if (IsTime()) return TVxbDataType::GetDate(value);
  return GetTimeStamp(value).Date;
}

void TVxbDateTimeType::SetTime(TVxbDataValue& value, int64_t ticks) const {
  if (!IsTime()) TVxbDataType::SetTime(value, ticks);
  if (ticks < 0 || ticks > kTicksPerDay) throw errors::EVxbEngine(errors::vxbErrInvalidTime, IntegerToText(ticks));
  static constexpr int64_t kUnit[] = {kTicksPerHour, kTicksPerHour, kTicksPerMinute, kTicksPerSecond,
                                      kTicksPerMillisecond};
  const int64_t unit = kUnit[FPrecision >= 1 && FPrecision <= 4 ? FPrecision : 4];
  C::WriteTime(FixedBytesForWrite(value), Layout(), true, ticks - ticks % unit);
}

int64_t TVxbDateTimeType::GetTime(const TVxbDataValue& value) const {
  if (IsDate()) return TVxbDataType::GetTime(value);
  if (IsTimeStamp()) return GetTimeStamp(value).Time * kTicksPerMillisecond;
  const uint8_t* bytes = ValueBytes(value);
  int64_t t = 0;
  if (!bytes || !C::ReadTime(bytes, Layout(), t)) return 0;
  return t;
}

void TVxbDateTimeType::SetTimeStamp(TVxbDataValue& value, const TVxbTimeStamp& v) const {
  if (IsTime()) TVxbDataType::SetTimeStamp(value, v);
  if (IsDate()) {
    SetDate(value, v.Date);
    return;
  }
  const bool nullStamp = v.Date == 0 && v.Time == 0;
  if (nullStamp && FNullable) {
    SetNull(value);
    return;
  }
  if (!nullStamp && (!IsValidDate(v.Date) || !IsValidTimeOfDay(v.Time)))
    throw errors::EVxbEngine(errors::vxbErrInvalidTimeStamp,
                             IntegerToText(v.Date) + u"_" + IntegerToText(v.Time));
  WriteStamp(value, v);
}

TVxbTimeStamp TVxbDateTimeType::GetTimeStamp(const TVxbDataValue& value) const {
  if (IsTime()) return TVxbDataType::GetTimeStamp(value);
  const uint8_t* bytes = ValueBytes(value);
  if (!bytes) return {};
  if (IsDate()) {
    int32_t d = 0;
    if (!C::ReadDate(bytes, Layout(), d)) return {};
    return {d, 0};
  }
  TVxbTimeStamp s;
  if (!C::ReadTimeStamp(bytes, Layout(), s)) return {};
  return s;
}

bool TVxbDateTimeType::CanCompareTo(const TVxbDataType& other) const {
  if (IsTime()) return other.ColumnType() == vxbTime;
  return IsDateOrStamp(other.ColumnType());
}

int TVxbDateTimeType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other,
                                const TVxbDataType& otherType, TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  if (IsNull(value) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  if (IsTime()) return Order(GetTime(value), otherType.GetTime(other));
  if (IsDate()) return Order(DayNumber(GetDate(value)), DayNumber(otherType.GetDate(other)));
  return CompareStamps(GetTimeStamp(value), otherType.GetTimeStamp(other));
}

bool TVxbDateTimeType::CanConvertFrom(const TVxbDataType& from, bool explicitly) const {
  const int16_t code = from.ColumnType();
  if (code == vxbNullType) return true;
  if (explicitly && IsTextColumnType(code)) return true;
  if (IsTime()) return code == vxbTime || code == vxbTimeStamp;
  return IsDateOrStamp(code);
}

void TVxbDateTimeType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                                   bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) {
    SetNullOrDefault(value);
    return;
  }
  const int16_t code = from.ColumnType();
  if (explicitly && IsTextColumnType(code)) {
    ConvertFromString(value, from.ConvertToString(fromValue));
  } else if (IsTime() && (code == vxbTime || code == vxbTimeStamp)) {
    SetTime(value, from.GetTime(fromValue));
  } else if (!IsTime() && IsDateOrStamp(code)) {
    if (IsDate()) SetDate(value, from.GetDate(fromValue));
    else SetTimeStamp(value, from.GetTimeStamp(fromValue));
  } else {
    TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
  }
}

std::u16string TVxbDateTimeType::ConvertToString(const TVxbDataValue& value) const {
  if (IsNull(value)) return {};
  if (IsDate()) return DateToText(GetDate(value));
  if (IsTime()) return TimeToText(GetTime(value), FPrecision);
  return TimeStampToText(GetTimeStamp(value));
}

void TVxbDateTimeType::ConvertFromString(TVxbDataValue& value, std::u16string_view text) const {
  if (text.empty()) {
    SetNull(value);
    return;
  }
  if (IsDate()) {
    const auto d = DateFromText(text);
    if (!d) Invalid(u"date", text);
    SetDate(value, *d);
  } else if (IsTime()) {
    const auto t = TimeFromText(text);
    if (!t) Invalid(u"time", text);
    SetTime(value, *t);
  } else {
    const auto s = TimeStampFromText(text);
    if (!s) Invalid(u"time stamp", text);
    SetTimeStamp(value, *s);
  }
}

const TVxbDataType* TVxbDateTimeType::GetSuperType(const TVxbDataType& other) const {
  if (&other == this || other.ColumnType() == vxbNullType) return this;
  const bool nullable = FNullable || other.Nullable();
  if (IsTime()) {
    if (other.ColumnType() != vxbTime) return nullptr;
    const int16_t p = std::max(FPrecision, static_cast<const TVxbDateTimeType&>(other).Precision());
    return GetDateTimeType(vxbTime, nullable, p, FLevel);
  }
  if (!IsDateOrStamp(other.ColumnType())) return nullptr;
  const int16_t code = IsDate() && other.ColumnType() == vxbDate ? vxbDate : vxbTimeStamp;
  return GetDateTimeType(code, nullable, 4, FLevel);
}

const TVxbDataType* TVxbDateTimeType::GetResultDataType(TVxbUnaryOperator op) const {
  if (op == duoInc && !IsTime()) return GetNullableType(true);
  return nullptr;
}

const TVxbDataType* TVxbDateTimeType::GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                                            const TVxbDataType& type2) const {
  const int16_t c1 = type1.ColumnType(), c2 = type2.ColumnType();
  if (op == dboPlus) {
    if (IsDateOrStamp(c1) && IsIntegerColumnType(c2)) return type1.GetNullableType(true);
    if (IsIntegerColumnType(c1) && IsDateOrStamp(c2)) return type2.GetNullableType(true);
  } else if (op == dboMinus) {
    if (IsDateOrStamp(c1) && IsIntegerColumnType(c2)) return type1.GetNullableType(true);
    if (c1 == vxbDate && c2 == vxbDate) return GetDataType(vxbInteger, true, type1.Level());
  }
  return nullptr;
}

void TVxbDateTimeType::AddDays(const TVxbDataType& type, const TVxbDataValue& value, int64_t days,
                               TVxbDataValue& result, const TVxbDataType& resultType) const {
  TVxbTimeStamp s = type.GetTimeStamp(value);
  const int64_t day = DayNumber(s.Date);
  // Beyond a few million days any date leaves the calendar; checking the
  // bounds first keeps the sum from overflowing.
  const int32_t moved = days > -10'000'000 && days < 10'000'000 ? DateOfDayNumber(day + days) : 0;
  if (moved == 0)
    throw errors::EVxbEngine(errors::vxbErrOutOfRange, type.ConvertToString(value) + u" + " + IntegerToText(days));
  s.Date = moved;
  resultType.SetTimeStamp(result, s);
}

void TVxbDateTimeType::CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1,
                                     const TVxbDataValue& value2, const TVxbDataType& type1,
                                     const TVxbDataType& type2, TVxbDataValue& result,
                                     const TVxbDataType& resultType) const {
  if (value1.IsEmpty() || type1.IsNull(value1) || value2.IsEmpty() || type2.IsNull(value2)) {
    resultType.SetNull(result);
    return;
  }
  const int16_t c1 = type1.ColumnType(), c2 = type2.ColumnType();
  if (op == dboMinus && c1 == vxbDate && c2 == vxbDate) {
    resultType.SetInteger(result, DayNumber(type1.GetDate(value1)) - DayNumber(type2.GetDate(value2)));
  } else if ((op == dboPlus || op == dboMinus) && IsDateOrStamp(c1) && IsIntegerColumnType(c2)) {
    const int64_t n = type2.GetInteger(value2);
    AddDays(type1, value1, op == dboPlus ? n : -n, result, resultType);
  } else if (op == dboPlus && IsIntegerColumnType(c1) && IsDateOrStamp(c2)) {
    AddDays(type2, value2, type1.GetInteger(value1), result, resultType);
  } else {
    TVxbDataType::CalculateWith(op, value1, value2, type1, type2, result, resultType);
  }
}

void TVxbDateTimeType::CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value,
                                     const TVxbDataType& resultType) const {
  if (op != duoInc || IsTime()) {
    TVxbDataType::CalculateWith(op, value, resultType);
    return;
  }
  if (value.IsEmpty() || IsNull(value)) {
    DetachValue(value);
    resultType.SetNull(value);
    return;
  }
  TVxbDataValue copy;
  SetTimeStamp(copy, GetTimeStamp(value));
  DetachValue(value);
  AddDays(*this, copy, 1, value, resultType);
}

}  // namespace vexilo::types
