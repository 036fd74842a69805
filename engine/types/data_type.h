// TVxbDataType: the base of the data-type family. One object describes one
// column or value type (its code, table level, nullability and the
// parameters of its kind) and does everything with values of that type held
// in TVxbDataValue holders: typed reads and writes, null handling, the
// default, minimum and maximum, conversion, comparison and arithmetic.
//
// Data-type objects are immutable and shared. They are made only by the
// registry functions below (class functions of TVxbDataType), which keep
// every instance for the life of the process and return the existing one for
// equal parameters; identical parameters give the identical pointer. All of
// it is safe to use from any thread.
//
// Failures: engine errors (EVxbEngine: 44 type mismatch, 47 NULL refused, 81
// range, 138 unknown collation, 178 division by zero, 189 string length);
// EVxbTypeError for an operation the type does not offer; EVxbConvertError
// for a text that does not convert (type_errors.h).
//
// Comparison results: 0 when either value is null (no order), 1 less,
// 2 equal, 3 greater.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/types/collation.h"
#include "engine/types/column_type.h"
#include "engine/types/data_value.h"
#include "engine/types/date_time.h"
#include "engine/types/field_codec.h"
#include "engine/types/memory.h"

namespace vexilo::types {

class TVxbStringType;
class TVxbFloatType;
class TVxbDateTimeType;
class TVxbEnumType;
class TVxbBinaryType;

enum TVxbUnaryOperator { duoMinus, duoNot, duoInc, duoStringUpper, duoStringLower };
enum TVxbBinaryOperator { dboPlus, dboMinus, dboMultiply, dboDivide, dboDiv, dboMod, dboAnd, dboOr };

// One item of an enumeration type.
struct TVxbEnumItem {
  std::u16string Name;
  int32_t Value = 0;
  friend bool operator==(const TVxbEnumItem&, const TVxbEnumItem&) = default;
};

// Comparison results.
inline constexpr int kCompareNull = 0;
inline constexpr int kCompareLess = 1;
inline constexpr int kCompareEqual = 2;
inline constexpr int kCompareGreater = 3;

class TVxbDataType {
 public:
  virtual ~TVxbDataType() = default;
  TVxbDataType(const TVxbDataType&) = delete;
  TVxbDataType& operator=(const TVxbDataType&) = delete;

  int16_t Level() const { return FLevel; }
  int16_t ColumnType() const { return FColumnType; }
  bool Nullable() const { return FNullable; }

  // ---- Registry (shared instances) ----

  // The type of a code with its usual parameters (unbounded memos, precision
  // 4 for dates and times, scale 2 for floats); null for String, Enum and
  // WideString, which need their parameters, and for codes that are no type.
  static const TVxbDataType* GetDataType(int16_t columnType, bool nullable, int16_t level);
  // As above; String and WideString take their MaxLength, Time its precision,
  // from the field size.
  static const TVxbDataType* GetDataType(int16_t columnType, bool nullable, int32_t size, int16_t level);
  // Codes 1, 7, 18, 19; a MaxLength of 0 means unbounded. Raises 189 for a
  // length beyond the limit, 138 for an unknown collation.
  static const TVxbStringType* GetStringType(int16_t columnType, bool nullable, int32_t maxLength,
                                             std::u16string_view collationName, int16_t level);
  // As GetStringType with MaxLength rounded up to 10, 20, ... 100, 200, ...
  static const TVxbStringType* GetApproxStringType(int16_t columnType, bool nullable, int32_t maxLength,
                                                   std::u16string_view collationName, int16_t level);
  // Memo and WideMemo become the unbounded String and WideString of the same
  // collation; every other type is returned as it is.
  static const TVxbDataType* GetVariableType(const TVxbDataType* dataType);
  static const TVxbFloatType* GetFloatType(int16_t columnType, bool nullable, int16_t scale, int16_t level);
  static const TVxbDateTimeType* GetDateTimeType(int16_t columnType, bool nullable, int16_t precision,
                                                 bool hasNullByte, int16_t level);
  // The null byte is present exactly for a nullable Time.
  static const TVxbDateTimeType* GetDateTimeType(int16_t columnType, bool nullable, int16_t precision,
                                                 int16_t level);
  static const TVxbEnumType* GetEnumType(bool nullable, bool flags, const std::vector<TVxbEnumItem>& items,
                                         int16_t level);
  // Items numbered 1, 2, ... from a list of names separated by `separator`;
  // a name may be enclosed in `quote` characters (a doubled quote inside
  // stands for one). Empty names are skipped.
  static const TVxbEnumType* GetEnumType(bool nullable, bool flags, std::u16string_view names,
                                         char16_t separator, char16_t quote, int16_t level);
  static const TVxbBinaryType* GetBinaryType(int16_t columnType, bool nullable, int32_t maxSize,
                                             int16_t level);
  static const TVxbDataType* GetNullType(int16_t level);

  static bool CanConvert(const TVxbDataType& from, const TVxbDataType& to, bool explicitly);
  // Converts through the target's ConvertFrom or the source's ConvertTo;
  // raises 44 ("From->To" script names) when neither offers it.
  static void Convert(const TVxbDataValue& fromValue, TVxbDataValue& toValue, const TVxbDataType& from,
                      const TVxbDataType& to, bool explicitly);
  static void Convert(TVxbDataValue& value, const TVxbDataType& from, const TVxbDataType& to, bool explicitly);
  static bool CanCompare(const TVxbDataType& type1, const TVxbDataType& type2);
  // Type1.CompareTo when Type1 can compare to Type2, else the other way
  // round with the result r mapped to 4 - r. Raises EVxbTypeError when
  // neither direction compares.
  static int Compare(const TVxbDataValue& value1, const TVxbDataValue& value2, const TVxbDataType& type1,
                     const TVxbDataType& type2, TStrCmpOptions options);
  static const TVxbDataType* GetSuperType(const TVxbDataType& type1, const TVxbDataType& type2);
  // The result type of a binary operator; null when the operand types do not
  // support it.
  static const TVxbDataType* GetResultDataType(TVxbBinaryOperator op, const TVxbDataType& type1,
                                               const TVxbDataType& type2);
  // Computes `value1 op value2` into `result` and returns the result's type.
  static const TVxbDataType* Calculate(TVxbBinaryOperator op, const TVxbDataValue& value1,
                                       const TVxbDataValue& value2, const TVxbDataType& type1,
                                       const TVxbDataType& type2, TVxbDataValue& result);
  // Applies a unary operator to `value` in place; returns the result's type.
  static const TVxbDataType* Calculate(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& type);

  static void InitValue(TVxbDataValue& value) { value.Clear(); }
  static bool IsEmpty(const TVxbDataValue& value) { return value.IsEmpty(); }

  // ---- Description ----

  // The holder's code without the reference bit equals this type's code.
  bool IsValueOfType(const TVxbDataValue& value) const { return value.Code() == FColumnType; }
  // Bytes of a record field of this type, null byte included.
  virtual int32_t GetDataSize() const = 0;
  virtual bool GetHasNullByte() const;
  virtual std::u16string GetSqlName() const = 0;
  virtual std::u16string GetTplName() const = 0;
  // The registry instance with this type's parameters but the given code,
  // nullability and level.
  virtual const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const = 0;
  const TVxbDataType* GetNullableType(bool nullable) const { return Create(FColumnType, nullable, FLevel); }
  const TVxbDataType* GetLevelType(int16_t level) const { return Create(FColumnType, FNullable, level); }
  // Whether values of the two types have the same bytes (so one can refer
  // to or copy the other's bytes).
  bool HasSameLayout(const TVxbDataType& other) const;

  // ---- Values ----

  virtual void GetDefault(TVxbDataValue& value) const = 0;
  virtual void GetMaximum(TVxbDataValue& value) const = 0;
  // On level 4 and above the minimum of a nullable type is null.
  virtual void GetMinimum(TVxbDataValue& value) const = 0;
  // Bytes the value occupies (the field size for fixed-size types).
  virtual int32_t GetSize(const TVxbDataValue& value) const;
  // Writes the value into `dest` in the record-field layout of this type
  // (GetDataSize bytes).
  virtual void CopyTo(const TVxbDataValue& value, uint8_t* dest) const;
  // Makes the holder refer to value bytes at `ref` in this type's layout;
  // writes through the holder go there.
  void SetReference(TVxbDataValue& value, uint8_t* ref) const;
  // Makes the holder refer to the bytes of another holder when the layouts
  // agree, else assigns the value.
  void SetReference(TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType) const;
  static void DoneValue(TVxbDataValue& value) { value.Clear(); }
  // Copies (and if need be converts, as an explicit conversion) another
  // value into the holder; an empty source counts as null.
  virtual void Assign(TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType) const;
  virtual bool IsNull(const TVxbDataValue& value) const = 0;
  // Raises 47 when the type is not nullable.
  virtual void SetNull(TVxbDataValue& value) const;

  // Typed access. The base versions raise EVxbTypeError ("Is not an
  // integer.", "Cannot assign integer.", ...); GetDouble and GetTimeStamp
  // raise 44 instead. Getters give 0 or an empty value for null.
  virtual void SetInteger(TVxbDataValue& value, int64_t v) const;
  virtual int64_t GetInteger(const TVxbDataValue& value) const;
  virtual void SetDouble(TVxbDataValue& value, double v) const;
  virtual double GetDouble(const TVxbDataValue& value) const;
  virtual void SetGuid(TVxbDataValue& value, const TGuid& v) const;
  virtual TGuid GetGuid(const TVxbDataValue& value) const;
  // Ticks of 100 ns since midnight.
  virtual void SetTime(TVxbDataValue& value, int64_t ticks) const;
  virtual int64_t GetTime(const TVxbDataValue& value) const;
  // Packed date (year * 512 + month * 32 + day).
  virtual void SetDate(TVxbDataValue& value, int32_t date) const;
  virtual int32_t GetDate(const TVxbDataValue& value) const;
  virtual void SetTimeStamp(TVxbDataValue& value, const TVxbTimeStamp& v) const;
  virtual TVxbTimeStamp GetTimeStamp(const TVxbDataValue& value) const;
  void SetAnsiString(TVxbDataValue& value, std::string_view s) const { SetAnsiString(value, s.data(), s.size()); }
  virtual void SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const;
  // Makes the holder refer to `length` characters at `s` without copying
  // them; they must outlive the holder's use.
  virtual void SetAnsiStringRef(TVxbDataValue& value, const char* s, size_t length) const;
  virtual std::string GetAnsiString(const TVxbDataValue& value) const;
  // The stored characters without copying (on level 1 in the OEM set).
  virtual std::string_view GetPAnsiChar(const TVxbDataValue& value) const;
  void SetWideString(TVxbDataValue& value, std::u16string_view s) const { SetWideString(value, s.data(), s.size()); }
  virtual void SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const;
  virtual std::u16string GetWideString(const TVxbDataValue& value) const;
  virtual void SetObject(TVxbDataValue& value, void* object) const;
  virtual void* GetObject(const TVxbDataValue& value) const;
  // The value becomes the two pieces one after the other.
  virtual void SetBytes(TVxbDataValue& value, std::span<const uint8_t> first,
                        std::span<const uint8_t> second = {}) const;
  // A view of the bytes held (valid until the holder changes).
  virtual std::span<const uint8_t> GetBytes(const TVxbDataValue& value) const;

  // ---- Comparison and conversion ----

  virtual bool CanCompareTo(const TVxbDataType& other) const;
  // `options` are added to a string type's own comparison options.
  virtual int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                        TStrCmpOptions options) const;
  virtual bool CanConvertTo(const TVxbDataType& to, bool explicitly) const;
  virtual bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const;
  // Converts `value` (of this type) into `toValue` of `to`.
  virtual void ConvertTo(const TVxbDataValue& value, TVxbDataValue& toValue, const TVxbDataType& to,
                         bool explicitly) const;
  // Converts `fromValue` (of `from`) into `value` of this type. A null
  // source gives null, or the default when this type is not nullable.
  virtual void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                           bool explicitly) const;
  // The text form of the value; the empty text for null.
  virtual std::u16string ConvertToString(const TVxbDataValue& value) const;
  // Reads the text form; an empty text gives null.
  virtual void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const;

  // ---- Expressions ----

  // The common type of this and `other`; null when there is none.
  virtual const TVxbDataType* GetSuperType(const TVxbDataType& other) const;
  // The result type of a unary operator on this type; null when unsupported.
  virtual const TVxbDataType* GetResultDataType(TVxbUnaryOperator op) const;
  // The result type of `type1 op type2` when this type (one of the two
  // operands) knows how to compute it; else null.
  virtual const TVxbDataType* GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                                    const TVxbDataType& type2) const;
  // Computes `value1 op value2` into `result` of `resultType`, which this
  // type's GetResultDataTypeWith gave.
  virtual void CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1, const TVxbDataValue& value2,
                             const TVxbDataType& type1, const TVxbDataType& type2, TVxbDataValue& result,
                             const TVxbDataType& resultType) const;
  // Applies a unary operator to the value of this type; the value becomes
  // one of `resultType`, which GetResultDataType(op) gave.
  virtual void CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& resultType) const;

 protected:
  TVxbDataType(int16_t columnType, bool nullable, int16_t level)
      : FLevel(level), FColumnType(columnType), FNullable(nullable) {}

  // The layout of this type's value bytes, as a field at offset 0.
  TVxbFieldLayout Layout() const;
  // The start of the value's bytes in this type's layout (inline area, owned
  // buffer or referred bytes); null for an empty holder or one that refers to
  // bare characters.
  virtual const uint8_t* ValueBytes(const TVxbDataValue& value) const;
  // The bytes of a fixed-size value for writing: the referred bytes of a
  // reference holder, else the inline area, which the holder then owns as a
  // value of this type.
  uint8_t* FixedBytesForWrite(TVxbDataValue& value) const;
  // Raises 47 unless the type is nullable.
  void CheckNullable() const;
  // SetNull when nullable, else the default.
  void SetNullOrDefault(TVxbDataValue& value) const;
  // Raises 44 with "<this script name>-><to>".
  [[noreturn]] void RaiseMismatch(const std::u16string& to) const;
  // Raises 81 with the value text, the SQL name and the bounds.
  [[noreturn]] void RaiseRange(const std::u16string& value, const std::u16string& min,
                               const std::u16string& max) const;

  int16_t FLevel;
  int16_t FColumnType;
  bool FNullable;
};

}  // namespace vexilo::types
