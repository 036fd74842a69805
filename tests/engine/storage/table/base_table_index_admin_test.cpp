// Managing the indexes of a stored table: creating an index and the reasons
// it is refused, deleting and renaming indexes, places freed and taken
// again, the header's index names and the lock file's index count, failed
// builds and renames that leave nothing behind, rebuilding damaged indexes,
// indexes over a table stored by record id, and renaming a whole table.
#include <set>

#include "engine/errors/error_codes.h"
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

constexpr uint16_t kNoIndexRight = kRightAppend | kRightEdit | kRightDelete | kRightExclusive;

// The operating system's file system, made to fail writes to files and
// renames of files whose path contains a marker.
class FaultyFileSystem : public fs::TvwOSFileSystem {
 public:
  int32_t CreateFile(std::u16string_view filePath) override {
    const int32_t handle = TvwOSFileSystem::CreateFile(filePath);
    if (handle >= 0 && !FailWritesTo.empty() && filePath.find(FailWritesTo) != std::u16string_view::npos) {
      FBroken.insert(handle);
    }
    return handle;
  }
  int32_t FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) override {
    if (FBroken.count(handle) > 0) return -1;
    return TvwOSFileSystem::FileWrite(handle, pos, data, count);
  }
  void CloseFile(int32_t handle) override {
    FBroken.erase(handle);
    TvwOSFileSystem::CloseFile(handle);
  }
  bool RenameFile(std::u16string_view oldName, std::u16string_view newName) override {
    if (!FailRenamesOf.empty() && oldName.find(FailRenamesOf) != std::u16string_view::npos) return false;
    return TvwOSFileSystem::RenameFile(oldName, newName);
  }

  std::u16string FailWritesTo;
  std::u16string FailRenamesOf;

 private:
  std::set<int32_t> FBroken;
};

// An accessor that holds on to one index.
class IndexUser : public RecordingListener {
 public:
  explicit IndexUser(int indexNo) : FIndexNo(indexNo) {}
  bool UsesIndex(int indexNo) const override { return indexNo == FIndexNo; }

 private:
  int FIndexNo;
};

class BaseTableIndexAdmin : public BaseTableFixture {
 protected:
  void SetUp() override {
    CreateDictionary();
    auto table = Open();
    Append(*table, u"cat", u"macska");
    Append(*table, u"apple", u"alma", u"gyümölcs");
    Append(*table, u"dog", u"kutya");
    Append(*table, u"bird", u"madár");
  }

  // The sorted names of the files in the test directory.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The table opened over `fileSystem` instead of the fixture's.
  std::unique_ptr<TVxbBaseTable> OpenOver(fs::TvwOSFileSystem& fileSystem, uint16_t rights = kNewTableRights) {
    fileSystem.SetBaseDirectory(fs::u16(Dir.Path().string()));
    auto table = std::make_unique<TVxbBaseTable>(Services, Manager, fileSystem, 1);
    table->SetFileName(kTableFile);
    table->SetRights(rights);
    EXPECT_EQ(table->Open(false), 0) << Error();
    EXPECT_EQ(table->Setup(false), 0) << Error();
    return table;
  }

  // The header's index names as stored.
  std::vector<std::u16string> StoredIndexNames() {
    auto table = Open();
    return table->DataFile()->IndexNames();
  }
};

struct NewIndexCase {
  const char* what;
  std::u16string name;
  std::u16string columns;
  uint16_t rights;
  bool strayFile;  // a file of the index's file name lies in the directory
  int16_t result;
  int16_t lastError;
};

TEST_F(BaseTableIndexAdmin, NewIndexIsRefusedForEachReasonInTurn) {
  const NewIndexCase cases[] = {
      {"user index without the index right", u"X", u"ENG", kNoIndexRight, false, -149, 149},
      {"the right is checked before the definition", u"X", u"NOPE", kNoIndexRight, false, -149, 149},
      {"temporary index without the index right", u"tmp007", u"HUN", kNoIndexRight, false, 3, 0},
      {"column that does not exist", u"X", u"NOPE", kNewTableRights, false, -errors::vxbErrInternal, -1},
      {"name already open", u"eng", u"HUN", kNewTableRights, false, -23, 23},
      {"name already open before its file exists", u"HUN", u"HUN", kNewTableRights, true, -23, 23},
      {"file already there", u"Stray", u"HUN", kNewTableRights, true, -22, 22},
      {"a fresh name", u"Both", u"HUN,ENG", kNewTableRights, false, 3, 0},
  };
  for (const NewIndexCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string strayName = "Eng_hun!" + fs::u8(c.name) + ".vxbi";
    if (c.strayFile && !Exists(strayName)) std::ofstream(Dir.File(strayName)) << "not mine";
    const std::vector<uint8_t> strayBefore = c.strayFile ? FileBytes(strayName) : std::vector<uint8_t>{};
    {
      auto table = Open(c.rights);
      Services.ClearLastError();
      EXPECT_EQ(table->NewIndex(c.name, c.columns), c.result) << Error();
      if (c.lastError > 0) {
        EXPECT_EQ(Services.LastErrorCode(), c.lastError);
      } else if (c.lastError < 0) {
        EXPECT_GT(Services.LastErrorCode(), 0) << "the definition check records its error";
      }
      if (c.result >= 0) {
        ExpectIndexesMatchRecords(*table);
        EXPECT_EQ(table->DeleteIndex(c.result), 0) << Error();
      }
    }
    if (c.strayFile) {
      EXPECT_EQ(FileBytes(strayName), strayBefore) << "a file in the way is left alone";
    }
    EXPECT_EQ(StoredIndexNames(), (std::vector<std::u16string>{u"ENG", u"HUN"}));
  }
}

struct RefusalCase {
  const char* what;
  uint16_t rights;
  std::function<int16_t(TVxbBaseTable&)> act;
  int16_t lastError;
};

TEST_F(BaseTableIndexAdmin, DeletingAndRenamingIndexesIsRefusedWhereItWouldHarm) {
  const RefusalCase cases[] = {
      {"deleting the record id index", kNewTableRights,
       [](TVxbBaseTable& t) { return t.DeleteIndex(t.FindIndexNo(u"sys_Id")); }, 34},
      {"deleting a user index without the index right", kNoIndexRight,
       [](TVxbBaseTable& t) { return t.DeleteIndex(t.FindIndexNo(u"ENG")); }, 34},
      {"deleting an index an accessor uses", kNewTableRights,
       [](TVxbBaseTable& t) {
         IndexUser user(t.FindIndexNo(u"HUN"));
         t.AddAccessor(&user);
         const int16_t result = t.DeleteIndex(t.FindIndexNo(u"HUN"));
         t.RemoveAccessor(&user);
         return result;
       },
       116},
      {"deleting an empty place", kNewTableRights, [](TVxbBaseTable& t) { return t.DeleteIndex(30); }, 36},
      {"renaming the record id index", kNewTableRights,
       [](TVxbBaseTable& t) { return t.RenameIndex(t.FindIndexNo(u"sys_Id"), u"Ids"); }, 34},
      {"renaming a user index into a temporary one", kNewTableRights,
       [](TVxbBaseTable& t) { return t.RenameIndex(t.FindIndexNo(u"ENG"), u"tmp001"); }, 34},
      {"renaming onto another index's name", kNewTableRights,
       [](TVxbBaseTable& t) { return t.RenameIndex(t.FindIndexNo(u"ENG"), u"hun"); }, 23},
  };
  const std::vector<std::string> filesBefore = Files();
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto table = Open(c.rights);
    Services.ClearLastError();
    EXPECT_EQ(c.act(*table), -c.lastError);
    EXPECT_EQ(Services.LastErrorCode(), c.lastError);
    ExpectIndexesMatchRecords(*table);
    EXPECT_EQ(table->IndexCount(), 3);
    table.reset();
    EXPECT_EQ(Files(), filesBefore);
    EXPECT_EQ(StoredIndexNames(), (std::vector<std::u16string>{u"ENG", u"HUN"}));
  }
}

TEST_F(BaseTableIndexAdmin, RenamingOntoAFileOfAnotherIndexNameIsRefusedAndTheFileKept) {
  std::ofstream(Dir.File("Eng_hun!English.vxbi")) << "someone's";
  auto table = Open();
  EXPECT_EQ(table->RenameIndex(table->FindIndexNo(u"ENG"), u"English"), -22);
  EXPECT_EQ(FileBytes("Eng_hun!English.vxbi"), (std::vector<uint8_t>{'s', 'o', 'm', 'e', 'o', 'n', 'e', '\'', 's'}));
  EXPECT_TRUE(Exists("Eng_hun!ENG.vxbi"));
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexAdmin, ADeletedIndexLeavesItsPlaceEmptyForTheNextNewIndex) {
  auto table = Open();
  ASSERT_EQ(table->IndexCount(), 3);
  const int hun = table->FindIndexNo(u"HUN");
  ASSERT_EQ(hun, 1);
  RecordingListener listener;
  table->AddAccessor(&listener);
  ASSERT_EQ(table->DeleteIndex(hun), 0) << Error();
  table->RemoveAccessor(&listener);
  EXPECT_EQ(listener.Notices, (std::vector<std::string>{"index removed 1"}));
  EXPECT_EQ(table->IndexCount(), 3);
  EXPECT_EQ(table->GetIndexFile(hun), nullptr);
  EXPECT_FALSE(Exists("Eng_hun!HUN.vxbi"));
  EXPECT_EQ(table->NewIndex(u"Magyar", u"HUN"), hun) << Error();
  EXPECT_EQ(table->NewIndex(u"Third", u"ENG,HUN"), 3) << Error();
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexAdmin, TheHeaderAndTheLockFileFollowAdditionsDeletionsAndRenames) {
  {
    auto table = Open(kSharedForTest);
    ASSERT_NE(table->LockFile(), nullptr);
    ASSERT_GE(table->NewIndex(u"Both", u"ENG,HUN"), 0) << Error();
    EXPECT_EQ(table->LockFile()->TableIndexCount(), 3);
    ASSERT_EQ(table->DeleteIndex(table->FindIndexNo(u"HUN")), 0) << Error();
    EXPECT_EQ(table->LockFile()->TableIndexCount(), 3) << "the count grows with additions only";
    ASSERT_EQ(table->RenameIndex(table->FindIndexNo(u"ENG"), u"Angol"), 0) << Error();
    EXPECT_EQ(table->GetIndexFile(table->FindIndexNo(u"Angol"))->GetFileName(),
              table->PhysicalDirectory() + u"Eng_hun!Angol.vxbi");
    ExpectIndexesMatchRecords(*table);
  }
  EXPECT_EQ(StoredIndexNames(), (std::vector<std::u16string>{u"Angol", u"Both"}));
  EXPECT_TRUE(Exists("Eng_hun!Angol.vxbi"));
  EXPECT_FALSE(Exists("Eng_hun!ENG.vxbi"));
  EXPECT_FALSE(Exists("Eng_hun!HUN.vxbi"));
  auto table = Open();
  EXPECT_GE(table->FindIndexNo(u"Angol"), 0);
  EXPECT_EQ(table->FindIndexNo(u"ENG"), -1);
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexAdmin, AFailedBuildLeavesNeitherPlaceNorFile) {
  FaultyFileSystem faulty;
  faulty.FailWritesTo = u"!Broken";
  {
    auto table = OpenOver(faulty);
    const int count = table->IndexCount();
    Services.ClearLastError();
    EXPECT_LT(table->NewIndex(u"Broken", u"HUN"), 0);
    EXPECT_GT(Services.LastErrorCode(), 0);
    EXPECT_EQ(table->FindIndexNo(u"Broken"), -1);
    EXPECT_EQ(table->IndexCount(), count);
    EXPECT_FALSE(Exists("Eng_hun!Broken.vxbi"));
    EXPECT_EQ(table->NewIndex(u"Works", u"HUN"), count) << "the place is free again";
  }
  EXPECT_EQ(StoredIndexNames(), (std::vector<std::u16string>{u"ENG", u"HUN", u"Works"}));
}

TEST_F(BaseTableIndexAdmin, AnIndexFileThatCannotBeRenamedLeavesTheIndexAsItWas) {
  FaultyFileSystem faulty;
  faulty.FailRenamesOf = u"!ENG";
  auto table = OpenOver(faulty);
  const int eng = table->FindIndexNo(u"ENG");
  EXPECT_EQ(table->RenameIndex(eng, u"Angol"), -3);
  EXPECT_EQ(table->GetIndexFile(eng)->GetName(), u"ENG");
  EXPECT_TRUE(table->GetIndexFile(eng)->IsOpen);
  EXPECT_TRUE(Exists("Eng_hun!ENG.vxbi"));
  EXPECT_FALSE(Exists("Eng_hun!Angol.vxbi"));
  Append(*table, u"fish", u"hal");
  ExpectIndexesMatchRecords(*table);
  table.reset();
  EXPECT_EQ(StoredIndexNames(), (std::vector<std::u16string>{u"ENG", u"HUN"}));
}

TEST_F(BaseTableIndexAdmin, RebuildingRestoresIndexesThatLostOrGainedEntries) {
  auto table = Open();
  const int eng = table->FindIndexNo(u"ENG");
  const int hun = table->FindIndexNo(u"HUN");
  index::TVxbIndexFile& engIndex = *table->GetIndexFile(eng);
  auto entry = engIndex.CreateLongIndexInfo();
  ASSERT_EQ(engIndex.Erster_Index(*entry), 0);
  ASSERT_EQ(engIndex.Loesche_Index(*entry), 0);
  index::TVxbIndexFile& hunIndex = *table->GetIndexFile(hun);
  ASSERT_EQ(hunIndex.Erster_Index(*entry), 0);
  entry->DateiVerweis = 77;
  ASSERT_EQ(hunIndex.Add_Index(*entry, static_cast<size_t>(hunIndex.GetIndSize())), 0);
  ASSERT_NE(Walk(*table, eng), Expected(*table, eng));

  table->SetRights(kNoIndexRight);
  EXPECT_EQ(table->RegenIndex(), 0) << "without the index right nothing happens";
  EXPECT_NE(Walk(*table, eng), Expected(*table, eng));
  table->SetRights(kNewTableRights);

  EXPECT_EQ(table->RegenIndex(eng), 0) << Error();
  EXPECT_EQ(Walk(*table, eng), Expected(*table, eng));
  EXPECT_NE(Walk(*table, hun), Expected(*table, hun)) << "one index rebuilt alone";
  EXPECT_EQ(table->RegenIndex(), 0) << Error();
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexAdmin, RebuildingReplacesAnIndexFileWhoseTreeIsOverwritten) {
  {
    auto table = Open();
    for (int i = 0; i < 300; ++i) Append(*table, u"word" + fs::u16(std::to_string(i)), u"szó");
  }
  // Everything after page 0 (headers and definition) turned to rubbish.
  std::vector<uint8_t> bytes = FileBytes("Eng_hun!ENG.vxbi");
  ASSERT_GT(bytes.size(), 8192u);
  std::fill(bytes.begin() + 4096, bytes.end(), 0xA5);
  std::ofstream(Dir.File("Eng_hun!ENG.vxbi"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  auto table = Open();
  EXPECT_EQ(table->RegenIndex(), 0) << Error();
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexAdmin, ATableFullOfIndexesMakesRoomByDroppingAnUnusedTemporaryIndex) {
  auto table = Open();
  int filled = table->IndexCount();
  int temporary = -1;
  while (filled < 50) {
    const std::u16string name =
        filled == 20 ? table->TemporaryIndexName(filled) : u"I" + fs::u16(std::to_string(filled));
    const int16_t place = table->NewIndex(name, u"ENG");
    ASSERT_EQ(place, filled) << Error();
    if (filled == 20) temporary = place;
    ++filled;
  }
  ASSERT_EQ(table->DataFile()->IndexNames().size(), 49u);
  // With the temporary index in use nothing can be freed.
  IndexUser user(temporary);
  table->AddAccessor(&user);
  EXPECT_EQ(table->NewIndex(u"More", u"HUN"), -67);
  table->RemoveAccessor(&user);
  EXPECT_EQ(table->NewIndex(u"More", u"HUN"), temporary) << Error();
  EXPECT_FALSE(Exists("Eng_hun!tmp020.vxbi"));
  EXPECT_EQ(table->GetIndexFile(temporary)->GetName(), u"More");
}

// A table stored by record id: record numbers are the ids, not 1 to n.
TEST_F(BaseTableIndexAdmin, AnIndexOverATableStoredByRecordIdHoldsTheRecordIds) {
  auto table = MakeTable(u"Ids.vxbt");
  ASSERT_GT(table->AddColumn(Spec(u"_XXX", 9)), 0) << Error();
  ASSERT_GT(table->AddColumn(Spec(u"WORD", 18, 40)), 0) << Error();
  ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
  ASSERT_EQ(table->Setup(false), 0) << Error();
  ASSERT_TRUE(table->DataFile()->GetCanDelete()) << "stored in a B+ tree";
  std::vector<uint8_t> rec = Buffer(*table);
  std::vector<int32_t> recNos;
  for (const char16_t* word : {u"kilenc", u"egy", u"hat", u"négy", u"kettő", u"öt"}) {
    table->InitRecord(rec.data(), true);
    table->SetWideString(rec.data(), 2, word);
    recNos.push_back(table->AppendRecord(rec.data(), {}));
    ASSERT_GT(recNos.back(), 0) << Error();
  }
  ASSERT_EQ(table->ReadRecord(recNos[1], rec.data()), 0);
  ASSERT_EQ(table->DeleteRecord(rec.data(), recNos[1]), 0) << Error();
  ASSERT_EQ(table->ReadRecord(recNos[3], rec.data()), 0);
  ASSERT_EQ(table->DeleteRecord(rec.data(), recNos[3]), 0) << Error();

  std::vector<std::pair<int64_t, int64_t>> progress;
  const int16_t place = table->NewIndex(u"WORD", u"WORD", false, 0,
                                        [&](int64_t done, int64_t total) { progress.emplace_back(done, total); });
  ASSERT_GE(place, 0) << Error();
  EXPECT_EQ(progress.front(), std::make_pair(int64_t{0}, int64_t{4}));
  EXPECT_EQ(progress.back(), std::make_pair(int64_t{4}, int64_t{4}));
  std::vector<std::pair<std::u16string, int32_t>> expected;
  for (int32_t n = table->GetFirstRecordNo(); n > 0; n = table->GetNextRecordNo(n)) {
    table->ReadRecord(n, rec.data());
    std::u16string word;
    table->GetWideString(rec.data(), 2, word);
    expected.emplace_back(word, n);
  }
  ASSERT_EQ(expected.size(), 4u);
  std::sort(expected.begin(), expected.end());
  std::vector<std::pair<std::u16string, int32_t>> walked;
  for (const auto& [recNo, key] : Walk(*table, place)) {
    table->ReadRecord(recNo, rec.data());
    std::u16string word;
    table->GetWideString(rec.data(), 2, word);
    walked.emplace_back(word, recNo);
  }
  std::sort(walked.begin(), walked.end());
  EXPECT_EQ(walked, expected);
  int64_t items = 0, wrong = 0;
  EXPECT_EQ(table->GetIndexFile(place)->Check(items, wrong), 0);
  EXPECT_EQ(items, 4);
}

// --- renaming the table ---

TEST_F(BaseTableIndexAdmin, RenamingATableRenamesEveryFileAndOpensItAgain) {
  auto table = Open();
  const std::vector<Row> rows = ReadAll(*table);
  ASSERT_EQ(table->Rename(u"Szotar"), 0) << Error();
  EXPECT_TRUE(table->GetActive());
  EXPECT_EQ(table->GetFullName(), u"Szotar.vxbt");
  EXPECT_EQ(Files(), (std::vector<std::string>{"Szotar!ENG.vxbi", "Szotar!HUN.vxbi", "Szotar!sys_Id.vxbi",
                                               "Szotar.vxbb", "Szotar.vxbt"}));
  EXPECT_EQ(ReadAll(*table), rows);
  EXPECT_GE(table->FindIndexNo(u"ENG"), 0);
  EXPECT_GE(table->FindIndexNo(u"HUN"), 0);
  Append(*table, u"fish", u"hal", u"víz");
  ExpectIndexesMatchRecords(*table);
  table.reset();
  auto again = Open(kNewTableRights, u"Szotar.vxbt");
  EXPECT_EQ(again->GetRecordCount(), 5);
  ExpectIndexesMatchRecords(*again);
}

TEST_F(BaseTableIndexAdmin, RenamingATableOntoExistingFilesIsRefusedBeforeAnythingMoves) {
  std::ofstream(Dir.File("Szotar!HUN.vxbi")) << "other";
  const std::vector<std::string> before = Files();
  auto table = Open();
  EXPECT_EQ(table->Rename(u"Szotar"), -72);
  EXPECT_EQ(Services.LastErrorCode(), 72);
  EXPECT_EQ(Files(), before);
  EXPECT_TRUE(table->GetActive());
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexAdmin, AFileThatCannotBeRenamedGivesEveryFileItsOldNameBack) {
  const std::vector<std::string> before = Files();
  FaultyFileSystem faulty;
  faulty.FailRenamesOf = u"!HUN";
  auto table = OpenOver(faulty);
  const std::vector<Row> rows = ReadAll(*table);
  EXPECT_EQ(table->Rename(u"Szotar"), -3);
  EXPECT_EQ(Services.LastErrorCode(), 3);
  EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun!HUN.vxbi"), std::u16string::npos) << Error();
  EXPECT_EQ(Files(), before);
  ASSERT_TRUE(table->GetActive());
  EXPECT_EQ(table->GetFullName(), u"Eng_hun.vxbt");
  EXPECT_EQ(ReadAll(*table), rows);
  ExpectIndexesMatchRecords(*table);
}

}  // namespace
}  // namespace vexilo::storage::testing
