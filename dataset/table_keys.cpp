// TVxbTable: the order by field names, the key fields of the active index,
// the key-editing state over the three key buffers, key searches and key
// ranges.
#include <algorithm>
#include <array>
#include <cstring>

#include "dataset/action_texts.h"
#include "dataset/table.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

using framework::TDataSetState;
using framework::TVariant;

constexpr char16_t kNeedsActiveIndex[] = u"This operation requires an active index.";
constexpr char16_t kIndexHasOnlyFields[] = u"Active index has only %d fields";
constexpr char16_t kGotoKeyNeedsIndex[] = u"GotoKey needs an active index";

constexpr int32_t kIndexNameCapacity = 44;
constexpr int32_t kAccessDescCapacity = 40;
constexpr int16_t kAllKeyFields = 256;

enum TKeyBufferIndex : int { kSearchKey = 0, kRangeStart = 1, kRangeEnd = 2 };

// The names in `text` separated by `separator`, blanks around each dropped;
// a double-quoted part keeps separators inside it.
std::vector<std::u16string> SplitNames(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> names;
  std::u16string name;
  bool quoted = false;
  const auto flush = [&] {
    const size_t first = name.find_first_not_of(u' ');
    const size_t last = name.find_last_not_of(u' ');
    if (first != std::u16string::npos) names.push_back(name.substr(first, last - first + 1));
    name.clear();
  };
  for (const char16_t c : text) {
    if (c == u'"') {
      quoted = !quoted;
    } else if (c == separator && !quoted) {
      flush();
    } else {
      name += c;
    }
  }
  flush();
  return names;
}

}  // namespace

// ---- The order ----

void TVxbTable::SelectIndexFieldNames() {
  std::u16string sortOrder = FIndexFieldNames;
  std::replace(sortOrder.begin(), sortOrder.end(), u';', u',');
  const int16_t result = sortOrder.empty() ? api::VxbTableSetIndex(TableHdl(), u"", false)
                                           : api::VxbTableSetSortOrder(TableHdl(), sortOrder.c_str());
  if (result != 0) RaiseError(kActionSettingIndexFieldNames, result);
}

void TVxbTable::SetIndexFieldNames(std::u16string value) {
  if (value == FIndexFieldNames) return;
  FIndexName.clear();
  FIndexFieldNames = std::move(value);
  if (!Active()) return;
  CheckBrowseMode();
  UpdateCursorPos();
  SelectIndexFieldNames();
  Resync({});
}

std::vector<std::u16string> TVxbTable::KeyFieldNames() {
  if (!FIndexName.empty()) {
    const framework::TIndexDef* def = FIndexDefs.Find(FIndexName);
    if (def == nullptr) {
      std::array<char16_t, kIndexNameCapacity + 1> stored{};
      if (api::VxbRltnGetRealIndexName(FRltnHdl, FIndexName.c_str(), stored.data(), kIndexNameCapacity) == 0) {
        def = FIndexDefs.Find(stored.data());
      }
    }
    return def == nullptr ? std::vector<std::u16string>() : SplitNames(def->Fields(), u';');
  }
  if (!FIndexFieldNames.empty()) {
    std::array<char16_t, kIndexNameCapacity + 1> access{};
    api::VxbTableGetAccess(TableHdl(), access.data(), kIndexNameCapacity);
    std::array<char16_t, kAccessDescCapacity + 1> desc{};
    if (api::VxbRltnGetIndexDesc(FRltnHdl, access.data(), desc.data(), kAccessDescCapacity, false, false) < 0) {
      return {};
    }
    std::u16string fields(desc.data());
    std::replace(fields.begin(), fields.end(), u'$', u' ');
    return SplitNames(fields, u',');
  }
  throw framework::EDatabaseError(kNeedsActiveIndex);
}

std::vector<framework::TField*> TVxbTable::KeyFields() {
  std::vector<framework::TField*> fields;
  for (const std::u16string& name : KeyFieldNames()) fields.push_back(&FieldByName(name));
  return fields;
}

// ---- The key-editing state ----

void TVxbTable::EnterKeyState(int keyIndex, bool clear) {
  CheckBrowseMode();
  FCurrentKeyIndex = keyIndex;
  framework::TRecordBuffer buffer = CurrentKeyBuffer();
  if (!FSavedKeyBuffer) FSavedKeyBuffer = AllocRecordBuffer();
  std::memcpy(FSavedKeyBuffer.get(), buffer, static_cast<size_t>(RecordSize()));
  if (clear) ClearRecordBuffer(buffer);
  SetState(TDataSetState::dsSetKey);
  DataEvent(framework::TDataEvent::deDataSetChange);
}

void TVxbTable::LeaveKeyState(bool keep) {
  if (!keep && FSavedKeyBuffer) {
    std::memcpy(CurrentKeyBuffer(), FSavedKeyBuffer.get(), static_cast<size_t>(RecordSize()));
  }
  SetState(TDataSetState::dsBrowse);
  DataEvent(framework::TDataEvent::deDataSetChange);
}

void TVxbTable::Post() {
  if (State() == TDataSetState::dsSetKey) {
    UpdateRecord();
    LeaveKeyState(true);
    return;
  }
  TVxbDataSet::Post();
}

void TVxbTable::Cancel() {
  if (State() == TDataSetState::dsSetKey) {
    LeaveKeyState(false);
    return;
  }
  TVxbDataSet::Cancel();
}

void TVxbTable::SetKey() { EnterKeyState(kSearchKey, true); }
void TVxbTable::EditKey() { EnterKeyState(kSearchKey, false); }
void TVxbTable::SetRangeStart() { EnterKeyState(kRangeStart, true); }
void TVxbTable::EditRangeStart() { EnterKeyState(kRangeStart, false); }
void TVxbTable::SetRangeEnd() { EnterKeyState(kRangeEnd, true); }
void TVxbTable::EditRangeEnd() { EnterKeyState(kRangeEnd, false); }

void TVxbTable::FillKeyBuffer(int keyIndex, std::span<const TVariant> values) {
  const std::vector<framework::TField*> keyFields = KeyFields();
  if (values.size() > keyFields.size()) {
    throw framework::EDatabaseError::CreateFmt(kIndexHasOnlyFields, {static_cast<int>(keyFields.size())});
  }
  struct TRestore {
    TVxbTable& Table;
    TDataSetState State;
    ~TRestore() { Table.RestoreState(State); }
  } restore{*this, SetTempState(TDataSetState::dsSetKey)};
  FCurrentKeyIndex = keyIndex;
  for (size_t i = 0; i < values.size(); ++i) keyFields[i]->SetAsVariant(values[i]);
}

// ---- Key searches ----

void TVxbTable::StandOnCursorRecord() {
  SetOutOfTableState(TOutOfTableState::ootNone);
  Resync({.Exact = false, .Center = true});
  DoAfterScroll();
}

int32_t TVxbTable::SearchKey(int16_t itemCount, bool exact) {
  CheckBrowseMode();
  DoBeforeScroll();
  UpdateCursorPos();
  const int32_t before = api::VxbTableGetRecNo(TableHdl());
  const TOutOfTableState outBefore = OutOfTableState();
  CursorPosChanged();
  std::u16string indexName = FIndexName;
  if (indexName.empty() && !FIndexFieldNames.empty()) {
    std::array<char16_t, kIndexNameCapacity + 1> access{};
    api::VxbTableGetAccess(TableHdl(), access.data(), kIndexNameCapacity);
    indexName = access.data();
  }
  // The search lands on the first visible record not smaller than the key
  // and tells whether its key agrees with the search key on `itemCount`
  // key fields; an exact search that lands on one that does not has found
  // nothing, and the cursor goes back where it stood.
  bool agrees = false;
  const int32_t found = api::VxbTableLocateRec2(
      TableHdl(), indexName.c_str(), reinterpret_cast<const uint8_t*>(FKeyBuffers[kSearchKey].get()), itemCount,
      &agrees);
  if (found < 0) RaiseError(exact ? kActionSearchingRecordByKey : kActionSearchingNearestRecord, found);
  if (found > 0 && exact && !agrees) {
    api::VxbTableSetRecNo(TableHdl(), before);
    SetOutOfTableState(outBefore);
    return 0;
  }
  return found;
}

bool TVxbTable::GotoKey() {
  CheckBrowseMode();
  if (FIndexName.empty()) throw framework::EDatabaseError(kGotoKeyNeedsIndex);
  if (SearchKey(kAllKeyFields, true) == 0) return false;
  StandOnCursorRecord();
  return true;
}

bool TVxbTable::FindKey(std::span<const TVariant> values) {
  CheckBrowseMode();
  if (FIndexName.empty()) throw framework::EDatabaseError(kGotoKeyNeedsIndex);
  FillKeyBuffer(kSearchKey, values);
  if (SearchKey(static_cast<int16_t>(values.size()), true) == 0) return false;
  StandOnCursorRecord();
  return true;
}

void TVxbTable::GotoNearest() {
  if (SearchKey(kAllKeyFields, false) == 0) {
    Last();
    return;
  }
  StandOnCursorRecord();
}

void TVxbTable::FindNearest(std::span<const TVariant> values) {
  CheckBrowseMode();
  FillKeyBuffer(kSearchKey, values);
  GotoNearest();
}

// ---- Key ranges ----

void TVxbTable::InstallRange(int16_t startCount, int16_t endCount) {
  CheckBrowseMode();
  const int16_t result = api::VxbTableSetRange(
      TableHdl(), reinterpret_cast<const uint8_t*>(FKeyBuffers[kRangeStart].get()),
      reinterpret_cast<const uint8_t*>(FKeyBuffers[kRangeEnd].get()), RecordSize(), startCount, endCount);
  Check(kActionSettingRange, result);
  if (result == 0) First();
}

void TVxbTable::SetRange(std::span<const TVariant> startValues, std::span<const TVariant> endValues) {
  CheckBrowseMode();
  FillKeyBuffer(kRangeStart, startValues);
  FillKeyBuffer(kRangeEnd, endValues);
  InstallRange(static_cast<int16_t>(startValues.size()), static_cast<int16_t>(endValues.size()));
}

void TVxbTable::ApplyRange() { InstallRange(0, 0); }

void TVxbTable::CancelRange() {
  CheckBrowseMode();
  UpdateCursorPos();
  Check(kActionSettingRange, api::VxbTableClearRange(TableHdl()));
  Resync({});
}

}  // namespace vexilo::dataset
