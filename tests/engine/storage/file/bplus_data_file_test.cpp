// The B+ data file: records as items of a B+ tree in the table file itself,
// numbered by their record ids; page 0's fields; records read, replaced,
// inserted and deleted anywhere; walking by id; many records over split
// pages; index names and record ids in the header; another session's
// changes; damaged files refused or reported, never followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/storage/file/bplus_data_file.h"
#include "engine/types/column_type.h"
#include "fuzz/bplus_table_entry.h"
#include "tests/engine/storage/table_file_fixture.h"
#include "tests/support/fuzz_corpus.h"

namespace vexilo::storage::testing {
namespace {

using namespace types;

constexpr int32_t kRecordSize = 100;

// A level-6 table of 100-byte records: "_XXX" (RecordId, starting at 5) and
// a WideString of 47 characters.
void DefineTable(TVxbTableDefinition& definition, errors::TVxbServices& services) {
  TVxbColumnSpec id;
  id.Name = u"_XXX";
  id.TypeCode = vxbRecordId;
  id.StartValue = 5;
  AddAccepted(definition, id, 6, services);
  TVxbColumnSpec text;
  text.Name = u"Text";
  text.TypeCode = vxbWideString;
  text.Length = 47;
  AddAccepted(definition, text, 6, services);
}

class BPlusDataFile : public TableFileFixture {
 protected:
  void SetUp() override {
    DefineTable(Definition, Services);
    ASSERT_EQ(Definition.ColumnDefs.GetRecordSize(), kRecordSize);
    File = NewBPlus("B.vxbt");
    ASSERT_EQ(File->NewFile(6, Cryptor, Definition), 0) << fs::u8(Services.LastErrorMsg());
  }

  std::unique_ptr<TVxbBPlusDataFile> NewBPlus(const std::string& name) {
    return std::make_unique<TVxbBPlusDataFile>(Services, Client(name, Manager));
  }
  static std::vector<uint8_t> Record(int32_t id, char fill) {
    std::vector<uint8_t> record(kRecordSize, static_cast<uint8_t>(fill));
    std::memcpy(record.data(), &id, 4);
    return record;
  }
  void Insert(int32_t id, char fill) {
    std::vector<uint8_t> record = Record(id, fill);
    ASSERT_EQ(File->InsertRecord(record.data()), id) << fs::u8(Services.LastErrorMsg());
  }
  // The fill byte of record `id`; 0 when it cannot be read.
  char FillOf(int32_t id) {
    std::vector<uint8_t> record(kRecordSize);
    if (File->ReadRecord(id, record.data()) != 0) return 0;
    int32_t stored = 0;
    std::memcpy(&stored, record.data(), 4);
    EXPECT_EQ(stored, id);
    return static_cast<char>(record[50]);
  }
  // The ids from first to last, and from last to first reversed.
  std::vector<int32_t> Walk() {
    std::vector<int32_t> forward;
    for (int32_t id = File->GetFirstRecordNo(); id > 0; id = File->GetNextRecordNo(id)) forward.push_back(id);
    std::vector<int32_t> backward;
    for (int32_t id = File->GetLastRecordNo(); id > 0; id = File->GetPrevRecordNo(id)) backward.push_back(id);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward);
    return forward;
  }
  void Reopen() {
    ASSERT_EQ(File->Flush(), 0);
    File->Close();
    TVxbTableDefinition read;
    ASSERT_EQ(File->Open(false, false, Cryptor, read), 0);
  }

  TVxbTableCryptor Cryptor;
  TVxbTableDefinition Definition;
  std::unique_ptr<TVxbBPlusDataFile> File;
};

TEST_F(BPlusDataFile, NewFileLaysOutPageZeroAndStartsTheTreeAfterTheHeader) {
  ASSERT_EQ(File->Flush(), 0);
  EXPECT_EQ(FileInt32("B.vxbt", 0), 20012002);
  EXPECT_EQ(FileInt32("B.vxbt", 4) & 0xFFFF, 6);
  EXPECT_EQ(FileInt32("B.vxbt", 6), 5);  // the record id column's start value
  EXPECT_EQ(FileBytes("B.vxbt")[10], temNone);
  const int32_t blockLength = FileInt32("B.vxbt", 4535);
  EXPECT_EQ((4539 + blockLength) % 8192, 0);
  const int32_t firstTreePage = (4539 + blockLength) / 4096;
  EXPECT_EQ(File->Tree()->GetFirstTreePage(), firstTreePage);
  EXPECT_EQ(FileInt32("B.vxbt", 11), firstTreePage);  // the tree's page count
  EXPECT_EQ(FileInt32("B.vxbt", 11 + 14), 4096);      // the tree's page size
  EXPECT_EQ(File->IndexNamesOffset(), 33);
  EXPECT_EQ(File->GetRecordCount(), 0);
  EXPECT_EQ(File->GetStorageSize(), int64_t{firstTreePage} * 4096);
  EXPECT_TRUE(File->GetCanDelete());
  EXPECT_EQ(File->RecordIdPosition(), 0);

  Insert(7, 'a');
  ASSERT_EQ(File->Flush(), 0);
  EXPECT_EQ(File->Tree()->GetRootPage(), firstTreePage);
  TVxbTableDefinition read;
  EXPECT_EQ(OpenError("B.vxbt", {}, &read), 0);
  ASSERT_EQ(read.ColumnDefs.Count(), 2);
  EXPECT_EQ(read.ColumnDefs.GetColumnDef(1)->Name(), u"_XXX");
  EXPECT_EQ(read.ColumnDefs.GetColumnDef(2)->Name(), u"Text");
}

TEST_F(BPlusDataFile, RecordsAreNumberedAndWalkedByTheirIds) {
  EXPECT_EQ(File->GetFirstRecordNo(), kNoRecord);
  EXPECT_EQ(File->GetLastRecordNo(), kNoRecord);
  EXPECT_EQ(File->GetNextRecordNo(1), kNoRecord);
  EXPECT_EQ(File->GetPrevRecordNo(100), kNoRecord);
  Insert(12, 'c');
  Insert(5, 'a');
  Insert(9, 'b');
  EXPECT_EQ(File->GetRecordCount(), 3);
  EXPECT_EQ(File->GetFirstRecordNo(), 5);
  EXPECT_EQ(File->GetNextRecordNo(5), 9);
  EXPECT_EQ(File->GetLastRecordNo(), 12);
  EXPECT_EQ(File->GetPrevRecordNo(12), 9);
  EXPECT_EQ(File->GetPrevRecordNo(5), kNoRecord);
  EXPECT_EQ(File->GetNextRecordNo(12), kNoRecord);
  // Ids that are not stored still lead to their neighbours.
  EXPECT_EQ(File->GetNextRecordNo(6), 9);
  EXPECT_EQ(File->GetPrevRecordNo(11), 9);
  EXPECT_EQ(File->GetPrevRecordNo(1000), 12);
  EXPECT_EQ(File->GetNextRecordNo(-5), 5);
  EXPECT_EQ(File->GetNextRecordNo(INT32_MAX), kNoRecord);
  EXPECT_EQ(FillOf(5), 'a');
  EXPECT_EQ(FillOf(9), 'b');
  EXPECT_EQ(FillOf(12), 'c');
  EXPECT_EQ(FillOf(10), 0);
  std::vector<uint8_t> record(kRecordSize);
  EXPECT_EQ(File->ReadRecord(10, record.data()), -19);

  Reopen();
  EXPECT_EQ(File->GetRecordCount(), 3);
  EXPECT_EQ(Walk(), (std::vector<int32_t>{5, 9, 12}));
  EXPECT_EQ(FillOf(9), 'b');
}

TEST_F(BPlusDataFile, AnyRecordCanBeDeletedDirectly) {
  for (int32_t id = 1; id <= 10; ++id) Insert(id, static_cast<char>('a' + id));
  ASSERT_EQ(File->DeleteRecord(4), 0);
  ASSERT_EQ(File->DeleteRecord(7), 0);
  ASSERT_EQ(File->DeleteRecord(1), 0);
  EXPECT_EQ(File->DeleteRecord(4), -19);
  EXPECT_EQ(File->GetRecordCount(), 7);
  EXPECT_EQ(Walk(), (std::vector<int32_t>{2, 3, 5, 6, 8, 9, 10}));
  EXPECT_EQ(FillOf(8), 'a' + 8);
  Reopen();
  EXPECT_EQ(Walk(), (std::vector<int32_t>{2, 3, 5, 6, 8, 9, 10}));
  EXPECT_EQ(FillOf(4), 0);
}

TEST_F(BPlusDataFile, ReplacingARecordKeepsTheBufferAndMayMoveItToItsNewId) {
  for (int32_t id : {1, 2, 3}) Insert(id, 'a');
  std::vector<uint8_t> record = Record(2, 'z');
  const std::vector<uint8_t> original = record;
  ASSERT_EQ(File->WriteRecord(2, record.data()), 0);
  EXPECT_EQ(record, original);
  EXPECT_EQ(FillOf(2), 'z');
  EXPECT_EQ(FillOf(1), 'a');

  std::vector<uint8_t> moved = Record(8, 'm');
  ASSERT_EQ(File->WriteRecord(2, moved.data()), 0);
  EXPECT_EQ(Walk(), (std::vector<int32_t>{1, 3, 8}));
  EXPECT_EQ(FillOf(8), 'm');

  std::vector<uint8_t> clash = Record(3, 'x');
  EXPECT_EQ(File->WriteRecord(1, clash.data()), -30);
  EXPECT_EQ(FillOf(1), 'a');
  EXPECT_EQ(FillOf(3), 'a');
  std::vector<uint8_t> missing = Record(20, 'x');
  EXPECT_EQ(File->WriteRecord(20, missing.data()), -19);
  EXPECT_EQ(File->GetRecordCount(), 3);
}

TEST_F(BPlusDataFile, InsertingRefusesATakenIdAndIdsBelowOne) {
  Insert(3, 'a');
  struct Case {
    int32_t id;
    int32_t result;
  };
  for (const Case& c : std::vector<Case>{{3, -30}, {0, -49}, {-4, -49}}) {
    SCOPED_TRACE(c.id);
    std::vector<uint8_t> record = Record(c.id, 'b');
    EXPECT_EQ(File->InsertRecord(record.data()), c.result);
  }
  EXPECT_EQ(File->GetRecordCount(), 1);
  EXPECT_EQ(FillOf(3), 'a');
}

TEST_F(BPlusDataFile, ManyRecordsSplitPagesAndSurviveDeletesAndReopening) {
  constexpr int32_t kCount = 3000;
  std::vector<int32_t> ids(kCount);
  std::iota(ids.begin(), ids.end(), 1);
  std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
  for (int32_t id : ids) Insert(id * 3, static_cast<char>('a' + id % 26));
  EXPECT_GE(File->Tree()->GetHeight(), 2);
  Reopen();
  EXPECT_EQ(File->GetRecordCount(), kCount);
  std::vector<int32_t> expected;
  for (int32_t id = 1; id <= kCount; ++id) expected.push_back(id * 3);
  EXPECT_EQ(Walk(), expected);

  for (int32_t id : ids) {
    if (id % 2 == 0) {
      ASSERT_EQ(File->DeleteRecord(id * 3), 0) << id;
    }
  }
  Reopen();
  expected.clear();
  for (int32_t id = 1; id <= kCount; id += 2) expected.push_back(id * 3);
  EXPECT_EQ(Walk(), expected);
  for (int32_t id = 1; id <= kCount; id += 2) ASSERT_EQ(FillOf(id * 3), 'a' + id % 26) << id;
  int64_t items = 0;
  int64_t wrong = 0;
  File->Tree()->Check(items, wrong);
  EXPECT_EQ(items, kCount / 2);
  EXPECT_EQ(wrong, 0);
}

TEST_F(BPlusDataFile, ClearingEmptiesTheTreeAndCutsTheFileAfterTheHeader) {
  for (int32_t id = 1; id <= 500; ++id) Insert(id, 'a');
  ASSERT_EQ(File->Flush(), 0);
  const int32_t firstTreePage = File->Tree()->GetFirstTreePage();
  EXPECT_GT(File->GetStorageSize(), int64_t{firstTreePage} * 4096);
  ASSERT_EQ(File->Clear(), 0);
  EXPECT_EQ(File->GetRecordCount(), 0);
  Reopen();
  EXPECT_EQ(File->GetRecordCount(), 0);
  EXPECT_EQ(File->GetFirstRecordNo(), kNoRecord);
  EXPECT_EQ(File->GetStorageSize(), int64_t{firstTreePage} * 4096);
  EXPECT_LE(FileBytes("B.vxbt").size(), size_t(firstTreePage + 1) * 4096);  // within the cache's last tile
  Insert(2, 'b');
  EXPECT_EQ(Walk(), (std::vector<int32_t>{2}));
}

TEST_F(BPlusDataFile, IndexNamesAndRecordIdsLiveInPageZero) {
  File->IndexNames() = {u"ENG", u"HUN", u"Harmadik"};
  ASSERT_EQ(File->WriteIndexNames(), 0);
  File->DeleteIndexName(2);
  ASSERT_EQ(File->WriteIndexNames(), 0);
  EXPECT_EQ(File->ObtainNewRecordId(), 5);
  EXPECT_EQ(File->ObtainNewRecordId(), 6);
  ASSERT_EQ(File->RevokeRecordId(6), 0);
  Reopen();
  EXPECT_EQ(File->IndexNames(), (std::vector<std::u16string>{u"ENG", u"Harmadik"}));
  EXPECT_EQ(File->ReadNextRecordId(), 6);
  EXPECT_EQ(FileInt32("B.vxbt", 6), 6);
  EXPECT_EQ(FileInt32("B.vxbt", 33) & 0xFFFF, 2);  // the area's name count
}

TEST_F(BPlusDataFile, UndoForgetsChangesNotYetWritten) {
  Insert(1, 'a');
  ASSERT_EQ(File->Flush(), 0);
  Insert(2, 'b');
  ASSERT_EQ(File->DeleteRecord(1), 0);
  ASSERT_EQ(File->Undo(), 0);
  EXPECT_EQ(File->GetRecordCount(), 1);
  EXPECT_EQ(Walk(), (std::vector<int32_t>{1}));
}

TEST_F(BPlusDataFile, InvalidateSeesRecordsAnotherSessionChanged) {
  Insert(1, 'a');
  Insert(2, 'a');
  Reopen();  // a created file is held exclusively until it is opened again
  EXPECT_EQ(FillOf(1), 'a');
  {
    // Another process: its own page cache over the same file.
    index::TVxbPageManager otherManager;
    errors::TVxbServices otherServices;
    TVxbTableCryptor cryptor;
    TVxbTableDefinition read;
    TVxbBPlusDataFile other(otherServices, Client("B.vxbt", otherManager));
    ASSERT_EQ(other.Open(false, false, cryptor, read), 0);
    std::vector<uint8_t> record = Record(9, 'n');
    ASSERT_EQ(other.InsertRecord(record.data()), 9);
    ASSERT_EQ(other.DeleteRecord(1), 0);
    ASSERT_EQ(other.Flush(), 0);
  }
  ASSERT_EQ(File->Invalidate(), 0);
  EXPECT_EQ(File->GetRecordCount(), 2);
  EXPECT_EQ(Walk(), (std::vector<int32_t>{2, 9}));
  EXPECT_EQ(FillOf(9), 'n');
}

TEST_F(TableFileFixture, BPlusTableIsCreatedOnlyWhereTheLayoutCanHoldIt) {
  struct Case {
    const char* what;
    int16_t level;
    int16_t firstType;
    int32_t textLength;
    int16_t result;
  };
  const int32_t largest = TVxbBPlusDataFile::MaxRecordSize() - 6;  // records of 4 + 2 + length bytes
  const std::vector<Case> cases = {
      {"first column not a record id", 6, vxbInteger, 10, -117},
      {"level 5", 5, vxbRecordId, 10, -117},
      {"record too large for a tree page", 6, vxbRecordId, largest + 1, -117},
      {"largest record", 6, vxbRecordId, largest, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVxbTableDefinition definition;
    TVxbColumnSpec first;
    first.Name = u"_XXX";
    first.TypeCode = c.firstType;
    AddAccepted(definition, first, c.level, Services);
    TVxbColumnSpec text;
    text.Name = u"Text";
    text.TypeCode = vxbString;
    text.Length = c.textLength;
    AddAccepted(definition, text, c.level, Services);
    TVxbTableCryptor cryptor;
    {
      TVxbBPlusDataFile file(Services, Client("C.vxbt", Manager));
      EXPECT_EQ(file.NewFile(c.level, cryptor, definition), c.result);
      if (c.result == 0) {
        std::vector<uint8_t> record(static_cast<size_t>(definition.ColumnDefs.GetRecordSize()), 'r');
        record[0] = 1, record[1] = record[2] = record[3] = 0;
        EXPECT_EQ(file.InsertRecord(record.data()), 1);
        EXPECT_EQ(file.Flush(), 0);
      }
    }
    EXPECT_EQ(FileSystem.FileExists(fs::u16(Path("C.vxbt"))), c.result == 0);
    FileSystem.DeleteFile(fs::u16(Path("C.vxbt")));
  }
}

TEST_F(TableFileFixture, CreatingABPlusTableOverAnExistingFileIsError72) {
  WriteFile("B.vxbt", {1, 2, 3});
  TVxbTableDefinition definition;
  DefineTable(definition, Services);
  TVxbTableCryptor cryptor;
  TVxbBPlusDataFile file(Services, Client("B.vxbt", Manager));
  EXPECT_EQ(file.NewFile(6, cryptor, definition), -72);
  EXPECT_EQ(FileBytes("B.vxbt"), (std::vector<uint8_t>{1, 2, 3}));
}

// A flushed B+ table of 400 records (a tree of two levels), closed.
class DamagedBPlusFile : public TableFileFixture {
 protected:
  void SetUp() override {
    TVxbTableDefinition definition;
    DefineTable(definition, Services);
    TVxbTableCryptor cryptor;
    TVxbBPlusDataFile file(Services, Client("D.vxbt", Manager));
    ASSERT_EQ(file.NewFile(6, cryptor, definition), 0);
    for (int32_t id = 1; id <= 400; ++id) {
      std::vector<uint8_t> record(kRecordSize, 'd');
      std::memcpy(record.data(), &id, 4);
      ASSERT_EQ(file.InsertRecord(record.data()), id);
    }
    ASSERT_EQ(file.Flush(), 0);
    ASSERT_GE(file.Tree()->GetHeight(), 2);
    FirstTreePage = file.Tree()->GetFirstTreePage();
    Root = file.Tree()->GetRootPage();
    file.Close();
    Image = FileBytes("D.vxbt");
  }

  // Opens the patched file and walks all records; the first engine error met
  // (opening raises, walking returns it), or 0.
  int OpenAndWalkError(const std::string& name) {
    TVxbTableCryptor cryptor;
    TVxbTableDefinition read;
    try {
      auto file = SelectDataFile(Services, Client(name, Manager), true, false);
      file->Open(true, false, cryptor, read);
      std::vector<uint8_t> record(kRecordSize);
      int32_t steps = 0;
      int32_t id = file->GetFirstRecordNo();
      for (; id > 0 && steps <= 1000; id = file->GetNextRecordNo(id), ++steps) {
        if (const int16_t result = file->ReadRecord(id, record.data()); result < 0) return -result;
      }
      if (id < 0 && id != kNoRecord) return -id;
      EXPECT_LE(steps, 400);
    } catch (const errors::EVxbEngine& e) {
      return e.Code();
    }
    return 0;
  }

  // Read and changed by the cases' patches.
 public:
  void Put32(size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) Image[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  }

  int32_t FirstTreePage = 0;
  int32_t Root = 0;
  std::vector<uint8_t> Image;
};

TEST_F(DamagedBPlusFile, DamageIsReportedAsAnEngineErrorAndNeverFollowed) {
  struct Case {
    const char* what;
    std::function<void(DamagedBPlusFile&)> patch;
    int error;
  };
  const std::vector<Case> cases = {
      {"intact", [](auto&) {}, 0},
      {"level 7", [](auto& f) { f.Image[4] = 7; }, 134},
      {"level 5", [](auto& f) { f.Image[4] = 5; }, 134},
      {"encryption without a cipher", [](auto& f) { f.Image[10] = 5; }, 187},
      {"tree page size 512", [](auto& f) { f.Put32(11 + 14, 512); }, 134},
      {"block length beyond the file", [](auto& f) { f.Put32(4535, 1 << 30); }, 134},
      {"negative block length", [](auto& f) { f.Put32(4535, -8); }, 134},
      {"check string", [](auto& f) { f.Image[4539 + 2 + 7 * 2] = 'q'; }, 38},
      {"root inside the header", [](auto& f) { f.Put32(11 + 6, 1); }, 134},
      {"root beyond the page count", [](auto& f) { f.Put32(11 + 6, 100000); }, 134},
      {"page count beyond the file", [](auto& f) { f.Put32(11, 100000); }, 134},
      {"height 64 over a small tree", [](auto& f) { f.Image[11 + 4] = 64; }, 134},
      {"free page inside the header", [](auto& f) { f.Put32(11 + 10, 1); }, 134},
      {"file cut after the header", [](auto& f) { f.Image.resize(size_t(f.FirstTreePage) * 4096); }, 134},
      {"root page's first child points at the root",
       [](auto& f) { f.Put32(size_t(f.Root) * 4096, f.Root); }, 134},
      {"root page's item count huge", [](auto& f) { f.Image[size_t(f.Root) * 4096 + 4095] = 0x7F; }, 134},
      {"root page zeroed", [](auto& f) { std::fill_n(f.Image.begin() + f.Root * 4096, 4096, uint8_t{0}); }, 134},
      {"every tree page filled with 0xFF",
       [](auto& f) { std::fill(f.Image.begin() + f.FirstTreePage * 4096, f.Image.end(), uint8_t{0xFF}); }, 134},
  };
  const std::vector<uint8_t> intact = Image;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Image = intact;
    c.patch(*this);
    const std::string name = "D" + std::to_string(++n) + ".vxbt";
    WriteFile(name, Image);
    EXPECT_EQ(OpenAndWalkError(name), c.error);
  }
}

// The fuzz corpus of the B+ table file, run through the fuzzer's entry,
// which aborts when the data file breaks a promise.
TEST(BPlusTableCorpus, EveryImageRunsThroughTheDataFile) {
  const auto inputs = vexilo::testing::ReadFuzzCorpus("bplus_table");
  ASSERT_GE(inputs.size(), 3u);
  vexilo::testing::TempDir dir;
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.Name);
    EXPECT_EQ(fuzz::RunBPlusTable(dir.Path().string(), reinterpret_cast<const uint8_t*>(input.Bytes.data()),
                                  input.Bytes.size()),
              0);
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
