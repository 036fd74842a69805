// Calculated columns made with vxbtool create --calculate: the value is
// computed from the record on every append (import) and update (edit),
// nulls carry through, a value that cannot be computed or stored refuses
// the record, and a calculation that cannot be prepared is refused at
// create with no file left.
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolCalculatedColumn : public VxbToolFixture {
 protected:
  std::vector<std::string> Records(const std::string& table) { return Lines(Ok({"dump", Table(table)}).Out); }
};

TEST_F(VxbToolCalculatedColumn, ValuesAreComputedOnAppendAndUpdate) {
  Ok({"create", Table("C"), "N:Integer?", "DOUBLE:Integer?", "ENG:WideString:20", "UP:WideString?:20",
      "--calculate", "DOUBLE=N * 2", "--calculate", "UP=UPPER(ENG) || '!'"});
  Write("rows.tsv", "N\tENG\tDOUBLE\n5\tok\t1\n\tnone\t\n");
  Ok({"import", Table("C"), Dir.File("rows.tsv")});
  EXPECT_EQ(Records("C"), (std::vector<std::string>{R"({"_recno":1,"N":5,"DOUBLE":10,"ENG":"ok","UP":"OK!"})",
                                                    R"({"_recno":2,"N":null,"DOUBLE":null,"ENG":"none","UP":"NONE!"})"}));
  Ok({"edit", Table("C"), "2", "N=21", "ENG=más"});
  EXPECT_EQ(Records("C").back(), R"({"_recno":2,"N":21,"DOUBLE":42,"ENG":"más","UP":"MÁS!"})");
}

TEST_F(VxbToolCalculatedColumn, AValueThatCannotBeComputedOrStoredRefusesTheRecord) {
  struct TCase {
    std::string Calculation;
    std::string Row;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {"D=N / 0", "3", "Division by zero"},
      {"D=N * 1000000000", "3000", "exceeds the allowed range"},
      {"D=N * 1000000000", "-3000", "exceeds the allowed range"},
  };
  int table = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Calculation + " with " + c.Row);
    const std::string name = "T" + std::to_string(++table);
    Ok({"create", Table(name), "N:Integer", "D:Integer", "--calculate", c.Calculation});
    Write("row.tsv", "N\n" + c.Row + "\n");
    const TToolRun run = Run({"import", Table(name), Dir.File("row.tsv")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
    EXPECT_TRUE(Records(name).empty());
  }
}

TEST_F(VxbToolCalculatedColumn, ACalculationThatCannotBePreparedIsRefusedAndLeavesNoFile) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"N:Integer", "D:Date", "--calculate", "D=N + 1"}, "Type mismatch: BigInt->Date"},
      {{"N:Integer", "D:Integer", "--calculate", "D=N + 1 X"}, "Syntax error in expression \"X\""},
      {{"N:Integer", "D:Integer", "--calculate", "D=M"}, "Unknown identifier \"M\""},
      {{"L:WideMemo", "D:WideString:10", "--calculate", "D=L"}, "memo and blob columns in calculations"},
      {{"N:Integer", "--calculate", "X=N"}, "no column X"},
      {{"N:Integer", "--calculate", "N"}, "expected NAME=EXPRESSION"},
  };
  for (const auto& [definition, message] : cases) {
    std::vector<std::string> args{"create", Table("Q")};
    args.insert(args.end(), definition.begin(), definition.end());
    SCOPED_TRACE(Joined(args));
    const TToolRun run = Run(args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, message)) << run.Err;
    EXPECT_TRUE(Files().empty());
  }
}

}  // namespace
}  // namespace vexilo::tools::testing
