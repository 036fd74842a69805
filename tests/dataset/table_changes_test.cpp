// The table dataset when records go away: deletions through the dataset and
// by another process, what the buffers and bookmarks show afterwards, and
// opening failures that must leave nothing open.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "dataset/vexbase_error.h"
#include "engine/api/calls/session_calls.h"
#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "tests/dataset/dataset_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::dataset::testing {
namespace {

using framework::TDataLink;
using framework::TDataSource;


class TableChangesTest : public DatasetFixture {
 protected:
  // ENG of every record in the dataset's order.
  std::vector<std::string> Engs() {
    std::vector<std::string> engs;
    for (FTable->First(); !FTable->Eof(); FTable->Next()) engs.push_back(Current().first);
    return engs;
  }
  std::vector<std::string> DumpedEngs(const std::string& index) {
    std::vector<std::string> engs;
    for (const TDumpedRecord& record : Dump(index)) engs.push_back(record.Text("ENG"));
    return engs;
  }
  // Moves to the record whose ENG is `eng`; false when there is none.
  bool GoTo(const std::string& eng) {
    for (FTable->First(); !FTable->Eof(); FTable->Next()) {
      if (Current().first == eng) return true;
    }
    return false;
  }
};

TEST_F(TableChangesTest, DeletingThroughTheDatasetRenumbersTheRecordThatMoved) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"");
  TDataSource source(FTable.get());
  TRowsLink grid(source, 40);  // every record in a buffer
  FTable->Open();
  const std::string lastEng = HungarianEntries().back().Eng;
  ASSERT_TRUE(GoTo("sheep"));  // record 4
  FTable->Delete();
  // The last record took number 4; the buffers know it without a refresh.
  EXPECT_EQ(DumpedEngs(""), Engs());
  ASSERT_TRUE(GoTo(lastEng));
  EXPECT_EQ(FTable->RecordNo(), 4);
  FTable->GotoBookmark(FTable->GetBookmark());
  EXPECT_EQ(Current().first, lastEng);
}

TEST_F(TableChangesTest, AnotherProcessDeletingARecordKeepsBookmarksAndFlagsTheGoneRecord) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  TDataSource source(FTable.get());
  TRowsLink grid(source, 40);
  FTable->Open();
  ASSERT_TRUE(GoTo("castle"));  // record 5, stays where it is
  const framework::TBookmark castle = FTable->GetBookmark();
  ASSERT_TRUE(GoTo("sheep"));  // record 4, deleted by the other process

  Tool({"delete", Table(), "4"});
  // The buffer still shows the record the other process deleted; it cannot
  // be changed any more.
  FTable->Refresh();
  EXPECT_EQ(DumpedEngs("HUN"), Engs());
  FTable->GotoBookmark(castle);
  EXPECT_EQ(Current().first, "castle");
  ASSERT_TRUE(GoTo(HungarianEntries().back().Eng));
  EXPECT_EQ(FTable->RecordNo(), 4);
}

TEST_F(TableChangesTest, EditingARecordAnotherProcessDeletedIsRefused) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"");
  FTable->Open();
  ASSERT_TRUE(GoTo("sheep"));
  Tool({"delete", Table(), "4"});
  // The record that moved into number 4 is neither edited nor deleted in
  // its place.
  EXPECT_THROW(FTable->Edit(), framework::EDatabaseError);
  EXPECT_EQ(FTable->State(), framework::TDataSetState::dsBrowse);
  EXPECT_THROW(FTable->Delete(), framework::EDatabaseError);
  EXPECT_EQ(Dump("").size(), HungarianEntries().size() - 1);
}

TEST_F(TableChangesTest, AFailedOpenNamesTheTableGivesTheEngineReasonAndLeavesNothingOpen) {
  struct TCase {
    const char* Name;
    std::function<void(TableChangesTest&)> Spoil;
    const char* Reason;  // part of the engine's message
  };
  const TCase cases[] = {
      {"missing table", [](TableChangesTest& t) { std::filesystem::remove(t.Table() + ".vxbt"); }, "Eng_hun"},
      {"damaged header",
       [](TableChangesTest& t) {
         std::fstream file(t.Table() + ".vxbt", std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(0);
         file.write("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
       },
       ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(FDir.Path());
    std::filesystem::create_directories(FDir.Path());
    CreateDictionary(HungarianEntries());
    c.Spoil(*this);
    MakeComponents(u"HUN");
    try {
      FTable->Open();
      ADD_FAILURE() << "opened";
    } catch (const framework::EDatabaseError& error) {
      const std::string message = U8(error.Message());
      EXPECT_EQ(message.rfind("Opening VexBase table Eng_hun: ", 0), 0u) << message;
      EXPECT_NE(message.find(c.Reason), std::string::npos) << message;
      EXPECT_GT(message.size(), std::string("Opening VexBase table Eng_hun: Opening table \"Eng_hun\": ").size())
          << message;
    }
    EXPECT_FALSE(FTable->Active());
    EXPECT_EQ(FTable->TableHdl(), 0);
    EXPECT_EQ(FTable->RltnHdl(), 0);
    ASSERT_TRUE(FDatabase->Connected());
    EXPECT_EQ(api::VxbSessFindRltnHdl(FDatabase->SessionHdl(), u"Eng_hun"), 0);
    FTable.reset();
    FDatabase.reset();
  }
}

TEST_F(TableChangesTest, ATableAnotherProcessHoldsExclusivelyDoesNotOpen) {
  CreateDictionary(HungarianEntries());
  storage::testing::TChildProcess holder([&](const storage::testing::TChannel& channel) {
    TVxbDatabase database;
    database.SetName(u"Holder");
    database.SetLocation(U16(FDir.Path().string()));
    TVxbTable table;
    table.SetDatabaseName(u"Holder");
    table.SetTableName(u"Eng_hun");
    table.SetExclusive(true);
    table.Open();
    channel.Send('o');
    channel.Receive();
    return 0;
  });
  ASSERT_EQ(holder.Receive(), 'o');
  MakeComponents(u"HUN");
  try {
    FTable->Open();
    ADD_FAILURE() << "opened";
  } catch (const framework::EDatabaseError& error) {
    EXPECT_EQ(U8(error.Message()).rfind("Opening VexBase table Eng_hun: ", 0), 0u) << U8(error.Message());
  }
  EXPECT_FALSE(FTable->Active());
  EXPECT_EQ(api::VxbSessFindRltnHdl(FDatabase->SessionHdl(), u"Eng_hun"), 0);
  holder.Send('x');
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(TableChangesTest, ATableWithoutANameIsRefusedWithTheComponentName) {
  CreateDictionary({});
  MakeComponents(u"HUN", u"");
  try {
    FTable->Open();
    ADD_FAILURE() << "opened";
  } catch (const framework::EDatabaseError& error) {
    EXPECT_EQ(U8(error.Message()), "No table name defined for \"Table1\".");
  }
}

TEST_F(TableChangesTest, AnUnknownIndexIsNamedAndTheTableStaysClosed) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"NOPE");
  try {
    FTable->Open();
    ADD_FAILURE() << "opened";
  } catch (const framework::EDatabaseError& error) {
    EXPECT_EQ(U8(error.Message()), "The index NOPE does not exist");
  }
  EXPECT_FALSE(FTable->Active());
  FTable->SetIndexName(u"ENG.vxbi");
  FTable->Open();
  EXPECT_EQ(U8(FTable->IndexName()), "ENG");
  EXPECT_EQ(Current().first, Dump("ENG").front().Text("ENG"));
}

TEST_F(TableChangesTest, SwitchingTheIndexKeepsTheCurrentRecord) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  TDataSource source(FTable.get());
  TRowsLink grid(source, 5);
  FTable->Open();
  ASSERT_TRUE(GoTo("nut"));
  FTable->SetIndexName(u"ENG");
  EXPECT_EQ(Current().first, "nut");
  FTable->Next();
  EXPECT_EQ(Current().first, "oath");
  ASSERT_EQ(FTable->IndexDefs().Count(), 2);
  EXPECT_EQ(U8(FTable->IndexDefs()[0].Fields()), "ENG");
  EXPECT_EQ(U8(FTable->IndexDefs()[1].Fields()), "HUN");
}

TEST_F(TableChangesTest, AnAppendedRecordIsStoredAndStoodOn) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  FTable->Open();
  // The description may stay empty.
  EXPECT_FALSE(FTable->FieldByName(u"LEIR").Required());
  FTable->Append();
  FTable->FieldByName(u"ENG").SetAsString(u"kettle");
  FTable->FieldByName(u"HUN").SetAsString(u"üst");
  FTable->Post();
  EXPECT_EQ(Current().first, "kettle");
  EXPECT_EQ(FTable->RecordNo(), static_cast<int32_t>(HungarianEntries().size()) + 1);
  EXPECT_EQ(DumpedEngs("HUN"), Engs());
  EXPECT_EQ(Dump("").back().Text("HUN"), "üst");
}

TEST_F(TableChangesTest, VersionNamesTheEngine) { EXPECT_EQ(U8(TVxbTable::Version()), "6.1.8/8.1.2"); }

}  // namespace
}  // namespace vexilo::dataset::testing
