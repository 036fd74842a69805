// TVxbColumnDefs: the ordered list of a table's column definitions, which it
// owns, and the record frame that follows from it. A record is the columns'
// bytes one after the other in list order, with nothing before, between or
// after them: the first column starts at 0, every further one where the
// previous one ends, and the record size is the last column's Position +
// Size. The list keeps the positions right: every Add, Replace and Delete
// recomputes them from the changed column on.
//
// Columns are numbered from 1 in list order, as everywhere in the engine.
// Names compare without regard to case (ASCII and Latin-1 letters).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/storage/columns/column_def.h"

namespace vexilo::storage {

class TVxbColumnDefs {
 public:
  TVxbColumnDefs() = default;
  TVxbColumnDefs(TVxbColumnDefs&&) = default;
  TVxbColumnDefs& operator=(TVxbColumnDefs&&) = default;
  TVxbColumnDefs(const TVxbColumnDefs&) = delete;
  TVxbColumnDefs& operator=(const TVxbColumnDefs&) = delete;

  // A list of clones of every definition.
  TVxbColumnDefs Clone() const;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Appends `def` as the last column; returns its number.
  int Add(std::unique_ptr<TVxbColumnDef> def);
  // Removes column `columnNo`; nothing when there is no such column.
  void Delete(int columnNo);
  // Puts `def` in the place of column `columnNo`; nothing when there is no
  // such column.
  void Replace(int columnNo, std::unique_ptr<TVxbColumnDef> def);
  void Clear() { FItems.clear(); }
  // The number of the column named `name` (without regard to case), or 0.
  int Find(std::u16string_view name) const;
  // The number of the first column of type `typeCode`, or 0.
  int FindFirst(int16_t typeCode) const;
  // Column `columnNo` (1 to Count), or null.
  TVxbColumnDef* GetColumnDef(int columnNo) const;
  // The last column's Position + Size; 0 for an empty list.
  int32_t GetRecordSize() const;
  // Moves every definition to table `level` and recomputes the positions.
  void SetTableLevel(int16_t level);
  // Recomputes every position (after a definition's size was changed in
  // place).
  void UpdatePositions() { UpdatePositionsFrom(0); }

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  void UpdatePositionsFrom(size_t index);

  std::vector<std::unique_ptr<TVxbColumnDef>> FItems;
};

// True when two column names are the same without regard to case.
bool SameColumnName(std::u16string_view a, std::u16string_view b);

}  // namespace vexilo::storage
