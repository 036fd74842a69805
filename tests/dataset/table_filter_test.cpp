// The table dataset's filter: when the condition reaches the engine, what
// the dataset shows and counts under it, OnFilterRecord on top of it,
// find-record through the matches without hiding the others, and the marked
// record set. What passes is checked against vxbtool's count of the same
// condition in another process.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "dataset/vexbase_error.h"
#include "framework/core/data_source.h"
#include "tests/dataset/dataset_fixture.h"

namespace vexilo::dataset::testing {
namespace {

using framework::TDataSource;

class TableFilterTest : public DatasetFixture {
 protected:
  void SetUp() override {
    CreateDictionary(HungarianEntries());
    MakeComponents(u"ENG");
  }

  void OpenWithGrid() {
    FSource = std::make_unique<TDataSource>(FTable.get());
    FGrid = std::make_unique<TRowsLink>(*FSource, 7);
    FTable->Open();
  }

  // The ENG values the dataset shows, first to last.
  std::vector<std::string> Shown() {
    std::vector<std::string> values;
    for (FTable->First(); !FTable->Eof(); FTable->Next()) values.push_back(Current().first);
    return values;
  }

  // How many records vxbtool counts for `condition` (another process).
  int ToolCount(const std::string& condition) {
    const std::string out = Tool({"count", Table(), condition});
    return std::stoi(out);
  }

  // The ENG values of the records vxbtool finds for `condition`, in ENG order.
  std::vector<std::string> ToolMatches(const std::string& condition) {
    std::vector<std::string> values;
    const std::string out = Tool({"query", Table(), condition, "--index", "ENG"});
    size_t start = 0;
    while (start < out.size()) {
      const size_t end = std::min(out.find('\n', start), out.size());
      if (end > start) {
        auto value = tools::testing::TJsonReader::Parse(out.substr(start, end - start));
        if (value) values.push_back(value->Member("ENG")->Text);
      }
      start = end + 1;
    }
    return values;
  }

  std::unique_ptr<TDataSource> FSource;
  std::unique_ptr<TRowsLink> FGrid;
};

TEST_F(TableFilterTest, AConditionShowsAndCountsExactlyWhatAnotherReaderSelects) {
  OpenWithGrid();
  const std::vector<std::string> conditions = {
      "ENG = 'apple'",
      "ENG >= 'm' And ENG < 't'",
      "HUN = 'alma' Or HUN = 'dió'",
      "ENG <> 'zebra'",
      "HUN > 'sz'",
      "ENG = 'nothing'",
      // OR lists whose terms each have an index: records meeting several
      // terms count once.
      "ENG = 'apple' Or HUN = 'alma'",
      "ENG < 'c' Or HUN > 'sz' Or ENG = 'owl'",
      "HUN = 'vár' Or ENG >= 'w' Or HUN = 'vár'",
      "ENG = 'apple' Or LEIR = 'erőd'",
  };
  for (const std::string& condition : conditions) {
    SCOPED_TRACE(condition);
    FTable->SetFilter(U16(condition));
    FTable->SetFiltered(true);
    EXPECT_EQ(Shown(), ToolMatches(condition));
    EXPECT_EQ(FTable->RecordCount(), ToolCount(condition));
    FTable->SetFiltered(false);
    EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));
  }
}

TEST_F(TableFilterTest, AConditionReachesTheEngineOnlyWhenTheFilterIsSwitchedOn) {
  OpenWithGrid();
  // Not in force: even a condition the engine refuses is only kept.
  FTable->SetFilter(u"ENG = ");
  EXPECT_EQ(FTable->Filter(), u"ENG = ");
  try {
    FTable->SetFiltered(true);
    FAIL() << "a refused condition was switched on";
  } catch (const EVexBaseError& error) {
    const std::string message = U8(error.Message());
    EXPECT_NE(message.find("Setting filter"), std::string::npos) << message;
  }
  EXPECT_FALSE(FTable->Filtered());
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));

  // A good condition switched on lands on the first passing record.
  FTable->Last();
  FTable->SetFilter(u"HUN = 'vár' Or HUN = 'bab'");
  EXPECT_EQ(Current().first, "zebra") << "setting the text alone moved the dataset";
  FTable->SetFiltered(true);
  EXPECT_EQ(Current().first, "bean");
  EXPECT_EQ(FTable->RecordCount(), 2);
}

TEST_F(TableFilterTest, ChangingTheConditionWhileFilteredAppliesItOrKeepsTheOldOne) {
  OpenWithGrid();
  FTable->SetFilter(u"ENG < 'c'");
  FTable->SetFiltered(true);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"apple", "Apple", "bean", "bullet"}));
  FTable->SetFilter(u"ENG > 'v'");
  EXPECT_EQ(Shown(), (std::vector<std::string>{"vowel", "wet", "wish", "zebra"}));
  EXPECT_THROW(FTable->SetFilter(u"ENG > And"), EVexBaseError);
  EXPECT_EQ(FTable->Filter(), u"ENG > 'v'");
  EXPECT_TRUE(FTable->Filtered());
  EXPECT_EQ(Shown(), (std::vector<std::string>{"vowel", "wet", "wish", "zebra"})) << "the old filter is in force";
}

TEST_F(TableFilterTest, SwitchingToTheSameStateDoesNotMove) {
  OpenWithGrid();
  FTable->SetFilter(u"ENG > 'd'");
  FTable->SetFiltered(true);
  FTable->Last();
  FTable->SetFiltered(true);
  EXPECT_EQ(Current().first, "zebra");
  FTable->SetFiltered(false);
  FTable->Last();
  FTable->SetFiltered(false);
  EXPECT_EQ(Current().first, "zebra");
}

TEST_F(TableFilterTest, TheFilterSurvivesClosingAndReopening) {
  FTable->SetFilter(u"HUN = 'alma'");
  FTable->SetFiltered(true);
  OpenWithGrid();
  // Comparisons ignore case unless the database compares with case.
  EXPECT_EQ(Shown(), (std::vector<std::string>{"apple", "Apple"}));
  FTable->Close();
  FTable->Open();
  EXPECT_EQ(FTable->RecordCount(), 2);
  // A refused condition kept while off does not stop the table opening.
  FTable->SetFiltered(false);
  FTable->SetFilter(u"HUN = ");
  FTable->Close();
  FTable->Open();
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));
}

TEST_F(TableFilterTest, FilterOptionsChooseTheModeSentWithTheCondition) {
  OpenWithGrid();
  FTable->SetFilter(u"ENG = 'APPLE'");
  FTable->SetFiltered(true);
  // The Hungarian collation compares without case either way.
  EXPECT_EQ(FTable->RecordCount(), 2);
  FTable->Last();
  FTable->SetFilterOptions({.CaseInsensitive = true});
  EXPECT_EQ(Current().first, "apple") << "new options go to the first passing record";
  EXPECT_EQ(FTable->RecordCount(), 2);
  EXPECT_EQ(FTable->FilterMode(FTable->FilterOptions()), 0x71);
  EXPECT_EQ(FTable->FilterMode({}), 0x61);
  EXPECT_EQ(FTable->FilterMode({.NoPartialCompare = true}), 0x41);
  // Partial comparison lets a trailing star stand for any ending.
  FTable->SetFilter(u"ENG = 'app*'");
  EXPECT_EQ(FTable->RecordCount(), 2);
  FTable->SetFilterOptions({.NoPartialCompare = true});
  EXPECT_EQ(FTable->RecordCount(), 0);
  FTable->SetFilterMethod(TVxbFilterMethod::tfeIncremental);
  EXPECT_EQ(FTable->FilterMode({}), 0x6F);
  EXPECT_EQ(FTable->RecordCount(), 0);
}

TEST_F(TableFilterTest, OnFilterRecordNarrowsTheEnginesFilterAndItsCount) {
  OpenWithGrid();
  FTable->SetFilter(u"ENG < 'd'");
  FTable->SetFiltered(true);
  int asked = 0;
  FTable->SetOnFilterRecord([&](framework::TDataSet& dataSet, bool& accept) {
    ++asked;
    accept = U8(dataSet.FieldByName(u"HUN").AsString()).find('a') != std::string::npos;
  });
  // apple/alma, Apple/Alma, bean/bab, bullet/golyó, cap/sapka, castle/vár,
  // church/templom, cinema/mozi, cutlet/szelet: those with an "a" in HUN.
  EXPECT_EQ(Shown(), (std::vector<std::string>{"apple", "Apple", "bean", "cap"}));
  EXPECT_EQ(FTable->RecordCount(), 4);
  asked = 0;
  EXPECT_EQ(FTable->RecordCount(), 4);
  EXPECT_EQ(asked, 0) << "the count is kept until something changes";

  // A post forgets the kept count.
  FTable->First();
  FTable->Edit();
  FTable->FieldByName(u"HUN").SetAsString(u"golyó");
  FTable->Post();
  EXPECT_EQ(FTable->RecordCount(), 3);

  // Without the engine filter the handler is not asked at all.
  FTable->SetFiltered(false);
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));
}

TEST_F(TableFilterTest, FindRecordStepsThroughTheMatchesWithoutHidingTheOthers) {
  OpenWithGrid();
  FTable->SetFilter(u"HUN >= 'sz'");
  const std::vector<std::string> matches = ToolMatches("HUN >= 'sz'");
  ASSERT_GE(matches.size(), 3u);

  std::vector<std::string> forwards;
  for (bool found = FTable->FindFirst(); found; found = FTable->FindNext()) forwards.push_back(Current().first);
  EXPECT_EQ(forwards, matches);
  EXPECT_FALSE(FTable->Found());
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));

  std::vector<std::string> backwards;
  for (bool found = FTable->FindLast(); found; found = FTable->FindPrior()) backwards.push_back(Current().first);
  EXPECT_EQ(backwards, std::vector<std::string>(matches.rbegin(), matches.rend()));

  // The handler is asked on the way.
  FTable->SetOnFilterRecord([](framework::TDataSet& dataSet, bool& accept) {
    accept = dataSet.FieldByName(u"ENG").AsString() != u"fortune";
  });
  std::vector<std::string> accepted;
  for (bool found = FTable->FindFirst(); found; found = FTable->FindNext()) accepted.push_back(Current().first);
  std::vector<std::string> expected;
  for (const std::string& value : matches) {
    if (value != "fortune") expected.push_back(value);
  }
  EXPECT_EQ(accepted, expected);

  // Filtered, find-record walks what is shown.
  FTable->SetOnFilterRecord(nullptr);
  FTable->SetFiltered(true);
  ASSERT_TRUE(FTable->FindLast());
  EXPECT_EQ(Current().first, matches.back());
  EXPECT_FALSE(FTable->FindNext());
}

TEST_F(TableFilterTest, RecordCountWithoutTheRecordBeingInserted) {
  OpenWithGrid();
  FTable->Insert();
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));
  FTable->Cancel();
}

TEST_F(TableFilterTest, SelectionsMarkRecordsByNumberAndByCondition) {
  OpenWithGrid();
  FTable->AddToSelection(u"ENG < 'c'");
  FTable->RemoveFromSelection(u"HUN = 'bab'");
  const int32_t appleRecNo = 2;
  EXPECT_TRUE(FTable->IsSelected(appleRecNo));
  FTable->AddToSelection(1);  // zebra
  FTable->ActivateSelection();
  EXPECT_TRUE(FTable->Filtered());
  EXPECT_EQ(Shown(), (std::vector<std::string>{"apple", "Apple", "bullet", "zebra"}));

  FTable->SetFiltered(false);
  FTable->IntersectSelection(u"ENG > 'b'");
  FTable->ActivateSelection();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"bullet", "zebra"}));
  FTable->SetFiltered(false);
  FTable->ClearSelection();
  EXPECT_FALSE(FTable->IsSelected(1));
  try {
    FTable->AddToSelection(9999);
    FAIL() << "a record that does not exist was selected";
  } catch (const EVexBaseError& error) {
    EXPECT_NE(U8(error.Message()).find("Adding to selection"), std::string::npos);
  }
}

TEST_F(TableFilterTest, TheCurrentRecordIsTestedAgainstACondition) {
  OpenWithGrid();
  FTable->First();  // apple / alma
  struct TCase {
    const char16_t* Condition;
    bool Satisfied;
  };
  const TCase cases[] = {{u"ENG = 'apple'", true},         {u"HUN = 'alma' And ENG <> 'x'", true},
                         {u"ENG = 'zebra'", false},        {u"LEIR = 'gyümölcs'", true},
                         {u"ENG = 'apple' And 1 = 0", false}};
  for (const TCase& test : cases) {
    SCOPED_TRACE(U8(test.Condition));
    EXPECT_EQ(FTable->IsConditionValid(test.Condition), test.Satisfied);
  }
  // The active record is tested, wherever the cursor went meanwhile.
  FTable->Last();
  EXPECT_TRUE(FTable->IsConditionValid(u"ENG = 'zebra'"));
  try {
    FTable->IsConditionValid(u"ENG = ");
    FAIL() << "a condition that does not compile was evaluated";
  } catch (const EVexBaseError& error) {
    EXPECT_NE(U8(error.Message()).find("Evaluating condition 'ENG = '"), std::string::npos) << U8(error.Message());
  }
  FTable->SetFilter(u"ENG = 'nothing'");
  FTable->SetFiltered(true);
  EXPECT_FALSE(FTable->IsConditionValid(u"1 = 1")) << "an empty dataset stands on no record";
}

// The count under an incremental filter walks the visible records, but not
// on a table of 10,000 records or more; a static filter's count is its
// list's length at any size.
class LargeTableFilterTest : public DatasetFixture {};

TEST_F(LargeTableFilterTest, CountsUnderEachMethodOnEitherSideOfTenThousandRecords) {
  struct TCase {
    int Records;
    TVxbFilterMethod Method;
    int32_t Expected;
  };
  // Every tenth entry's HUN is "tíz".
  const TCase cases[] = {{9999, TVxbFilterMethod::tfeIncremental, 1000},
                         {9999, TVxbFilterMethod::tfeDefault, 1000},
                         {10000, TVxbFilterMethod::tfeIncremental, -1},
                         {10000, TVxbFilterMethod::tfeStatic, 1000}};
  for (const TCase& test : cases) {
    SCOPED_TRACE(std::to_string(test.Records));
    const std::string name = "T" + std::to_string(test.Records);
    if (!std::filesystem::exists(Table(name) + ".vxbt")) {
      std::vector<TEntry> entries;
      for (int i = 0; i < test.Records; ++i) {
        entries.push_back({"e" + std::to_string(i), i % 10 == 3 ? "tíz" : "h" + std::to_string(i), ""});
      }
      CreateDictionary(entries, name);
    }
    MakeComponents(u"ENG", U16(name));
    FTable->SetFilterMethod(test.Method);
    FTable->SetFilter(u"HUN = 'tíz'");
    FTable->SetFiltered(true);
    FTable->Open();
    EXPECT_EQ(FTable->RecordCount(), test.Expected);
    FTable->Close();
  }
}

}  // namespace
}  // namespace vexilo::dataset::testing
