#include "dataset/table.h"

#include <algorithm>

#include "dataset/action_texts.h"
#include "dataset/database.h"
#include "dataset/fields.h"
#include "dataset/vexbase_error.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/database_error.h"
#include "framework/core/name_compare.h"

namespace vexilo::dataset {
namespace {

constexpr char16_t kNoTableName[] = u"No table name defined for \"%s\".";
constexpr char16_t kIndexDoesNotExist[] = u"The index %s does not exist";
constexpr int16_t kUnknownIndex = -16;
constexpr int16_t kRefused = -1;

constexpr int32_t kIndexNamesCapacity = 4095;
constexpr int32_t kIndexDescCapacity = 1024;
constexpr int32_t kCheckNameCapacity = 40;
constexpr int32_t kCheckTextCapacity = 255;

// The index name without an ".ind" or ".vxbi" extension.
std::u16string IndexNameForm(std::u16string_view name) {
  for (std::u16string_view extension : {std::u16string_view(u".ind"), std::u16string_view(u".vxbi")}) {
    if (name.size() > extension.size() &&
        framework::SameText(name.substr(name.size() - extension.size()), extension)) {
      return std::u16string(name.substr(0, name.size() - extension.size()));
    }
  }
  return std::u16string(name);
}

constexpr char16_t kCorruptIndexExpression[] = u"CORRUPT: DELETE AND RECREATE";

// The items of an index description separated by ",", a part in braces
// kept whole (its braces dropped).
std::vector<std::u16string> SplitGrouped(std::u16string_view text) {
  std::vector<std::u16string> items;
  std::u16string item;
  int depth = 0;
  for (const char16_t c : text) {
    if (c == u'{') {
      if (depth++ == 0) continue;
    } else if (c == u'}' && depth > 0) {
      if (--depth == 0) continue;
    } else if (c == u',' && depth == 0) {
      if (!item.empty()) items.push_back(std::move(item));
      item.clear();
      continue;
    }
    item += c;
  }
  if (!item.empty()) items.push_back(std::move(item));
  return items;
}

std::vector<std::u16string> SplitList(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(separator, start), text.size());
    if (end > start) items.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

}  // namespace

TVxbTable::TVxbTable(const void* owner) : TVxbDataSet(owner) {}

TVxbTable::~TVxbTable() { Destroying(); }

std::u16string TVxbTable::Version() {
  const int version = api::VxbGetVersion();
  return framework::FormatErrorMessage(u"%d.%d.%d/%d.%d.%d",
                                       {6, 1, 8, version / 1000, (version % 1000) / 100, version % 10});
}

void TVxbTable::SetTableName(std::u16string value) {
  if (value == FTableName) return;
  CheckInactive();
  FTableName = std::move(value);
  FieldDefs().SetUpdated(false);
  FIndexDefs.SetUpdated(false);
}

void TVxbTable::SetReadOnly(bool value) {
  CheckInactive();
  FReadOnly = value;
}

void TVxbTable::SetExclusive(bool value) {
  CheckInactive();
  FExclusive = value;
}

// ---- Opening ----

void TVxbTable::OpenRelation() {
  TVxbDatabase& database = EnsureDatabase();
  if (FTableName.empty()) throw framework::EDatabaseError::CreateFmt(kNoTableName, {Name()});
  const bool force = FOpenMode == TVxbTableOpenMode::tomForce;
  api::TVxbRltnHdl result = database.OpenTableByName(
      FTableName, FPassword, force, database.TableRightsWord(FExclusive, kAllTableRights, FFlushMode));
  if (result == kRefused && !FReadOnly && !database.ReadOnly()) {
    result = database.OpenTableByName(FTableName, FPassword, force, database.TableRightsWord(FExclusive, 0, FFlushMode));
  }
  if (result < 1) RaiseError(framework::FormatErrorMessage(kActionOpeningTable, {FTableName}), result);
  FRltnHdl = result;
}

void TVxbTable::OpenCursorHandle() {
  const std::u16string action = framework::FormatErrorMessage(kActionOpeningVexBaseTable, {FTableName});
  try {
    OpenRelation();
  } catch (const EVexBaseError& error) {
    // What was being opened leads the message; the engine's reason follows.
    throw EVexBaseError(error.VxbError(), error.Reason(), action + u": " + error.Message());
  }
  const std::u16string tag = Name().empty() ? std::u16string(u"VCLTable_") : u"VCLTable_For_" + FTableName;
  const api::TVxbTableHdl cursor = api::VxbTableCreate(FRltnHdl, tag.c_str());
  if (cursor <= 0) RaiseError(action, cursor);
  SetTableHdl(cursor);
}

void TVxbTable::ReadTableInfo() {
  api::TVxbTableInfo info;
  Check(framework::FormatErrorMessage(kActionOpeningVexBaseTable, {FTableName}),
        api::VxbRltnGetTableInfo(FRltnHdl, info));
  FCollation = info.Language;
  FEncryptionMethod = static_cast<api::TVxbEncryptionMethod>(info.EncryptionMethod);
  FCapacity = info.Capacity;
  SetCodePage(CodePageOfCollation(FCollation));
}

void TVxbTable::UpdateIndexDefs() {
  FIndexDefs.Clear();
  std::vector<char16_t> names(kIndexNamesCapacity + 1, u'\0');
  Check(framework::FormatErrorMessage(kActionOpeningVexBaseTable, {FTableName}),
        api::VxbRltnGetIndexNames(FRltnHdl, names.data(), kIndexNamesCapacity));
  for (const std::u16string& name : SplitList(names.data(), u',')) {
    std::vector<char16_t> desc(kIndexDescCapacity + 1, u'\0');
    const int16_t kind = api::VxbRltnGetIndexDesc(FRltnHdl, name.c_str(), desc.data(), kIndexDescCapacity, true, false);
    if (kind < 0) {
      FIndexDefs.Add(name, u"").SetExpression(kCorruptIndexExpression);
      continue;
    }
    framework::TIndexOptions options;
    options.Primary = kind == 2;
    options.Unique = kind >= 1;
    const std::u16string_view text(desc.data());
    if (!text.empty() && text.front() == u'(') {
      const size_t close = text.rfind(u')');
      FIndexDefs.Add(name, u"", options)
          .SetExpression(std::u16string(text.substr(1, close == 0 || close == std::u16string_view::npos
                                                            ? text.size() - 1
                                                            : close - 1)));
      continue;
    }
    std::u16string fields;
    std::u16string descending;
    for (std::u16string column : SplitGrouped(text)) {
      const bool down = !column.empty() && column.front() == u'-';
      if (down) column.erase(0, 1);
      fields += (fields.empty() ? u"" : u";") + column;
      if (down) descending += (descending.empty() ? u"" : u";") + column;
    }
    framework::TIndexDef& def = FIndexDefs.Add(name, fields, options);
    def.SetDescFields(descending);
  }
  FIndexDefs.SetUpdated(true);
}

void TVxbTable::ReadCheckConstraints() {
  FCheckConstraints.clear();
  const std::u16string action = framework::FormatErrorMessage(kActionOpeningVexBaseTable, {FTableName});
  const int16_t count = static_cast<int16_t>(Check(action, api::VxbRltnGetCheckCount(FRltnHdl)));
  for (int16_t i = 1; i <= count; ++i) {
    std::array<char16_t, kCheckNameCapacity + 1> name{};
    std::array<char16_t, kCheckTextCapacity + 1> check{};
    Check(action, api::VxbRltnGetCheckSpec(FRltnHdl, i, name.data(), kCheckNameCapacity, check.data(),
                                           kCheckTextCapacity));
    FCheckConstraints.push_back({name.data(), check.data()});
  }
}

std::vector<std::u16string> TVxbTable::GetIndexNames() {
  if (!Active() && FRltnHdl <= 0) {
    InitFieldDefs();
  }
  std::vector<std::u16string> names;
  for (int i = 0; i < FIndexDefs.Count(); ++i) names.push_back(FIndexDefs[i].Name());
  return names;
}

void TVxbTable::SelectIndex() {
  FIndexName = IndexNameForm(FIndexName);
  const int16_t result = api::VxbTableSetIndex(TableHdl(), FIndexName.c_str(), false);
  if (result == kUnknownIndex) throw framework::EDatabaseError::CreateFmt(kIndexDoesNotExist, {FIndexName});
  if (result != 0) RaiseError(framework::FormatErrorMessage(kIndexDoesNotExist, {FIndexName}), result);
}

void TVxbTable::SetIndexName(std::u16string value) {
  if (value == FIndexName) return;
  FIndexFieldNames.clear();
  FIndexName = std::move(value);
  if (!Active()) return;
  CheckBrowseMode();
  UpdateCursorPos();
  SelectIndex();
  Resync({});
}

void TVxbTable::InternalOpen() {
  TVxbDataSet::InternalOpen();
  ReadTableInfo();
  SetCanModify(GetCanModify() && !FReadOnly);
  for (auto& buffer : FKeyBuffers) buffer = AllocRecordBuffer();
  FCurrentKeyIndex = 0;
  UpdateIndexDefs();
  ReadCheckConstraints();
  if (!FIndexName.empty()) {
    SelectIndex();
  } else if (!FIndexFieldNames.empty()) {
    SelectIndexFieldNames();
  }
  InternalFirst();
}

framework::TRecordBuffer TVxbTable::CurrentKeyBuffer() {
  return FKeyBuffers[static_cast<size_t>(FCurrentKeyIndex)].get();
}

void TVxbTable::InternalClose() {
  for (auto& buffer : FKeyBuffers) {
    if (buffer) FreeRecordBuffer(buffer);
  }
  if (FSavedKeyBuffer) FreeRecordBuffer(FSavedKeyBuffer);
  TVxbDataSet::InternalClose();
  FRltnHdl = 0;
  FCheckConstraints.clear();
}

}  // namespace vexilo::dataset
