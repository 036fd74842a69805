// TVxbGuidType: Guid (21), 16 bytes in the usual GUID memory layout (Data1
// uint32, Data2 uint16, Data3 uint16, Data4 8 bytes), with a null byte when
// nullable. GUIDs order as index keys do: Data1, Data2, Data3 (unsigned),
// then bytes 8-9 as an unsigned little-endian 16-bit number, then bytes 15,
// 14, 13, 12, 11, 10. The text form is "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbGuidType : public TVxbDataType {
 public:
  TVxbGuidType(bool nullable, int16_t level) : TVxbDataType(vxbGuid, nullable, level) {}

  int32_t GetDataSize() const override { return 16 + (GetHasNullByte() ? 1 : 0); }
  std::u16string GetSqlName() const override { return u"Guid"; }
  std::u16string GetTplName() const override { return u"Guid"; }
  const TVxbDataType* Create(int16_t columnType, bool nullable, int16_t level) const override;

  void GetDefault(TVxbDataValue& value) const override { SetGuid(value, TGuid{}); }
  void GetMaximum(TVxbDataValue& value) const override;
  void GetMinimum(TVxbDataValue& value) const override;
  bool IsNull(const TVxbDataValue& value) const override;
  void SetNull(TVxbDataValue& value) const override;

  void SetGuid(TVxbDataValue& value, const TGuid& v) const override;
  TGuid GetGuid(const TVxbDataValue& value) const override;

  int CompareTo(const TVxbDataValue& value, const TVxbDataValue& other, const TVxbDataType& otherType,
                TStrCmpOptions options) const override;
  bool CanConvertFrom(const TVxbDataType& from, bool explicitly) const override;
  void ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                   bool explicitly) const override;
  std::u16string ConvertToString(const TVxbDataValue& value) const override;
  // A text not in the braced form raises engine error 44 ("String->Guid").
  void ConvertFromString(TVxbDataValue& value, std::u16string_view text) const override;
};

// The key order of two GUIDs: -1, 0 or 1.
int CompareGuids(const TGuid& a, const TGuid& b);

}  // namespace vexilo::types
