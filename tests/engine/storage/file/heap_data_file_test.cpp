// The heap data file: records in numbered slots after the header, appended,
// read, replaced and dropped from the end; the record count in the header
// and the file's page count following every change; record ids handed out
// and given back; another session's changes seen after Invalidate.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/types/column_type.h"
#include "tests/engine/storage/table_file_fixture.h"

namespace vexilo::storage::testing {
namespace {

using namespace types;

class HeapDataFile : public TableFileFixture {
 protected:
  // A level-6 table of 100-byte records: a RecordId and a WideString of 47.
  void SetUp() override {
    TVxbColumnSpec id;
    id.Name = u"Id";
    id.TypeCode = vxbRecordId;
    id.StartValue = 7;
    AddAccepted(Definition, id, 6, Services);
    TVxbColumnSpec text;
    text.Name = u"Text";
    text.TypeCode = vxbWideString;
    text.Length = 47;
    AddAccepted(Definition, text, 6, Services);
    ASSERT_EQ(Definition.ColumnDefs.GetRecordSize(), 100);
    File = Heap("T.vxbt");
    ASSERT_EQ(File->NewFile(6, Cryptor, Definition), 0);
  }

  std::vector<uint8_t> Record(int32_t id, char fill) const {
    std::vector<uint8_t> record(100, static_cast<uint8_t>(fill));
    std::memcpy(record.data(), &id, 4);
    return record;
  }
  void Append(int32_t id, char fill) {
    std::vector<uint8_t> record = Record(id, fill);
    ASSERT_GT(File->InsertRecord(record.data()), 0);
  }
  char FillOf(int32_t recNo) {
    std::vector<uint8_t> record(100);
    EXPECT_EQ(File->ReadRecord(recNo, record.data()), 0);
    return static_cast<char>(record[50]);
  }
  void Reopen() {
    ASSERT_EQ(File->Flush(), 0);
    File->Close();
    TVxbTableDefinition read;
    ASSERT_EQ(File->Open(false, false, Cryptor, read), 0);
  }

  TVxbTableCryptor Cryptor;
  TVxbTableDefinition Definition;
  std::unique_ptr<TVxbHeapDataFile> File;
};

TEST_F(HeapDataFile, NewTableStartsItsRecordsAt16384WithNoRecords) {
  EXPECT_EQ(File->RecordAreaStart(), 16384);
  EXPECT_EQ(File->GetRecordCount(), 0);
  EXPECT_EQ(File->GetStorageSize(), 16384);
  EXPECT_EQ(File->Storage().GetPageCount(), 4);
  ASSERT_EQ(File->Flush(), 0);
  EXPECT_EQ(FileInt32("T.vxbt", 4525), 11855);
  EXPECT_EQ(FileInt32("T.vxbt", 7), 0);
  EXPECT_EQ(FileInt32("T.vxbt", 15), 7);  // the record id column's start value
}

TEST_F(HeapDataFile, AppendedRecordsReadBackFromTheirSlotsAfterReopening) {
  for (int i = 0; i < 3; ++i) Append(i, static_cast<char>('a' + i));
  EXPECT_EQ(File->GetRecordCount(), 3);
  Reopen();
  EXPECT_EQ(File->GetRecordCount(), 3);
  EXPECT_EQ(FillOf(1), 'a');
  EXPECT_EQ(FillOf(3), 'c');
  EXPECT_EQ(FileInt32("T.vxbt", 7), 3);
  const std::vector<uint8_t> bytes = FileBytes("T.vxbt");
  ASSERT_GE(bytes.size(), 16384u + 300u);
  EXPECT_EQ(bytes[16384 + 200 + 50], 'c');  // record 3 at 16384 + 2 * 100
}

TEST_F(HeapDataFile, ReplacingARecordKeepsTheCallersBufferAndTheOthers) {
  for (int i = 0; i < 3; ++i) Append(i, 'a');
  std::vector<uint8_t> record = Record(9, 'z');
  const std::vector<uint8_t> original = record;
  ASSERT_EQ(File->WriteRecord(2, record.data()), 0);
  EXPECT_EQ(record, original);
  EXPECT_EQ(FillOf(1), 'a');
  EXPECT_EQ(FillOf(2), 'z');
  EXPECT_EQ(FillOf(3), 'a');
}

TEST_F(HeapDataFile, DroppingTheLastSlotShortensTheFileToThePageAfterTheLastRecord) {
  // The page cache keeps files in 8192-byte tiles: the file covers the page
  // after the last record, rounded up to its tile.
  for (int i = 0; i < 90; ++i) Append(i, 'a');
  EXPECT_EQ(File->Storage().GetSize(), 32768);  // 16384 + 9000 bytes
  for (int n = 90; n > 3; --n) ASSERT_EQ(File->DeleteRecord(n), 0);
  EXPECT_EQ(File->GetRecordCount(), 3);
  EXPECT_EQ(File->Storage().GetSize(), 24576);  // 16384 + 300 bytes: pages up to 20480
  ASSERT_EQ(File->DeleteRecord(3), 0);
  ASSERT_EQ(File->DeleteRecord(2), 0);
  ASSERT_EQ(File->DeleteRecord(1), 0);
  EXPECT_EQ(File->Storage().GetSize(), 16384);
  Reopen();
  EXPECT_EQ(File->GetRecordCount(), 0);
  EXPECT_EQ(File->DeleteRecord(1), -19);
}

TEST_F(HeapDataFile, RecordNumbersRunFromOneToTheCount) {
  EXPECT_EQ(File->GetFirstRecordNo(), kNoRecord);
  EXPECT_EQ(File->GetLastRecordNo(), kNoRecord);
  for (int i = 0; i < 3; ++i) Append(i, 'a');
  EXPECT_EQ(File->GetFirstRecordNo(), 1);
  EXPECT_EQ(File->GetLastRecordNo(), 3);
  EXPECT_EQ(File->GetNextRecordNo(2), 3);
  EXPECT_EQ(File->GetNextRecordNo(3), kNoRecord);
  EXPECT_EQ(File->GetPrevRecordNo(2), 1);
  EXPECT_EQ(File->GetPrevRecordNo(1), kNoRecord);
}

TEST_F(HeapDataFile, SlotsOutsideTheTableAreRefused) {
  Append(1, 'a');
  std::vector<uint8_t> record = Record(1, 'b');
  EXPECT_EQ(File->ReadRecord(0, record.data()), -19);
  EXPECT_EQ(File->ReadRecord(2, record.data()), -19);
  EXPECT_EQ(File->WriteRecord(0, record.data()), -3);
  EXPECT_EQ(Services.LastErrorCode(), 3);
  EXPECT_EQ(File->WriteRecord(2, record.data()), -19);
  EXPECT_EQ(File->GetRecordCount(), 1);
}

TEST_F(HeapDataFile, ClearRemovesEveryRecord) {
  for (int i = 0; i < 5; ++i) Append(i, 'a');
  ASSERT_EQ(File->Clear(), 0);
  EXPECT_EQ(File->GetRecordCount(), 0);
  Reopen();
  EXPECT_EQ(File->GetRecordCount(), 0);
}

TEST_F(HeapDataFile, RecordIdsAreHandedOutAndGivenBackOnlyWhenTheyWereTheLast) {
  ASSERT_EQ(File->WriteNextRecordId(7), 0);
  EXPECT_EQ(File->ObtainNewRecordId(), 7);
  EXPECT_EQ(File->ObtainNewRecordId(), 8);
  EXPECT_EQ(File->ReadNextRecordId(), 9);
  ASSERT_EQ(File->RevokeRecordId(8), 0);
  EXPECT_EQ(File->ReadNextRecordId(), 8);
  ASSERT_EQ(File->RevokeRecordId(6), 0);  // not the last one handed out
  EXPECT_EQ(File->ReadNextRecordId(), 8);
  Reopen();
  EXPECT_EQ(File->ReadNextRecordId(), 8);
}

TEST_F(HeapDataFile, RecordIdsStopBeforeTheyOverflow) {
  ASSERT_EQ(File->WriteNextRecordId(INT32_MAX), 0);
  EXPECT_EQ(File->ObtainNewRecordId(), -171);
  EXPECT_EQ(File->ReadNextRecordId(), INT32_MAX);
}

TEST_F(HeapDataFile, UndoForgetsAppendsNotYetWritten) {
  Append(1, 'a');
  ASSERT_EQ(File->Flush(), 0);
  Append(2, 'b');
  ASSERT_EQ(File->Undo(), 0);
  EXPECT_EQ(File->GetRecordCount(), 1);
}

TEST_F(HeapDataFile, InvalidateSeesRecordsAnotherSessionAppended) {
  Append(1, 'a');
  Reopen();  // a created file is held exclusively until it is opened again
  {
    // Another process: its own page cache over the same file.
    index::TVxbPageManager otherManager;
    errors::TVxbServices otherServices;
    TVxbTableCryptor cryptor;
    TVxbTableDefinition read;
    TVxbHeapDataFile other(otherServices, Client("T.vxbt", otherManager));
    ASSERT_EQ(other.Open(false, false, cryptor, read), 0);
    EXPECT_EQ(other.GetRecordCount(), 1);
    std::vector<uint8_t> record = Record(2, 'b');
    ASSERT_EQ(other.InsertRecord(record.data()), 2);
    ASSERT_EQ(other.Flush(), 0);
  }
  EXPECT_EQ(File->GetRecordCount(), 1);
  ASSERT_EQ(File->Invalidate(), 0);
  EXPECT_EQ(File->GetRecordCount(), 2);
  EXPECT_EQ(FillOf(2), 'b');
}

TEST_F(TableFileFixture, CreatingOverAnExistingFileIsError72AndLeavesItAlone) {
  WriteFile("T.vxbt", {1, 2, 3});
  TVxbTableDefinition definition;
  TVxbColumnSpec nr;
  nr.Name = u"Nr";
  nr.TypeCode = vxbInteger;
  AddAccepted(definition, nr, 6, Services);
  TVxbTableCryptor cryptor;
  auto file = Heap("T.vxbt");
  EXPECT_EQ(file->NewFile(6, cryptor, definition), -72);
  EXPECT_EQ(FileBytes("T.vxbt"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(TableFileFixture, CreatingWhatTheLevelCannotHoldLeavesNoFile) {
  struct Case {
    const char* what;
    int16_t level;
    std::u16string collation;
    TVxbEncryptionMethod method;
    std::u16string password;
    int16_t error;
  };
  const std::vector<Case> cases = {
      {"strong encryption below level 4", 3, u"", temBlowfish, u"pw", 117},
      {"classic encryption from level 4", 5, u"", temClassic, u"pw", 117},
      {"a method without a cipher", 6, u"", temRijndael, u"pw", 187},
      {"a password beyond 40 characters", 6, u"", temNone, std::u16string(41, u'p'), 186},
      {"a collation level 2 cannot store", 2, u"German", temNone, u"", 117},
      {"a collation longer than level 4 stores", 4, u"German", temNone, u"", 117},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVxbTableDefinition definition;
    definition.CollationName = c.collation;
    TVxbColumnSpec nr;
    nr.Name = u"Nr";
    nr.TypeCode = vxbSmallInt;
    AddAccepted(definition, nr, c.level, Services);
    TVxbTableCryptor cryptor(c.password, c.method);
    auto file = Heap("T.dat");
    EXPECT_EQ(file->NewFile(c.level, cryptor, definition), -c.error);
    EXPECT_EQ(Services.LastErrorCode(), c.error);
    EXPECT_FALSE(FileSystem.FileExists(fs::u16(Path("T.dat"))));
  }
}

TEST_F(TableFileFixture, TableWithoutColumnsIsNotCreated) {
  TVxbTableDefinition definition;
  TVxbTableCryptor cryptor;
  EXPECT_EQ(Heap("T.vxbt")->NewFile(6, cryptor, definition), -85);
  EXPECT_FALSE(FileSystem.FileExists(fs::u16(Path("T.vxbt"))));
}

TEST_F(TableFileFixture, Level6TableWithAPasswordOpensOnlyWithIt) {
  TVxbTableDefinition definition;
  TVxbColumnSpec nr;
  nr.Name = u"Nr";
  nr.TypeCode = vxbInteger;
  AddAccepted(definition, nr, 6, Services);
  CreateTable("T.vxbt", 6, definition, u"Jelszó");
  EXPECT_EQ(OpenError("T.vxbt", u"Jelszó"), 0);
  EXPECT_EQ(OpenError("T.vxbt", u"jelszó"), 38);
  EXPECT_EQ(OpenError("T.vxbt", u""), 38);
}

TEST_F(TableFileFixture, Level2TableIgnoresThePasswordOfATableWithoutEncryption) {
  TVxbTableDefinition definition;
  TVxbColumnSpec nr;
  nr.Name = u"Nr";
  nr.TypeCode = vxbSmallInt;
  AddAccepted(definition, nr, 2, Services);
  CreateTable("T.dat", 2, definition, u"secret");
  EXPECT_EQ(OpenError("T.dat", u"anything"), 0);
}

}  // namespace
}  // namespace vexilo::storage::testing
