// Which data file a table file needs, and the B+ layout, which this build
// recognises and refuses cleanly instead of misreading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/bplus_data_file.h"
#include "engine/storage/data_file_selection.h"
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
  const std::vector<Case> cases = {
      {"all conditions", 6, u"_XXX", vxbRecordId, 100, TVxbDataFileKind::BPlus},
      {"record of 16384 bytes", 6, u"_XXX", vxbRecordId, 16378, TVxbDataFileKind::BPlus},
      {"record of 16385 bytes", 6, u"_XXX", vxbRecordId, 16379, TVxbDataFileKind::Heap},
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

TEST_F(TableFileFixture, BPlusTableFileIsRecognisedAndRefused) {
  Bytes image;
  image.I32(20012002).I16(6).I32(1).U8(1).PadTo(8192);
  WriteFile("B.vxbt", image.Data());
  auto file = SelectDataFile(Services, Client("B.vxbt", Manager), true, false);
  EXPECT_NE(dynamic_cast<TVxbBPlusDataFile*>(file.get()), nullptr);
  EXPECT_EQ(OpenError("B.vxbt"), 187);
}

TEST_F(TableFileFixture, BPlusTableFileOfAnUnknownLevelIsDamaged) {
  Bytes image;
  image.I32(20012002).I16(7).PadTo(8192);
  WriteFile("B.vxbt", image.Data());
  EXPECT_EQ(OpenError("B.vxbt"), 134);
}

TEST_F(TableFileFixture, BPlusTableIsNotCreated) {
  for (int16_t firstType : {vxbRecordId, vxbInteger}) {
    TVxbTableDefinition definition;
    TVxbColumnSpec first;
    first.Name = u"_XXX";
    first.TypeCode = firstType;
    AddAccepted(definition, first, 6, Services);
    TVxbTableCryptor cryptor;
    TVxbBPlusDataFile file(Services, Client("B.vxbt", Manager));
    EXPECT_EQ(file.NewFile(6, cryptor, definition), firstType == vxbRecordId ? -187 : -117);
    EXPECT_FALSE(FileSystem.FileExists(fs::u16(Path("B.vxbt"))));
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
