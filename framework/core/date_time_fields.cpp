#include "framework/core/date_time_fields.h"

#include <cmath>
#include <cstring>

#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"
#include "framework/core/number_text.h"

namespace vexilo::framework {
namespace {

// The day numbers of 1 January of year 1 and 31 December 9999.
constexpr int32_t kFirstDay = 1;
constexpr int32_t kLastDay = 3652059;

template <class T>
std::optional<T> ReadValue(TField& field) {
  std::byte buffer[sizeof(T)];
  if (!field.GetData(buffer)) return std::nullopt;
  T value;
  std::memcpy(&value, buffer, sizeof(T));
  return value;
}

template <class T>
void WriteValue(TField& field, T value) {
  std::byte buffer[sizeof(T)];
  std::memcpy(buffer, &value, sizeof(T));
  field.SetData(buffer);
}

}  // namespace

TDateTimeField::TDateTimeField() : TDateTimeField(TFieldType::ftDateTime) {}

TDateTimeField::TDateTimeField(TFieldType dataType) : TField(dataType) {}

std::optional<TDateTime> TDateTimeField::ReadNative() {
  auto msecs = ReadValue<double>(*this);
  if (!msecs) return std::nullopt;
  return TimeStampToDateTime(MSecsToTimeStamp(*msecs));
}

void TDateTimeField::WriteNative(TDateTime value) {
  WriteValue(*this, TimeStampToMSecs(DateTimeToTimeStamp(value)));
}

std::u16string TDateTimeField::FormatValue(TDateTime value) const { return DateTimeToText(value); }

std::optional<TDateTime> TDateTimeField::ParseValue(std::u16string_view text) const {
  return TextToDateTime(text);
}

std::optional<TDateTime> TDateTimeField::GetValue() { return ReadNative(); }

std::u16string TDateTimeField::GetAsString() {
  auto value = ReadNative();
  return value ? FormatValue(*value) : std::u16string();
}

double TDateTimeField::GetAsFloat() { return ReadNative().value_or(0); }
TDateTime TDateTimeField::GetAsDateTime() { return ReadNative().value_or(0); }

TVariant TDateTimeField::GetAsVariant() {
  auto value = ReadNative();
  return value ? TVariant(*value) : TVariant();
}

void TDateTimeField::SetAsStringValue(std::u16string_view value) {
  if (value.find_first_not_of(u' ') == std::u16string_view::npos) {
    Clear();
    return;
  }
  auto parsed = ParseValue(value);
  if (!parsed) throw EDatabaseError::CreateFmt(dbconsts::SInvalidDateTimeValue, {value, DisplayName()});
  SetAsDateTime(*parsed);
}

void TDateTimeField::SetAsFloatValue(double value) { SetAsDateTime(value); }

void TDateTimeField::SetAsDateTimeValue(TDateTime value) {
  const bool timeOnly = DataType() == TFieldType::ftTime;
  if (!std::isfinite(value) ||
      (!timeOnly && (DateTimeToTimeStamp(value).Date < kFirstDay || DateTimeToTimeStamp(value).Date > kLastDay))) {
    throw EDatabaseError::CreateFmt(dbconsts::SInvalidDateTimeValue, {FloatToText(value), DisplayName()});
  }
  WriteNative(value);
}

TDateField::TDateField() : TDateTimeField(TFieldType::ftDate) {}

std::optional<TDateTime> TDateField::ReadNative() {
  auto day = ReadValue<int32_t>(*this);
  if (!day) return std::nullopt;
  return TimeStampToDateTime(TTimeStamp{0, *day});
}

void TDateField::WriteNative(TDateTime value) { WriteValue(*this, DateTimeToTimeStamp(value).Date); }

std::u16string TDateField::FormatValue(TDateTime value) const { return DateToText(value); }

std::optional<TDateTime> TDateField::ParseValue(std::u16string_view text) const { return TextToDateTime(text); }

TTimeField::TTimeField() : TDateTimeField(TFieldType::ftTime) {}

std::optional<TDateTime> TTimeField::ReadNative() {
  auto msecs = ReadValue<int32_t>(*this);
  if (!msecs) return std::nullopt;
  return TimeStampToDateTime(TTimeStamp{*msecs, DateDelta});
}

void TTimeField::WriteNative(TDateTime value) { WriteValue(*this, DateTimeToTimeStamp(value).Time); }

std::u16string TTimeField::FormatValue(TDateTime value) const { return TimeToText(value); }

std::optional<TDateTime> TTimeField::ParseValue(std::u16string_view text) const { return TextToTime(text); }

}  // namespace vexilo::framework
