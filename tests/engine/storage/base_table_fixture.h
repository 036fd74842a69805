// The fixture of the base table tests: a fresh directory with an
// operating-system file system rooted in it, a page manager and a session's
// services of the test's own, and a dictionary-shaped table — a RecordId
// column, two WideString(80) columns ENG and HUN with B+ tree indexes of the
// same names (level 6, variable-size keys) and a WideMemo column LEIR.
// Helpers append, read and check records, and walk an index to compare it
// with the entries the records call for.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/file/heap_data_file.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/index_key.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage::testing {

// Column numbers of the dictionary table.
inline constexpr int kId = 1;
inline constexpr int kEng = 2;
inline constexpr int kHun = 3;
inline constexpr int kLeir = 4;

// The rights of a table opened shared, through its lock file.
inline constexpr uint16_t kSharedForTest = kRightAppend | kRightEdit | kRightDelete | kRightIndex;

struct Row {
  int32_t Id = 0;
  std::u16string Eng;
  std::u16string Hun;
  std::u16string Leir;
  friend bool operator==(const Row&, const Row&) = default;
};

inline void PrintTo(const Row& row, std::ostream* os) {
  *os << "{" << row.Id << ", " << fs::u8(row.Eng) << ", " << fs::u8(row.Hun) << ", " << fs::u8(row.Leir) << "}";
}

// Records of a change notice, in arrival order.
class RecordingListener : public IRelationListener {
 public:
  void RecordsChanged() override { Notices.push_back("changed"); }
  void RecordUpdated(int32_t recNo) override { Notices.push_back("updated " + std::to_string(recNo)); }
  void RecordDeleted(int32_t recNo, int32_t movedFrom) override {
    Notices.push_back("deleted " + std::to_string(recNo) + " from " + std::to_string(movedFrom));
  }
  void StructureChanged() override { Notices.push_back("structure"); }
  void IndexRemoved(int indexNo) override { Notices.push_back("index removed " + std::to_string(indexNo)); }
  bool IsEditing(int32_t recNo) const override { return recNo == Editing; }

  std::vector<std::string> Notices;
  int32_t Editing = 0;
};

// A column of `typeCode` named `name`.
inline TVxbColumnSpec Spec(std::u16string name, int16_t typeCode, int32_t length = 0, bool nullable = false) {
  TVxbColumnSpec spec;
  spec.Name = std::move(name);
  spec.TypeCode = typeCode;
  spec.Length = length;
  spec.Nullable = nullable;
  return spec;
}

// The WideMemo value `text` for column `fieldNo`.
inline TVxbBlobData WideValue(int fieldNo, std::u16string text) {
  TVxbBlobData value;
  value.FieldNo = fieldNo;
  value.WideData = std::move(text);
  value.IsWide = true;
  return value;
}

class BaseTableFixture : public ::testing::Test {
 protected:
  static constexpr const char16_t* kTableFile = u"Eng_hun.vxbt";

  BaseTableFixture() {
    FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string()));
    Services.SetStation(1);
  }

  std::unique_ptr<TVxbBaseTable> MakeTable(std::u16string fileName = kTableFile) {
    auto table = std::make_unique<TVxbBaseTable>(Services, Manager, FileSystem, 1);
    table->SetFileName(fileName);
    return table;
  }

  // Creates the dictionary table with its two indexes and leaves it closed.
  void CreateDictionary(std::u16string fileName = kTableFile) {
    auto table = MakeTable(fileName);
    ASSERT_GT(table->AddColumn(Spec(u"Id", 9)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"ENG", 18, 80)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"HUN", 18, 80)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"LEIR", 19)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Setup(false), 0) << Error();
    ASSERT_GE(table->NewIndex(u"ENG", u"ENG"), 0) << Error();
    ASSERT_GE(table->NewIndex(u"HUN", u"HUN"), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }

  // Opens and sets up the table with `rights` (exclusive by default).
  std::unique_ptr<TVxbBaseTable> Open(uint16_t rights = kNewTableRights, std::u16string fileName = kTableFile,
                                      bool force = false) {
    auto table = MakeTable(std::move(fileName));
    table->SetRights(rights);
    const int16_t opened = table->Open(force);
    EXPECT_EQ(opened, 0) << Error();
    if (opened == 0) {
      EXPECT_EQ(table->Setup(force), 0) << Error();
    }
    return table;
  }

  // The engine error opening the table is refused with (0 when it opens).
  int OpenError(uint16_t rights = kNewTableRights, bool force = false) {
    auto table = MakeTable();
    table->SetRights(rights);
    return -table->Open(force);
  }

  std::vector<uint8_t> Buffer(const TVxbBaseTable& table) const {
    return std::vector<uint8_t>(static_cast<size_t>(table.GetRecordSize()), 0);
  }

  // Appends a record with a new record id; its record number.
  int32_t Append(TVxbBaseTable& table, std::u16string eng, std::u16string hun, std::u16string leir = {}) {
    std::vector<uint8_t> rec = Buffer(table);
    EXPECT_EQ(table.InitRecord(rec.data(), true), 0) << Error();
    table.SetWideString(rec.data(), kEng, eng);
    table.SetWideString(rec.data(), kHun, hun);
    TVxbBlobDataList blobs;
    if (!leir.empty()) blobs.push_back(WideValue(kLeir, leir));
    return table.AppendRecord(rec.data(), blobs);
  }

  Row Read(TVxbBaseTable& table, int32_t recNo) {
    std::vector<uint8_t> rec = Buffer(table);
    EXPECT_EQ(table.ReadRecord(recNo, rec.data()), 0) << Error();
    Row row;
    row.Id = table.GetRecordId(rec.data());
    table.GetWideString(rec.data(), kEng, row.Eng);
    table.GetWideString(rec.data(), kHun, row.Hun);
    EXPECT_GE(table.ReadBlobDataWide(kLeir, table.GetBlockIdx(rec.data(), kLeir), row.Leir), 0) << Error();
    return row;
  }

  std::vector<Row> ReadAll(TVxbBaseTable& table) {
    std::vector<Row> rows;
    for (int32_t n = 1; n <= table.GetRecordCount(); ++n) rows.push_back(Read(table, n));
    return rows;
  }

  // Every (record number, key bytes) of index `indexNo`, walked in key order.
  std::vector<std::pair<int32_t, std::vector<uint8_t>>> Walk(TVxbBaseTable& table, int indexNo) {
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> entries;
    index::TVxbIndexFile* index = table.GetIndexFile(indexNo);
    if (!index || !index->IsOpen) return entries;
    auto entry = index->CreateLongIndexInfo();
    for (int16_t r = index->Erster_Index(*entry); r == 0; r = index->Naechster_Index(*entry)) {
      entries.emplace_back(entry->DateiVerweis, KeyBytes(*index, *entry));
      if (entries.size() > 100000) break;
    }
    return entries;
  }

  // The entries every record calls for in index `indexNo`, in key order.
  std::vector<std::pair<int32_t, std::vector<uint8_t>>> Expected(TVxbBaseTable& table, int indexNo) {
    index::TVxbIndexFile* index = table.GetIndexFile(indexNo);
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> entries;
    auto entry = index->CreateLongIndexInfo();
    std::vector<uint8_t> rec = Buffer(table);
    for (int32_t n = 1; n <= table.GetRecordCount(); ++n) {
      table.ReadRecord(n, rec.data());
      types::BuildIndexKey(index->GetKeyLayout(), rec.data(), n, *entry);
      entries.emplace_back(n, KeyBytes(*index, *entry));
    }
    const types::TVxbKeyLayout& layout = index->GetKeyLayout();
    std::sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
      return types::CompareIndexEntries(layout, a.first, a.second.data(), a.second.size(), b.first,
                                        b.second.data(), b.second.size()) < 0;
    });
    return entries;
  }

  // Every open index holds exactly one entry per record with the right key,
  // and its tree is sound.
  void ExpectIndexesMatchRecords(TVxbBaseTable& table) {
    for (int place = 0; place <= table.LastIndexNo(); ++place) {
      index::TVxbIndexFile* index = table.GetIndexFile(place);
      if (!index || !index->IsOpen) continue;
      SCOPED_TRACE(fs::u8(index->GetName()));
      EXPECT_EQ(Walk(table, place), Expected(table, place));
      int64_t items = 0, wrong = 0;
      EXPECT_EQ(index->Check(items, wrong), 0);
      EXPECT_EQ(items, table.GetRecordCount());
      EXPECT_EQ(wrong, 0);
      EXPECT_EQ(index->GetItemCount(), table.GetRecordCount());
    }
  }

  int IndexNo(TVxbBaseTable& table, std::u16string_view name) { return table.FindIndexNo(name); }

  std::string Error() const { return fs::u8(Services.LastErrorMsg()); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Dir.File(name)); }
  std::vector<uint8_t> FileBytes(const std::string& name) const {
    std::ifstream in(Dir.File(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;

 private:
  static std::vector<uint8_t> KeyBytes(const index::TVxbIndexFile& index, const types::TVxbLongIndexInfo& entry) {
    const types::TVxbKeyLayout& layout = index.GetKeyLayout();
    size_t size = 0;
    const size_t max = layout.MaxKeySize();
    for (const auto& item : layout.Items) size += types::KeyItemLength(layout, item, entry.Key + size, max - size);
    return std::vector<uint8_t>(entry.Key, entry.Key + size);
  }
};

}  // namespace vexilo::storage::testing
