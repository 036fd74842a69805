// Index selection and key search of the table dataset on the small
// Hungarian dictionary: exact and nearest key searches, the key-editing
// state, key ranges, Locate and Lookup on every order, and the errors with
// their texts.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dataset/vexbase_error.h"
#include "framework/core/database_error.h"
#include "framework/core/date_time.h"
#include "framework/core/variant.h"
#include "tests/dataset/dataset_fixture.h"

namespace vexilo::dataset::testing {
namespace {

using framework::TVariant;

TVariant Text(const char* utf8) { return U16(utf8); }

class TableKeysTest : public DatasetFixture {
 protected:
  void SetUp() override {
    CreateDictionary(HungarianEntries());
    MakeComponents(u"HUN");
    FTable->Open();
  }

  std::string Hun() { return Current().second; }
  std::string Eng() { return Current().first; }

  // HUN of every record the dataset shows, from the first.
  std::vector<std::string> WalkHun() {
    std::vector<std::string> rows;
    for (FTable->First(); !FTable->Eof(); FTable->Next()) rows.push_back(Hun());
    return rows;
  }

  // The message of the database error `action` raises ("" when none).
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const framework::EDatabaseError& error) {
      return U8(error.Message());
    }
    return "";
  }
};

TEST_F(TableKeysTest, FindKeyFindsOnlyEqualKeysAndStaysPutOtherwise) {
  struct TCase {
    const char* Key;
    bool Found;
    const char* Lands;  // HUN afterwards
  };
  // "Alma" and "alma" are equal keys (case does not count); the first in
  // record order comes first. Accents count.
  const std::vector<TCase> cases = {
      {"vár", true, "vár"},   {"alma", true, "alma"}, {"ALMA", true, "alma"}, {"var", false, "alma"},
      {"al", false, "alma"},  {"óhaj", true, "óhaj"}, {"ohaj", false, "óhaj"}, {"zzz", false, "óhaj"},
      {"bab", true, "bab"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Key);
    const TVariant key = Text(c.Key);
    EXPECT_EQ(FTable->FindKey({&key, 1}), c.Found);
    EXPECT_EQ(Hun(), c.Lands);
  }
  const TVariant alma = Text("alma");
  ASSERT_TRUE(FTable->FindKey({&alma, 1}));
  EXPECT_EQ(Eng(), "apple");
}

TEST_F(TableKeysTest, FindNearestLandsOnTheFirstKeyNotSmallerOrOnTheLast) {
  const std::vector<TDumpedRecord> order = Dump("HUN");
  struct TCase {
    const char* Key;
    std::string Lands;
  };
  const std::vector<TCase> cases = {
      {"", order.front().Text("HUN")}, {"ba", "bab"},     {"bag", "bagoly"}, {"bagolyz", "birka"},
      {"m", "magánhangzó"},            {"ó", "óhaj"},      {"O", "óhaj"},     {"te", "tej"},
      {"zzz", order.back().Text("HUN")}, {"Vi", "virág"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Key);
    const TVariant key = Text(c.Key);
    FTable->FindNearest({&key, 1});
    EXPECT_EQ(Hun(), c.Lands);
    EXPECT_FALSE(FTable->Bof() && FTable->Eof());
  }
}

TEST_F(TableKeysTest, TheKeyEditingStateWritesTheSearchKeyAndCancelRestoresIt) {
  FTable->SetKey();
  EXPECT_EQ(FTable->State(), framework::TDataSetState::dsSetKey);
  FTable->FieldByName(u"HUN").SetAsString(u"vár");
  EXPECT_EQ(U8(FTable->FieldByName(u"HUN").AsString()), "vár");
  EXPECT_TRUE(FTable->GotoKey());  // leaves the state, keeping the key
  EXPECT_EQ(FTable->State(), framework::TDataSetState::dsBrowse);
  EXPECT_EQ(Eng(), "castle");

  FTable->First();
  FTable->EditKey();
  FTable->FieldByName(u"HUN").SetAsString(u"zzz");
  FTable->Cancel();
  EXPECT_TRUE(FTable->GotoKey());
  EXPECT_EQ(Eng(), "castle");

  // SetKey starts from an empty key: the nearest record is the first.
  FTable->SetKey();
  FTable->GotoNearest();
  EXPECT_EQ(Hun(), Dump("HUN").front().Text("HUN"));

  FTable->SetKey();
  FTable->FieldByName(u"HUN").SetAsString(u"tiz");
  FTable->GotoNearest();
  EXPECT_EQ(Hun(), "tizenegy");
  // Outside the key-editing state the fields show the current record again.
  EXPECT_EQ(Eng(), "eleven");
}

TEST_F(TableKeysTest, RangesRestrictTheRecordsUntilCancelled) {
  const TVariant b = Text("b");
  const TVariant d = Text("d");
  FTable->SetRange({&b, 1}, {&d, 1});
  EXPECT_EQ(WalkHun(), (std::vector<std::string>{"bab", "bagoly", "birka"}));
  EXPECT_EQ(Hun(), "birka");
  // A key search inside a range finds only what the range shows.
  const TVariant a = Text("a");
  FTable->FindNearest({&a, 1});
  EXPECT_EQ(Hun(), "bab");
  const TVariant var = Text("vár");
  EXPECT_FALSE(FTable->FindKey({&var, 1}));

  FTable->SetRangeStart();
  FTable->FieldByName(u"HUN").SetAsString(u"m");
  FTable->SetRangeEnd();
  FTable->FieldByName(u"HUN").SetAsString(u"p");
  FTable->ApplyRange();
  EXPECT_EQ(Hun(), "magánhangzó");
  EXPECT_EQ(WalkHun(), (std::vector<std::string>{"magánhangzó", "mozi", "nedves", "óhaj"}));

  // EditRangeStart keeps the end and changes only the start.
  FTable->EditRangeStart();
  FTable->FieldByName(u"HUN").SetAsString(u"n");
  FTable->ApplyRange();
  EXPECT_EQ(WalkHun(), (std::vector<std::string>{"nedves", "óhaj"}));

  FTable->First();
  FTable->Next();  // óhaj
  FTable->CancelRange();
  EXPECT_EQ(Hun(), "óhaj");
  EXPECT_EQ(WalkHun().size(), HungarianEntries().size());
}

TEST_F(TableKeysTest, LocateFindsTheFirstMatchInTheCurrentOrder) {
  struct TCase {
    const char* Order;  // IndexName; "" record order
    const char* Fields;
    std::vector<TVariant> Values;
    framework::TLocateOptions Options;
    bool Found;
    const char* Lands;  // HUN afterwards
  };
  const framework::TLocateOptions exact{};
  const framework::TLocateOptions partial{.PartialKey = true};
  const framework::TLocateOptions anyCase{.CaseInsensitive = true};
  const framework::TLocateOptions both{.CaseInsensitive = true, .PartialKey = true};
  const std::vector<TCase> cases = {
      {"HUN", "ENG", {Text("castle")}, exact, true, "vár"},
      {"", "ENG", {Text("castle")}, exact, true, "vár"},
      {"", "HUN", {Text("sz")}, partial, true, "szalag"},
      {"HUN", "HUN", {Text("sz")}, partial, true, "szalag"},
      {"ENG", "HUN", {Text("sze")}, partial, true, "szelet"},
      {"ENG", "HUN", {Text("sze")}, exact, false, "szelet"},
      {"ENG", "ENG", {Text("CAST")}, both, true, "vár"},
      {"", "ENG", {Text("Apple")}, anyCase, true, "alma"},
      {"", "ENG;HUN", {Text("wish"), Text("óhaj")}, exact, true, "óhaj"},
      {"", "ENG;HUN", {Text("wish"), Text("ohaj")}, exact, false, "óhaj"},
      {"HUN", " ENG ; HUN ", {Text("nut"), Text("dió")}, exact, true, "dió"},
      // A quote in a value is a character to find, not the end of the text.
      {"", "ENG", {Text("doesn't")}, exact, false, "dió"},
      {"", "ENG", {Text("x' or ENG = 'nut")}, exact, false, "dió"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Order) + " / " + c.Fields + " / " + U8(framework::VarToText(c.Values.front())));
    FTable->SetIndexName(U16(c.Order));
    EXPECT_EQ(FTable->Locate(U16(c.Fields), c.Values, c.Options), c.Found);
    EXPECT_EQ(Hun(), c.Lands);
  }
}

TEST_F(TableKeysTest, LocateOffersTheMatchesToTheFilterHandler) {
  // Records are offered to the handler in the dataset's order (HUN).
  std::vector<std::string> offered;
  FTable->SetOnFilterRecord([&](framework::TDataSet& dataSet, bool& accept) {
    const std::string hun = U8(dataSet.FieldByName(u"HUN").AsString());
    offered.push_back(hun);
    accept = hun != "szalag";
  });
  FTable->SetFiltered(true);
  offered.clear();
  const TVariant sz = Text("sz");
  EXPECT_TRUE(FTable->Locate(u"HUN", {&sz, 1}, {.PartialKey = true}));
  EXPECT_EQ(Hun(), "szelet");
  EXPECT_EQ(offered.front(), "szalag");
  const TVariant alma = Text("szalag");
  EXPECT_FALSE(FTable->Locate(u"HUN", {&alma, 1}, {}));
  EXPECT_EQ(Hun(), "szelet");
  // The search's condition did not become the dataset's filter.
  FTable->SetFiltered(false);
  FTable->SetFiltered(true);
  EXPECT_EQ(WalkHun().size(), HungarianEntries().size() - 1);
  FTable->SetFilter(u"HUN >= 'sz'");
  EXPECT_TRUE(FTable->Locate(u"ENG", {&sz, 1}, {}) == false);
  const TVariant fortune = Text("fortune");
  EXPECT_TRUE(FTable->Locate(u"ENG", {&fortune, 1}, {}));
  EXPECT_EQ(WalkHun(), (std::vector<std::string>{"szelet", "szerencse", "tej", "templom", "tizenegy", "vár", "virág",
                                                 "zebra"}));
  FTable->SetFiltered(false);
}

TEST_F(TableKeysTest, LookupGivesTheResultFieldsWithoutMoving) {
  const TVariant mozi = Text("mozi");
  ASSERT_TRUE(FTable->FindKey({&mozi, 1}));
  const TVariant var = Text("vár");
  const std::vector<TVariant> values = FTable->Lookup(u"HUN", {&var, 1}, u"ENG;LEIR");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(U8(framework::VarToText(values[0])), "castle");
  EXPECT_EQ(U8(framework::VarToText(values[1])), "erőd");
  EXPECT_EQ(Hun(), "mozi");
  FTable->Next();
  EXPECT_EQ(Hun(), "nedves");
  const TVariant none = Text("nincs ilyen");
  EXPECT_TRUE(FTable->Lookup(u"HUN", {&none, 1}, u"ENG").empty());
  EXPECT_EQ(Hun(), "nedves");
}

TEST_F(TableKeysTest, IndexSelectionKeepsTheRecordAndNamesItsKeyFields) {
  const TVariant bab = Text("bab");
  ASSERT_TRUE(FTable->FindKey({&bab, 1}));
  int scrolls = 0;
  FTable->BeforeScroll = [&](framework::TDataSet&) { ++scrolls; };
  FTable->SetIndexName(u"HUN");
  EXPECT_EQ(scrolls, 0);

  FTable->SetIndexName(u"ENG.vxbi");
  EXPECT_EQ(FTable->IndexName(), u"ENG");
  EXPECT_EQ(Eng(), "bean");
  FTable->Next();
  EXPECT_EQ(Eng(), "bullet");
  ASSERT_EQ(FTable->KeyFields().size(), 1u);
  EXPECT_EQ(FTable->KeyFields()[0]->FieldName(), u"ENG");

  FTable->SetIndexFieldNames(u"HUN");
  EXPECT_EQ(FTable->IndexName(), u"");
  EXPECT_EQ(Hun(), "golyó");
  FTable->Next();
  EXPECT_EQ(Hun(), "gyík");
  ASSERT_EQ(FTable->KeyFields().size(), 1u);
  EXPECT_EQ(FTable->KeyFields()[0]->FieldName(), u"HUN");
  const TVariant t = Text("t");
  FTable->FindNearest({&t, 1});
  EXPECT_EQ(Hun(), "tej");

  FTable->SetIndexName(u"ENG");
  EXPECT_EQ(FTable->IndexFieldNames(), u"");
  EXPECT_EQ(FTable->GetIndexNames(), (std::vector<std::u16string>{u"ENG", u"HUN"}));
  EXPECT_EQ(FTable->IndexDefs().Find(u"HUN")->Fields(), u"HUN");

  // Closed and opened again, the order by field names is selected again.
  FTable->SetIndexFieldNames(u"ENG");
  FTable->Close();
  FTable->Open();
  EXPECT_EQ(Eng(), "apple");
  FTable->Next();
  EXPECT_EQ(Eng(), "Apple");
}

TEST_F(TableKeysTest, MisusesRaiseTheirMessages) {
  const TVariant one = Text("a");
  const std::vector<TVariant> two = {Text("a"), Text("b")};
  struct TCase {
    const char* Name;
    std::function<void()> Action;
    std::string Message;  // the whole message, or its beginning when it ends with "..."
  };
  const std::vector<TCase> cases = {
      {"two values on one key field", [&] { FTable->FindKey(two); }, "Active index has only 1 fields"},
      {"two nearest values", [&] { FTable->FindNearest(two); }, "Active index has only 1 fields"},
      {"two range values", [&] { FTable->SetRange(two, two); }, "Active index has only 1 fields"},
      {"GotoKey by field names",
       [&] {
         FTable->SetIndexFieldNames(u"ENG");
         FTable->GotoKey();
       },
       "GotoKey needs an active index"},
      {"FindKey by field names", [&] { FTable->FindKey({&one, 1}); }, "GotoKey needs an active index"},
      {"no order",
       [&] {
         FTable->SetIndexFieldNames(u"");
         FTable->FindNearest({&one, 1});
       },
       "This operation requires an active index."},
      {"range in record order", [&] { FTable->ApplyRange(); }, "Setting range: ..."},
      {"no such index", [&] { FTable->SetIndexName(u"NOPE.ind"); }, "The index NOPE does not exist"},
      {"no such sort field", [&] { FTable->SetIndexFieldNames(u"LEIR"); }, "Setting index field names: ..."},
      {"no such locate field", [&] { FTable->Locate(u"NOPE", {&one, 1}, {}); }, "Field 'NOPE' not found"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string message = ErrorOf(c.Action);
    if (c.Message.ends_with("...")) {
      EXPECT_EQ(message.rfind(c.Message.substr(0, c.Message.size() - 3), 0), 0u) << message;
    } else {
      EXPECT_EQ(message, c.Message);
    }
    EXPECT_EQ(FTable->State(), framework::TDataSetState::dsBrowse);
  }
}

// Columns of several types, for the literals Locate writes.
class LocateLiteralsTest : public DatasetFixture {};

TEST_F(LocateLiteralsTest, EachValueIsWrittenAsItsColumnTypeReadsIt) {
  Tool({"create", Table("T"), "--level", "6", "S:String?:20", "F:Float?:2", "BO:Boolean?", "D:Date?",
        "E:Enum?:red|green|blue", "T:Time?:3", "I:Integer?", "DT:DateTime?"});
  {
    std::ofstream tsv(FDir.File("t.tsv"), std::ios::binary);
    tsv << "S\tF\tBO\tD\tE\tT\tI\tDT\n"
        << "árvíz\t3.25\ttrue\t2024-02-29\t2\t13:45:30\t-70000\t2001-09-09 01:46:40.500\n"
        << "it's\t1.5\tfalse\t2023-01-15\t3\t08:00:00.000\t5\t2020-01-01 00:00:00.000\n"
        << "\t\t\t\t\t\t7\t\n";
  }
  Tool({"import", Table("T"), FDir.File("t.tsv")});
  MakeComponents(u"", u"T");
  FTable->Open();
  const double leapDay = *framework::TryEncodeDate(2024, 2, 29);
  // (Whole seconds: the engine's conditions compare a stored Time without
  // its milliseconds.)
  const double afternoon = *framework::TryEncodeTime(13, 45, 30, 0);
  const double stamp = *framework::TryEncodeDate(2001, 9, 9) + *framework::TryEncodeTime(1, 46, 40, 500);
  struct TCase {
    const char* Field;
    TVariant Value;
    const char* Lands;  // I of the record found, "" none
  };
  const std::vector<TCase> cases = {
      {"I", TVariant(int64_t{5}), "5"},        {"F", TVariant(3.25), "-70000"},
      {"BO", TVariant(false), "5"},            {"BO", TVariant(true), "-70000"},
      {"D", TVariant(leapDay), "-70000"},      {"T", TVariant(afternoon), "-70000"},
      {"DT", TVariant(stamp), "-70000"},       {"E", Text("blue"), "5"},
      {"S", TVariant(), "7"},                  {"S", Text("it's"), "5"},
      {"S", Text("árvíz"), "-70000"},          {"I", TVariant(int64_t{6}), ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Field) + " " + U8(framework::VarToText(c.Value)));
    FTable->First();
    EXPECT_EQ(FTable->Locate(U16(c.Field), {&c.Value, 1}, {}), *c.Lands != '\0');
    if (*c.Lands != '\0') {
      EXPECT_EQ(U8(FTable->FieldByName(u"I").AsString()), c.Lands);
    }
  }
  // Text where the column wants a number does not compile.
  const TVariant text = Text("abc");
  try {
    FTable->Locate(u"I", {&text, 1}, {});
    ADD_FAILURE() << "no error";
  } catch (const EVexBaseError& error) {
    EXPECT_EQ(U8(error.Message()).rfind("Locating in dataset Table1: ", 0), 0u) << U8(error.Message());
  }
}

// A table whose index has two key fields, ENG then HUN.
class TwoFieldKeyTest : public DatasetFixture {
 protected:
  void SetUp() override {
    Tool({"create", Table("Pairs"), "--level", "6", "--collation", "Hungarian", "ENG:WideString:80",
          "HUN:WideString:80", "LEIR:WideMemo", "--index", "BOTH=ENG,HUN"});
    std::ofstream tsv(FDir.File("pairs.tsv"), std::ios::binary);
    tsv << "ENG\tHUN\tLEIR\n";
    for (const char* row : {"bank\tpart", "apple\talma", "bank\tbank", "cat\tmacska", "bank\tpad", "apple\talmafa"}) {
      tsv << row << "\t-\n";
    }
    tsv.close();
    Tool({"import", Table("Pairs"), FDir.File("pairs.tsv")});
    MakeComponents(u"BOTH", u"Pairs");
    FTable->Open();
  }

  std::vector<std::string> Walk() {
    std::vector<std::string> rows;
    for (FTable->First(); !FTable->Eof(); FTable->Next()) rows.push_back(Current().first + "/" + Current().second);
    return rows;
  }
};

TEST_F(TwoFieldKeyTest, SearchesAndRangesOnPartOfTheKey) {
  ASSERT_EQ(FTable->KeyFields().size(), 2u);
  EXPECT_EQ(FTable->IndexDefs().Find(u"BOTH")->Fields(), u"ENG;HUN");
  const std::vector<TVariant> bank = {Text("bank")};
  const std::vector<TVariant> bankPad = {Text("bank"), Text("pad")};
  const std::vector<TVariant> bankX = {Text("bank"), Text("x")};
  // On the first key field only (the second still empty): the first bank.
  ASSERT_TRUE(FTable->FindKey(bank));
  EXPECT_EQ(Current().second, "bank");
  ASSERT_TRUE(FTable->FindKey(bankPad));
  EXPECT_EQ(Current().second, "pad");
  EXPECT_FALSE(FTable->FindKey(bankX));
  EXPECT_EQ(Current().second, "pad");
  // The search key keeps what it held after the values given: "bank" now
  // searches from bank/x on.
  FTable->FindNearest(bank);
  EXPECT_EQ(Current(), (std::pair<std::string, std::string>{"cat", "macska"}));

  FTable->SetRange(bank, bank);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"bank/bank", "bank/pad", "bank/part"}));
  FTable->SetRange(bankPad, bank);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"bank/pad", "bank/part"}));
  FTable->CancelRange();
  EXPECT_EQ(Walk().size(), 6u);

  const std::vector<TVariant> three = {Text("a"), Text("b"), Text("c")};
  try {
    FTable->FindKey(three);
    ADD_FAILURE() << "three values on two key fields";
  } catch (const framework::EDatabaseError& error) {
    EXPECT_EQ(U8(error.Message()), "Active index has only 2 fields");
  }
}

}  // namespace
}  // namespace vexilo::dataset::testing
