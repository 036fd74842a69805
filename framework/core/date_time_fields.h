// Date and time fields.
//
// Native values in a record buffer (native byte order):
//   TDateField      4 bytes, signed: the day number (day 1 = 1 January of year 1)
//   TTimeField      4 bytes, signed: milliseconds since midnight
//   TDateTimeField  8 bytes, binary64: milliseconds since the start of day 0
//                   (day number * 86400000 + milliseconds of the day)
// AsDateTime gives and takes TDateTime; AsString uses the texts of
// date_time.h ("yyyy-mm-dd", "hh:nn:ss", "yyyy-mm-dd hh:nn:ss").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/core/field.h"

namespace vexilo::framework {

class TDateTimeField : public TField {
 public:
  TDateTimeField();
  int32_t DataSize() const override { return 8; }
  std::optional<TDateTime> GetValue();

 protected:
  explicit TDateTimeField(TFieldType dataType);
  // Reads and writes the native value; the subclasses change the layout.
  virtual std::optional<TDateTime> ReadNative();
  virtual void WriteNative(TDateTime value);
  virtual std::u16string FormatValue(TDateTime value) const;
  virtual std::optional<TDateTime> ParseValue(std::u16string_view text) const;

  std::u16string GetAsString() override;
  double GetAsFloat() override;
  TDateTime GetAsDateTime() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  void SetAsFloatValue(double value) override;
  void SetAsDateTimeValue(TDateTime value) override;
  int32_t DefaultWidth() const override { return 19; }
};

class TDateField : public TDateTimeField {
 public:
  TDateField();
  int32_t DataSize() const override { return 4; }

 protected:
  std::optional<TDateTime> ReadNative() override;
  void WriteNative(TDateTime value) override;
  std::u16string FormatValue(TDateTime value) const override;
  std::optional<TDateTime> ParseValue(std::u16string_view text) const override;
  int32_t DefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
 public:
  TTimeField();
  int32_t DataSize() const override { return 4; }

 protected:
  std::optional<TDateTime> ReadNative() override;
  void WriteNative(TDateTime value) override;
  std::u16string FormatValue(TDateTime value) const override;
  std::optional<TDateTime> ParseValue(std::u16string_view text) const override;
  int32_t DefaultWidth() const override { return 12; }
};

}  // namespace vexilo::framework
