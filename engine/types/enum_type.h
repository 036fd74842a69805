// TVxbEnumType: Enum (8), one byte holding the value of an item of the
// column's list of names; 0 is null. Items are usually numbered 1, 2, ... in
// list order. Values convert to and from the item names and from integers
// that are item values; anything else raises EVxbConvertError
// ("\"%s\" is not a valid enumeration value for %s.").
#pragma once

#include <vector>

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbEnumType : public TVxbDataType {
 public:
  TVxbEnumType(bool nullable, bool flags, std::vector<TVxbEnumItem> items, int16_t level);

  const std::u16string& Name() const { return FName; }
  bool Flags() const { return FFlags; }
  const std::vector<TVxbEnumItem>& Items() const { return FEnumItems; }
  // The item with `value`, or null.
  const TVxbEnumItem* FindValue(int64_t value) const;
  // The item named `name` (exact), or null.
  const TVxbEnumItem* FindName(std::u16string_view name) const;

  int32_t GetDataSize() const override { return 1; }
  std::u16string GetSqlName() const override { return u"<enumeration>"; }
  std::u16string GetTplName() const override { return u"<enumeration>"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  // The item with value 0 when there is one, else the first item.
  void GetDefault(TVxbDataValue& value) const override;
  void GetMaximum(TVxbDataValue& value) const override;
  void GetMinimum(TVxbDataValue& value) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  // The value must be an item's value.
  void SetInteger(TVxbDataValue& value, int64_t v) const override;
  int64_t GetInteger(const TVxbDataValue& value) const override;

  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
  std::u16string ConvertToString(const TVxbDataValue& value) const override;
  void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const override;
  const TVxbDataType* GetSuperType(const TVxbDataType& other) const override;

 private:
  void Store(TVxbDataValue& value, int64_t v) const;

  std::u16string FName;
  bool FFlags;
  std::vector<TVxbEnumItem> FEnumItems;
};

}  // namespace vexilo::types
