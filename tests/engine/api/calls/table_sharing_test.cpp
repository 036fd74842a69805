// Two processes on one table through the table calls: one deletes and
// appends records while the other walks the table in ENG order through a
// static filter. Deleting moves the table's last record into the freed
// number; the walker must follow every such move, so that it meets each
// record at most once (exactly once when the record stayed all along) and
// comes to an end, and a refresh afterwards counts what the filter passes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/api/session_list.h"
#include "tests/engine/api/calls/table_call_fixture.h"

namespace vexilo::api::testing {
namespace {

constexpr int kRows = 300;
constexpr int kChanges = 60;

std::u16string Word(int n) { return fs::u16("w" + std::to_string(1000 + n)); }
// Every second word passes the filter HUN Like 'k%'.
std::u16string Hungarian(int n) { return n % 2 == 0 ? fs::u16("k" + std::to_string(n)) : fs::u16("x" + std::to_string(n)); }

class TableSharingTest : public TableCallFixture {};

// A handle on Eng_hun in `dir` through a session of this process's list.
TVxbTableHdl OpenInChild(const std::string& dir) {
  const int16_t sessionHdl = TSessionList::Instance().CreateSession(fs::u16(dir));
  if (sessionHdl <= 0) return -1;
  TVxbLocalSession& session = *TSessionList::Instance().GetLocalSession(sessionHdl);
  session.Services()->SetLockingTimeout(10000);
  if (session.OpenDb() != 0) return -1;
  const int16_t rltnIdx = session.Catalog()->AddTable(u"Eng_hun", {}, false, storage::testing::kSharedForTest);
  if (rltnIdx <= 0) return -1;
  return VxbTableCreate(static_cast<TVxbRltnHdl>(session.Catalog()->CalcRltnHdl(rltnIdx)), u"changer");
}

TEST_F(TableSharingTest, WalkerThroughStaticFilterFollowsAnotherProcessesDeletions) {
  CreateDictionary();
  {
    auto table = Open();
    for (int n = 0; n < kRows; ++n) ASSERT_GT(Append(*table, Word(n), Hungarian(n)), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  const std::string deletedFile = Dir.File("deleted.txt");
  const std::string dir = Dir.Path().string();

  TChildProcess changer([&](const TChannel& channel) {
    const TVxbTableHdl table = OpenInChild(dir);
    if (table <= 0) return 1;
    channel.Send('o');
    if (channel.Receive() != 's') return 2;
    std::ofstream deleted(deletedFile);
    for (int i = 0; i < kChanges; ++i) {
      const int32_t count = VxbTableGetRowCount(table);
      if (count <= 0) return 3;
      if (VxbTableSetRecNo(table, 1 + (i * 37) % count) <= 0) return 4;
      deleted << fs::u8(Text(table, 2)) << "\n" << std::flush;
      if (VxbTableDeleteRecord(table) != 0) return 5;
      if (VxbTableAppend(table) != 0) return 6;
      std::vector<uint8_t> record = EmptyRecord(table);
      VxbTableGetRecord(table, record.data(), static_cast<int32_t>(record.size()));
      types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, 2), true, Word(kRows + i));
      types::TVxbFieldCodec::WriteWideString(record.data(), Layout(table, 3), true, u"k-new");
      VxbTableSetRecord(table, record.data(), static_cast<int32_t>(record.size()));
      if (VxbTableAppendConfirm(table) != 0) return 7;
      ::usleep(3000);
    }
    deleted.close();
    channel.Send('d');
    return channel.Receive() == 'q' ? 0 : 8;
  });
  ASSERT_EQ(changer.Receive(), 'o');

  Attach();
  const TVxbTableHdl walker = NewTable(u"ENG");
  ASSERT_EQ(VxbTableSetSQLFilter(walker, u"HUN Like 'k%'", 1, false), 0);
  ASSERT_EQ(VxbTableGetRowCount(walker), kRows / 2);
  changer.Send('s');

  std::map<std::u16string, int> seen;
  int steps = 0;
  for (int32_t moved = VxbTableFirst(walker); moved >= 0; moved = VxbTableMoveBy(walker, 1)) {
    ++seen[Text(walker, 2)];
    ASSERT_LT(++steps, 10 * kRows) << "the walk does not end";
    ::usleep(2000);
  }
  ASSERT_EQ(changer.Receive(60000), 'd');

  std::set<std::u16string> deleted;
  {
    std::ifstream in(deletedFile);
    for (std::string line; std::getline(in, line);) deleted.insert(fs::u16(line));
  }
  ASSERT_EQ(deleted.size(), static_cast<size_t>(kChanges));
  for (const auto& [word, times] : seen) EXPECT_EQ(times, 1) << fs::u8(word);
  int passing = 0;
  for (int n = 0; n < kRows; n += 2) {
    if (deleted.count(Word(n)) != 0) continue;
    ++passing;
    EXPECT_EQ(seen.count(Word(n)), 1U) << "a record that stayed was not met: " << fs::u8(Word(n));
  }
  for (const auto& [word, times] : seen) {
    const bool original = word < Word(kRows);
    EXPECT_TRUE(original) << "a record appended after the filter was set: " << fs::u8(word);
  }

  // Every appended record passes the filter; the refresh takes them in.
  EXPECT_EQ(VxbTableRefresh(walker, true), 1);
  EXPECT_EQ(VxbTableGetRowCount(walker), passing + kChanges);
  changer.Send('q');
  EXPECT_EQ(changer.Wait(), 0);
}

}  // namespace
}  // namespace vexilo::api::testing
