// The accessor's buffers and column values: binding to the relation's record
// layout, reading the current record, the record copies, and the typed and
// text access to single columns.
#include "engine/cursor/accessor.h"

#include <cstring>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/sharing/table_locks.h"
#include "engine/types/column_type.h"
#include "engine/types/field_codec.h"
#include "engine/types/type_errors.h"

namespace vexilo::cursor {

namespace {

using types::TVxbDataType;
using types::TVxbDataValue;

const TVxbDataValue kNoField;

// Puts null (`undefined`) or, through `put`, a value into the fixed column
// `column` of the record `rec`: 0, or 47 when the column takes no null.
template <typename TPut>
int16_t PutFixedField(errors::TVxbServices& services, const storage::TVxbColumnDef& column, uint8_t* rec,
                      bool undefined, TPut put) {
  if (undefined && !column.DataType()->Nullable()) {
    return services.SetLastError(errors::vxbErrNullNotAccepted, {column.Name()});
  }
  TVxbDataValue field;
  column.DataType()->SetReference(field, rec + column.Position());
  if (undefined) column.DataType()->SetNull(field);
  else put(field);
  return 0;
}

}  // namespace

TVxbAccessor::TVxbAccessor(storage::TVxbRelation& relation, std::u16string tag, int32_t lockingTimeout)
    : FRelation(relation), FTag(std::move(tag)), FLockingTimeout(lockingTimeout) {
  FRelation.AddAccessor(this);
  if (FRelation.GetActive()) Open();
}

TVxbAccessor::~TVxbAccessor() {
  Close();
  FRelation.RemoveAccessor(this);
}

int16_t TVxbAccessor::Open() {
  if (!FRelation.GetActive()) return FRelation.Services().SetLastError(errors::vxbErrInvalidAccess, {});
  const size_t size = static_cast<size_t>(FRelation.GetRecordSize());
  FCurrentRecBuf.assign(size, 0);
  FWorkRecBuf.assign(size, 0);
  BindFields();
  FPendingBlobs.Clear();
  FCurrentRecordNo = -1;
  FCurrentSequenceNo = -1;
  FCurrentRecBufUpdated = false;
  FWorkRecordNo = -1;
  FWorkRecordId = 0;
  FSavedRecordNo = -1;
  FCurrentEditState = esBrowse;
  FRecordDeleted = false;
  FBlobTransferFieldNo = 0;
  FOpen = true;
  return 0;
}

void TVxbAccessor::Close() {
  if (!FOpen) return;
  Cancel();
  FPendingBlobs.Clear();
  FBlobTransferFieldNo = 0;
  FCurrentRecordNo = -1;
  FCurrentSequenceNo = -1;
  FCurrentRecBufUpdated = false;
  FOpen = false;
}

void TVxbAccessor::BindFields() {
  FFields.clear();
  FFields.resize(static_cast<size_t>(FRelation.ColumnCount()));
  for (int fieldNo = 1; fieldNo <= FRelation.ColumnCount(); ++fieldNo) {
    const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
    const int16_t type = column->TypeCode();
    if (IsContentColumn(fieldNo) || type == types::vxbRelation || !column->DataType()) continue;
    if (static_cast<size_t>(column->Position() + column->Size()) > FCurrentRecBuf.size()) continue;
    column->DataType()->SetReference(FFields[static_cast<size_t>(fieldNo - 1)],
                                     FCurrentRecBuf.data() + column->Position());
  }
}

bool TVxbAccessor::IsContentColumn(int fieldNo) const {
  const int16_t type = ColumnType(fieldNo);
  return type == types::vxbMemo || type == types::vxbBlob || type == types::vxbWideMemo;
}

int16_t TVxbAccessor::ColumnType(int fieldNo) const {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  return column ? column->TypeCode() : static_cast<int16_t>(types::vxbNullType);
}

storage::TVxbTableLockGuard TVxbAccessor::ReadLock() {
  storage::TVxbTableLocks* locks = FRelation.LockState();
  if (!locks) return {};
  return storage::TVxbTableLockGuard::Read(*locks);
}

storage::TVxbTableLockGuard TVxbAccessor::UpgradeLock() {
  storage::TVxbTableLocks* locks = FRelation.LockState();
  if (!locks) return {};
  return storage::TVxbTableLockGuard::Upgrade(*locks);
}

int16_t TVxbAccessor::RecordException(const std::exception& e) {
  errors::TVxbServices& services = FRelation.Services();
  if (const auto* engine = dynamic_cast<const errors::EVxbEngine*>(&e)) {
    if (engine->Code() == errors::vxbErrInternal) return -errors::vxbErrInternal;
    return services.SetLastError(*engine);
  }
  if (const auto* type = dynamic_cast<const types::EVxbTypeException*>(&e)) {
    return services.SetLastError(errors::vxbErrPlainMessage, {type->Message()});
  }
  return services.SetLastError(errors::vxbErrException, {std::string(e.what())});
}

// --- position ---

void TVxbAccessor::SetCurrentRecordNo(int32_t recNo) {
  if (recNo < -1) recNo = -1;
  if (recNo != FCurrentRecordNo) {
    FCurrentRecordNo = recNo;
    FCurrentRecBufUpdated = false;
  }
  FRecordDeleted = false;
}

// --- record buffers ---

int16_t TVxbAccessor::UpdateRecBuf() {
  if (!FOpen) return FRelation.Services().SetLastError(errors::vxbErrInvalidAccess, {});
  // The read lock comes first: taking it from the lock file refreshes the
  // table after other sessions' changes, and the notices of that refresh
  // may move this accessor to another record number before it is read.
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (!readLock && readLock.Result() < 0) return readLock.Result();
  if (FCurrentRecordNo < 1) {
    const int16_t result = FRelation.InitRecord(FCurrentRecBuf.data(), false);
    if (result < 0) return result;
    // Contents set for a record being appended belong to it; only a browsing
    // accessor has nothing pending to lose.
    if (FCurrentEditState == esBrowse) FPendingBlobs.Clear();
    FCurrentRecBufUpdated = true;
    return 0;
  }
  const int16_t result = FRelation.ReadRecord(FCurrentRecordNo, FCurrentRecBuf.data());
  if (result < 0) {
    FCurrentRecBufUpdated = false;
    return result;
  }
  FCurrentRecBufUpdated = true;
  return 0;
}

uint8_t* TVxbAccessor::GetRecordPtr() {
  if (FCurrentRecordNo >= 0 && FCurrentRecordNo == FWorkRecordNo) return FWorkRecBuf.data();
  if (!FCurrentRecBufUpdated) UpdateRecBuf();
  return FCurrentRecBuf.data();
}

uint8_t* TVxbAccessor::GetRecordPtrExc() {
  if (FCurrentRecordNo >= 0 && FCurrentRecordNo == FWorkRecordNo) return FWorkRecBuf.data();
  if (!FCurrentRecBufUpdated && UpdateRecBuf() < 0) {
    throw errors::EVxbEngine(errors::vxbErrInternal, FRelation.Services().LastErrorMsg());
  }
  return FCurrentRecBuf.data();
}

void TVxbAccessor::GetRecord(uint8_t* recBuffer) {
  std::memcpy(recBuffer, GetRecordPtrExc(), FCurrentRecBuf.size());
}

void TVxbAccessor::SetRecord(const uint8_t* recBuffer) {
  std::memcpy(GetRecordPtr(), recBuffer, FCurrentRecBuf.size());
}

void TVxbAccessor::MarkPendingContents(uint8_t* recBuffer) const {
  if (FCurrentEditState == esBrowse) return;
  for (int fieldNo = 1; fieldNo <= FRelation.ColumnCount(); ++fieldNo) {
    if (!IsContentColumn(fieldNo) || !HasPendingBlob(fieldNo)) continue;
    const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
    const types::TVxbFieldLayout layout = column->FieldLayout(FRelation.GetLevel());
    const size_t offset = types::TVxbFieldCodec::ValueOffset(layout);
    if (types::TvwMemory::ReadInt32(recBuffer, offset) < 1) types::TvwMemory::WriteInt32(recBuffer, offset, -1);
  }
}

void TVxbAccessor::ClearContentMarks() {
  uint8_t* rec = GetRecordPtr();
  for (int fieldNo = 1; fieldNo <= FRelation.ColumnCount(); ++fieldNo) {
    if (!IsContentColumn(fieldNo)) continue;
    const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
    const types::TVxbFieldLayout layout = column->FieldLayout(FRelation.GetLevel());
    const size_t offset = types::TVxbFieldCodec::ValueOffset(layout);
    if (types::TvwMemory::ReadInt32(rec, offset) < 0) types::TvwMemory::WriteInt32(rec, offset, 0);
  }
}

// --- column values ---

const TVxbDataType* TVxbAccessor::GetDataType(int fieldNo) const {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  return column ? column->DataType() : nullptr;
}

const TVxbDataValue& TVxbAccessor::GetField(int fieldNo) const {
  if (fieldNo < 1 || static_cast<size_t>(fieldNo) > FFields.size()) return kNoField;
  return FFields[static_cast<size_t>(fieldNo - 1)];
}

int16_t TVxbAccessor::GetValue(int fieldNo, TVxbDataValue& value, const TVxbDataType& dataType) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  if (IsContentColumn(fieldNo)) return GetLongValue(fieldNo, value, dataType);
  try {
    TVxbDataValue field;
    column->DataType()->SetReference(field, GetRecordPtr() + column->Position());
    dataType.Assign(value, field, *column->DataType());
    return 0;
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

int16_t TVxbAccessor::GetLongValue(int fieldNo, TVxbDataValue& value, const TVxbDataType& dataType) {
  const int16_t type = ColumnType(fieldNo);
  try {
    if (type == types::vxbMemo) {
      std::string memo;
      if (const int32_t result = GetMemo(fieldNo, memo); result < 0) return static_cast<int16_t>(result);
      const TVxbDataType* text = TVxbDataType::GetVariableType(GetDataType(fieldNo));
      TVxbDataValue held;
      text->SetAnsiString(held, memo);
      dataType.Assign(value, held, *text);
      return 0;
    }
    if (type == types::vxbWideMemo) {
      std::u16string memo;
      if (const int32_t result = GetWideMemo(fieldNo, memo); result < 0) return static_cast<int16_t>(result);
      const TVxbDataType* text = TVxbDataType::GetVariableType(GetDataType(fieldNo));
      TVxbDataValue held;
      text->SetWideString(held, memo);
      dataType.Assign(value, held, *text);
      return 0;
    }
    if (type == types::vxbBlob) {
      std::string data;
      if (const int32_t result = GetBlob(fieldNo, data); result < 0) return static_cast<int16_t>(result);
      if (data.empty()) {
        if (dataType.Nullable()) dataType.SetNull(value);
        else dataType.GetDefault(value);
        return 0;
      }
      dataType.SetBytes(value, {reinterpret_cast<const uint8_t*>(data.data()), data.size()});
      return 0;
    }
  } catch (const std::exception& e) {
    return RecordException(e);
  }
  return FRelation.Services().SetLastError(errors::vxbErrNotABlobField, {});
}

int16_t TVxbAccessor::SetValue(int fieldNo, const TVxbDataValue& value, const TVxbDataType& dataType) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  const bool null = value.IsEmpty() || dataType.IsNull(value);
  try {
    const int16_t type = column->TypeCode();
    if (type == types::vxbMemo || type == types::vxbBlob) {
      if (null) return SetMemo(fieldNo, {});
      const int16_t code = dataType.ColumnType();
      if (code == types::vxbBlob || code == types::vxbBinary) {
        const auto bytes = dataType.GetBytes(value);
        return SetMemo(fieldNo, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
      }
      const TVxbDataType* text = TVxbDataType::GetVariableType(column->DataType());
      if (text->ColumnType() == types::vxbBlob) return SetMemo(fieldNo, dataType.GetAnsiString(value));
      TVxbDataValue held;
      text->Assign(held, value, dataType);
      return SetMemo(fieldNo, text->GetAnsiString(held));
    }
    if (type == types::vxbWideMemo) {
      if (null) return SetWideMemo(fieldNo, {});
      const TVxbDataType* text = TVxbDataType::GetVariableType(column->DataType());
      TVxbDataValue held;
      text->Assign(held, value, dataType);
      return SetWideMemo(fieldNo, text->GetWideString(held));
    }
    TVxbDataValue field;
    column->DataType()->SetReference(field, GetRecordPtr() + column->Position());
    if (null && !column->DataType()->Nullable()) {
      column->DataType()->GetDefault(field);
    } else {
      column->DataType()->Assign(field, value, dataType);
    }
    return 0;
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

int16_t TVxbAccessor::PutFieldValue(int fieldNo, const TVxbDataValue& value, const TVxbDataType& dataType) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  const bool onWorkRecord = FCurrentRecordNo >= 0 && FCurrentRecordNo == FWorkRecordNo;
  if (!onWorkRecord && !FCurrentRecBufUpdated) {
    if (const int16_t result = UpdateRecBuf(); result < 0) return result;
  }
  if (!IsContentColumn(fieldNo) && !column->DataType()->Nullable() && (value.IsEmpty() || dataType.IsNull(value))) {
    return FRelation.Services().SetLastError(errors::vxbErrNullNotAccepted, {column->Name()});
  }
  return SetValue(fieldNo, value, dataType);
}

int16_t TVxbAccessor::GetAsString(int fieldNo, std::u16string& text) {
  text.clear();
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  try {
    switch (column->TypeCode()) {
      case types::vxbWideMemo: {
        const int32_t result = GetWideMemo(fieldNo, text);
        if (result < 0) return static_cast<int16_t>(result);
        return text.empty() ? 0 : 1;
      }
      case types::vxbMemo: {
        std::string memo;
        if (const int32_t result = GetMemo(fieldNo, memo); result < 0) return static_cast<int16_t>(result);
        const TVxbDataType* type = TVxbDataType::GetVariableType(column->DataType());
        TVxbDataValue held;
        type->SetAnsiString(held, memo);
        text = type->GetWideString(held);
        return text.empty() ? 0 : 1;
      }
      case types::vxbBlob: {
        std::string data;
        if (const int32_t result = GetBlob(fieldNo, data); result < 0) return static_cast<int16_t>(result);
        text.assign(data.begin(), data.end());
        for (char16_t& c : text) c = static_cast<char16_t>(static_cast<uint8_t>(c));
        return text.empty() ? 0 : 1;
      }
      default: {
        TVxbDataValue field;
        column->DataType()->SetReference(field, GetRecordPtr() + column->Position());
        if (column->DataType()->IsNull(field)) return 0;
        text = column->DataType()->ConvertToString(field);
        return 1;
      }
    }
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

int16_t TVxbAccessor::GetAsString(int fieldNo, std::string& text) {
  text.clear();
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  try {
    switch (column->TypeCode()) {
      case types::vxbMemo: {
        const int32_t result = GetMemo(fieldNo, text);
        if (result < 0) return static_cast<int16_t>(result);
        return text.empty() ? 0 : 1;
      }
      case types::vxbBlob: {
        const int32_t result = GetBlob(fieldNo, text);
        if (result < 0) return static_cast<int16_t>(result);
        return text.empty() ? 0 : 1;
      }
      case types::vxbWideMemo: {
        std::u16string memo;
        if (const int32_t result = GetWideMemo(fieldNo, memo); result < 0) return static_cast<int16_t>(result);
        const TVxbDataType* type = TVxbDataType::GetVariableType(column->DataType());
        TVxbDataValue held;
        type->SetWideString(held, memo);
        text = type->GetAnsiString(held);
        return text.empty() ? 0 : 1;
      }
      case types::vxbString:
      case types::vxbChar: {
        TVxbDataValue field;
        column->DataType()->SetReference(field, GetRecordPtr() + column->Position());
        if (column->DataType()->IsNull(field)) return 0;
        text = column->DataType()->GetAnsiString(field);
        return 1;
      }
      default: {
        std::u16string wide;
        const int16_t result = GetAsString(fieldNo, wide);
        if (result <= 0) return result;
        // Texts of numbers, dates and the like are ASCII; a wide string
        // keeps the characters of the first 256 code points.
        text.reserve(wide.size());
        for (char16_t c : wide) text.push_back(c < 256 ? static_cast<char>(c) : '?');
        return 1;
      }
    }
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

int16_t TVxbAccessor::SetAsStringW(int fieldNo, std::u16string_view text, bool undefined) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  try {
    switch (column->TypeCode()) {
      case types::vxbWideMemo:
        return SetWideMemo(fieldNo, undefined ? std::u16string_view() : text);
      case types::vxbMemo: {
        if (undefined) return SetMemo(fieldNo, {});
        const TVxbDataType* type = TVxbDataType::GetVariableType(column->DataType());
        TVxbDataValue held;
        type->SetWideString(held, text);
        return SetMemo(fieldNo, type->GetAnsiString(held));
      }
      case types::vxbBlob: {
        std::string data;
        if (!undefined) {
          data.reserve(text.size());
          for (char16_t c : text) data.push_back(static_cast<char>(c & 0xFF));
        }
        return SetMemo(fieldNo, data);
      }
      default:
        return PutFixedField(FRelation.Services(), *column, GetRecordPtr(), undefined,
                             [&](TVxbDataValue& field) { column->DataType()->ConvertFromString(field, text); });
    }
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

int16_t TVxbAccessor::SetAsStringA(int fieldNo, std::string_view text, bool undefined) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column || !column->DataType()) {
    return FRelation.Services().SetLastError(errors::vxbErrNotADataField, {std::to_string(fieldNo)});
  }
  try {
    switch (column->TypeCode()) {
      case types::vxbMemo:
      case types::vxbBlob:
        return SetMemo(fieldNo, undefined ? std::string_view() : text);
      case types::vxbWideMemo: {
        if (undefined) return SetWideMemo(fieldNo, {});
        const TVxbDataType* type = TVxbDataType::GetVariableType(column->DataType());
        TVxbDataValue held;
        type->SetAnsiString(held, text);
        return SetWideMemo(fieldNo, type->GetWideString(held));
      }
      case types::vxbString:
      case types::vxbChar:
        return PutFixedField(FRelation.Services(), *column, GetRecordPtr(), undefined,
                             [&](TVxbDataValue& field) { column->DataType()->SetAnsiString(field, text); });
      default: {
        std::u16string wide(text.begin(), text.end());
        for (char16_t& c : wide) c = static_cast<char16_t>(static_cast<uint8_t>(c));
        return SetAsStringW(fieldNo, wide, undefined);
      }
    }
  } catch (const std::exception& e) {
    return RecordException(e);
  }
}

bool TVxbAccessor::ReadInt32(int fieldNo, int32_t& value) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  value = 0;
  if (!column) return false;
  const types::TVxbFieldLayout layout = column->FieldLayout(FRelation.GetLevel());
  const uint8_t* rec = GetRecordPtr();
  switch (column->TypeCode()) {
    case types::vxbInteger:
    case types::vxbRecordId:
      return types::TVxbFieldCodec::ReadInteger(rec, layout, value);
    case types::vxbMemo:
    case types::vxbBlob:
    case types::vxbWideMemo:
      return types::TVxbFieldCodec::ReadBlockRef(rec, layout, value);
    default:
      return false;
  }
}

void TVxbAccessor::WriteInt32(int fieldNo, int32_t value, bool isNull) {
  const storage::TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
  if (!column) return;
  const types::TVxbFieldLayout layout = column->FieldLayout(FRelation.GetLevel());
  uint8_t* rec = GetRecordPtr();
  switch (column->TypeCode()) {
    case types::vxbInteger:
    case types::vxbRecordId:
      types::TVxbFieldCodec::WriteInteger(rec, layout, !isNull, value);
      break;
    case types::vxbMemo:
    case types::vxbBlob:
    case types::vxbWideMemo:
      types::TVxbFieldCodec::WriteBlockRef(rec, layout, !isNull, value);
      break;
    default:
      break;
  }
}

int32_t TVxbAccessor::GetRecordId() {
  if (!FRelation.HasRecordId()) {
    return FRelation.Services().SetLastError(errors::vxbErrNoRecordIdColumn, {FRelation.GetName()});
  }
  return FRelation.GetRecordId(GetRecordPtr());
}

void TVxbAccessor::SetRecordId(int32_t recordId) { FRelation.SetRecordId(GetRecordPtr(), recordId); }

}  // namespace vexilo::cursor
