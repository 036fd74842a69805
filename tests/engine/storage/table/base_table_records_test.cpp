// Records of a stored table: creating and reopening the dictionary table,
// appending, replacing and deleting records with their index entries and
// memo values, the dense record numbers of a heap table, uniqueness, and the
// change notices sent to accessors.
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

class BaseTableRecords : public BaseTableFixture {
 protected:
  void SetUp() override { CreateDictionary(); }

  // A table holding the rows "e1"/"h1" .. "eN"/"hN" with descriptions.
  std::unique_ptr<TVxbBaseTable> Filled(int n) {
    auto table = Open();
    for (int i = 1; i <= n; ++i) {
      const std::u16string s = fs::u16(std::to_string(i));
      EXPECT_EQ(Append(*table, u"e" + s, u"h" + s, u"leírás ő " + s), i) << Error();
    }
    return table;
  }
};

TEST_F(BaseTableRecords, ACreatedTableReopensWithItsColumnsIndexesAndRecords) {
  EXPECT_TRUE(Exists("Eng_hun.vxbt"));
  EXPECT_TRUE(Exists("Eng_hun.vxbb"));
  EXPECT_TRUE(Exists("Eng_hun!ENG.vxbi"));
  EXPECT_TRUE(Exists("Eng_hun!HUN.vxbi"));
  {
    auto table = Filled(3);
    EXPECT_EQ(table->GetRecordCount(), 3);
  }
  auto table = Open();
  ASSERT_EQ(table->ColumnCount(), 4);
  EXPECT_EQ(table->GetLevel(), 6);
  EXPECT_TRUE(table->HasRecordId());
  EXPECT_TRUE(table->HasBlob());
  EXPECT_FALSE(table->HasMemo());
  EXPECT_GE(IndexNo(*table, u"ENG"), 0);
  EXPECT_GE(IndexNo(*table, u"HUN"), 0);
  EXPECT_GE(IndexNo(*table, u"sys_Id"), 0);
  EXPECT_TRUE(table->GetIndexFile(IndexNo(*table, u"ENG"))->IsBPlusTree());
  EXPECT_EQ(ReadAll(*table), (std::vector<Row>{{1, u"e1", u"h1", u"leírás ő 1"},
                                               {2, u"e2", u"h2", u"leírás ő 2"},
                                               {3, u"e3", u"h3", u"leírás ő 3"}}));
  ExpectIndexesMatchRecords(*table);
  std::vector<std::u16string> files;
  table->GetFileNames(files);
  ASSERT_EQ(files.size(), 5u);
  EXPECT_EQ(files.front(), u"Eng_hun.vxbt");
  EXPECT_EQ(files.back(), u"Eng_hun.vxbb");
}

TEST_F(BaseTableRecords, AppendedRecordsAreInEveryIndexUnderTheirNumbers) {
  auto table = Open();
  const std::vector<std::pair<std::u16string, std::u16string>> words = {
      {u"zebra", u"zebra"}, {u"apple", u"alma"}, {u"cherry", u"cseresznye"}, {u"apple", u"almafa"}, {u"", u"üres"}};
  for (const auto& [eng, hun] : words) ASSERT_GT(Append(*table, eng, hun), 0) << Error();
  EXPECT_EQ(table->GetRecordCount(), 5);
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableRecords, ReplacingARecordMovesOnlyTheEntriesWhoseKeysChanged) {
  auto table = Filled(4);
  RecordingListener listener;
  table->AddAccessor(&listener);
  std::vector<uint8_t> orig = Buffer(*table), rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(2, orig.data()), 0);
  rec = orig;
  table->SetWideString(rec.data(), kHun, u"új");
  TVxbBlobDataList blobs{WideValue(kLeir, u"más leírás")};
  ASSERT_EQ(table->ReplaceRecord(rec.data(), orig.data(), blobs, 2), 0) << Error();
  EXPECT_EQ(Read(*table, 2), (Row{2, u"e2", u"új", u"más leírás"}));
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"updated 2"});
  ExpectIndexesMatchRecords(*table);
  table->RemoveAccessor(&listener);
}

TEST_F(BaseTableRecords, ReplacingAValueFreesTheOldChainForTheNextValue) {
  auto table = Filled(1);
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(1, rec.data()), 0);
  const int32_t oldBlock = table->GetBlockIdx(rec.data(), kLeir);
  std::vector<uint8_t> orig = rec;
  TVxbBlobDataList blobs{WideValue(kLeir, u"second")};
  ASSERT_EQ(table->ReplaceRecord(rec.data(), orig.data(), blobs, 1), 0) << Error();
  EXPECT_NE(table->GetBlockIdx(rec.data(), kLeir), oldBlock);
  // The block the first value had is at the head of the free list now.
  EXPECT_EQ(table->Blob()->GetNextBlock(), oldBlock);
}

TEST_F(BaseTableRecords, DeletingARecordMovesTheLastOneIntoItsNumber) {
  auto table = Filled(5);
  RecordingListener listener;
  table->AddAccessor(&listener);
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(2, rec.data()), 0);
  ASSERT_EQ(table->DeleteRecord(rec.data(), 2), 0) << Error();
  EXPECT_EQ(table->GetRecordCount(), 4);
  EXPECT_EQ(Read(*table, 2), (Row{5, u"e5", u"h5", u"leírás ő 5"}));
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"deleted 2 from 5"});
  EXPECT_EQ(table->FindRecordId(5), 2);
  EXPECT_EQ(table->FindRecordId(2), kNoRecord);
  ExpectIndexesMatchRecords(*table);
  table->RemoveAccessor(&listener);
}

TEST_F(BaseTableRecords, DeletingTheLastRecordMovesNothing) {
  auto table = Filled(3);
  RecordingListener listener;
  table->AddAccessor(&listener);
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->DeleteRecord(rec.data(), 3), 0) << Error();
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"deleted 3 from 0"});
  EXPECT_EQ(ReadAll(*table), (std::vector<Row>{{1, u"e1", u"h1", u"leírás ő 1"}, {2, u"e2", u"h2", u"leírás ő 2"}}));
  ExpectIndexesMatchRecords(*table);
  table->RemoveAccessor(&listener);
}

TEST_F(BaseTableRecords, DeletingEveryRecordInTurnKeepsTheIndexesExact) {
  auto table = Filled(6);
  std::vector<uint8_t> rec = Buffer(*table);
  for (int32_t recNo : {1, 3, 1, 2, 1, 1}) {
    ASSERT_EQ(table->DeleteRecord(rec.data(), recNo), 0) << Error();
    ExpectIndexesMatchRecords(*table);
  }
  EXPECT_EQ(table->GetRecordCount(), 0);
  // Every value went back to the free list: the next one reuses a block.
  const int32_t lastBlock = table->Blob()->GetLastBlock();
  EXPECT_GT(Append(*table, u"x", u"y", u"z"), 0);
  EXPECT_EQ(table->Blob()->GetLastBlock(), lastBlock);
}

TEST_F(BaseTableRecords, ARecordNumberOutsideTheTableCannotBeDeleted) {
  auto table = Filled(2);
  std::vector<uint8_t> rec = Buffer(*table);
  for (int32_t recNo : {0, 3, -1}) {
    EXPECT_EQ(table->DeleteRecord(rec.data(), recNo), -19) << recNo;
    EXPECT_EQ(Services.LastErrorCode(), 19);
  }
  EXPECT_EQ(table->GetRecordCount(), 2);
}

TEST_F(BaseTableRecords, ADuplicateKeyInAUniqueIndexIsRefusedAndChangesNothing) {
  auto table = Filled(3);
  ASSERT_GE(table->NewIndex(u"HUNU", u"HUN", true), 0) << Error();
  ASSERT_EQ(table->Flush(false), 0);
  const std::vector<uint8_t> before = FileBytes("Eng_hun.vxbt");
  const int32_t lastBlock = table->Blob()->GetLastBlock();
  EXPECT_EQ(Append(*table, u"other", u"h2", u"a description"), -30);
  EXPECT_EQ(Services.LastErrorCode(), 30);
  EXPECT_NE(Services.LastErrorMsg().find(u"HUN"), std::u16string::npos);
  EXPECT_EQ(table->GetRecordCount(), 3);
  EXPECT_EQ(table->Blob()->GetLastBlock(), lastBlock);
  ExpectIndexesMatchRecords(*table);
  table->Flush(false);
  const std::vector<uint8_t> after = FileBytes("Eng_hun.vxbt");
  // Only the next record id moved on (InitRecord handed one out).
  EXPECT_EQ(before.size(), after.size());

  // Replacing record 2 by itself is no conflict; taking record 3's key is.
  std::vector<uint8_t> rec = Buffer(*table), orig = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(2, orig.data()), 0);
  rec = orig;
  EXPECT_EQ(table->ReplaceRecord(rec.data(), orig.data(), {}, 2), 0) << Error();
  table->SetWideString(rec.data(), kHun, u"h3");
  EXPECT_EQ(table->ReplaceRecord(rec.data(), orig.data(), {}, 2), -30);
  EXPECT_EQ(Read(*table, 2).Hun, u"h2");
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableRecords, ATableWithoutTheEditRightRefusesReplacing) {
  { auto filled = Filled(1); }
  auto table = Open(kRightExclusive | kRightAppend | kRightDelete);
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(1, rec.data()), 0);
  EXPECT_EQ(table->ReplaceRecord(rec.data(), rec.data(), {}, 1), -160);
  EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun.vxbt"), std::u16string::npos);
}

TEST_F(BaseTableRecords, NoticesAreHeldBackWhileDisabledAndSummedUpOnce) {
  auto table = Open();
  RecordingListener listener;
  table->AddAccessor(&listener);
  Append(*table, u"a", u"b");
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"changed"});
  listener.Notices.clear();
  table->EnableNotifications(false);
  table->EnableNotifications(false);
  Append(*table, u"c", u"d");
  std::vector<uint8_t> rec = Buffer(*table);
  table->DeleteRecord(rec.data(), 1);
  table->EnableNotifications(true);
  EXPECT_TRUE(listener.Notices.empty());
  table->EnableNotifications(true);
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"changed"});
  // An unmatched enable changes nothing.
  table->EnableNotifications(true);
  EXPECT_EQ(listener.Notices.size(), 1u);
  table->RemoveAccessor(&listener);
}

TEST_F(BaseTableRecords, EmptyingTheTableRestartsRecordIdsAndEmptiesEveryFile) {
  auto table = Filled(4);
  RecordingListener listener;
  table->AddAccessor(&listener);
  EXPECT_EQ(table->ClearDat(), 4);
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"structure"});
  EXPECT_EQ(table->GetRecordCount(), 0);
  EXPECT_EQ(table->ReadNextRecordId(), 1);
  EXPECT_EQ(table->Blob()->GetLastBlock(), 0);
  ExpectIndexesMatchRecords(*table);
  EXPECT_EQ(Append(*table, u"new", u"új", u"x"), 1);
  EXPECT_EQ(Read(*table, 1).Id, 1);
  table->RemoveAccessor(&listener);
}

TEST_F(BaseTableRecords, TemporaryIndexesGoWithTheirFilesWhenTheTableCloses) {
  auto table = Filled(3);
  RecordingListener listener;
  table->AddAccessor(&listener);
  const int place = table->NewIndex(u"tmp001", u"-HUN");
  ASSERT_GE(place, 0) << Error();
  EXPECT_TRUE(Exists("Eng_hun!tmp001.vxbi"));
  ExpectIndexesMatchRecords(*table);
  table->CloseFiles();
  EXPECT_FALSE(Exists("Eng_hun!tmp001.vxbi"));
  EXPECT_EQ(listener.Notices, std::vector<std::string>{"index removed " + std::to_string(place)});
  table->RemoveAccessor(&listener);
  table = Open();
  EXPECT_LT(IndexNo(*table, u"tmp001"), 0);
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableRecords, InitialisedRecordsGetTheFirstDayInDatesThatCannotBeNull) {
  auto table = MakeTable(u"Dates.vxbt");
  ASSERT_GT(table->AddColumn(Spec(u"D", 6)), 0) << Error();
  ASSERT_GT(table->AddColumn(Spec(u"DN", 6, 0, true)), 0) << Error();
  ASSERT_GT(table->AddColumn(Spec(u"TS", 17)), 0) << Error();
  ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->InitRecord(rec.data(), true), 0);
  int32_t date = 0;
  EXPECT_TRUE(table->GetDate(rec.data(), 1, date));
  EXPECT_EQ(date, 545);
  EXPECT_FALSE(table->GetDate(rec.data(), 2, date));
  types::TVxbTimeStamp stamp;
  EXPECT_TRUE(table->GetTimeStamp(rec.data(), 3, stamp));
  EXPECT_EQ(stamp, (types::TVxbTimeStamp{545, 0}));
}

}  // namespace
}  // namespace vexilo::storage::testing
