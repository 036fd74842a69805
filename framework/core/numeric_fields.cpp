#include "framework/core/numeric_fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"
#include "framework/core/name_compare.h"
#include "framework/core/number_text.h"

namespace vexilo::framework {
namespace {

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

bool IsBlank(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u' '; });
}

}  // namespace

// ---- TIntegerField and its narrower and automatic forms ----

TIntegerField::TIntegerField() : TIntegerField(TFieldType::ftInteger, INT32_MIN, INT32_MAX) {}

TIntegerField::TIntegerField(TFieldType dataType, int64_t lowest, int64_t highest)
    : TNumericField(dataType), FLowest(lowest), FHighest(highest) {}

std::optional<int64_t> TIntegerField::ReadNative() {
  auto value = ReadValue<int32_t>(*this);
  return value ? std::optional<int64_t>(*value) : std::nullopt;
}

void TIntegerField::WriteNative(int64_t value) { WriteValue(*this, static_cast<int32_t>(value)); }

void TIntegerField::CheckRange(int64_t value) {
  int64_t lowest = FLowest, highest = FHighest;
  if (FMinValue != 0 || FMaxValue != 0) {
    lowest = std::max<int64_t>(lowest, FMinValue);
    highest = std::min<int64_t>(highest, FMaxValue);
  }
  if (value < lowest || value > highest) {
    throw EDatabaseError::CreateFmt(dbconsts::SFieldRangeError,
                                    {IntegerToText(value), DisplayName(), IntegerToText(lowest),
                                     IntegerToText(highest)});
  }
}

std::optional<int32_t> TIntegerField::GetValue() {
  auto value = ReadNative();
  return value ? std::optional<int32_t>(static_cast<int32_t>(*value)) : std::nullopt;
}

std::u16string TIntegerField::GetAsString() {
  auto value = ReadNative();
  return value ? IntegerToText(*value) : std::u16string();
}

int32_t TIntegerField::GetAsInteger() { return static_cast<int32_t>(ReadNative().value_or(0)); }
int64_t TIntegerField::GetAsLargeInt() { return ReadNative().value_or(0); }
double TIntegerField::GetAsFloat() { return static_cast<double>(ReadNative().value_or(0)); }

TVariant TIntegerField::GetAsVariant() {
  auto value = ReadNative();
  return value ? TVariant(*value) : TVariant();
}

void TIntegerField::SetAsStringValue(std::u16string_view value) {
  if (IsBlank(value)) {
    Clear();
    return;
  }
  auto number = TextToInteger(value);
  if (!number) throw EDatabaseError::CreateFmt(dbconsts::SInvalidIntegerValue, {value, DisplayName()});
  SetAsLargeInt(*number);
}

void TIntegerField::SetAsIntegerValue(int32_t value) { SetAsLargeInt(value); }

void TIntegerField::SetAsLargeIntValue(int64_t value) {
  CheckRange(value);
  WriteNative(value);
}

void TIntegerField::SetAsFloatValue(double value) {
  if (!std::isfinite(value) || value < -9.2e18 || value > 9.2e18) {
    throw EDatabaseError::CreateFmt(dbconsts::SFieldRangeError,
                                    {FloatToText(value), DisplayName(), IntegerToText(FLowest),
                                     IntegerToText(FHighest)});
  }
  SetAsLargeInt(std::llround(value));
}

TSmallintField::TSmallintField() : TIntegerField(TFieldType::ftSmallint, INT16_MIN, INT16_MAX) {}

std::optional<int64_t> TSmallintField::ReadNative() {
  auto value = ReadValue<int16_t>(*this);
  return value ? std::optional<int64_t>(*value) : std::nullopt;
}

void TSmallintField::WriteNative(int64_t value) { WriteValue(*this, static_cast<int16_t>(value)); }

TWordField::TWordField() : TIntegerField(TFieldType::ftWord, 0, UINT16_MAX) {}

std::optional<int64_t> TWordField::ReadNative() {
  auto value = ReadValue<uint16_t>(*this);
  return value ? std::optional<int64_t>(*value) : std::nullopt;
}

void TWordField::WriteNative(int64_t value) { WriteValue(*this, static_cast<uint16_t>(value)); }

TAutoIncField::TAutoIncField() : TIntegerField(TFieldType::ftAutoInc, INT32_MIN, INT32_MAX) {}

// ---- TLargeintField ----

TLargeintField::TLargeintField() : TNumericField(TFieldType::ftLargeint) {}

std::optional<int64_t> TLargeintField::GetValue() { return ReadValue<int64_t>(*this); }

std::u16string TLargeintField::GetAsString() {
  auto value = GetValue();
  return value ? IntegerToText(*value) : std::u16string();
}

int32_t TLargeintField::GetAsInteger() {
  const int64_t value = GetValue().value_or(0);
  if (value < INT32_MIN || value > INT32_MAX) {
    throw EDatabaseError::CreateFmt(dbconsts::SFieldRangeError,
                                    {IntegerToText(value), DisplayName(), IntegerToText(INT32_MIN),
                                     IntegerToText(INT32_MAX)});
  }
  return static_cast<int32_t>(value);
}

int64_t TLargeintField::GetAsLargeInt() { return GetValue().value_or(0); }
double TLargeintField::GetAsFloat() { return static_cast<double>(GetValue().value_or(0)); }

TVariant TLargeintField::GetAsVariant() {
  auto value = GetValue();
  return value ? TVariant(*value) : TVariant();
}

void TLargeintField::SetAsStringValue(std::u16string_view value) {
  if (IsBlank(value)) {
    Clear();
    return;
  }
  auto number = TextToInteger(value);
  if (!number) throw EDatabaseError::CreateFmt(dbconsts::SInvalidIntegerValue, {value, DisplayName()});
  SetAsLargeInt(*number);
}

void TLargeintField::SetAsIntegerValue(int32_t value) { SetAsLargeInt(value); }
void TLargeintField::SetAsLargeIntValue(int64_t value) { WriteValue(*this, value); }

void TLargeintField::SetAsFloatValue(double value) {
  if (!std::isfinite(value) || value < -9.2e18 || value > 9.2e18) {
    throw EDatabaseError::CreateFmt(dbconsts::SInvalidFloatValue, {FloatToText(value), DisplayName()});
  }
  SetAsLargeInt(std::llround(value));
}

// ---- TFloatField ----

TFloatField::TFloatField() : TNumericField(TFieldType::ftFloat) {}

void TFloatField::SetPrecision(int32_t value) {
  if (value < 2) value = 2;
  if (value > 17) value = 17;
  if (FPrecision == value) return;
  FPrecision = value;
  PropertyChanged(false);
}

std::optional<double> TFloatField::GetValue() { return ReadValue<double>(*this); }

std::u16string TFloatField::GetAsString() {
  auto value = GetValue();
  return value ? FloatToText(*value, FPrecision) : std::u16string();
}

int32_t TFloatField::GetAsInteger() {
  const double value = GetValue().value_or(0);
  if (!(value >= INT32_MIN - 0.5 && value < INT32_MAX + 0.5)) {
    throw EDatabaseError::CreateFmt(dbconsts::SFieldRangeError,
                                    {FloatToText(value), DisplayName(), IntegerToText(INT32_MIN),
                                     IntegerToText(INT32_MAX)});
  }
  return static_cast<int32_t>(std::lround(value));
}

int64_t TFloatField::GetAsLargeInt() {
  const double value = GetValue().value_or(0);
  if (!(value > -9.2e18 && value < 9.2e18)) {
    throw EDatabaseError::CreateFmt(dbconsts::SInvalidIntegerValue, {FloatToText(value), DisplayName()});
  }
  return std::llround(value);
}

double TFloatField::GetAsFloat() { return GetValue().value_or(0); }

TVariant TFloatField::GetAsVariant() {
  auto value = GetValue();
  return value ? TVariant(*value) : TVariant();
}

void TFloatField::SetAsStringValue(std::u16string_view value) {
  if (IsBlank(value)) {
    Clear();
    return;
  }
  auto number = TextToFloat(value);
  if (!number) throw EDatabaseError::CreateFmt(dbconsts::SInvalidFloatValue, {value, DisplayName()});
  SetAsFloat(*number);
}

void TFloatField::SetAsIntegerValue(int32_t value) { SetAsFloat(value); }
void TFloatField::SetAsLargeIntValue(int64_t value) { SetAsFloat(static_cast<double>(value)); }

void TFloatField::SetAsFloatValue(double value) {
  if (!std::isfinite(value)) {
    throw EDatabaseError::CreateFmt(dbconsts::SInvalidFloatValue, {FloatToText(value), DisplayName()});
  }
  if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue)) {
    throw EDatabaseError::CreateFmt(dbconsts::SFieldRangeError,
                                    {FloatToText(value, FPrecision), DisplayName(),
                                     FloatToText(FMinValue, FPrecision), FloatToText(FMaxValue, FPrecision)});
  }
  WriteValue(*this, value);
}

TCurrencyField::TCurrencyField() { SetDataTypeValue(TFieldType::ftCurrency); }

// ---- TBooleanField ----

TBooleanField::TBooleanField() : TField(TFieldType::ftBoolean) {
  SetDisplayValues(std::u16string(dbconsts::STextTrue) + u";" + dbconsts::STextFalse);
}

void TBooleanField::SetDisplayValues(std::u16string value) {
  FDisplayValues = std::move(value);
  const size_t separator = FDisplayValues.find(u';');
  FTrueText = FDisplayValues.substr(0, separator);
  FFalseText = separator == std::u16string::npos ? std::u16string() : FDisplayValues.substr(separator + 1);
  PropertyChanged(false);
}

std::optional<bool> TBooleanField::GetValue() {
  auto value = ReadValue<int16_t>(*this);
  return value ? std::optional<bool>(*value != 0) : std::nullopt;
}

std::u16string TBooleanField::GetAsString() {
  auto value = GetValue();
  if (!value) return {};
  return *value ? FTrueText : FFalseText;
}

bool TBooleanField::GetAsBoolean() { return GetValue().value_or(false); }
int32_t TBooleanField::GetAsInteger() { return GetValue().value_or(false) ? 1 : 0; }

TVariant TBooleanField::GetAsVariant() {
  auto value = GetValue();
  return value ? TVariant(*value) : TVariant();
}

void TBooleanField::SetAsStringValue(std::u16string_view value) {
  if (value.empty()) {
    Clear();
    return;
  }
  // A text may be shortened: "F" stands for "False".
  auto starts = [&](const std::u16string& text) {
    return value.size() <= text.size() && SameText(value, std::u16string_view(text).substr(0, value.size()));
  };
  if (starts(FFalseText)) {
    SetAsBoolean(false);
  } else if (starts(FTrueText)) {
    SetAsBoolean(true);
  } else {
    throw EDatabaseError::CreateFmt(dbconsts::SInvalidBoolValue, {value, DisplayName()});
  }
}

void TBooleanField::SetAsBooleanValue(bool value) { WriteValue<int16_t>(*this, value ? -1 : 0); }
void TBooleanField::SetAsIntegerValue(int32_t value) { SetAsBoolean(value != 0); }

}  // namespace vexilo::framework
