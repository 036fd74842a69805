#include "engine/storage/table/relation.h"

#include <algorithm>

#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"
#include "fs/text.h"

namespace vexilo::storage {

using types::TVxbFieldCodec;

TVxbRelation::TVxbRelation(errors::TVxbServices& services) : FServices(services) {}

TVxbRelation::~TVxbRelation() = default;

int16_t TVxbRelation::Open(bool force) {
  const int16_t result = OpenFiles(force);
  if (result < 0) return result;
  ComputeStdName();
  return result;
}

int16_t TVxbRelation::OpenIndex(int indexNo) {
  return Fail(errors::vxbErrIndexNotFound, {fs::FormatArg(fs::u16(std::to_string(indexNo)))});
}

// --- typed field access ---

bool TVxbRelation::IsNull(const uint8_t* rec, int fieldNo) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return true;
  const types::TVxbFieldLayout f = Layout(*c);
  switch (c->TypeCode()) {
    case types::vxbChar: {
      uint8_t v;
      return !TVxbFieldCodec::ReadChar(rec, f, v);
    }
    case types::vxbString: {
      std::string s;
      return !TVxbFieldCodec::ReadString(rec, f, s);
    }
    case types::vxbWideString: {
      std::u16string s;
      return !TVxbFieldCodec::ReadWideString(rec, f, s);
    }
    case types::vxbFloat: {
      double v;
      return !TVxbFieldCodec::ReadFloat(rec, f, v);
    }
    case types::vxbDate: {
      int32_t v;
      return !TVxbFieldCodec::ReadDate(rec, f, v);
    }
    case types::vxbTime: {
      int64_t v;
      return !TVxbFieldCodec::ReadTime(rec, f, v);
    }
    case types::vxbTimeStamp: {
      types::TVxbTimeStamp v;
      return !TVxbFieldCodec::ReadTimeStamp(rec, f, v);
    }
    case types::vxbGuid: {
      types::TGuid v;
      return !TVxbFieldCodec::ReadGuid(rec, f, v);
    }
    case types::vxbMemo:
    case types::vxbBlob:
    case types::vxbWideMemo:
      return GetBlockIdx(rec, fieldNo) == 0;
    default: {
      int64_t v;
      return !GetInteger(rec, fieldNo, v);
    }
  }
}

bool TVxbRelation::SetNull(uint8_t* rec, int fieldNo) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return false;
  const types::TVxbFieldLayout f = Layout(*c);
  switch (c->TypeCode()) {
    case types::vxbChar:
      return TVxbFieldCodec::WriteChar(rec, f, false, 0);
    case types::vxbString:
      return TVxbFieldCodec::WriteString(rec, f, false, {});
    case types::vxbWideString:
      return TVxbFieldCodec::WriteWideString(rec, f, false, {});
    case types::vxbFloat:
      return TVxbFieldCodec::WriteFloat(rec, f, false, 0);
    case types::vxbDate:
      return TVxbFieldCodec::WriteDate(rec, f, false, 0);
    case types::vxbTime:
      return TVxbFieldCodec::WriteTime(rec, f, false, 0);
    case types::vxbTimeStamp:
      return TVxbFieldCodec::WriteTimeStamp(rec, f, false, {});
    case types::vxbGuid:
      return TVxbFieldCodec::WriteGuid(rec, f, false, {});
    case types::vxbMemo:
    case types::vxbBlob:
    case types::vxbWideMemo:
      return TVxbFieldCodec::WriteBlockRef(rec, f, true, 0);
    case types::vxbSmallInt:
      return TVxbFieldCodec::WriteSmallInt(rec, f, false, 0);
    case types::vxbByte:
      return TVxbFieldCodec::WriteByte(rec, f, false, 0);
    case types::vxbBoolean:
      return TVxbFieldCodec::WriteBoolean(rec, f, false, 0);
    case types::vxbEnum:
      return TVxbFieldCodec::WriteEnum(rec, f, false, 0);
    case types::vxbInteger:
    case types::vxbRecordId:
      return TVxbFieldCodec::WriteInteger(rec, f, false, 0);
    case types::vxbLink:
      return TVxbFieldCodec::WriteLink(rec, f, false, 0);
    case types::vxbBigInt:
      return TVxbFieldCodec::WriteBigInt(rec, f, false, 0);
    default:
      return false;
  }
}

bool TVxbRelation::GetInteger(const uint8_t* rec, int fieldNo, int64_t& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return false;
  const types::TVxbFieldLayout f = Layout(*c);
  bool present = false;
  switch (c->TypeCode()) {
    case types::vxbSmallInt: {
      int16_t v = 0;
      present = TVxbFieldCodec::ReadSmallInt(rec, f, v);
      value = v;
      break;
    }
    case types::vxbByte: {
      uint8_t v = 0;
      present = TVxbFieldCodec::ReadByte(rec, f, v);
      value = v;
      break;
    }
    case types::vxbBoolean: {
      bool v = false;
      present = TVxbFieldCodec::ReadBoolean(rec, f, v);
      value = v ? 1 : 0;
      break;
    }
    case types::vxbEnum: {
      uint8_t v = 0;
      present = TVxbFieldCodec::ReadEnum(rec, f, v);
      value = v;
      break;
    }
    case types::vxbInteger:
    case types::vxbRecordId: {
      int32_t v = 0;
      present = TVxbFieldCodec::ReadInteger(rec, f, v);
      value = v;
      break;
    }
    case types::vxbLink: {
      int32_t v = 0;
      present = TVxbFieldCodec::ReadLink(rec, f, v);
      value = v;
      break;
    }
    case types::vxbBigInt:
      present = TVxbFieldCodec::ReadBigInt(rec, f, value);
      break;
    default:
      return false;
  }
  return present;
}

bool TVxbRelation::SetInteger(uint8_t* rec, int fieldNo, int64_t value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return false;
  const types::TVxbFieldLayout f = Layout(*c);
  switch (c->TypeCode()) {
    case types::vxbSmallInt:
      return TVxbFieldCodec::WriteSmallInt(rec, f, true, value);
    case types::vxbByte:
      return TVxbFieldCodec::WriteByte(rec, f, true, value);
    case types::vxbBoolean:
      return TVxbFieldCodec::WriteBoolean(rec, f, true, value);
    case types::vxbEnum:
      return TVxbFieldCodec::WriteEnum(rec, f, true, value);
    case types::vxbInteger:
    case types::vxbRecordId:
      return TVxbFieldCodec::WriteInteger(rec, f, true, value);
    case types::vxbLink:
      return TVxbFieldCodec::WriteLink(rec, f, true, value);
    case types::vxbBigInt:
      return TVxbFieldCodec::WriteBigInt(rec, f, true, value);
    default:
      return false;
  }
}

namespace {

// Reads or writes a field of exactly `typeCode` through `op`.
template <typename Op>
bool OnType(const TVxbColumnDef* c, int16_t typeCode, Op op) {
  return c && c->TypeCode() == typeCode && op();
}

}  // namespace

bool TVxbRelation::GetDouble(const uint8_t* rec, int fieldNo, double& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbFloat, [&] { return TVxbFieldCodec::ReadFloat(rec, Layout(*c), value); });
}

bool TVxbRelation::SetDouble(uint8_t* rec, int fieldNo, double value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbFloat, [&] { return TVxbFieldCodec::WriteFloat(rec, Layout(*c), true, value); });
}

bool TVxbRelation::GetDate(const uint8_t* rec, int fieldNo, int32_t& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbDate, [&] { return TVxbFieldCodec::ReadDate(rec, Layout(*c), value); });
}

bool TVxbRelation::SetDate(uint8_t* rec, int fieldNo, int32_t value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbDate, [&] { return TVxbFieldCodec::WriteDate(rec, Layout(*c), true, value); });
}

bool TVxbRelation::GetTime(const uint8_t* rec, int fieldNo, int64_t& ticks) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbTime, [&] { return TVxbFieldCodec::ReadTime(rec, Layout(*c), ticks); });
}

bool TVxbRelation::SetTime(uint8_t* rec, int fieldNo, int64_t ticks) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbTime, [&] { return TVxbFieldCodec::WriteTime(rec, Layout(*c), true, ticks); });
}

bool TVxbRelation::GetTimeStamp(const uint8_t* rec, int fieldNo, types::TVxbTimeStamp& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbTimeStamp, [&] { return TVxbFieldCodec::ReadTimeStamp(rec, Layout(*c), value); });
}

bool TVxbRelation::SetTimeStamp(uint8_t* rec, int fieldNo, const types::TVxbTimeStamp& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbTimeStamp,
                [&] { return TVxbFieldCodec::WriteTimeStamp(rec, Layout(*c), true, value); });
}

bool TVxbRelation::GetGuid(const uint8_t* rec, int fieldNo, types::TGuid& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbGuid, [&] { return TVxbFieldCodec::ReadGuid(rec, Layout(*c), value); });
}

bool TVxbRelation::SetGuid(uint8_t* rec, int fieldNo, const types::TGuid& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbGuid, [&] { return TVxbFieldCodec::WriteGuid(rec, Layout(*c), true, value); });
}

bool TVxbRelation::GetAnsiString(const uint8_t* rec, int fieldNo, std::string& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return false;
  if (c->TypeCode() == types::vxbChar) {
    uint8_t ch = 0;
    const bool present = TVxbFieldCodec::ReadChar(rec, Layout(*c), ch);
    value = present ? std::string(1, static_cast<char>(ch)) : std::string();
    return present;
  }
  return OnType(c, types::vxbString, [&] { return TVxbFieldCodec::ReadString(rec, Layout(*c), value); });
}

bool TVxbRelation::SetAnsiString(uint8_t* rec, int fieldNo, std::string_view value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return false;
  if (c->TypeCode() == types::vxbChar) {
    return TVxbFieldCodec::WriteChar(rec, Layout(*c), true, value.empty() ? 0 : static_cast<uint8_t>(value[0]));
  }
  return OnType(c, types::vxbString, [&] { return TVxbFieldCodec::WriteString(rec, Layout(*c), true, value); });
}

bool TVxbRelation::GetWideString(const uint8_t* rec, int fieldNo, std::u16string& value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbWideString, [&] { return TVxbFieldCodec::ReadWideString(rec, Layout(*c), value); });
}

bool TVxbRelation::SetWideString(uint8_t* rec, int fieldNo, std::u16string_view value) const {
  const TVxbColumnDef* c = Column(fieldNo);
  return OnType(c, types::vxbWideString,
                [&] { return TVxbFieldCodec::WriteWideString(rec, Layout(*c), true, value); });
}

int32_t TVxbRelation::GetBlockIdx(const uint8_t* rec, int fieldNo) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (!c) return 0;
  int32_t block = 0;
  if (!TVxbFieldCodec::ReadBlockRef(rec, Layout(*c), block)) return 0;
  return block;
}

void TVxbRelation::SetBlockIdx(uint8_t* rec, int fieldNo, int32_t blockIdx) const {
  const TVxbColumnDef* c = Column(fieldNo);
  if (c) TVxbFieldCodec::WriteBlockRef(rec, Layout(*c), true, blockIdx);
}

int32_t TVxbRelation::GetRecordId(const uint8_t* rec) const {
  int64_t id = 0;
  if (FRecordIdFieldNo <= 0 || !GetInteger(rec, FRecordIdFieldNo, id)) return 0;
  return static_cast<int32_t>(id);
}

void TVxbRelation::SetRecordId(uint8_t* rec, int32_t recordId) const {
  if (FRecordIdFieldNo > 0) SetInteger(rec, FRecordIdFieldNo, recordId);
}

// --- accessors and notices ---

void TVxbRelation::AddAccessor(IRelationListener* accessor) {
  if (accessor && std::find(FClientAccessors.begin(), FClientAccessors.end(), accessor) == FClientAccessors.end()) {
    FClientAccessors.push_back(accessor);
  }
}

void TVxbRelation::RemoveAccessor(IRelationListener* accessor) {
  FClientAccessors.erase(std::remove(FClientAccessors.begin(), FClientAccessors.end(), accessor),
                         FClientAccessors.end());
}

void TVxbRelation::EnableNotifications(bool enabled) {
  if (!enabled) {
    ++FNotificationDisableCount;
    return;
  }
  if (FNotificationDisableCount <= 0) return;
  if (--FNotificationDisableCount == 0) NotifyRecordsChanged();
}

// The notices walk a copy of the list, so a listener may unregister itself.
void TVxbRelation::NotifyRecordsChanged() {
  if (!NotificationsEnabled()) return;
  for (IRelationListener* a : std::vector<IRelationListener*>(FClientAccessors)) a->RecordsChanged();
}

void TVxbRelation::NotifyRecordUpdated(int32_t recNo) {
  if (!NotificationsEnabled()) return;
  for (IRelationListener* a : std::vector<IRelationListener*>(FClientAccessors)) a->RecordUpdated(recNo);
}

void TVxbRelation::NotifyRecordDeleted(int32_t recNo, int32_t movedFrom) {
  if (!NotificationsEnabled()) return;
  for (IRelationListener* a : std::vector<IRelationListener*>(FClientAccessors)) a->RecordDeleted(recNo, movedFrom);
}

void TVxbRelation::NotifyStructureChanged() {
  if (!NotificationsEnabled()) return;
  for (IRelationListener* a : std::vector<IRelationListener*>(FClientAccessors)) a->StructureChanged();
}

void TVxbRelation::NotifyIndexRemoved(int indexNo) {
  if (!NotificationsEnabled()) return;
  for (IRelationListener* a : std::vector<IRelationListener*>(FClientAccessors)) a->IndexRemoved(indexNo);
}

bool TVxbRelation::AccessorEditing(int32_t recNo, const IRelationListener* excluded) const {
  for (const IRelationListener* a : FClientAccessors) {
    if (a != excluded && a->IsEditing(recNo)) return true;
  }
  return false;
}

}  // namespace vexilo::storage
