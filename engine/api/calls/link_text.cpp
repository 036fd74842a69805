#include "engine/api/calls/link_text.h"

#include <string_view>
#include <vector>

#include "engine/cursor/accessor.h"
#include "engine/storage/columns/column_defs.h"
#include "engine/types/column_type.h"

namespace vexilo::api::calls {

namespace {

// A linked-table name that stands for the table itself.
constexpr std::u16string_view kSelfLink = u"@";

// The column names of an indication "A,-B,C:20" (direction and length
// dropped); empty for a calculated one.
std::vector<std::u16string> IndicationColumns(std::u16string_view indication) {
  std::vector<std::u16string> names;
  if (!indication.empty() && indication.front() == u'(') return names;
  size_t start = 0;
  while (start <= indication.size()) {
    size_t end = indication.find(u',', start);
    if (end == std::u16string_view::npos) end = indication.size();
    std::u16string_view item = indication.substr(start, end - start);
    while (!item.empty() && (item.front() == u' ' || item.front() == u'-')) item.remove_prefix(1);
    if (const size_t colon = item.find(u':'); colon != std::u16string_view::npos) item = item.substr(0, colon);
    while (!item.empty() && item.back() == u' ') item.remove_suffix(1);
    if (!item.empty()) names.emplace_back(item);
    start = end + 1;
  }
  return names;
}

}  // namespace

std::u16string LinkDisplayText(TVxbCatalog& catalog, storage::TVxbRelation& table,
                               const storage::TVxbAdlColumnDef& link, int32_t recordId, int32_t lockingTimeout) {
  if (recordId <= 0) return {};
  storage::TVxbBaseTable* linked = nullptr;
  if (link.LinkedTable() == kSelfLink) {
    linked = dynamic_cast<storage::TVxbBaseTable*>(&table);
  } else if (const int16_t rltnIdx = catalog.FindRltnIdx(link.LinkedTable()); rltnIdx > 0) {
    linked = catalog.GetTable(rltnIdx);
  }
  if (linked == nullptr || !linked->HasRecordId()) return {};
  const auto* idColumn =
      dynamic_cast<const storage::TVxbRecordIdColumnDef*>(linked->ColumnDefs().GetColumnDef(linked->RecordIdFieldNo()));
  if (idColumn == nullptr) return {};
  const std::vector<std::u16string> columns = IndicationColumns(idColumn->IndexSpec());
  if (columns.empty()) return {};
  const int32_t recNo = linked->FindRecordId(recordId);
  if (recNo <= 0) return {};

  cursor::TVxbAccessor reader(*linked, u"LinkText", lockingTimeout);
  if (reader.Open() < 0 || reader.GotoRecord(recNo) < 0) return {};
  std::u16string text;
  for (const std::u16string& name : columns) {
    const int fieldNo = linked->ColumnDefs().Find(name);
    std::u16string value;
    if (fieldNo <= 0 || reader.GetAsString(fieldNo, value) < 0) continue;
    if (!text.empty()) text += u' ';
    text += value;
  }
  return text;
}

}  // namespace vexilo::api::calls
