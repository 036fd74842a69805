// TVxbDatabase: opening tables by name (rights, retries, keys, linked
// tables) and the table list.
#include <array>
#include <filesystem>

#include "dataset/action_texts.h"
#include "dataset/database.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

constexpr uint16_t kRightsBase = 0xF8F0;
constexpr uint16_t kRightsExclusive = 0x100;
constexpr uint16_t kRightsDeepFlush = 0x200;

constexpr int16_t kNoFreeRelation = -2;
constexpr int16_t kKeyNeeded = -12;

// Column types whose columns name another table.
constexpr int16_t kLinkType = 10;
constexpr int16_t kRelationType = 12;

constexpr int32_t kTableNamesCapacity = 4095;

// The directory part of a table name, with its delimiter; empty when none.
std::u16string DirectoryOf(std::u16string_view tableName) {
  const size_t slash = tableName.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(tableName.substr(0, slash + 1));
}

}  // namespace

uint16_t TVxbDatabase::TableRightsWord(bool exclusive, uint16_t rights, TVxbFlushMode tableFlushMode) const {
  uint16_t word = kRightsBase | (rights & kAllTableRights);
  if (exclusive || FExclusive) word |= kRightsExclusive;
  if (tableFlushMode == TVxbFlushMode::tfmSecure ||
      (tableFlushMode == TVxbFlushMode::tfmDefault && FFlushMode == TVxbFlushMode::tfmSecure)) {
    word |= kRightsDeepFlush;
  }
  return word;
}

bool TVxbDatabase::AskPassword(std::u16string_view tableName, std::u16string& key) {
  bool retry = false;
  std::u16string answer;
  if (OnPassword) {
    OnPassword(*this, tableName, answer, retry);
  } else if (TVxbPasswordEvent handler = TVxbDatabaseList::Instance().PasswordHandler()) {
    handler(*this, tableName, answer, retry);
  } else {
    return false;
  }
  if (retry) key = std::move(answer);
  return retry;
}

api::TVxbRltnHdl TVxbDatabase::OpenTableByName(std::u16string_view tableName, std::u16string_view key, bool force,
                                               uint16_t rights) {
  const std::u16string name(tableName);
  const api::TVxbRltnHdl open = api::VxbSessFindRltnHdl(FSessionHdl, name.c_str());
  if (open > 0) return open;

  std::u16string currentKey(key);
  auto openOnce = [&] {
    return api::VxbSessOpenTable(FSessionHdl, name.c_str(), currentKey.c_str(), rights, true, force);
  };
  api::TVxbRltnHdl result = openOnce();
  if (result == kNoFreeRelation) {
    api::VxbSessCloseUnneededTables(FSessionHdl);
    result = openOnce();
  }
  while (result == kKeyNeeded) {
    currentKey.clear();
    if (!AskPassword(name, currentKey)) break;
    result = openOnce();
  }
  if (result > 0) OpenLinkedTables(result, name, currentKey, force, rights);
  return result;
}

void TVxbDatabase::OpenLinkedTables(api::TVxbRltnHdl rltnHdl, std::u16string_view tableName,
                                    std::u16string_view key, bool force, uint16_t rights) {
  const api::TVxbTableHdl probe = api::VxbTableCreate(rltnHdl, u"CheckRelationOpen_Temp");
  if (probe <= 0) return;
  struct TProbe {
    api::TVxbTableHdl hdl;
    ~TProbe() { api::VxbTableDelete(hdl); }
  } closer{probe};
  std::vector<std::u16string> linked;
  const int16_t count = api::VxbTableGetNumFields(probe);
  for (int16_t i = 1; i <= count; ++i) {
    api::TVxbFieldSpec spec;
    if (api::VxbTableGetFieldSpec(probe, i, &spec) != 0) continue;
    if (spec.FldType != kLinkType && spec.FldType != kRelationType) continue;
    if (spec.SelectOrLink[0] == u'\0') continue;
    linked.push_back(DirectoryOf(tableName) + std::u16string(spec.SelectOrLink));
  }
  for (const std::u16string& name : linked) {
    if (api::VxbSessFindRltnHdl(FSessionHdl, name.c_str()) <= 0) OpenTableByName(name, key, force, rights);
  }
}

api::TVxbRltnHdl TVxbDatabase::OpenTable(std::u16string_view tableName, std::u16string_view key,
                                         TVxbFlushMode flushMode, uint16_t rights, bool exclusive) {
  CheckConnected();
  const api::TVxbRltnHdl result =
      OpenTableByName(tableName, key, false, TableRightsWord(exclusive, rights, flushMode));
  if (result < 0) RaiseError(framework::FormatErrorMessage(kActionOpeningTable, {tableName}), result);
  return result;
}

void TVxbDatabase::AddTable(std::u16string_view tableName) {
  CheckConnected();
  const std::u16string name(tableName);
  CheckResult(kActionAddingTable, api::VxbSessAddTable(FSessionHdl, name.c_str()));
}

void TVxbDatabase::RemoveTable(std::u16string_view tableName) {
  CheckConnected();
  const std::u16string name(tableName);
  CheckResult(kActionRemovingTable, api::VxbSessRemoveTable(FSessionHdl, name.c_str()));
}

void TVxbDatabase::GetTableNames(std::vector<std::u16string>& list, bool systemTables) {
  list.clear();
  if (systemTables) return;
  const bool connectedHere = !Connected();
  if (connectedHere) SetConnected(true);
  std::vector<char16_t> buffer(kTableNamesCapacity + 1, u'\0');
  const int32_t result = api::VxbSessGetTableNames(FSessionHdl, buffer.data(), kTableNamesCapacity);
  if (connectedHere) SetConnected(false);
  if (result < 0) RaiseError(kActionGettingTableNames, result);
  // Names are separated by ";" (as the engine gives them) or "," (as a
  // comma text would have them).
  std::u16string name;
  for (const char16_t* c = buffer.data(); *c != u'\0'; ++c) {
    if (*c == u';' || *c == u',') {
      if (!name.empty()) list.push_back(name);
      name.clear();
    } else {
      name += *c;
    }
  }
  if (!name.empty()) list.push_back(name);
}

}  // namespace vexilo::dataset
