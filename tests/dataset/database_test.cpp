// The database component on real database directories: connecting and its
// name rules, automatic components, settings while connected, the table
// list, transactions, keys, the tables opened with the connection and the
// maintenance operations.
#include <gtest/gtest.h>

#include <filesystem>

#include "dataset/database_list.h"
#include "dataset/vexbase_error.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "tests/dataset/dataset_fixture.h"

namespace vexilo::dataset::testing {
namespace {

class DatabaseTest : public DatasetFixture {
 protected:
  std::u16string Location() const { return U16(FDir.Path().string()); }

  std::unique_ptr<TVxbDatabase> NewDatabase(const std::u16string& name, const void* owner = nullptr) {
    auto database = std::make_unique<TVxbDatabase>(owner);
    database->SetName(name);
    database->SetLocation(Location());
    return database;
  }

  // The message of the database error `action` raises; empty when none.
  template <class TAction>
  static std::string ErrorOf(TAction&& action) {
    try {
      action();
    } catch (const framework::EDatabaseError& error) {
      return U8(error.Message());
    }
    return {};
  }
};

TEST_F(DatabaseTest, ConnectingOpensASessionAndDisconnectingClosesItsDatasets) {
  CreateDictionary(HungarianEntries());
  MakeComponents();
  EXPECT_FALSE(FDatabase->Connected());
  FTable->Open();  // connects the database first
  ASSERT_TRUE(FDatabase->Connected());
  EXPECT_GT(FDatabase->SessionHdl(), 0);
  EXPECT_EQ(FDatabase->DataSetCount(), 1);
  FDatabase->SetConnected(false);
  EXPECT_FALSE(FTable->Active());
  EXPECT_EQ(FDatabase->SessionHdl(), 0);
  EXPECT_EQ(FDatabase->DataSetCount(), 0);
}

TEST_F(DatabaseTest, NamesMustBeUniqueWhereADatasetLooksThemUpAndWhileConnected) {
  CreateDictionary(HungarianEntries());
  auto first = NewDatabase(u"First");
  auto second = NewDatabase(u"Second");
  first->SetDatabaseName(u"Dict");
  second->SetDatabaseName(u"DICT");
  TVxbTable table;
  table.SetDatabaseName(u"dict");
  table.SetTableName(u"Eng_hun");
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), "Database name \"dict\" is not unique");

  // Case-sensitive on connect: "Dict" and "DICT" may both be connected.
  first->SetConnected(true);
  second->SetConnected(true);
  second->SetConnected(false);
  second->SetDatabaseName(u"Dict");
  EXPECT_EQ(ErrorOf([&] { second->SetConnected(true); }), "Duplicate database name: \"Second\"");
  EXPECT_FALSE(second->Connected());
  first->SetConnected(false);
  second->SetConnected(true);
  EXPECT_TRUE(second->Connected());
}

TEST_F(DatabaseTest, ADatasetNamingADirectoryGetsAnAutomaticComponentThatGoesWithIt) {
  CreateDictionary(HungarianEntries());
  TVxbTable table;
  table.SetDatabaseName(Location() + u"/");
  table.SetTableName(u"Eng_hun");
  table.Open();
  TVxbDatabase* automatic = TVxbDatabaseList::Instance().FindByName(Location());
  ASSERT_NE(automatic, nullptr);
  EXPECT_TRUE(automatic->Automatic());
  EXPECT_TRUE(automatic->Connected());
  EXPECT_EQ(table.Database(), automatic);
  table.Close();
  EXPECT_EQ(TVxbDatabaseList::Instance().FindByName(Location()), nullptr);
}

TEST_F(DatabaseTest, ConnectingTellsWhatWasOpenedAndKeepsTheStationNameShort) {
  CreateDictionary(HungarianEntries());
  MakeComponents();
  FDatabase->SetDatabaseType(TVxbDatabaseType::dbtSingleFile);
  FDatabase->SetConnectionName(std::u16string(60, u'x'));
  FTable->Open();
  EXPECT_EQ(FDatabase->DatabaseType(), TVxbDatabaseType::dbtDirectory);
  EXPECT_EQ(FDatabase->ManagementLevel(), TVxbManagementLevel::tmlUnmanaged);
  EXPECT_EQ(FDatabase->ServerTimeout(), 20000);
  api::TVxbTableUsage usage;
  ASSERT_EQ(api::VxbTableGetUsage(FTable->TableHdl(), &usage), 0);
  ASSERT_GE(usage.UserCount, 1);
  bool found = false;
  for (const api::TVxbTableUserInfo& user : usage.UserInfo) {
    if (user.InUse != 0 && user.StationNo == FDatabase->ConnectionId()) {
      EXPECT_EQ(std::u16string(user.StationName), std::u16string(40, u'x'));
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(DatabaseTest, ADatasetWhoseComponentWentAwayLooksForItAgain) {
  CreateDictionary(HungarianEntries());
  MakeComponents();
  FTable->Open();
  FDatabase.reset();  // closes the table
  EXPECT_FALSE(FTable->Active());
  EXPECT_EQ(FTable->Database(), nullptr);
  FDatabase = NewDatabase(u"VxbDatabase1");
  FTable->Open();
  EXPECT_EQ(FTable->Database(), FDatabase.get());
}

TEST_F(DatabaseTest, SettingsThatNeedADisconnectedDatabase) {
  CreateDictionary({});
  auto database = NewDatabase(u"Db");
  database->SetConnected(true);
  EXPECT_EQ(ErrorOf([&] { database->SetLocation(u"/elsewhere"); }), "Cannot change location while database is open");
  EXPECT_EQ(ErrorOf([&] { database->SetPrivateDir(u"/tmp"); }),
            "Cannot change private directory while database is open");
  EXPECT_EQ(ErrorOf([&] { database->SetDatabaseName(u"Other"); }), "Cannot change the database name when connected");
  EXPECT_TRUE(database->Connected());
  EXPECT_EQ(database->Location(), Location());

  database->SetExclusive(false);  // unchanged: stays connected
  EXPECT_TRUE(database->Connected());
  database->SetReadOnly(false);  // disconnects even when unchanged
  EXPECT_FALSE(database->Connected());
}

TEST_F(DatabaseTest, AMissingDatabaseIsReportedAndLeavesNoSession) {
  auto database = NewDatabase(u"Db");
  database->SetLocation(Location() + u"/missing");
  const std::string message = ErrorOf([&] { database->SetConnected(true); });
  EXPECT_EQ(message.rfind("Opening database \"" + U8(Location()) + "/missing\": ", 0), 0u) << message;
  EXPECT_FALSE(database->Connected());
  EXPECT_EQ(database->SessionHdl(), 0);
  EXPECT_FALSE(database->ReadOnly());
  EXPECT_FALSE(std::filesystem::exists(FDir.Path() / "missing"));
}

TEST_F(DatabaseTest, TheTableListConnectsForTheCallAndLeavesSystemTablesOut) {
  CreateDictionary({});
  CreateDictionary({}, "Second");
  auto database = NewDatabase(u"Db");
  std::vector<std::u16string> names;
  database->GetTableNames(names, false);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Eng_hun", u"Second"}));
  EXPECT_FALSE(database->Connected());
  database->GetTableNames(names, true);
  EXPECT_TRUE(names.empty());
}

TEST_F(DatabaseTest, TransactionsNeedAConnectionAndRollBack) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"");
  EXPECT_FALSE(FDatabase->InTransaction());
  EXPECT_EQ(ErrorOf([&] { FDatabase->StartTransaction(); }),
            "Cannot perform this action on a disconnected database");
  FTable->Open();
  FDatabase->StartTransaction();
  EXPECT_TRUE(FDatabase->InTransaction());
  EXPECT_EQ(ErrorOf([&] { FDatabase->StartTransaction(); }).rfind("Starting transaction: ", 0), 0u);
  FTable->Delete();
  FDatabase->Rollback();
  EXPECT_FALSE(FDatabase->InTransaction());
  FTable->Refresh();
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(HungarianEntries().size()));
}

TEST_F(DatabaseTest, AKeyIsAskedForAndTheOpenTriedAgain) {
  Tool({"create", Table("Secret"), "--level", "6", "--password", "open sesame", "ENG:WideString:20"});
  MakeComponents(u"", u"Secret");
  std::vector<std::u16string> asked;
  FDatabase->OnPassword = [&](TVxbDatabase&, std::u16string_view tableName, std::u16string& key, bool& retry) {
    asked.emplace_back(tableName);
    key = asked.size() == 1 ? u"wrong" : u"open sesame";
    retry = asked.size() <= 2;
  };
  FTable->Open();
  EXPECT_TRUE(FTable->Active());
  ASSERT_GE(asked.size(), 2u);
  EXPECT_EQ(asked.front(), u"Secret");

  FTable->Close();
  FDatabase->SetConnected(false);
  FDatabase->OnPassword = nullptr;
  const std::string message = ErrorOf([&] { FTable->Open(); });
  EXPECT_EQ(message.rfind("Opening VexBase table Secret: Opening table \"Secret\": ", 0), 0u) << message;
  EXPECT_FALSE(FTable->Active());
}

TEST_F(DatabaseTest, TablesOfTheDefinitionsOpenWithTheConnection) {
  CreateDictionary({});
  auto database = NewDatabase(u"Db");
  database->TableDefs().AddTableDef(u"Eng_hun").SetUseEditLocks(false);
  EXPECT_NE(database->TableDefs().Find(u"ENG_HUN"), nullptr);
  EXPECT_EQ(database->TableDefs().IndexOf(u"none"), -1);
  database->SetConnected(true);
  EXPECT_GT(api::VxbSessFindRltnHdl(database->SessionHdl(), u"Eng_hun"), 0);

  database->SetConnected(false);
  database->TableDefs().AddTableDef(u"Missing");
  EXPECT_EQ(ErrorOf([&] { database->SetConnected(true); }).rfind("Opening table \"Missing\": ", 0), 0u);
}

TEST_F(DatabaseTest, AutomaticNamesAreNumberedAndGivenToTheOwnersDatasets) {
  int owner = 0;
  auto database = NewDatabase(u"Db", &owner);
  TVxbTable table(&owner);
  table.SetDatabaseName(u"Db");
  database->SetAutoDatabaseName(true);
  const std::string name = U8(database->DatabaseName());
  EXPECT_EQ(name.rfind("Db_", 0), 0u) << name;
  EXPECT_EQ(table.DatabaseName(), database->DatabaseName());
  auto sibling = NewDatabase(u"Db2", &owner);
  EXPECT_EQ(ErrorOf([&] { sibling->SetAutoDatabaseName(true); }),
            "Cannot enable AutoSessionName property with more than one session on a form or data-module");
}

TEST_F(DatabaseTest, CheckingBackingUpCreatingAndDeletingDatabases) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  FTable->Open();
  FDatabase->Compress();  // a directory database: nothing to do

  TVxbTable report;
  report.SetDatabaseName(u"VxbDatabase1");
  std::vector<int> progress;
  FTable->OnProgress = [&](TVxbDataSet&, int percent, bool&) { progress.push_back(percent); };
  FDatabase->Check(FTable.get(), report);
  ASSERT_TRUE(report.Active());
  EXPECT_NE(report.FindField(u"Description"), nullptr);
  EXPECT_TRUE(report.IsEmpty());  // nothing damaged
  EXPECT_FALSE(progress.empty());
  report.Close();

  const std::string backup = FDir.File("backup");
  FDatabase->Backup(U16(backup), TVxbDatabaseType::dbtDirectory);
  const std::string original = Tool({"dump", Table()});
  EXPECT_EQ(Tool({"dump", backup + "/Eng_hun"}), original);

  auto created = NewDatabase(u"Created");
  created->SetLocation(U16(FDir.File("made/here")));
  created->CreateDatabase();
  EXPECT_TRUE(std::filesystem::is_directory(FDir.File("made/here")));
  created->SetConnected(true);
  EXPECT_EQ(ErrorOf([&] { created->DeleteDatabase(); }), "Cannot change the database name when connected");
  created->SetConnected(false);
  created->DeleteDatabase();
  EXPECT_FALSE(std::filesystem::exists(FDir.File("made/here")));
}

}  // namespace
}  // namespace vexilo::dataset::testing
