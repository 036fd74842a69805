#include "framework/core/string_fields.h"

#include <cstring>
#include <vector>

#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"
#include "framework/core/name_compare.h"
#include "framework/core/number_text.h"

namespace vexilo::framework {

std::u16string Latin1ToText(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char c : bytes) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return text;
}

std::string TextToLatin1(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t c : text) bytes.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return bytes;
}

// ---- TStringField ----

TStringField::TStringField() : TStringField(TFieldType::ftString, 20) {}

TStringField::TStringField(TFieldType dataType, int32_t size) : TField(dataType) { SetSizeValue(size); }

std::u16string TStringField::DecodeText(std::string_view bytes) const { return Latin1ToText(bytes); }

std::string TStringField::EncodeText(std::u16string_view text) const { return TextToLatin1(text); }

std::optional<std::string> TStringField::GetValue() {
  std::vector<std::byte> buffer(static_cast<size_t>(DataSize()));
  if (!GetData(buffer)) return std::nullopt;
  const char* chars = reinterpret_cast<const char*>(buffer.data());
  return std::string(chars, strnlen(chars, static_cast<size_t>(Size())));
}

std::u16string TStringField::GetAsString() {
  auto value = GetValue();
  return value ? DecodeText(*value) : std::u16string();
}

int32_t TStringField::GetAsInteger() {
  const int64_t value = GetAsLargeInt();
  if (value < INT32_MIN || value > INT32_MAX) {
    throw EDatabaseError::CreateFmt(dbconsts::SInvalidIntegerValue, {AsString(), DisplayName()});
  }
  return static_cast<int32_t>(value);
}

int64_t TStringField::GetAsLargeInt() {
  const std::u16string text = AsString();
  if (text.empty()) return 0;
  auto value = TextToInteger(text);
  if (!value) throw EDatabaseError::CreateFmt(dbconsts::SInvalidIntegerValue, {text, DisplayName()});
  return *value;
}

double TStringField::GetAsFloat() {
  const std::u16string text = AsString();
  if (text.empty()) return 0;
  auto value = TextToFloat(text);
  if (!value) throw EDatabaseError::CreateFmt(dbconsts::SInvalidFloatValue, {text, DisplayName()});
  return *value;
}

bool TStringField::GetAsBoolean() {
  const std::u16string text = AsString();
  return !text.empty() && (text[0] == u'T' || text[0] == u't' || text[0] == u'Y' || text[0] == u'y');
}

TDateTime TStringField::GetAsDateTime() {
  const std::u16string text = AsString();
  if (text.empty()) return 0;
  auto value = TextToDateTime(text);
  if (!value) value = TextToTime(text);
  if (!value) throw EDatabaseError::CreateFmt(dbconsts::SInvalidDateTimeValue, {text, DisplayName()});
  return *value;
}

TVariant TStringField::GetAsVariant() {
  if (IsNull()) return {};
  return AsString();
}

void TStringField::SetAsStringValue(std::u16string_view value) {
  std::string bytes = EncodeText(value);
  if (bytes.size() > static_cast<size_t>(Size())) bytes.resize(static_cast<size_t>(Size()));
  std::vector<std::byte> buffer(static_cast<size_t>(DataSize()));
  std::memcpy(buffer.data(), bytes.data(), bytes.size());
  SetData(buffer);
}

void TStringField::SetAsIntegerValue(int32_t value) { SetAsString(IntegerToText(value)); }
void TStringField::SetAsLargeIntValue(int64_t value) { SetAsString(IntegerToText(value)); }
void TStringField::SetAsFloatValue(double value) { SetAsString(FloatToText(value)); }
void TStringField::SetAsBooleanValue(bool value) {
  SetAsString(value ? dbconsts::STextTrue : dbconsts::STextFalse);
}
void TStringField::SetAsDateTimeValue(TDateTime value) { SetAsString(DateTimeToText(value)); }

// ---- TWideStringField ----

TWideStringField::TWideStringField() : TStringField(TFieldType::ftWideString, 20) {}

std::optional<std::u16string> TWideStringField::GetWideValue() {
  std::vector<std::byte> buffer(static_cast<size_t>(DataSize()));
  if (!GetData(buffer)) return std::nullopt;
  std::u16string text(static_cast<size_t>(Size()), u'\0');
  std::memcpy(text.data(), buffer.data(), text.size() * sizeof(char16_t));
  const size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

std::u16string TWideStringField::GetAsString() { return GetWideValue().value_or(std::u16string()); }

void TWideStringField::SetAsStringValue(std::u16string_view value) {
  if (value.size() > static_cast<size_t>(Size())) value = value.substr(0, static_cast<size_t>(Size()));
  std::vector<std::byte> buffer(static_cast<size_t>(DataSize()));
  std::memcpy(buffer.data(), value.data(), value.size() * sizeof(char16_t));
  SetData(buffer);
}

// ---- TGuidField ----

TGuidField::TGuidField() : TStringField(TFieldType::ftGuid, 38) {}

void TGuidField::SetAsStringValue(std::u16string_view value) {
  if (value.empty()) {
    Clear();
    return;
  }
  auto isHex = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  };
  bool valid = value.size() == 38 && value.front() == u'{' && value.back() == u'}';
  for (size_t i = 1; valid && i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    valid = dash ? value[i] == u'-' : isHex(value[i]);
  }
  if (!valid) throw EDatabaseError::CreateFmt(dbconsts::SInvalidGuid, {value, DisplayName()});
  TStringField::SetAsStringValue(value);
}

}  // namespace vexilo::framework
