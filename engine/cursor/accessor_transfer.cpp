// The accessor between accessors: exchanging record buffers, taking over
// another accessor's state, clones, and copying records column by column.
#include <cstring>
#include <memory>
#include <string>

#include "engine/cursor/accessor.h"
#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"
#include "fs/contract.h"
#include "fs/text.h"

namespace vexilo::cursor {

using types::TVxbDataType;
using types::TVxbDataValue;

namespace {

// Sources whose wide text a Link or Relation target takes as a wide string.
bool GivesLinkText(int16_t type) {
  switch (type) {
    case types::vxbString:
    case types::vxbSmallInt:
    case types::vxbByte:
    case types::vxbDate:
    case types::vxbTime:
    case types::vxbInteger:
    case types::vxbTimeStamp:
    case types::vxbWideString:
    case types::vxbBigInt:
    case types::vxbGuid:
      return true;
    default:
      return false;
  }
}

}  // namespace

void TVxbAccessor::SwitchRecBuffer(std::vector<uint8_t>& buffer) {
  VEXILO_REQUIRE(buffer.size() == FCurrentRecBuf.size());
  if (FWorkRecordNo > 0 && FCurrentRecordNo == FWorkRecordNo) {
    FWorkRecBuf.swap(buffer);
    return;
  }
  FCurrentRecBuf.swap(buffer);
  FCurrentRecBufUpdated = true;
}

void TVxbAccessor::UnswitchRecBuffer(std::vector<uint8_t>& buffer) {
  VEXILO_REQUIRE(buffer.size() == FCurrentRecBuf.size());
  if (FWorkRecordNo > 0 && FCurrentRecordNo == FWorkRecordNo) {
    FWorkRecBuf.swap(buffer);
    return;
  }
  FCurrentRecBuf.swap(buffer);
  FCurrentRecBufUpdated = false;
}

void TVxbAccessor::TakeOver(TVxbAccessor& source, TVxbTakeOverMode mode) {
  VEXILO_REQUIRE(&source.FRelation == &FRelation);
  if (&source == this) return;
  if (!source.FCurrentRecBufUpdated && source.FCurrentRecordNo > 0) source.UpdateRecBuf();
  FCurrentRecordNo = source.FCurrentRecordNo;
  FCurrentSequenceNo = source.FCurrentSequenceNo;
  FCurrentRecBufUpdated = source.FCurrentRecBufUpdated;
  FCurrentRecBuf = source.FCurrentRecBuf;
  FPendingBlobs = source.FPendingBlobs;
  if (mode == tomIgnore) return;
  FWorkRecordNo = source.FWorkRecordNo;
  FWorkRecordId = source.FWorkRecordId;
  FWorkRecBuf = source.FWorkRecBuf;
  FCurrentEditState = source.FCurrentEditState;
  FSavedRecordNo = source.FSavedRecordNo;
}

std::unique_ptr<TVxbAccessor> TVxbAccessor::CreateClone(const TVxbAccessor& source) {
  return std::make_unique<TVxbAccessor>(source.FRelation, std::u16string(), source.FLockingTimeout);
}

int16_t TVxbAccessor::AssignFieldFrom(TVxbAccessor& source, int sourceFieldNo, int targetFieldNo) {
  const storage::TVxbColumnDef* target = FRelation.ColumnDefs().GetColumnDef(targetFieldNo);
  const storage::TVxbColumnDef* from = source.FRelation.ColumnDefs().GetColumnDef(sourceFieldNo);
  if (!target || !target->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(targetFieldNo)});
  }
  if (!from || !from->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(sourceFieldNo)});
  }
  switch (target->TypeCode()) {
    case types::vxbMemo:
    case types::vxbBlob: {
      std::string text;
      const int16_t read = source.GetAsString(sourceFieldNo, text);
      if (read < 0) return read;
      return SetAsStringA(targetFieldNo, text, read == 0 && text.empty());
    }
    case types::vxbWideMemo: {
      std::u16string text;
      const int16_t read = source.GetAsString(sourceFieldNo, text);
      if (read < 0) return read;
      return SetAsStringW(targetFieldNo, text, read == 0 && text.empty());
    }
    default:
      break;
  }
  const TVxbDataType& fromType = *from->DataType();
  const TVxbDataType& toType = *target->DataType();
  if (!TVxbDataType::CanConvert(fromType, toType, false)) {
    return FRelation.Services().SetLastError(errors::vxbErrTypeMismatch,
                                             {fs::u8(fromType.GetTplName() + u"->" + toType.GetTplName())});
  }
  TVxbDataValue value;
  if (const int16_t read = source.GetValue(sourceFieldNo, value, fromType); read < 0) return read;
  return SetValue(targetFieldNo, value, fromType);
}

int16_t TVxbAccessor::AssignRecordFrom(TVxbAccessor& source, bool copyRecordId) {
  for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) {
    const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
    if (column && column->TypeCode() == types::vxbRecordId && !copyRecordId) continue;
    if (const int16_t result = AssignFieldFrom(source, fieldNo, fieldNo); result < 0) return result;
  }
  return 0;
}

int16_t TVxbAccessor::AssignRecordFrom(TVxbAccessor& source, const TVxbTransferVector& mapping, bool copyRecordId) {
  for (int pair = 0; pair < mapping.Size; ++pair) {
    const int targetFieldNo = mapping.TargetFieldNo(pair);
    const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(targetFieldNo);
    if (column && column->TypeCode() == types::vxbRecordId && !copyRecordId) continue;
    if (const int16_t result = AssignFieldFrom(source, mapping.SourceFieldNo(pair), targetFieldNo); result < 0) {
      return result;
    }
  }
  return 0;
}

int16_t TVxbAccessor::TransferFieldFrom(TVxbAccessor& source, int sourceFieldNo, int targetFieldNo) {
  const storage::TVxbColumnDef* target = FRelation.ColumnDefs().GetColumnDef(targetFieldNo);
  const storage::TVxbColumnDef* from = source.FRelation.ColumnDefs().GetColumnDef(sourceFieldNo);
  if (!target || !target->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(targetFieldNo)});
  }
  if (!from || !from->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(sourceFieldNo)});
  }
  const int16_t toType = target->TypeCode();
  const int16_t fromType = from->TypeCode();
  if (toType == types::vxbRelation && fromType == types::vxbRelation) return 0;
  if (toType == types::vxbFloat && fromType == types::vxbFloat) {
    TVxbDataValue value;
    const int16_t read = source.GetValue(sourceFieldNo, value, *from->DataType());
    return read < 0 ? read : SetValue(targetFieldNo, value, *from->DataType());
  }
  if ((toType == types::vxbLink || toType == types::vxbRelation) && GivesLinkText(fromType)) {
    std::u16string text;
    if (const int16_t read = source.GetAsString(sourceFieldNo, text); read < 0) return read;
    const TVxbDataType& wide = *TVxbDataType::GetVariableType(from->DataType());
    TVxbDataValue value;
    wide.SetWideString(value, text);
    return PutFieldValue(targetFieldNo, value, wide);
  }
  if (fromType == types::vxbWideString || fromType == types::vxbWideMemo) {
    std::u16string text;
    const int16_t read = source.GetAsString(sourceFieldNo, text);
    if (read < 0) return read;
    return SetAsStringW(targetFieldNo, text, read == 0);
  }
  std::string text;
  const int16_t read = source.GetAsString(sourceFieldNo, text);
  if (read < 0) return read;
  return SetAsStringA(targetFieldNo, text, read == 0);
}

int16_t TVxbAccessor::TransferRecordFrom(TVxbAccessor& source, const TVxbTransferVector& mapping) {
  for (int pair = 0; pair < mapping.Size; ++pair) {
    if (const int16_t result = TransferFieldFrom(source, mapping.SourceFieldNo(pair), mapping.TargetFieldNo(pair));
        result < 0) {
      return result;
    }
  }
  return 0;
}

}  // namespace vexilo::cursor
