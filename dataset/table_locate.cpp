// TVxbTable: Locate and Lookup, the search by field values on any order.
#include <vector>

#include "dataset/action_texts.h"
#include "dataset/locate_condition.h"
#include "dataset/table.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

using framework::TDataSetState;
using framework::TVariant;

constexpr int32_t kFoundMark = 1;

std::vector<std::u16string> FieldNameList(std::u16string_view names) {
  std::vector<std::u16string> list;
  size_t start = 0;
  while (start <= names.size()) {
    const size_t end = std::min(names.find(u';', start), names.size());
    std::u16string_view name = names.substr(start, end - start);
    while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
    if (!name.empty()) list.emplace_back(name);
    start = end + 1;
  }
  return list;
}

}  // namespace

int32_t TVxbTable::LocateRecord(std::u16string_view keyFields, std::span<const TVariant> keyValues,
                                framework::TLocateOptions options) {
  const std::vector<std::u16string> names = FieldNameList(keyFields);
  if (names.size() != keyValues.size()) {
    throw framework::EDatabaseError::CreateFmt(u"Locate needs one value for each of its %d fields",
                                               {static_cast<int>(names.size())});
  }
  std::vector<TLocateTerm> terms;
  for (size_t i = 0; i < names.size(); ++i) {
    const framework::TField& field = FieldByName(names[i]);
    if (field.FieldNo() < 1) throw framework::EDatabaseError::CreateFmt(u"Field '%s' is not stored", {names[i]});
    terms.push_back({&FieldDefsVxb().at(static_cast<size_t>(field.FieldNo() - 1)), names[i], keyValues[i]});
  }
  const std::u16string condition = LocateCondition(terms, options.PartialKey);
  const std::u16string action = framework::FormatErrorMessage(kActionLocatingInDataset, {Name()});
  UpdateCursorPos();
  CursorPosChanged();
  if (!(Filtered() && OnFilterRecord())) {
    const int16_t found = api::VxbTableLocateRec3(TableHdl(), condition.c_str(), LocateMode(options, false));
    Check(action, found);
    return found > 0 ? api::VxbTableGetRecNo(TableHdl()) : 0;
  }
  // The records the condition marks are offered to the filter handler one
  // by one until it takes one. The condition takes the place of the
  // dataset's prepared filter meanwhile; the dataset's own goes back after.
  Check(action, api::VxbTableSetSQLFilter(TableHdl(), condition.c_str(), LocateMode(options, true), true));
  int32_t found = 0;
  for (int32_t moved = api::VxbTableGotoMark(TableHdl(), 1, true); moved == kFoundMark && found == 0;
       moved = api::VxbTableGotoMark(TableHdl(), 1, false)) {
    if (GetRecord(TempBuffer(), framework::TGetMode::gmCurrent, true) == framework::TGetResult::grOK) {
      found = api::VxbTableGetRecNo(TableHdl());
    }
  }
  const int32_t standing = found > 0 ? found : api::VxbTableGetRecNo(TableHdl());
  SendFilter(Filter(), WordFilter(), FilterOptions());
  if (standing > 0) api::VxbTableSetRecNo(TableHdl(), standing);
  return found;
}

bool TVxbTable::Locate(std::u16string_view keyFields, std::span<const TVariant> keyValues,
                       framework::TLocateOptions options) {
  CheckBrowseMode();
  DoBeforeScroll();
  const bool found = LocateRecord(keyFields, keyValues, options) > 0;
  if (found) StandOnCursorRecord();
  SetFound(found);
  return found;
}

std::vector<TVariant> TVxbTable::Lookup(std::u16string_view keyFields, std::span<const TVariant> keyValues,
                                        std::u16string_view resultFields) {
  CheckBrowseMode();
  if (LocateRecord(keyFields, keyValues, {}) == 0) return {};
  // The record found goes into the spare buffer, its calculated fields
  // computed; the result fields are read from there.
  framework::TRecordBuffer buffer = TempBuffer();
  if (GetRecord(buffer, framework::TGetMode::gmCurrent, true) != framework::TGetResult::grOK) return {};
  struct TRestore {
    TVxbTable& Table;
    TDataSetState State;
    ~TRestore() {
      Table.FLookupBuffer = nullptr;
      Table.RestoreState(State);
    }
  } restore{*this, SetTempState(TDataSetState::dsCalcFields)};
  FLookupBuffer = buffer;
  std::vector<TVariant> values;
  for (const std::u16string& name : FieldNameList(resultFields)) values.push_back(FieldByName(name).AsVariant());
  return values;
}

framework::TRecordBuffer TVxbTable::GetActiveRecordBuffer() {
  if (FLookupBuffer != nullptr && State() == TDataSetState::dsCalcFields) return FLookupBuffer;
  return TVxbDataSet::GetActiveRecordBuffer();
}

}  // namespace vexilo::dataset
