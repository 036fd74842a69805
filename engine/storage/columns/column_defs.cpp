#include "engine/storage/columns/column_defs.h"

#include <utility>

#include "fs/text.h"

namespace vexilo::storage {

bool SameColumnName(std::u16string_view a, std::u16string_view b) { return fs::EqualsIgnoringLatin1Case(a, b); }

TVxbColumnDefs TVxbColumnDefs::Clone() const {
  TVxbColumnDefs copy;
  for (const auto& def : FItems) copy.FItems.push_back(def->Clone());
  copy.UpdatePositions();
  return copy;
}

int TVxbColumnDefs::Add(std::unique_ptr<TVxbColumnDef> def) {
  FItems.push_back(std::move(def));
  UpdatePositionsFrom(FItems.size() - 1);
  return Count();
}

void TVxbColumnDefs::Delete(int columnNo) {
  if (columnNo < 1 || columnNo > Count()) return;
  FItems.erase(FItems.begin() + (columnNo - 1));
  UpdatePositionsFrom(static_cast<size_t>(columnNo - 1));
}

void TVxbColumnDefs::Replace(int columnNo, std::unique_ptr<TVxbColumnDef> def) {
  if (columnNo < 1 || columnNo > Count()) return;
  FItems[static_cast<size_t>(columnNo - 1)] = std::move(def);
  UpdatePositionsFrom(static_cast<size_t>(columnNo - 1));
}

int TVxbColumnDefs::Find(std::u16string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (SameColumnName(FItems[i]->Name(), name)) return static_cast<int>(i + 1);
  }
  return 0;
}

int TVxbColumnDefs::FindFirst(int16_t typeCode) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i]->TypeCode() == typeCode) return static_cast<int>(i + 1);
  }
  return 0;
}

TVxbColumnDef* TVxbColumnDefs::GetColumnDef(int columnNo) const {
  if (columnNo < 1 || columnNo > Count()) return nullptr;
  return FItems[static_cast<size_t>(columnNo - 1)].get();
}

int32_t TVxbColumnDefs::GetRecordSize() const {
  if (FItems.empty()) return 0;
  return FItems.back()->Position() + FItems.back()->Size();
}

void TVxbColumnDefs::SetTableLevel(int16_t level) {
  for (auto& def : FItems) def->SetTableLevel(level);
  UpdatePositions();
}

void TVxbColumnDefs::UpdatePositionsFrom(size_t index) {
  int32_t position = 0;
  if (index > 0 && index <= FItems.size()) position = FItems[index - 1]->Position() + FItems[index - 1]->Size();
  for (size_t i = index; i < FItems.size(); ++i) {
    FItems[i]->FPosition = position;
    position += FItems[i]->Size();
  }
}

}  // namespace vexilo::storage
