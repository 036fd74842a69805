// TVxbRelationType: Relation (12). The column has no bytes in the record;
// its value is an object that lives outside the record, which a holder only
// refers to (ObjectRef, not owned). No object is null.
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbRelationType : public TVxbDataType {
 public:
  TVxbRelationType(bool nullable, int16_t level) : TVxbDataType(vxbRelation, nullable, level) {}

  int32_t GetDataSize() const override { return 0; }
  bool GetHasNullByte() const override { return false; }
  std::u16string GetSqlName() const override { return u"Relation"; }
  std::u16string GetTplName() const override { return u"Relation"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override { SetObject(value, nullptr); }
  void GetMaximum(TVxbDataValue& value) const override { SetObject(value, nullptr); }
  void GetMinimum(TVxbDataValue& value) const override { SetObject(value, nullptr); }
  void CopyTo(const TVxbDataValue&, uint8_t*) const override {}
  bool IsNull(const TVxbDataValue& value) const override { return value.IsEmpty() || !value.ObjectRef; }
  void SetNull(TVxbDataValue& value) const override;

  void SetObject(TVxbDataValue& value, void* object) const override;
  void* GetObject(const TVxbDataValue& value) const override { return value.IsEmpty() ? nullptr : value.ObjectRef; }

  // Equal when both refer to the same object.
  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
};

}  // namespace vexilo::types
