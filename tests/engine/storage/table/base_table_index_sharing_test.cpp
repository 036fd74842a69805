// Index management while another process has the table open: a new index
// is created under the write lock and the other process finds it after its
// change check; deleting and renaming an index wait for exclusive access.
#include <climits>

#include "tests/engine/storage/base_table_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::storage::testing {
namespace {

// A clock tick late enough for every lazily held lock to be given back.
constexpr int64_t kLateTick = LLONG_MAX / 2;

class BaseTableIndexSharing : public BaseTableFixture {
 protected:
  void SetUp() override {
    CreateDictionary();
    auto table = Open();
    for (int i = 0; i < 20; ++i)
      Append(*table, u"e" + fs::u16(std::to_string(i)), u"h" + fs::u16(std::to_string(19 - i)));
  }

  // A process of its own that opens the table shared, sends 'o', then runs
  // `whileOpen` on each signal until 'c', closes the table and sends 'd'.
  // `whileOpen` answers the signal with its own (or 0 to fail).
  std::unique_ptr<TChildProcess> OtherSession(std::function<char(TVxbBaseTable&, char)> whileOpen) {
    const std::string dir = Dir.Path().string();
    return std::make_unique<TChildProcess>([dir, whileOpen](const TChannel& channel) -> int {
      fs::TvwOSFileSystem fileSystem;
      fileSystem.SetBaseDirectory(fs::u16(dir));
      index::TVxbPageManager manager;
      errors::TVxbServices services;
      services.SetStation(42);
      TVxbBaseTable table(services, manager, fileSystem, 1);
      table.SetFileName(u"Eng_hun.vxbt");
      table.SetRights(kSharedForTest);
      if (table.Open(false) != 0 || table.Setup(false) != 0) return 1;
      // Waiting for a signal, the process gives back the locks it holds
      // lazily, as the catalog's unlock thread would.
      const auto receive = [&]() -> char {
        for (int i = 0; i < 3000; ++i) {
          table.CheckUnlock(kLateTick);
          if (const char signal = channel.Receive(10)) return signal;
        }
        return 0;
      };
      channel.Send('o');
      for (char signal = receive(); signal != 'c'; signal = receive()) {
        if (signal == 0) return 2;
        channel.Send(whileOpen(table, signal));
      }
      table.Close();
      channel.Send('d');
      return 0;
    });
  }
};

TEST_F(BaseTableIndexSharing, ANewIndexIsFoundAndUsableByAnotherProcessAfterItsChangeCheck) {
  auto other = OtherSession([](TVxbBaseTable& table, char) -> char {
    if (table.FindIndexNo(u"Both") >= 0) return 'e';  // seen before the change check
    if (table.CheckUpdate() != 0) return 'u';
    const int place = table.FindIndexNo(u"Both");
    index::TVxbIndexFile* index = table.GetIndexFile(place);
    if (!index || !index->IsOpen) return 'n';
    // Walked in key order the index gives the records by HUN.
    auto entry = index->CreateLongIndexInfo();
    std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize()));
    int count = 0;
    std::u16string previous;
    for (int16_t r = index->Erster_Index(*entry); r == 0; r = index->Naechster_Index(*entry)) {
      std::u16string hun;
      if (table.ReadRecord(entry->DateiVerweis, rec.data()) != 0) return 'r';
      table.GetWideString(rec.data(), kHun, hun);
      if (hun < previous) return 's';
      previous = hun;
      ++count;
    }
    return count == table.GetRecordCount() ? 'y' : 'k';
  });
  ASSERT_EQ(other->Receive(), 'o');
  auto table = Open(kSharedForTest);
  EXPECT_EQ(table->NetUsers(), 2);
  ASSERT_GE(table->NewIndex(u"Both", u"HUN,ENG"), 0) << Error();
  table->CheckUnlock(kLateTick);
  other->Send('?');
  EXPECT_EQ(other->Receive(), 'y');
  other->Send('c');
  EXPECT_EQ(other->Receive(), 'd');
  EXPECT_EQ(other->Wait(), 0);
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableIndexSharing, DeletingAndRenamingWaitUntilNoOtherProcessHasTheTableOpen) {
  const std::vector<uint8_t> hunBefore = FileBytes("Eng_hun!HUN.vxbi");
  auto other = OtherSession([](TVxbBaseTable& table, char) -> char {
    // The other process still reads through both indexes.
    return table.CheckUpdate() == 0 && table.FindIndexNo(u"HUN") >= 0 && table.FindIndexNo(u"ENG") >= 0 ? 'y' : 'n';
  });
  ASSERT_EQ(other->Receive(), 'o');
  auto table = Open(kSharedForTest);
  EXPECT_EQ(table->DeleteIndex(table->FindIndexNo(u"HUN")), -103);
  EXPECT_EQ(table->RenameIndex(table->FindIndexNo(u"ENG"), u"Angol"), -103);
  table->CheckUnlock(kLateTick);
  EXPECT_TRUE(Exists("Eng_hun!HUN.vxbi"));
  EXPECT_TRUE(Exists("Eng_hun!ENG.vxbi"));
  EXPECT_FALSE(Exists("Eng_hun!Angol.vxbi"));
  EXPECT_EQ(table->DataFile()->IndexNames(), (std::vector<std::u16string>{u"ENG", u"HUN"}));
  other->Send('?');
  EXPECT_EQ(other->Receive(), 'y');
  other->Send('c');
  EXPECT_EQ(other->Receive(), 'd');
  EXPECT_EQ(other->Wait(), 0);
  EXPECT_EQ(FileBytes("Eng_hun!HUN.vxbi"), hunBefore);

  EXPECT_EQ(table->DeleteIndex(table->FindIndexNo(u"HUN")), 0) << Error();
  EXPECT_EQ(table->RenameIndex(table->FindIndexNo(u"ENG"), u"Angol"), 0) << Error();
  EXPECT_FALSE(Exists("Eng_hun!HUN.vxbi"));
  EXPECT_TRUE(Exists("Eng_hun!Angol.vxbi"));
  ExpectIndexesMatchRecords(*table);
}

}  // namespace
}  // namespace vexilo::storage::testing
