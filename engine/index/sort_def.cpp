#include "engine/index/sort_def.h"

#include <algorithm>
#include <string>

#include "engine/types/code_page.h"
#include "engine/types/column_type.h"
#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

namespace {

constexpr uint16_t kDescendingBit = 0x8000;
constexpr size_t kVectorExpressionOffset = 5;
constexpr size_t kVectorExpressionLength = 44;

const types::TVxbCodePage& VectorCodePage() {
  static const types::TVxbCodePage codePage(1252);
  return codePage;
}

bool IsStringType(int16_t code) { return code == types::vxbString || code == types::vxbWideString; }

}  // namespace

int32_t TVxbSortDef::KeySize() const {
  if (IsCalculated) return ResultSize;
  int32_t total = 0;
  for (const auto& item : Items) total += item.Size;
  return total;
}

bool TVxbSortDef::HasStringItems() const {
  if (IsCalculated) return IsStringType(ResultType);
  return std::any_of(Items.begin(), Items.end(), [](const TVxbSortItem& i) { return IsStringType(i.TypeCode); });
}

void TVxbSortDef::GetVectorData(uint8_t* vector) const {
  TvwMemory::Fill(vector, 0, kVectorSize, 0);
  if (IsCalculated) {
    TvwMemory::WriteInt16(vector, 0, -1);
    TvwMemory::WriteInt16(vector, 2, static_cast<int16_t>(ResultSize));
    TvwMemory::WriteUInt8(vector, 4, static_cast<uint8_t>(ResultType));
    const std::string ansi = VectorCodePage().FromWide(Source);
    TvwMemory::WriteBPAnsiString(vector, kVectorExpressionOffset, ansi, static_cast<int>(kVectorExpressionLength));
    return;
  }
  const size_t count = std::min<size_t>(Items.size(), kVectorItems);
  for (size_t i = 0; i < count; ++i) {
    const TVxbSortItem& item = Items[i];
    uint16_t column = static_cast<uint16_t>(item.ColumnNo) & ~kDescendingBit;
    if (item.Descending) column |= kDescendingBit;
    TvwMemory::WriteUInt16(vector, 5 * i, column);
    TvwMemory::WriteInt16(vector, 5 * i + 2, static_cast<int16_t>(item.Size));
    TvwMemory::WriteUInt8(vector, 5 * i + 4, static_cast<uint8_t>(item.TypeCode));
  }
  if (count < kVectorItems) TvwMemory::WriteUInt8(vector, 5 * count + 4, IsUnique ? 0xFF : 0);
}

bool TVxbSortDef::SetVectorData(const uint8_t* vector) {
  if (TvwMemory::ReadInt16(vector, 0) == -1) {
    const int32_t size = TvwMemory::ReadInt16(vector, 2);
    if (size <= 0) return false;
    const std::string ansi =
        TvwMemory::ReadBPAnsiString(vector, kVectorExpressionOffset, kVectorSize - kVectorExpressionOffset);
    IsCalculated = true;
    Items.clear();
    ResultSize = size;
    ResultType = TvwMemory::ReadUInt8(vector, 4);
    Source = VectorCodePage().ToWide(ansi);
    IsVarSize = false;
    return true;
  }
  std::vector<TVxbSortItem> items;
  bool unique = false;
  for (int i = 0; i < kVectorItems; ++i) {
    const uint16_t column = TvwMemory::ReadUInt16(vector, 5 * i);
    if ((column & ~kDescendingBit) == 0) {
      unique = TvwMemory::ReadUInt8(vector, 5 * i + 4) == 0xFF;
      break;
    }
    TVxbSortItem item;
    item.ColumnNo = static_cast<int16_t>(column & ~kDescendingBit);
    item.Descending = (column & kDescendingBit) != 0;
    item.Size = TvwMemory::ReadInt16(vector, 5 * i + 2);
    item.TypeCode = TvwMemory::ReadUInt8(vector, 5 * i + 4);
    if (item.Size <= 0) return false;
    items.push_back(item);
  }
  if (items.empty()) return false;
  IsCalculated = false;
  ResultType = 0;
  ResultSize = 0;
  Items = std::move(items);
  // Ten items leave no room for the terminator that carries the flag.
  if (Items.size() < kVectorItems) IsUnique = unique;
  IsVarSize = false;
  return true;
}

types::TVxbKeyLayout TVxbSortDef::BuildKeyLayout(int16_t level, const TVxbIndexColumns* columns) const {
  types::TVxbKeyLayout layout;
  layout.Level = level;
  layout.IsVarSize = IsVarSize;
  if (IsCalculated) {
    // Calculated keys compare with the engine collation.
    types::TVxbKeyItemLayout item;
    item.ColumnType = ResultType;
    item.FieldSize = ResultSize;
    item.ItemSize = ResultSize;
    layout.Items.push_back(item);
    return layout;
  }
  for (const TVxbSortItem& sortItem : Items) {
    types::TVxbKeyItemLayout item;
    item.ColumnType = sortItem.TypeCode;
    item.ItemSize = sortItem.Size;
    item.FieldSize = sortItem.Size;
    item.Descending = sortItem.Descending;
    TVxbIndexColumn column;
    if (columns && columns->GetColumn(sortItem.ColumnNo, column)) {
      item.FieldPosition = column.Position;
      item.FieldSize = sortItem.TypeCode == types::vxbLinkKey ? sortItem.Size : column.Size;
      item.HasNullByte = sortItem.TypeCode != types::vxbLinkKey && column.HasNullByte;
      item.Collation = column.Collation;
      item.CmpOptions = column.CmpOptions;
    }
    layout.Items.push_back(item);
  }
  return layout;
}

std::u16string TVxbSortDef::SpecificationText(const TVxbIndexColumns* columns) const {
  if (IsCalculated) return Source;
  std::u16string text;
  for (const TVxbSortItem& item : Items) {
    if (!text.empty()) text += u',';
    if (item.Descending) text += u'-';
    TVxbIndexColumn column;
    if (columns && columns->GetColumn(item.ColumnNo, column) && !column.Name.empty()) {
      text += column.Name;
    } else {
      for (char c : std::to_string(item.ColumnNo)) text += static_cast<char16_t>(c);
    }
  }
  return text;
}

}  // namespace vexilo::index
