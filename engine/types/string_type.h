// TVxbStringType: what String (1), Memo (7), WideString (18) and WideMemo
// (19) share: the maximum length, the collation, the holder layout of texts,
// lengths, the maximum fill, super types and concatenation.
//
// A string type resolves its collation name once, when it is made (an
// unknown name raises engine error 138), into the collation object, its
// locale number FLocaleId and its comparison options FStrCmpOptions.
// Comparisons use the collation of the first operand with its options plus
// the caller's.
//
// Holder layout of the characters (units are bytes for String and Memo,
// UTF-16LE code units for WideString and WideMemo):
//   bounded (1, 18)    the record field: [null byte on level 6] prefix
//                      characters [null byte on levels 1-5]; the prefix is
//                      1 byte for a String of MaxLength <= 255, else 2
//                      (always 2 for a WideString)
//   unbounded          offset 0: presence byte (0 null, 1 present)
//   (7, 19, or 1/18    offset 1: uint32 length in units
//   with MaxLength 0)  offset 5: the characters
// Texts set into a holder are cut to MaxLength; an owned buffer grows to the
// whole bounded field, or for unbounded types to the larger of the text and
// 80 characters. Lengths read from referred bytes are cut to what the field
// can hold, so damaged records never make a read overrun.
#pragma once

#include <string>
#include <string_view>

#include "engine/types/data_type.h"
#include "engine/types/string_size.h"

namespace vexilo::types {

class TVxbStringType : public TVxbDataType {
 public:
  using TVxbDataType::CalculateWith;
  using TVxbDataType::GetResultDataType;

  int32_t MaxLength() const { return FMaxLength; }
  bool IsUnbounded() const { return FMaxLength == kUnboundedLength; }
  bool IsWide() const { return FColumnType == vxbWideString || FColumnType == vxbWideMemo; }
  const std::u16string& CollationName() const { return FCollationName; }
  uint32_t LocaleId() const { return FLocaleId; }
  TStrCmpOptions StrCmpOptions() const { return FStrCmpOptions; }
  const TVxbCollation& Collation() const { return *FCollation; }

  // MaxLength of a String (1) or WideString (18) field of `size` bytes.
  static int32_t CalcMaxLength(int16_t columnType, bool nullable, int32_t size, int16_t level);
  static bool IsSupportedCollation(std::u16string_view collationName);

  int32_t GetDataSize() const override;
  bool GetHasNullByte() const override;
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override;
  // The empty string with the maximum fill: above every string.
  void GetMaximum(TVxbDataValue& value) const override;
  void GetMinimum(TVxbDataValue& value) const override;
  int32_t GetSize(const TVxbDataValue& value) const override;
  void CopyTo(const TVxbDataValue& value, uint8_t* dest) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  // Writes the length prefix (cut to MaxLength) and marks the value present;
  // the characters in the holder stay as they are.
  void SetLength(TVxbDataValue& value, int32_t length) const;
  // Length in characters; 0 for null.
  int32_t GetLength(const TVxbDataValue& value) const;
  // Length in characters read from value bytes in this type's layout.
  int32_t GetLength(const uint8_t* ptr) const;
  // Appends a character 0 to a value shorter than MaxLength, which makes it
  // sort after every string that begins with the value (a prefix bound).
  void GetMaximumFill(TVxbDataValue& value) const;
  // Whether the value matches `pattern` (a value of `patternType`) with the
  // given wildcards and escape character (0: not used); null never matches.
  virtual bool Matches(const TVxbDataValue& value, const TVxbDataValue& pattern, const TVxbDataType& patternType,
                       char16_t multiJoker, char16_t singleJoker, char16_t escape) const = 0;

  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
  std::u16string ConvertToString(const TVxbDataValue& value) const override { return GetWideString(value); }
  // The empty text gives null when the type is nullable, else the empty
  // string.
  void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const override;

  const TVxbDataType* GetSuperType(const TVxbDataType& other) const override;
  const TVxbDataType* GetResultDataType(TVxbUnaryOperator op) const override;
  const TVxbDataType* GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                            const TVxbDataType& type2) const override;
  void CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1, const TVxbDataValue& value2,
                     const TVxbDataType& type1, const TVxbDataType& type2, TVxbDataValue& result,
                     const TVxbDataType& resultType) const override;

 protected:
  // Resolves the collation (138) and checks a bounded MaxLength (189).
  TVxbStringType(int16_t columnType, bool nullable, int32_t maxLength, std::u16string collationName,
                 int16_t level);

  // The stored characters of a value: `units` units at `data`.
  struct TText {
    const uint8_t* data = nullptr;
    size_t units = 0;
  };
  size_t UnitSize() const { return IsWide() ? 2 : 1; }
  // False for null or an empty holder.
  bool ReadText(const TVxbDataValue& value, TText& text) const;
  // Makes the value `units` units from `src` (stored form), cut to
  // MaxLength. `src` may point into the holder itself.
  void StoreUnits(TVxbDataValue& value, const uint8_t* src, size_t units) const;
  // The same for UTF-16 text, written as UTF-16LE units.
  void StoreWide(TVxbDataValue& value, const char16_t* s, size_t units) const;
  const uint8_t* ValueBytes(const TVxbDataValue& value) const override;

 private:
  // Offsets within the holder layout.
  size_t PrefixOffset() const;
  size_t PrefixWidth() const;
  size_t DataOffset() const { return PrefixOffset() + PrefixWidth(); }
  // Units the bytes at `bytes` can hold (bounded: MaxLength).
  size_t Capacity(const TVxbDataValue& value) const;
  // Prepares the holder for `units` units and returns where they go.
  uint8_t* PrepareText(TVxbDataValue& value, size_t& units) const;

 protected:
  int32_t FMaxLength;
  std::u16string FCollationName;
  uint32_t FLocaleId = kEngineLocaleId;
  TStrCmpOptions FStrCmpOptions = 0;
  const TVxbCollation* FCollation = nullptr;
};

}  // namespace vexilo::types
