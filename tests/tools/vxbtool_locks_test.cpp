// vxbtool locks, run while another process holds the table: the holder's
// session, its read lock and its edit lock are shown, a killed holder shows
// as dead, and the tool itself never appears in (or changes) the lock file.
#include <string>
#include <vector>

#include "tests/tools/table_holder.h"
#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolLocks : public VxbToolFixture {
 protected:
  void SetUp() override {
    Ok({"create", Table("T"), "ENG:WideString:20", "--index", "ENG=ENG"});
    Write("rows.tsv", "ENG\none\ntwo\nthree\n");
    Ok({"import", Table("T"), Dir.File("rows.tsv")});
  }
  // The slot lines of the report (those after the column heads).
  static std::vector<std::string> SlotLines(const std::string& out) {
    std::vector<std::string> slots;
    bool inSlots = false;
    for (const std::string& line : Lines(out)) {
      if (inSlots) slots.push_back(line);
      if (line.rfind("Slot", 0) == 0) inSlots = true;
    }
    return slots;
  }
};

TEST_F(VxbToolLocks, ATableNobodyHasOpenHasNoLockFile) {
  const TToolRun run = Ok({"locks", Table("T")});
  EXPECT_EQ(run.Out, "No lock file: nobody has the table open\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"T!ENG.vxbi", "T.vxbt", "rows.tsv"}));
}

TEST_F(VxbToolLocks, ShowsTheHoldersSessionAndLocks) {
  THolding holding;
  holding.Station = 4242;
  holding.SessionName = u"Kov\u00E1cs \u00C9va";
  holding.ReadLock = true;
  holding.EditRecord = 2;
  TTableHolder holder(Dir.File("T.vxbt"), holding);
  ASSERT_TRUE(holder.Ready());
  const std::string lockFile = Read(Dir.File("T.vxbl"));

  const TToolRun run = Ok({"locks", Table("T")});
  EXPECT_TRUE(Contains(run.Out, "T.vxbl")) << run.Out;
  EXPECT_TRUE(Contains(run.Out, "Sessions:     1 live, 1 slots")) << run.Out;
  EXPECT_TRUE(Contains(run.Out, "Table locks:  read 1, upgrade 0, write 0")) << run.Out;
  const std::vector<std::string> slots = SlotLines(run.Out);
  ASSERT_EQ(slots.size(), 1u) << run.Out;
  for (const char* part : {"4242", "alive", "read", " 2 ", "Kov\xC3\xA1\x63s \xC3\x89va"})
    EXPECT_TRUE(Contains(slots[0], part)) << part << "\n" << slots[0];
  // Reading took no slot and changed nothing.
  EXPECT_EQ(Read(Dir.File("T.vxbl")), lockFile);

  holder.Kill();
  const TToolRun afterCrash = Ok({"locks", Table("T")});
  const std::vector<std::string> dead = SlotLines(afterCrash.Out);
  ASSERT_EQ(dead.size(), 1u) << afterCrash.Out;
  EXPECT_TRUE(Contains(dead[0], "4242")) << dead[0];
  EXPECT_TRUE(Contains(dead[0], "dead")) << dead[0];
}

TEST_F(VxbToolLocks, AForeignLockFileIsRefusedWithTheEnginesMessage) {
  std::string bytes(30 + 56, '\0');
  bytes[0] = 'X';
  Write("T.vxbl", bytes);
  const TToolRun run = Run({"locks", Table("T")});
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(Contains(run.Err, "is either invalid or is not compatible")) << run.Err;
  EXPECT_EQ(Run({"locks"}).Status, 2);
  EXPECT_EQ(Run({"locks", Table("Nincs")}).Status, 1);
}

}  // namespace
}  // namespace vexilo::tools::testing
