// Shared pieces of the index file, B-tree and index build tests: a table's
// columns as an index sees them, entries with Integer keys, and a fixture
// with a fresh directory, an operating-system file system, a page manager
// of the test's own and an error recorder standing in for the owning table.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/index_columns.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/pages/page_site.h"
#include "engine/index/sort_def.h"
#include "engine/types/column_type.h"
#include "engine/types/index_key.h"
#include "engine/types/memory.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"

namespace vexilo::index::testing {

using types::TVxbLongIndexInfo;

// Columns given as a list; names compare without regard to ASCII case.
class TestColumns : public TVxbIndexColumns {
 public:
  TestColumns() = default;
  // Appends a column laid out after the previous one.
  TestColumns& Add(const std::u16string& name, int16_t type, int32_t size, bool nullByte = false) {
    TVxbIndexColumn c;
    c.Number = static_cast<int16_t>(FColumns.size() + 1);
    c.Name = name;
    c.TypeCode = type;
    c.Size = size;
    c.Position = FNextPosition;
    c.HasNullByte = nullByte;
    FNextPosition += size;
    FColumns.push_back(c);
    return *this;
  }
  int ColumnCount() const override { return static_cast<int>(FColumns.size()); }
  bool GetColumn(int number, TVxbIndexColumn& column) const override {
    if (number < 1 || number > ColumnCount()) return false;
    column = FColumns[number - 1];
    return true;
  }
  int FindColumn(std::u16string_view name) const override {
    for (const auto& c : FColumns) {
      if (c.Name.size() != name.size()) continue;
      bool same = true;
      for (size_t i = 0; i < name.size() && same; ++i) same = Lower(c.Name[i]) == Lower(name[i]);
      if (same) return c.Number;
    }
    return 0;
  }
  int32_t RecordSize() const { return FNextPosition; }

 private:
  static char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }
  std::vector<TVxbIndexColumn> FColumns;
  int32_t FNextPosition = 0;
};

// A column-based definition over columns 1..n of `columns`, full size.
inline TVxbSortDef DefinitionOver(const TestColumns& columns, std::initializer_list<int> numbers,
                                  bool unique = false) {
  TVxbSortDef def;
  for (int n : numbers) {
    TVxbIndexColumn c;
    columns.GetColumn(n, c);
    def.Items.push_back(TVxbSortItem{c.Number, c.TypeCode, c.Size, false});
  }
  def.IsUnique = unique;
  return def;
}

// An error reported by an index, as the owning table would record it.
struct ReportedError {
  int16_t code;
  std::u16string text;
};

class IndexFixture : public ::testing::Test {
 protected:
  IndexFixture() {
    FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string()));
    IntColumns.Add(u"NR", types::vxbInteger, 4);
    WideColumns.Add(u"NR", types::vxbInteger, 4).Add(u"PAD", types::vxbBigInt, 8);
  }

  std::u16string FileName(const std::string& name) const { return fs::u16(Dir.File(name)); }

  // A closed index file `name` of `level` over `columns` with `def`.
  std::unique_ptr<TVxbIndexFile> MakeIndex(const std::string& name, int16_t level, const TestColumns& columns,
                                           const TVxbSortDef& def, TVxbClientHdl client = 1) {
    auto storage = std::make_unique<TVxbClientStorage>(Manager, FileSystem, client);
    auto index = std::make_unique<TVxbIndexFile>(&Services, level, std::move(storage));
    index->SetName(fs::u16(name));
    index->SetFileName(FileName(name + ".ind"));
    index->SetColumns(&columns);
    index->SetOnError([this](int16_t code, fs::FormatArgs args) {
      std::u16string text;
      for (const auto& a : args) text += a.IsText() ? a.Text() : u"#";
      Errors.push_back({code, text});
    });
    EXPECT_EQ(index->SetIndexDefinition(def), 0);
    return index;
  }
  // A new index with Integer keys and pages of `pageSize` bytes.
  std::unique_ptr<TVxbIndexFile> NewIntIndex(const std::string& name, int32_t pageSize = 64, int16_t level = 5) {
    auto index = MakeIndex(name, level, IntColumns, DefinitionOver(IntColumns, {1}));
    EXPECT_EQ(index->NewStorage(level, pageSize), 0);
    return index;
  }

  // The entry of key `key` and record `record` over IntColumns.
  static TVxbLongIndexInfo& IntEntry(TVxbLongIndexInfo& e, int32_t key, int32_t record) {
    e.DateiVerweis = record;
    types::TvwMemory::WriteInt32(e.Key, 0, key);
    return e;
  }
  // The same over WideColumns; the padding follows the key.
  static TVxbLongIndexInfo& WideEntry(TVxbLongIndexInfo& e, int32_t key, int32_t record) {
    IntEntry(e, key, record);
    types::TvwMemory::WriteInt64(e.Key, 4, int64_t{key} * 7919);
    return e;
  }
  static int32_t KeyOf(const TVxbLongIndexInfo& e) { return types::TvwMemory::ReadInt32(e.Key, 0); }

  // Adds entries (key, record) with Add_Index.
  void AddAll(TVxbIndexFile& index, const std::vector<std::pair<int32_t, int32_t>>& entries) {
    auto e = std::make_unique<TVxbLongIndexInfo>();
    for (auto [key, record] : entries) ASSERT_EQ(index.Add_Index(IntEntry(*e, key, record), 8), 0);
  }
  // Every (key, record) of the index in key order, by Erster/Naechster.
  std::vector<std::pair<int32_t, int32_t>> Walk(TVxbIndexFile& index) {
    std::vector<std::pair<int32_t, int32_t>> out;
    auto e = std::make_unique<TVxbLongIndexInfo>();
    for (int16_t r = index.Erster_Index(*e); r == 0; r = index.Naechster_Index(*e)) {
      out.emplace_back(KeyOf(*e), e->DateiVerweis);
      if (out.size() > 1000000) break;
    }
    return out;
  }

  // Node page `pageNo` of `index`: leftmost child and the (child, key)
  // items, new format with Integer keys.
  struct Node {
    int32_t leftmost;
    std::vector<std::pair<int32_t, int32_t>> items;  // (child, key)
  };
  static Node ReadNode(TVxbIndexFile& index, int32_t pageNo) {
    auto site = index.Storage().ReadPage(pageNo);
    Node node{site->ReadInt32(0), {}};
    const int n = site->ReadInt16(4);
    for (int i = 0; i < n; ++i) node.items.emplace_back(site->ReadInt32(6 + 12 * i), site->ReadInt32(6 + 12 * i + 8));
    return node;
  }
  static std::vector<int32_t> Keys(const Node& node) {
    std::vector<int32_t> keys;
    for (const auto& item : node.items) keys.push_back(item.second);
    return keys;
  }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
  TVxbPageManager Manager;
  errors::TVxbServices Services;
  TestColumns IntColumns;
  TestColumns WideColumns;
  std::vector<ReportedError> Errors;
};

}  // namespace vexilo::index::testing
