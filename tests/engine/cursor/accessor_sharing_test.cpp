// Accessors in two processes on one dictionary table: a record edited in one
// is refused to the other after its locking timeout and given once the first
// posts; a deletion in one moves the other's accessor with the record that
// took the deleted number.
#include <chrono>

#include "engine/errors/error_codes.h"
#include "tests/engine/cursor/accessor_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::cursor::testing {
namespace {

using storage::testing::TChannel;
using storage::testing::TChildProcess;

class AccessorSharing : public AccessorFixture {
 protected:
  // A process of its own with the table open shared, an accessor on it and
  // the lazy lock release running; sends 'o' when ready, then answers every
  // signal with `step`'s answer until 'c'. Exit code 0 when all went well.
  // This process's unlock pump stops for the fork (a child is forked from a
  // process with one thread only) and runs again afterwards.
  std::unique_ptr<TChildProcess> OtherProcess(std::function<char(TVxbAccessor&, char)> step) {
    const std::string dir = Dir.Path().string();
    Pump.reset();
    auto child = std::make_unique<TChildProcess>([dir, step](const TChannel& channel) -> int {
      fs::TvwOSFileSystem fileSystem;
      fileSystem.SetBaseDirectory(fs::u16(dir));
      index::TVxbPageManager manager;
      errors::TVxbServices services;
      services.SetStation(42);
      storage::TVxbBaseTable table(services, manager, fileSystem, 1);
      table.SetFileName(u"Eng_hun.vxbt");
      table.SetRights(storage::testing::kSharedForTest);
      if (table.Open(false) != 0 || table.Setup(false) != 0) return 1;
      int code = 0;
      {
        const TUnlockPump pump(table);
        TVxbAccessor accessor(table, u"Other", kShortTimeout);
        channel.Send('o');
        for (char signal = channel.Receive(); signal != 'c'; signal = channel.Receive()) {
          if (signal == 0) {
            code = 2;
            break;
          }
          channel.Send(step(accessor, signal));
        }
      }
      table.Close();
      return code;
    });
    Pump = std::make_unique<TUnlockPump>(*Table);
    return child;
  }

  void SetUp() override {
    AccessorFixture::SetUp();
    Pump = std::make_unique<TUnlockPump>(*Table);
  }
  void TearDown() override {
    Pump.reset();
    AccessorFixture::TearDown();
  }

  std::unique_ptr<TUnlockPump> Pump;
};

TEST_F(AccessorSharing, ARecordEditedInAnotherProcessWaitsOutTheTimeoutThenIsGivenAfterItsPost) {
  auto other = OtherProcess([](TVxbAccessor& accessor, char signal) -> char {
    switch (signal) {
      case 'e':  // edit record 2 and keep it
        accessor.SetCurrentRecordNo(2);
        if (accessor.Edit() != 0) return 'x';
        if (accessor.SetAsStringW(kHun, u"vajkörte", false) != 0) return 'x';
        return accessor.SetWideMemo(kLeir, u"puha, édes") == 0 ? 'k' : 'x';
      case 'p':
        return accessor.Post() == 0 ? 'k' : 'x';
      default:
        return 'x';
    }
  });
  ASSERT_EQ(other->Receive(), 'o');
  other->Send('e');
  ASSERT_EQ(other->Receive(), 'k');

  TVxbAccessor& accessor = NewAccessor(kShortTimeout);
  accessor.SetCurrentRecordNo(2);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(accessor.Edit(), -errors::vxbErrRecordLocked);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrRecordLocked);
  EXPECT_GE(waited, std::chrono::milliseconds(kShortTimeout)) << "the edit gave up before the locking timeout";
  EXPECT_EQ(accessor.EditState(), esBrowse);

  other->Send('p');
  ASSERT_EQ(other->Receive(), 'k');
  ASSERT_EQ(accessor.Edit(), 0) << Error();
  // The edit starts from what the other process stored.
  EXPECT_EQ(Shown(accessor), (Row{2, u"pear", u"vajkörte", u"puha, édes"}));
  ASSERT_EQ(accessor.SetAsStringW(kEng, u"butter pear", false), 0);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 2), (Row{2, u"butter pear", u"vajkörte", u"puha, édes"}));
  ExpectIndexesMatchRecords(*Table);
  other->Send('c');
  EXPECT_EQ(other->Wait(), 0);
}

TEST_F(AccessorSharing, AnAccessorOnTheLastRecordFollowsItWhenAnotherProcessDeletesAnEarlierOne) {
  auto other = OtherProcess([](TVxbAccessor& accessor, char signal) -> char {
    if (signal != 'd') return 'x';
    accessor.SetCurrentRecordNo(1);
    return accessor.DeleteRecord() == 0 ? 'k' : 'x';
  });
  ASSERT_EQ(other->Receive(), 'o');
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(3);
  const Row shown = Shown(accessor);
  ASSERT_EQ(shown, (Row{3, u"plum", u"szilva", u"kék gyümölcs"}));

  other->Send('d');
  ASSERT_EQ(other->Receive(), 'k');
  // The next read of the record notices the other process's change and
  // follows the move: record 3 is now record 1.
  accessor.InvalidateRecBuf();
  EXPECT_EQ(Shown(accessor), shown);
  EXPECT_EQ(accessor.CurrentRecordNo(), 1);
  EXPECT_EQ(Table->GetRecordCount(), 2);
  other->Send('c');
  EXPECT_EQ(other->Wait(), 0);
}

TEST_F(AccessorSharing, AnEditOfTheLastRecordFollowsItWhenAnotherProcessDeletesAnEarlierOne) {
  auto other = OtherProcess([](TVxbAccessor& accessor, char signal) -> char {
    if (signal != 'd') return 'x';
    accessor.SetCurrentRecordNo(2);
    return accessor.DeleteRecord() == 0 ? 'k' : 'x';
  });
  ASSERT_EQ(other->Receive(), 'o');
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(3);
  ASSERT_EQ(accessor.Edit(), 0) << Error();
  ASSERT_EQ(accessor.SetAsStringW(kHun, u"ringló", false), 0);

  other->Send('d');
  ASSERT_EQ(other->Receive(), 'k');
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(accessor.CurrentRecordNo(), 2);
  EXPECT_EQ(Read(*Table, 2), (Row{3, u"plum", u"ringló", u"kék gyümölcs"}));
  EXPECT_EQ(Read(*Table, 1).Eng, u"apple");
  ExpectIndexesMatchRecords(*Table);
  other->Send('c');
  EXPECT_EQ(other->Wait(), 0);
}

}  // namespace
}  // namespace vexilo::cursor::testing
