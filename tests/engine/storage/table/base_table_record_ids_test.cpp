// Record ids of a stored table: handing out, giving back, adjusting to
// records that bring their own id, recomputing from the record id index, and
// the refusals of tables without a RecordId column or without the right.
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

class BaseTableRecordIds : public BaseTableFixture {
 protected:
  void SetUp() override { CreateDictionary(); }
};

TEST_F(BaseTableRecordIds, EachPresetRecordGetsTheNextIdAndAGivenBackIdIsReused) {
  auto table = Open();
  std::vector<uint8_t> a = Buffer(*table), b = Buffer(*table);
  ASSERT_EQ(table->InitRecord(a.data(), true), 0);
  ASSERT_EQ(table->InitRecord(b.data(), true), 0);
  EXPECT_EQ(table->GetRecordId(a.data()), 1);
  EXPECT_EQ(table->GetRecordId(b.data()), 2);
  // Only the id handed out last can be given back.
  EXPECT_EQ(table->CancelAutoNum(1), 0);
  EXPECT_EQ(table->ReadNextRecordId(), 3);
  EXPECT_EQ(table->CancelAutoNum(2), 0);
  EXPECT_EQ(table->ReadNextRecordId(), 2);
  ASSERT_EQ(table->SetAutoNum(b.data()), 0);
  EXPECT_EQ(table->GetRecordId(b.data()), 2);
}

TEST_F(BaseTableRecordIds, ARecordWithAHigherIdMovesTheNextIdPastIt) {
  auto table = Open();
  ASSERT_EQ(table->SetNextRecordId(50), 0);
  std::vector<uint8_t> rec = Buffer(*table);
  table->SetRecordId(rec.data(), 100);
  ASSERT_EQ(table->AdjustRecordId(rec.data()), 0);
  EXPECT_EQ(table->ReadNextRecordId(), 101);
  table->SetRecordId(rec.data(), 7);
  ASSERT_EQ(table->AdjustRecordId(rec.data()), 0);
  EXPECT_EQ(table->ReadNextRecordId(), 101);
}

TEST_F(BaseTableRecordIds, RecomputingTakesTheHighestIdInTheTable) {
  auto table = Open();
  std::vector<uint8_t> rec = Buffer(*table);
  for (int32_t id : {5, 42, 17}) {
    ASSERT_EQ(table->InitRecord(rec.data(), false), 0);
    table->SetRecordId(rec.data(), id);
    table->SetWideString(rec.data(), kEng, u"w");
    ASSERT_GT(table->AppendRecord(rec.data(), {}), 0) << Error() << " id " << id;
  }
  ASSERT_EQ(table->RecalcAutoInc(), 0) << Error();
  EXPECT_EQ(table->ReadNextRecordId(), 43);
  EXPECT_EQ(table->FindRecordId(17), 3);
  EXPECT_EQ(table->ClearDat(), 3);
  ASSERT_EQ(table->RecalcAutoInc(), 0);
  EXPECT_EQ(table->ReadNextRecordId(), 1);
}

TEST_F(BaseTableRecordIds, TheRecordIdIndexIsUniqueAndRebuiltWhenItsFileIsMissing) {
  {
    auto table = Open();
    Append(*table, u"a", u"b");
    Append(*table, u"c", u"d");
  }
  std::filesystem::remove(Dir.File("Eng_hun!sys_Id.vxbi"));
  auto table = Open();
  EXPECT_TRUE(Exists("Eng_hun!sys_Id.vxbi"));
  ExpectIndexesMatchRecords(*table);
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(1, rec.data()), 0);
  EXPECT_EQ(table->AppendRecord(rec.data(), {}), -30);
}

TEST_F(BaseTableRecordIds, IdsAreRefusedWithoutAColumnOrWithoutTheAppendRight) {
  struct Case {
    const char* name;
    bool withRecordId;
    uint16_t rights;
    int16_t error;
  };
  const Case cases[] = {
      {"no RecordId column", false, kNewTableRights, -64},
      {"no append right", true, kRightExclusive | kRightEdit, -160},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string file = c.withRecordId ? u"WithId.vxbt" : u"WithoutId.vxbt";
    {
      auto table = MakeTable(file);
      if (c.withRecordId) {
        ASSERT_GT(table->AddColumn(Spec(u"Id", 9)), 0);
      }
      ASSERT_GT(table->AddColumn(Spec(u"Name", 18, 10)), 0);
      ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    }
    auto table = MakeTable(file);
    table->SetRights(c.rights);
    ASSERT_EQ(table->Open(false), 0) << Error();
    std::vector<uint8_t> rec = Buffer(*table);
    EXPECT_EQ(table->SetAutoNum(rec.data()), c.error);
    EXPECT_EQ(Services.LastErrorCode(), -c.error);
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
