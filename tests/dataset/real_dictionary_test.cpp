// The table dataset on the real default dictionary: every record, walked
// forwards and backwards in the order of the index HUN (the main window's),
// is the record another process (vxbtool) reads at that place.
#include <gtest/gtest.h>

#include "tests/dataset/dataset_fixture.h"
#include "tests/engine/api/calls/real_dictionary.h"

namespace vexilo::dataset::testing {
namespace {

struct TRow {
  int32_t RecNo;
  std::u16string Eng;
  std::u16string Hun;
  bool operator==(const TRow&) const = default;
};

class RealDictionaryTest : public DatasetFixture {
 protected:
  void SetUp() override {
    if (!api::testing::FreeDictInstalled()) GTEST_SKIP() << "Debian's FreeDict dictionaries are not installed";
    std::string error;
    FDictionary = api::testing::RealDictionaryDir(error);
    ASSERT_FALSE(FDictionary.empty()) << error;
  }

  std::vector<TRow> ToolRows(const std::string& index) {
    const std::string out = Tool({"query", FDictionary + "/Eng_hun", "1 = 1", "--index", index});
    std::vector<TRow> rows;
    size_t start = 0;
    while (start < out.size()) {
      const size_t end = std::min(out.find('\n', start), out.size());
      if (end > start) {
        auto value = tools::testing::TJsonReader::Parse(out.substr(start, end - start));
        if (!value) {
          ADD_FAILURE() << out.substr(start, end - start);
          break;
        }
        rows.push_back({std::stoi(value->Member("_recno")->Text), U16(value->Member("ENG")->Text),
                        U16(value->Member("HUN")->Text)});
      }
      start = end + 1;
    }
    return rows;
  }

  std::string FDictionary;
};

TEST_F(RealDictionaryTest, EveryRecordInBothDirectionsIsWhereTheOtherReaderHasIt) {
  TVxbDatabase database;
  database.SetName(u"Dictionary");
  database.SetLocation(U16(FDictionary));
  TVxbTable table;
  table.SetDatabaseName(u"Dictionary");
  table.SetTableName(u"Eng_hun");
  for (const char* index : {"HUN"}) {
    SCOPED_TRACE(index);
    table.SetIndexName(U16(index));
    table.Open();
    const std::vector<TRow> expected = ToolRows(index);
    ASSERT_GT(expected.size(), 250000u);
    framework::TField& eng = table.FieldByName(u"ENG");
    framework::TField& hun = table.FieldByName(u"HUN");
    size_t at = 0;
    size_t mismatches = 0;
    for (table.First(); !table.Eof(); table.Next(), ++at) {
      const TRow row{table.RecordNo(), eng.AsString(), hun.AsString()};
      if (at >= expected.size() || !(row == expected[at])) {
        if (++mismatches <= 3) ADD_FAILURE() << "forwards at " << at << ": record " << row.RecNo;
      }
    }
    EXPECT_EQ(at, expected.size());
    for (table.Last(); !table.Bof(); table.Prior()) {
      if (at == 0) {
        ADD_FAILURE() << "more records backwards";
        break;
      }
      --at;
      const TRow row{table.RecordNo(), eng.AsString(), hun.AsString()};
      if (!(row == expected[at]) && ++mismatches <= 6) ADD_FAILURE() << "backwards at " << at << ": record " << row.RecNo;
    }
    EXPECT_EQ(at, 0u);
    EXPECT_EQ(mismatches, 0u);
    table.Close();
  }
}

}  // namespace
}  // namespace vexilo::dataset::testing
