#include "engine/storage/columns/column_defs.h"

#include <utility>

namespace vexilo::storage {

namespace {

// Lower case of ASCII and Latin-1 letters; other characters as they are.
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<char16_t>(c + 32);
  return c;
}

}  // namespace

bool SameColumnName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

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
