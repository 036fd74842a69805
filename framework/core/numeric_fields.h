// Number and Boolean fields.
//
// Native values in a record buffer (native byte order):
//   TSmallintField  2 bytes, signed       TWordField      2 bytes, unsigned
//   TIntegerField   4 bytes, signed       TAutoIncField   4 bytes, signed
//   TLargeintField  8 bytes, signed       TFloatField     8 bytes, binary64
//   TBooleanField   2 bytes, 0 = False, anything else True
// Writing a number outside the field's range (the type's own limits, or
// MinValue..MaxValue when those are set) raises "%s is not a valid value for
// field '%s'. The allowed range is %s to %s"; a text that is no number raises
// "'%s' is not a valid ... value for field '%s'". Writing an empty text clears
// the field.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/core/field.h"

namespace vexilo::framework {

class TNumericField : public TField {
 protected:
  explicit TNumericField(TFieldType dataType) : TField(dataType) {}
};

class TIntegerField : public TNumericField {
 public:
  TIntegerField();
  int32_t DataSize() const override { return 4; }
  // The value; nothing when null.
  std::optional<int32_t> GetValue();
  // Range checked on writing; both 0 means the type's own limits.
  int32_t MinValue() const { return FMinValue; }
  int32_t MaxValue() const { return FMaxValue; }
  void SetMinValue(int32_t value) { FMinValue = value; }
  void SetMaxValue(int32_t value) { FMaxValue = value; }

 protected:
  TIntegerField(TFieldType dataType, int64_t lowest, int64_t highest);
  // Reads and writes the native value; the subclasses change its width.
  virtual std::optional<int64_t> ReadNative();
  virtual void WriteNative(int64_t value);
  void CheckRange(int64_t value);

  std::u16string GetAsString() override;
  int32_t GetAsInteger() override;
  int64_t GetAsLargeInt() override;
  double GetAsFloat() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  void SetAsIntegerValue(int32_t value) override;
  void SetAsLargeIntValue(int64_t value) override;
  void SetAsFloatValue(double value) override;
  int32_t DefaultWidth() const override { return 11; }

 private:
  int64_t FLowest;
  int64_t FHighest;
  int32_t FMinValue = 0;
  int32_t FMaxValue = 0;
};

class TSmallintField : public TIntegerField {
 public:
  TSmallintField();
  int32_t DataSize() const override { return 2; }

 protected:
  std::optional<int64_t> ReadNative() override;
  void WriteNative(int64_t value) override;
  int32_t DefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
 public:
  TWordField();
  int32_t DataSize() const override { return 2; }

 protected:
  std::optional<int64_t> ReadNative() override;
  void WriteNative(int64_t value) override;
  int32_t DefaultWidth() const override { return 5; }
};

// An automatic number, given by the dataset when a record is added.
class TAutoIncField : public TIntegerField {
 public:
  TAutoIncField();
};

class TLargeintField : public TNumericField {
 public:
  TLargeintField();
  int32_t DataSize() const override { return 8; }
  std::optional<int64_t> GetValue();

 protected:
  std::u16string GetAsString() override;
  int32_t GetAsInteger() override;
  int64_t GetAsLargeInt() override;
  double GetAsFloat() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  void SetAsIntegerValue(int32_t value) override;
  void SetAsLargeIntValue(int64_t value) override;
  void SetAsFloatValue(double value) override;
  int32_t DefaultWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
 public:
  TFloatField();
  int32_t DataSize() const override { return 8; }
  std::optional<double> GetValue();
  // Significant digits of the text form (default 15).
  int32_t Precision() const { return FPrecision; }
  void SetPrecision(int32_t value);
  // Range checked on writing; both 0 means no range.
  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  void SetMinValue(double value) { FMinValue = value; }
  void SetMaxValue(double value) { FMaxValue = value; }

 protected:
  std::u16string GetAsString() override;
  int32_t GetAsInteger() override;
  int64_t GetAsLargeInt() override;
  double GetAsFloat() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  void SetAsIntegerValue(int32_t value) override;
  void SetAsLargeIntValue(int64_t value) override;
  void SetAsFloatValue(double value) override;

 private:
  int32_t FPrecision = 15;
  double FMinValue = 0;
  double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
 public:
  TCurrencyField();
};

class TBooleanField : public TField {
 public:
  TBooleanField();
  int32_t DataSize() const override { return 2; }
  std::optional<bool> GetValue();
  // The texts of True and False, "True;False" by default.
  const std::u16string& DisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(std::u16string value);

 protected:
  std::u16string GetAsString() override;
  bool GetAsBoolean() override;
  int32_t GetAsInteger() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  void SetAsBooleanValue(bool value) override;
  void SetAsIntegerValue(int32_t value) override;
  int32_t DefaultWidth() const override { return 5; }

 private:
  std::u16string FDisplayValues;
  std::u16string FTrueText;
  std::u16string FFalseText;
};

}  // namespace vexilo::framework
