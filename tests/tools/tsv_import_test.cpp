// The TSV import inside one process, on the dictionary-shaped table: an
// exclusively opened table gets its indexes built in bulk, a shared one
// keeps them up row by row under its write lock; either way every index
// ends holding exactly the entries its records call for. A unique index is
// never taken off, so a duplicate row is still refused, and the rows before
// it stay with all their index entries.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/errors/engine_exception.h"
#include "tests/engine/storage/base_table_fixture.h"
#include "tools/tsv_import.h"

namespace vexilo::storage::testing {
namespace {

class TsvImport : public BaseTableFixture {
 protected:
  std::string WriteTsv(const std::string& text) {
    const std::string path = (Dir.Path() / "rows.tsv").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Every index of `table` holds the entries its records call for.
  void ExpectIndexesInStep(TVxbBaseTable& table) {
    for (int place = table.FirstIndexNo(); place <= table.LastIndexNo(); ++place) {
      if (!table.GetIndexFile(place)) continue;
      SCOPED_TRACE(fs::u8(table.GetIndexFile(place)->GetName()));
      EXPECT_EQ(Walk(table, place), Expected(table, place));
    }
  }

  static constexpr const char* kRows =
      "HUN\tENG\tLEIR\n"
      "alma\tapple\tfn. gyümölcs\\nalmafa termése\n"
      "körte\tpear\t\n"
      "őz\troe deer\tfn.\n"
      "\tnothing\tno Hungarian\n";
};

TEST_F(TsvImport, RowsGoInWithEveryIndexInStepWhetherTheTableIsExclusiveOrShared) {
  for (const uint16_t rights : {static_cast<uint16_t>(kNewTableRights), kSharedForTest}) {
    SCOPED_TRACE(rights == kSharedForTest ? "shared" : "exclusive");
    std::filesystem::remove_all(Dir.Path() / "t");
    std::filesystem::create_directories(Dir.Path() / "t");
    const std::u16string file = u"t/Eng_hun.vxbt";
    CreateDictionary(file);
    auto table = Open(rights, file);
    ASSERT_TRUE(table);
    Append(*table, u"zebra", u"zebra", u"before");
    EXPECT_EQ(tools::ImportTsv(*table, WriteTsv(kRows)), 4);
    EXPECT_EQ(table->GetRecordCount(), 5);
    const std::vector<Row> rows = ReadAll(*table);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1].Eng, u"apple");
    EXPECT_EQ(rows[1].Hun, u"alma");
    EXPECT_EQ(rows[1].Leir, u"fn. gyümölcs\r\nalmafa termése");
    EXPECT_EQ(rows[3].Hun, u"őz");
    EXPECT_EQ(rows[4].Hun, u"");
    EXPECT_EQ(table->FindIndexNo(u"ENG"), 0);
    EXPECT_EQ(table->FindIndexNo(u"HUN"), 1);
    ExpectIndexesInStep(*table);
    ASSERT_EQ(table->Close(), 0);
  }
}

TEST_F(TsvImport, AUniqueIndexStillRefusesADuplicateRow) {
  CreateDictionary();
  {
    auto table = Open();
    ASSERT_GE(table->NewIndex(u"ENGU", u"ENG", true), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  auto table = Open();
  const std::string path = WriteTsv("ENG\tHUN\none\tegy\ntwo\tkettő\none\tegyes\nthree\thárom\n");
  try {
    tools::ImportTsv(*table, path);
    FAIL() << "the duplicate row went in";
  } catch (const errors::EVxbEngine& e) {
    EXPECT_EQ(e.Code(), 30);
    EXPECT_NE(e.Message().find(u"line 4"), std::u16string::npos) << fs::u8(e.Message());
  }
  EXPECT_EQ(table->GetRecordCount(), 2);
  EXPECT_GE(table->FindIndexNo(u"ENG"), 0);
  EXPECT_GE(table->FindIndexNo(u"HUN"), 0);
  ExpectIndexesInStep(*table);
}

}  // namespace
}  // namespace vexilo::storage::testing
