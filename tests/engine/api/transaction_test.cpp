// Transactions through the catalog: a cancelled transaction leaves the
// table's files as they were apart from space nothing live uses, so does
// the next opener's rollback of a process killed half-way through one, and
// the rules for starting and ending.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"
#include "engine/types/memory.h"
#include "tests/engine/api/session_fixture.h"

namespace vexilo::api::testing {
namespace {

using storage::testing::kEng;
using storage::testing::kHun;
using storage::testing::kLeir;
using storage::testing::kSharedForTest;
using storage::testing::Row;
using storage::testing::WideValue;

using TFileBytes = std::map<std::string, std::vector<uint8_t>>;

class TransactionTest : public SessionFixture {
 protected:
  // The dictionary with five entries, each with a description.
  void CreateFilledDictionary() {
    CreateDictionary();
    auto table = Open(kSharedForTest);
    for (const char* word : {"apple", "pear", "plum", "quince", "walnut"}) {
      ASSERT_GT(Append(*table, fs::u16(word), fs::u16(std::string(word) + " hu"), fs::u16(std::string("about ") + word)),
                0)
          << Error();
    }
    Original = ReadAll(*table);
  }

  // The bytes of the table's own files (not the lock, move and redo files,
  // which come and go with their users, nor the control file).
  TFileBytes TableFiles() const {
    TFileBytes files;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".vxbt" || ext == ".vxbi" || ext == ".vxbb" || ext == ".vxbm") {
        files[entry.path().filename().string()] = FileBytes(entry.path().filename().string());
      }
    }
    return files;
  }

  // Appends, edits and deletes entries with descriptions; runs inside a
  // transaction.
  void ChangeEverything(storage::TVxbBaseTable& table) {
    ASSERT_GT(Append(table, u"zebra", u"zebra hu", u"a striped horse"), 0) << Error();
    ASSERT_GT(Append(table, u"yak", u"jak", u"a long text " + std::u16string(3000, u'x')), 0) << Error();
    for (const int32_t recNo : {2, 6}) {
      std::vector<uint8_t> rec = Buffer(table);
      ASSERT_EQ(table.ReadRecord(recNo, rec.data()), 0) << Error();
      const std::vector<uint8_t> orig = rec;
      table.SetWideString(rec.data(), kHun, u"changed");
      ASSERT_EQ(table.ReplaceRecord(rec.data(), orig.data(), {WideValue(kLeir, u"a new description")}, recNo), 0)
          << Error();
    }
    for (const int32_t recNo : {1, 3}) {
      std::vector<uint8_t> rec = Buffer(table);
      ASSERT_EQ(table.ReadRecord(recNo, rec.data()), 0) << Error();
      ASSERT_EQ(table.DeleteRecord(rec.data(), recNo), 0) << Error();
    }
    ASSERT_NE(ReadAll(table), Original);
  }

  // The findings of the table check that `vxbtool check` runs; empty when
  // the table is sound.
  std::vector<std::string> CheckFindings(storage::TVxbBaseTable& table) {
    vexilo::testing::TempDir scratch;
    auto report = MakeTable(fs::u16((scratch.Path() / "Report.vxbt").string()));
    report->SetTemporary(true);
    EXPECT_GT(report->AddColumn(storage::testing::Spec(u"TableName", types::vxbWideString, 128)), 0);
    EXPECT_GT(report->AddColumn(storage::testing::Spec(u"ObjectType", types::vxbByte)), 0);
    EXPECT_GT(report->AddColumn(storage::testing::Spec(u"ObjectName", types::vxbWideString, 128)), 0);
    EXPECT_GT(report->AddColumn(storage::testing::Spec(u"Severity", types::vxbByte)), 0);
    EXPECT_GT(report->AddColumn(storage::testing::Spec(u"Description", types::vxbWideString, 250)), 0);
    EXPECT_EQ(report->NewFile({}, {}, {}), 0);
    EXPECT_EQ(report->Setup(false), 0);
    EXPECT_EQ(table.Check(*report), 0);
    std::vector<std::string> findings;
    std::vector<uint8_t> rec(static_cast<size_t>(report->GetRecordSize()));
    for (int32_t n = 1; n <= report->GetRecordCount(); ++n) {
      report->ReadRecord(n, rec.data());
      std::u16string object, description;
      report->GetWideString(rec.data(), 3, object);
      report->GetWideString(rec.data(), 5, description);
      findings.push_back(fs::u8(object) + ": " + fs::u8(description));
    }
    report->Close();
    return findings;
  }

  // The byte positions where `after` differs from `before`, file by file.
  static std::map<std::string, std::vector<size_t>> Differences(const TFileBytes& before, const TFileBytes& after) {
    std::map<std::string, std::vector<size_t>> differences;
    for (const auto& [name, bytes] : before) {
      const auto found = after.find(name);
      if (found == after.end()) {
        differences[name].push_back(SIZE_MAX);
        continue;
      }
      const std::vector<uint8_t>& now = found->second;
      for (size_t i = 0; i < std::max(bytes.size(), now.size()); ++i) {
        if (i >= bytes.size() || i >= now.size() || bytes[i] != now[i]) differences[name].push_back(i);
      }
    }
    for (const auto& [name, bytes] : after) {
      if (before.count(name) == 0) differences[name].push_back(SIZE_MAX);
    }
    return differences;
  }

  // A rollback restores every record, id, key and description in place, so
  // that what may differ afterwards is only space nothing live uses:
  //   - table file: the next record id (ids taken by rolled-back appends are
  //     not given back) and the slots past the last record (the bytes of
  //     rolled-back appends stay there, the file keeps its size);
  //   - index files: bytes that were unused before (rolled-back keys stay
  //     in a page's free space; the files keep their size);
  //   - blob file: it keeps the blocks the transaction took, now on the free
  //     list, so it may grow and its header's LastBlock changes; within the
  //     old size only bytes that were unused before differ (the free list's
  //     head and every live value stay as they were).
  static void ExpectOnlyUnusedSpaceDiffers(const TFileBytes& before, const TFileBytes& after, int32_t recordSize) {
    ASSERT_EQ(FileNames(after), FileNames(before));
    for (const auto& [name, offsets] : Differences(before, after)) {
      SCOPED_TRACE(name);
      const std::vector<uint8_t>& old = before.at(name);
      const std::vector<uint8_t>& now = after.at(name);
      if (name.ends_with(".vxbb")) {
        EXPECT_GE(now.size(), old.size());
        for (const size_t offset : offsets) {
          if (offset >= old.size() || (offset >= kBlobLastBlock && offset < kBlobLastBlock + 4)) continue;
          EXPECT_EQ(old[offset], 0) << "a used byte of the blob file changed at " << offset;
        }
        continue;
      }
      ASSERT_EQ(now.size(), old.size());
      if (name.ends_with(".vxbt")) {
        const int64_t recordsEnd = kRecordAreaOffset + types::TvwMemory::ReadInt32(old.data(), kDefinitionLength) +
                                   int64_t{types::TvwMemory::ReadInt32(old.data(), kRecordCount)} * recordSize;
        for (const size_t offset : offsets) {
          const bool nextRecordId = offset >= kNextRecordId && offset < kNextRecordId + 4;
          EXPECT_TRUE(nextRecordId || static_cast<int64_t>(offset) >= recordsEnd)
              << "a byte of the header or of a live record changed at " << offset;
        }
        continue;
      }
      for (const size_t offset : offsets) EXPECT_EQ(old[offset], 0) << "a used byte of the index changed at " << offset;
    }
  }

  static std::vector<std::string> FileNames(const TFileBytes& files) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    return names;
  }

  // Level-6 table file: record count, next record id, the definition
  // block's length; the record slots follow the definition block.
  static constexpr size_t kRecordCount = 7;
  static constexpr size_t kNextRecordId = 15;
  static constexpr size_t kDefinitionLength = 4525;
  static constexpr int64_t kRecordAreaOffset = 4529;
  // Blob file header: the highest block of the file.
  static constexpr size_t kBlobLastBlock = 4;

  std::vector<Row> Original;
};

TEST_F(TransactionTest, ACancelledTransactionLeavesTheTableFilesAsTheyWere) {
  CreateFilledDictionary();
  const TFileBytes before = TableFiles();
  int32_t recordSize = 0;
  {
    TVxbLocalSession& session = OpenSession();
    TVxbCatalog& catalog = *session.Catalog();
    const int16_t rltnIdx = catalog.OpenTable(u"Eng_hun", u"", false, false, true, kSharedForTest);
    ASSERT_GT(rltnIdx, 0) << LastError(session);
    storage::TVxbBaseTable& table = *catalog.GetTable(rltnIdx);
    recordSize = table.GetRecordSize();
    ASSERT_EQ(catalog.BeginTransaction(), 0);
    ChangeEverything(table);
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "Eng_hun.vxbr"));
    ASSERT_EQ(catalog.CancelTransaction(), 0) << LastError(session);
    EXPECT_FALSE(catalog.InTransaction());
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Eng_hun.vxbr"));
    EXPECT_EQ(ReadAll(table), Original);
    ExpectIndexesMatchRecords(table);
    EXPECT_EQ(CheckFindings(table), std::vector<std::string>{});
    session.CloseDb();
  }
  ExpectOnlyUnusedSpaceDiffers(before, TableFiles(), recordSize);
}

TEST_F(TransactionTest, ATransactionOfAKilledProcessIsRolledBackByTheNextOpener) {
  CreateFilledDictionary();
  const TFileBytes before = TableFiles();
  TChildProcess child([&](const TChannel& channel) {
    TChildSession session(Dir.Path().string());
    if (session.Opened() != 0) return 1;
    const int16_t rltnIdx = session.Catalog().OpenTable(u"Eng_hun", u"", false, false, true, kSharedForTest);
    if (rltnIdx <= 0 || session.Catalog().BeginTransaction() != 0) return 2;
    storage::TVxbBaseTable& table = *session.Catalog().GetTable(rltnIdx);
    ChangeEverything(table);
    // The changes reach the files, as they would before a crash.
    if (table.Flush(false) < 0) return 3;
    channel.Send('w');
    channel.Receive();
    return 0;
  });
  ASSERT_EQ(child.Receive(), 'w');
  child.Kill();
  ASSERT_TRUE(std::filesystem::exists(Dir.Path() / "Eng_hun.vxbr"));

  TVxbLocalSession& session = OpenSession();
  const int16_t rltnIdx = session.Catalog()->OpenTable(u"Eng_hun", u"", false, false, true, kSharedForTest);
  ASSERT_GT(rltnIdx, 0) << LastError(session);
  storage::TVxbBaseTable& table = *session.Catalog()->GetTable(rltnIdx);
  EXPECT_EQ(ReadAll(table), Original);
  ExpectIndexesMatchRecords(table);
  EXPECT_EQ(CheckFindings(table), std::vector<std::string>{});
  EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Eng_hun.vxbr"));
  const int32_t recordSize = table.GetRecordSize();
  session.CloseDb();
  ExpectOnlyUnusedSpaceDiffers(before, TableFiles(), recordSize);
}

TEST_F(TransactionTest, OneTransactionAtATimeAndNoneEndsWhileLocksAreHeld) {
  CreateFilledDictionary();
  TVxbLocalSession& session = OpenSession();
  TVxbCatalog& catalog = *session.Catalog();
  const int16_t rltnIdx = catalog.OpenTable(u"Eng_hun", u"", false, false, true, kSharedForTest);
  ASSERT_GT(rltnIdx, 0) << LastError(session);
  EXPECT_EQ(catalog.EndTransaction(true), 0);  // none runs: nothing to do

  ASSERT_EQ(catalog.BeginTransaction(), 0);
  EXPECT_EQ(catalog.BeginTransaction(), -errors::vxbErrTransactionRunning);
  EXPECT_EQ(LastError(session), "There is already a transaction running");
  storage::TVxbBaseTable& table = *catalog.GetTable(rltnIdx);
  ASSERT_GT(Append(table, u"zebra", u"zebra hu", u"striped"), 0) << Error();

  const int16_t list[] = {rltnIdx, -1};
  ASSERT_EQ(catalog.AcquireReadLocks(list), 0) << LastError(session);
  EXPECT_EQ(catalog.EndTransaction(true), -errors::vxbErrLocksOnTable);
  EXPECT_EQ(LastError(session), "There are locks on table \"Eng_hun\"");
  EXPECT_TRUE(catalog.InTransaction());
  EXPECT_EQ(catalog.ReleaseReadLocks(list), 0);

  ASSERT_EQ(catalog.EndTransaction(true), 0) << LastError(session);
  EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Eng_hun.vxbr"));
  EXPECT_EQ(table.GetRecordCount(), 6);
  // A table opened while a transaction runs takes part in it.
  ASSERT_EQ(catalog.CloseRelation(rltnIdx, false, true), 0) << LastError(session);
  ASSERT_EQ(catalog.BeginTransaction(), 0);
  const int16_t again = catalog.OpenTable(u"Eng_hun", u"", false, false, true, kSharedForTest);
  ASSERT_GT(again, 0) << LastError(session);
  ASSERT_GT(Append(*catalog.GetTable(again), u"yak", u"jak"), 0) << Error();
  ASSERT_EQ(catalog.CancelTransaction(), 0) << LastError(session);
  EXPECT_EQ(catalog.GetTable(again)->GetRecordCount(), 6);
}

}  // namespace
}  // namespace vexilo::api::testing
