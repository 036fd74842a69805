// TVxbNullType: the type of the literal NULL. Its only value is null; it
// converts to every type (giving that type's null), compares with every type
// (always "no order") and gives way to the other type as super type.
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbNullType : public TVxbDataType {
 public:
  explicit TVxbNullType(int16_t level) : TVxbDataType(vxbNullType, true, level) {}

  int32_t GetDataSize() const override { return 0; }
  bool GetHasNullByte() const override { return false; }
  std::u16string GetSqlName() const override { return u"<null type>"; }
  std::u16string GetTplName() const override { return u"<null type>"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override { value.Clear(); }
  void GetMaximum(TVxbDataValue& value) const override { value.Clear(); }
  void GetMinimum(TVxbDataValue& value) const override { value.Clear(); }
  bool IsNull(const TVxbDataValue&) const override { return true; }
  void SetNull(TVxbDataValue& value) const override;
  void CopyTo(const TVxbDataValue&, uint8_t*) const override {}

  bool CanCompareTo(const TVxbDataType&) const override { return true; }
  int CompareTo(const TVxbDataValue&, const TVxbDataValue&, const TVxbDataType&, TStrCmpOptions) const override {
    return kCompareNull;
  }
  bool CanConvertTo(const TVxbDataType&, bool) const override { return true; }
  bool CanConvertFrom(const TVxbDataType& from, bool) const override { return from.ColumnType() == vxbNullType; }
  void ConvertTo(const TVxbDataValue& value, TVxbDataValue& toValue, const TVxbDataType& to,
                 bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue&, const TVxbDataType&, bool) const override {
    SetNull(value);
  }
  std::u16string ConvertToString(const TVxbDataValue&) const override { return {}; }
  void ConvertFromString(TVxbDataValue& value, std::u16string_view) const override { SetNull(value); }

  const TVxbDataType* GetSuperType(const TVxbDataType& other) const override { return &other; }
};

}  // namespace vexilo::types
