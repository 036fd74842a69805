// Shared pieces of the B+ tree tests: a table with one string column in a
// chosen collation, level-6 index files over it (which are B+ trees),
// entries built from string values the way a table builds them, and a
// reader of the tree's pages straight from the storage.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/index/bplus_tree.h"
#include "engine/types/collation.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {

// One String or WideString column "S" of `maxLength` characters in the
// collation `collationName` ("" for the engine's own).
class StringColumn : public TVxbIndexColumns {
 public:
  StringColumn(int16_t type, int32_t maxLength, bool nullable, const std::u16string& collationName = u"") {
    FColumn.Number = 1;
    FColumn.Name = u"S";
    FColumn.TypeCode = type;
    FColumn.HasNullByte = nullable;
    const int32_t prefix = type == types::vxbWideString ? 2 : (maxLength > 255 ? 2 : 1);
    const int32_t unit = type == types::vxbWideString ? 2 : 1;
    FColumn.Size = (nullable ? 1 : 0) + prefix + unit * maxLength;
    if (!collationName.empty()) {
      const types::TVxbResolvedCollation resolved = types::TVxbCollation::Resolve(collationName);
      FColumn.Collation = resolved.collation;
      FColumn.CmpOptions = resolved.options;
    }
  }
  int ColumnCount() const override { return 1; }
  bool GetColumn(int number, TVxbIndexColumn& column) const override {
    if (number != 1) return false;
    column = FColumn;
    return true;
  }
  int FindColumn(std::u16string_view name) const override { return name == u"S" ? 1 : 0; }
  const TVxbIndexColumn& Column() const { return FColumn; }
  const types::TVxbCollation& Collation() const {
    return FColumn.Collation ? *FColumn.Collation : types::TVxbCollation::Engine();
  }

 private:
  TVxbIndexColumn FColumn;
};

// A value of the column: a text, or null.
using StringValue = std::optional<std::u16string>;

// Builds the entry of a record holding `value` with record number
// `record`, as the table does; returns the entry's size.
inline size_t MakeEntry(const TVxbIndexFile& index, const StringColumn& column, const StringValue& value,
                        int32_t record, TVxbLongIndexInfo& entry) {
  const TVxbIndexColumn& c = column.Column();
  std::vector<uint8_t> field(static_cast<size_t>(c.Size), 0);
  size_t pos = 0;
  if (c.HasNullByte) field[pos++] = value ? 1 : 0;
  if (value) {
    if (c.TypeCode == types::vxbWideString) {
      const size_t room = (field.size() - pos - 2) / 2;
      const size_t n = std::min(value->size(), room);
      types::TvwMemory::WriteUInt16(field.data(), pos, static_cast<uint16_t>(n));
      for (size_t i = 0; i < n; ++i) types::TvwMemory::WriteUInt16(field.data(), pos + 2 + 2 * i, (*value)[i]);
    } else {
      const std::string ansi = column.Collation().WideToAnsi(*value);
      const size_t width = c.Size - (c.HasNullByte ? 1 : 0) > 256 ? 2 : 1;
      const size_t n = std::min(ansi.size(), field.size() - pos - width);
      if (width == 1) field[pos] = static_cast<uint8_t>(n);
      else types::TvwMemory::WriteUInt16(field.data(), pos, static_cast<uint16_t>(n));
      std::memcpy(field.data() + pos + width, ansi.data(), n);
    }
  }
  return 4 + types::BuildIndexKey(index.GetKeyLayout(), field.data(), record, entry);
}

// The used length of the key in `entry`.
inline size_t KeyLength(const TVxbIndexFile& index, const TVxbLongIndexInfo& entry) {
  const types::TVxbKeyLayout& layout = index.GetKeyLayout();
  return types::KeyItemLength(layout, layout.Items[0], entry.Key, TVxbLongIndexInfo::kMaxKeySize);
}

class BPlusFixture : public IndexFixture {
 protected:
  // A closed level-6 index "name" over `column` (a B+ tree once created).
  std::unique_ptr<TVxbIndexFile> MakeStringIndex(const std::string& name, const StringColumn& column) {
    auto storage = std::make_unique<TVxbClientStorage>(Manager, FileSystem, 1);
    auto index = std::make_unique<TVxbIndexFile>(&Services, 6, std::move(storage));
    index->SetName(fs::u16(name));
    index->SetFileName(FileName(name + ".vxbi"));
    index->SetColumns(&column);
    index->SetOnError([this](int16_t code, fs::FormatArgs args) {
      std::u16string text;
      for (const auto& a : args) text += a.IsText() ? a.Text() : u"#";
      Errors.push_back({code, text});
    });
    TVxbSortDef def;
    def.Items.push_back(TVxbSortItem{1, column.Column().TypeCode, column.Column().Size, false});
    def.IsVarSize = true;
    EXPECT_EQ(index->SetIndexDefinition(def), 0);
    return index;
  }
  // A new index over `column` with pages of `pageSize` bytes.
  std::unique_ptr<TVxbIndexFile> NewStringIndex(const std::string& name, const StringColumn& column,
                                                int32_t pageSize = TVxbBPlusTree::kPageSize) {
    auto index = MakeStringIndex(name, column);
    EXPECT_EQ(index->NewStorage(6, pageSize), 0);
    return index;
  }
  static TVxbBPlusTree& Tree(const TVxbIndexFile& index) { return *static_cast<TVxbBPlusTree*>(index.BTree()); }

  // A node page of `index` read from its storage: its links and its items
  // as (record number, key bytes), inner items with their child.
  struct PageView {
    int32_t firstWord = 0;   // leftmost child, or previous leaf
    int32_t secondWord = 0;  // next leaf
    struct Item {
      int32_t record;
      std::vector<uint8_t> key;
      int32_t child;
    };
    std::vector<Item> items;
    int32_t dataEnd = 0;
  };
  static PageView ReadPage(TVxbIndexFile& index, int32_t pageNo, bool leaf) {
    auto site = index.Storage().ReadPage(pageNo);
    const uint8_t* p = site->GetMemory();
    const int32_t size = site->GetPageSize();
    PageView view;
    view.firstWord = types::TvwMemory::ReadInt32(p, 0);
    if (leaf) view.secondWord = types::TvwMemory::ReadInt32(p, 4);
    const int n = types::TvwMemory::ReadInt16(p, static_cast<size_t>(size - 2));
    int32_t start = leaf ? 8 : 4;
    view.dataEnd = start;
    for (int i = 1; i <= n; ++i) {
      const int32_t end = types::TvwMemory::ReadUInt16(p, static_cast<size_t>(size - 2 - 2 * i));
      const int32_t entryEnd = leaf ? end : end - 4;
      PageView::Item item;
      item.record = types::TvwMemory::ReadInt32(p, static_cast<size_t>(start));
      item.key.assign(p + start + 4, p + entryEnd);
      item.child = leaf ? 0 : types::TvwMemory::ReadInt32(p, static_cast<size_t>(entryEnd));
      view.items.push_back(std::move(item));
      start = end;
      view.dataEnd = end;
    }
    return view;
  }
};

}  // namespace vexilo::index::testing
