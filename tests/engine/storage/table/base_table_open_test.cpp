// Opening a stored table: the refusals of a missing table file, of a wrong
// key (an implausible first record) and of a missing memo or blob file, and
// opening with force without that file.
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

class BaseTableOpen : public BaseTableFixture {
 protected:
  void SetUp() override {
    CreateDictionary();
    auto table = Open();
    Append(*table, u"apple", u"alma", u"gyümölcs");
  }

  // Patches the uint16 at `offset` of record 1 of the table file.
  void PatchRecord1(size_t offset, uint16_t value) {
    auto table = Open();
    const int64_t start = static_cast<THeapOffset>(dynamic_cast<TVxbHeapDataFile*>(table->DataFile())
                                                        ->RecordAreaStart());
    table->Close();
    std::vector<uint8_t> bytes = FileBytes("Eng_hun.vxbt");
    bytes[static_cast<size_t>(start) + offset] = static_cast<uint8_t>(value);
    bytes[static_cast<size_t>(start) + offset + 1] = static_cast<uint8_t>(value >> 8);
    std::ofstream out(Dir.File("Eng_hun.vxbt"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  using THeapOffset = int64_t;
};

TEST_F(BaseTableOpen, AMissingTableFileIsError37NamingIt) {
  auto table = MakeTable(u"Nowhere.vxbt");
  EXPECT_EQ(table->Open(false), -37);
  EXPECT_NE(Services.LastErrorMsg().find(u"Nowhere.vxbt"), std::u16string::npos);
  EXPECT_FALSE(table->GetActive());
}

TEST_F(BaseTableOpen, AStringLongerThanItsColumnInRecordOneIsAWrongKey) {
  // ENG starts after the 4-byte record id: its length prefix of 81 units
  // cannot be in a WideString(80).
  PatchRecord1(4, 81);
  EXPECT_EQ(OpenError(), 38);
  EXPECT_EQ(Services.LastErrorMsg(), u"The supplied user credentials are invalid");
}

TEST_F(BaseTableOpen, ALengthAtItsColumnsMaximumIsPlausible) {
  PatchRecord1(4, 80);
  EXPECT_EQ(OpenError(), 0) << Error();
}

TEST_F(BaseTableOpen, AMissingBlobFileRefusesTheTableUnlessForced) {
  std::filesystem::remove(Dir.File("Eng_hun.vxbb"));
  EXPECT_EQ(OpenError(), 111);
  EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun.vxbb"), std::u16string::npos);
  auto table = Open(kNewTableRights, kTableFile, true);
  ASSERT_TRUE(table->GetActive());
  EXPECT_EQ(table->Blob(), nullptr);
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(1, rec.data()), 0);
  std::u16string eng;
  table->GetWideString(rec.data(), kEng, eng);
  EXPECT_EQ(eng, u"apple");
  std::u16string leir;
  EXPECT_EQ(table->ReadBlobDataWide(kLeir, table->GetBlockIdx(rec.data(), kLeir), leir), -111);
}

TEST_F(BaseTableOpen, AMissingMemoFileIsError31) {
  {
    auto table = MakeTable(u"Memo.dat");
    table->SetLevel(5);
    ASSERT_GT(table->AddColumn(Spec(u"Text", 7)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
  }
  EXPECT_TRUE(Exists("Memo.mmo"));
  std::filesystem::remove(Dir.File("Memo.mmo"));
  auto table = MakeTable(u"Memo.dat");
  table->SetRights(kNewTableRights);
  EXPECT_EQ(table->Open(false), -31);
  EXPECT_NE(Services.LastErrorMsg().find(u"Memo.mmo"), std::u16string::npos);
  EXPECT_EQ(table->Open(true), 0);
}

TEST_F(BaseTableOpen, MemoTextOfALevel5TableSurvivesReopening) {
  {
    auto table = MakeTable(u"Memo.dat");
    table->SetLevel(5);
    ASSERT_GT(table->AddColumn(Spec(u"Text", 7)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    std::vector<uint8_t> rec = Buffer(*table);
    table->InitRecord(rec.data(), false);
    TVxbBlobData memo;
    memo.FieldNo = 1;
    memo.AnsiData = "line one\r\nline two";
    ASSERT_EQ(table->AppendRecord(rec.data(), {memo}), 1) << Error();
  }
  auto table = MakeTable(u"Memo.dat");
  table->SetRights(kNewTableRights);
  ASSERT_EQ(table->Open(false), 0) << Error();
  EXPECT_TRUE(table->HasMemo());
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(1, rec.data()), 0);
  std::string text;
  ASSERT_EQ(table->ReadMemoString(1, table->GetBlockIdx(rec.data(), 1), text), 0);
  EXPECT_EQ(text, "line one\r\nline two");
  EXPECT_EQ(table->GetMemoLength(1, table->GetBlockIdx(rec.data(), 1)), 18);
}

}  // namespace
}  // namespace vexilo::storage::testing
