// vxbtool create: the column syntax, what the engine's column rules refuse,
// and that an existing table is never overwritten nor a refused definition
// left behind.
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

using VxbToolCreate = VxbToolFixture;

TEST_F(VxbToolCreate, EveryColumnTypeArrivesAsWritten) {
  struct Case {
    std::string column;
    std::string infoText;  // what the column's line in `info` shows
  };
  const std::vector<Case> cases = {
      {"ID:RecordId:100", "RecordId"},
      {"C:Char", "Char"},
      {"NAME:String:20", "String(20)"},
      {"ENG:WideString:80:Hungarian", "WideString(80)"},
      {"S:SmallInt", "SmallInt"},
      {"F:Float:2", "Float(scale 2)"},
      {"B:Byte", "Byte"},
      {"OK:boolean", "Boolean"},
      {"D:Date", "Date"},
      {"M:Memo", "Memo"},
      {"E:Enum:red|green|blue", "Enum(red,green,blue)"},
      {"L:Link:Other", "Link(Other)"},
      {"K:Blob", "Blob"},
      {"T:Time:4", "Time(precision 4)"},
      {"N:Integer?", "Integer"},
      {"W:DateTime", "TimeStamp"},
      {"LEIR:WideMemo::Hungarian", "WideMemo"},
      {"G:BigInt", "BigInt"},
      {"U:Guid", "Guid"},
  };
  std::vector<std::string> args{"create", Table("All")};
  for (const Case& c : cases) args.push_back(c.column);
  args.push_back("--index");
  args.push_back("BYNAME=NAME,-N");
  const TToolRun created = Ok(args);
  EXPECT_TRUE(Contains(created.Out, "All.vxbt")) << created.Out;

  const TToolRun info = Ok({"info", Table("All")});
  EXPECT_TRUE(Contains(info.Out, "Level:           6")) << info.Out;
  EXPECT_TRUE(Contains(info.Out, "Indexes:         BYNAME")) << info.Out;
  EXPECT_TRUE(Contains(info.Out, "Columns (19):")) << info.Out;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    const std::string name = c.column.substr(0, c.column.find(':'));
    bool found = false;
    for (const std::string& line : Lines(info.Out)) {
      if (line.find("  " + name + " ") == std::string::npos) continue;
      found = true;
      EXPECT_TRUE(Contains(line, c.infoText)) << line;
      if (name == "N") {
        EXPECT_TRUE(Contains(line, "nullable")) << line;
      }
      if (name == "ENG" || name == "LEIR") {
        EXPECT_TRUE(Contains(line, "Hungarian")) << line;
      }
    }
    EXPECT_TRUE(found) << info.Out;
  }
}

TEST_F(VxbToolCreate, TableOptionsReachTheHeader) {
  Ok({"create", Table("Old"), "--level", "5", "--capacity", "5000", "A:String:10"});
  Ok({"create", Table("Hu"), "--collation", "Hungarian", "A:WideString:10"});
  const TToolRun old = Ok({"info", Table("Old")});
  EXPECT_TRUE(Contains(old.Out, "Old.dat")) << old.Out;
  EXPECT_TRUE(Contains(old.Out, "Level:           5")) << old.Out;
  EXPECT_TRUE(Contains(old.Out, "Capacity:        5000")) << old.Out;
  const TToolRun hu = Ok({"info", Table("Hu")});
  EXPECT_TRUE(Contains(hu.Out, "Collation:       Hungarian")) << hu.Out;

  Ok({"create", Table("Secret"), "--password", "titok", "A:WideString:10", "--index", "A=A"});
  const TToolRun withoutPassword = Run({"check", Table("Secret")});
  EXPECT_EQ(withoutPassword.Status, 1);
  EXPECT_TRUE(Contains(withoutPassword.Err, "The supplied user credentials are invalid")) << withoutPassword.Err;
  Write("rows.tsv", "A\nalma\n");
  EXPECT_EQ(Ok({"import", Table("Secret"), Dir.File("rows.tsv"), "--password", "titok"}).Out, "1 rows imported\n");
  EXPECT_EQ(Ok({"check", Table("Secret"), "--password", "titok"}).Out, "No damage found\n");
}

TEST_F(VxbToolCreate, WrongDefinitionsAreRefusedAndLeaveNoFile) {
  struct Case {
    std::vector<std::string> args;  // after "create TABLE"
    std::string message;
  };
  const std::vector<Case> cases = {
      {{}, "usage: vxbtool create"},
      {{"X:Strng:10"}, "unknown type \"Strng\""},
      {{"X:String"}, "needs its maximum length"},
      {{"X:String:ten"}, "the length must be a number"},
      {{"X:Integer:5"}, "takes no size"},
      {{"X:Integer::Hungarian"}, "takes no collation"},
      {{"X"}, "expected NAME:TYPE"},
      {{":Integer"}, "the name is missing"},
      {{"X:Relation"}, "Relation columns cannot be created"},
      {{"X:Enum"}, "needs its value names"},
      {{"X:Link"}, "needs the linked table"},
      {{"X:String:0"}, "Field size of field \"X\" is zero"},
      {{"A:Integer", "a:Integer"}, "Duplicate identifier \"a\""},
      {{"X:WideString:10:Klingon"}, "Collation \"Klingon\" does not exist"},
      {{"X:Float:16"}, "Up to 15 digits allowed"},
      {{"--level", "7", "X:Integer"}, "--level must be a number from 1 to 6"},
      {{"--capacity", "0", "X:Integer"}, "--capacity must be"},
      {{"--collation", "Klingon", "X:Integer"}, "Collation \"Klingon\" does not exist"},
      {{"X:Integer", "--index", "ENG"}, "expected NAME=SPEC"},
      {{"X:Integer", "--index", "BAD=NOPE"}, "Invalid index specification"},
      {{"X:Integer", "--index", "BAD=X", "--index", "BAD=X"}, "Index \"BAD\" already open"},
      {{"X:Integer", "--bogus"}, "usage: vxbtool create"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"create", Table("T")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(Joined(args));
    const TToolRun run = Run(args);
    EXPECT_EQ(run.Status, 2) << run.Err;
    EXPECT_TRUE(Contains(run.Err, c.message)) << run.Err;
    EXPECT_EQ(Files(), std::vector<std::string>{}) << "files left behind";
  }
}

TEST_F(VxbToolCreate, AnExistingTableIsNotOverwritten) {
  Ok({"create", Table("T"), "A:Integer", "--index", "A=A"});
  Ok({"create", Table("Old"), "--level", "5", "A:Integer"});
  const std::string before = Read(Table("T.vxbt"));
  struct Case {
    std::vector<std::string> args;
    std::string exists;
  };
  const std::vector<Case> cases = {
      {{"create", Table("T"), "B:String:5"}, "T.vxbt"},
      {{"create", Table("T.vxbt"), "B:String:5"}, "T.vxbt"},
      {{"create", Table("Old"), "B:String:5"}, "Old.dat"},  // level 6 beside a level-5 table of that name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const TToolRun run = Run(c.args);
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "already exists")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, c.exists)) << run.Err;
  }
  EXPECT_EQ(Read(Table("T.vxbt")), before);
  EXPECT_TRUE(Contains(Ok({"info", Table("T")}).Out, "Columns (1):"));
}

}  // namespace
}  // namespace vexilo::tools::testing
