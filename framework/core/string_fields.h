// Text fields.
//
// Native values in a record buffer:
//   TStringField      Size + 1 bytes: 8-bit characters, ended by a 0 byte
//   TWideStringField  (Size + 1) * 2 bytes: UTF-16 code units (native byte
//                     order), ended by a 0 unit
//   TGuidField        39 bytes: the GUID as "{xxxxxxxx-xxxx-...}", ended by 0
// A text longer than Size is cut to Size characters when written.
//
// TStringField turns its 8-bit characters into UTF-16 through DecodeText and
// EncodeText; the defaults use ISO 8859-1 (each byte is the code point) and
// write "?" for characters it lacks. A dataset whose 8-bit texts use another
// code page gives a field class that overrides them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/core/field.h"

namespace vexilo::framework {

class TStringField : public TField {
 public:
  TStringField();
  int32_t DataSize() const override { return Size() + 1; }
  // The stored 8-bit characters; nothing when null.
  std::optional<std::string> GetValue();

 protected:
  explicit TStringField(TFieldType dataType, int32_t size);
  virtual std::u16string DecodeText(std::string_view bytes) const;
  virtual std::string EncodeText(std::u16string_view text) const;

  std::u16string GetAsString() override;
  int32_t GetAsInteger() override;
  int64_t GetAsLargeInt() override;
  double GetAsFloat() override;
  bool GetAsBoolean() override;
  TDateTime GetAsDateTime() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  void SetAsIntegerValue(int32_t value) override;
  void SetAsLargeIntValue(int64_t value) override;
  void SetAsFloatValue(double value) override;
  void SetAsBooleanValue(bool value) override;
  void SetAsDateTimeValue(TDateTime value) override;
  int32_t DefaultWidth() const override { return Size(); }
};

class TWideStringField : public TStringField {
 public:
  TWideStringField();
  int32_t DataSize() const override { return (Size() + 1) * 2; }
  // The stored text; nothing when null.
  std::optional<std::u16string> GetWideValue();

 protected:
  std::u16string GetAsString() override;
  void SetAsStringValue(std::u16string_view value) override;
};

class TGuidField : public TStringField {
 public:
  TGuidField();

 protected:
  void SetAsStringValue(std::u16string_view value) override;
};

// ISO 8859-1 conversions of 8-bit text: each byte is its own code point; a
// character above 255 becomes "?".
std::u16string Latin1ToText(std::string_view bytes);
std::string TextToLatin1(std::u16string_view text);

}  // namespace vexilo::framework
