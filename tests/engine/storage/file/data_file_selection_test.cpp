// Which data file a table file needs: by the conditions on a new table, and
// by the first four bytes of an existing file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/file/bplus_data_file.h"
#include "engine/storage/file/data_file_selection.h"
#include "engine/types/column_type.h"
#include "tests/engine/storage/table_file_fixture.h"

namespace vexilo::storage::testing {
namespace {

using namespace types;

TEST(DataFileSelection, NewTablesAreHeapTablesUnlessEveryBPlusConditionHolds) {
  struct Case {
    const char* what;
    int16_t level;
    std::u16string firstName;
    int16_t firstType;
    int32_t textLength;
    TVxbDataFileKind kind;
  };
  // The text length that makes the largest record a B+ tree page holds.
  const int32_t kLargest = TVxbBPlusDataFile::MaxRecordSize() - 6;
  ASSERT_EQ(TVxbBPlusDataFile::MaxRecordSize(), 2039);
  const std::vector<Case> cases = {
      {"all conditions", 6, u"_XXX", vxbRecordId, 100, TVxbDataFileKind::BPlus},
      {"largest record a tree page holds", 6, u"_XXX", vxbRecordId, kLargest, TVxbDataFileKind::BPlus},
      {"record one byte too large for a tree page", 6, u"_XXX", vxbRecordId, kLargest + 1, TVxbDataFileKind::Heap},
      {"record of 16384 bytes", 6, u"_XXX", vxbRecordId, 16378, TVxbDataFileKind::Heap},
      {"name in other case", 6, u"_xxx", vxbRecordId, 100, TVxbDataFileKind::Heap},
      {"other name", 6, u"Id", vxbRecordId, 100, TVxbDataFileKind::Heap},
      {"first column no RecordId", 6, u"_XXX", vxbInteger, 100, TVxbDataFileKind::Heap},
      {"level 5", 5, u"_XXX", vxbRecordId, 100, TVxbDataFileKind::Heap},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    errors::TVxbServices services;
    TVxbColumnDefs columns;
    TVxbColumnSpec first;
    first.Name = c.firstName;
    first.TypeCode = c.firstType;
    ASSERT_GT(AddColumn(columns, first, c.level, u"", services), 0);
    TVxbColumnSpec text;
    text.Name = u"Text";
    text.TypeCode = vxbString;
    text.Length = c.textLength;
    ASSERT_GT(AddColumn(columns, text, c.level, u"", services), 0);  // 4 + 2 + length from 256 on
    EXPECT_EQ(DataFileKindForNewTable(c.level, columns), c.kind);
  }
}

TEST_F(TableFileFixture, ExistingFilesAreReadByTheClassTheirFirstFourBytesName) {
  struct Case {
    const char* what;
    std::vector<uint8_t> start;
    bool bplus;
  };
  const std::vector<Case> cases = {
      {"B+ magic", Bytes().I32(20012002).I16(6).Data(), true},
      {"heap magic", Bytes().Raw({0x64, 0xAA, 0x57, 0xFF}).I16(6).Data(), false},
      {"foreign bytes", Bytes().I32(20012003).I16(6).Data(), false},
      {"empty file", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes image;
    image.Data() = c.start;
    if (!c.start.empty()) image.PadTo(8192);
    WriteFile("S.vxbt", image.Data());
    auto file = SelectDataFile(Services, Client("S.vxbt", Manager), true, false);
    EXPECT_EQ(dynamic_cast<TVxbBPlusDataFile*>(file.get()) != nullptr, c.bplus);
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
