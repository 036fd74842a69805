// vxbtool find and query on a small dictionary, run as real processes: the
// entry a search lands on and the ones after it in the index's order, exact
// and nearest, through a filter; the records a condition lets through in an
// index's order; refusals with the engine's message; and both working while
// another vxbtool holds an edit on the shared table.
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolSearch : public VxbToolFixture {
 protected:
  void SetUp() override {
    Write("rows.tsv",
          "ENG\tHUN\tLEIR\n"
          "pear\tkörte\tgyümölcs\n"
          "apple\talma\tpiros\n"
          "doesn't\tnem\t\n"
          "cherry\tcseresznye\tpiros\n"
          "cat\tmacska\t\n"
          "apricot\tkajszibarack\tsárga\n");
    Ok({"create", Table("D"), "--collation", "Hungarian", "ENG:WideString:80", "HUN:WideString:80", "LEIR:WideMemo",
        "--index", "ENG=ENG", "--index", "HUN=HUN"});
    Ok({"import", Table("D"), Dir.File("rows.tsv")});
  }

  // The ENG values of the lines written.
  static std::vector<std::string> Words(const std::string& out) {
    std::vector<std::string> words;
    for (const std::string& line : Lines(out)) {
      const size_t at = line.find("\"ENG\":\"");
      words.push_back(at == std::string::npos ? line : line.substr(at + 7, line.find('"', at + 7) - at - 7));
    }
    return words;
  }
};

TEST_F(VxbToolSearch, FindLandsOnTheFirstEntryNotSmallerAndShowsTheNextOnes) {
  struct TCase {
    std::vector<std::string> Args;
    std::vector<std::string> Words;
    const char* Match;
  };
  const std::vector<TCase> cases = {
      {{"ENG", "ap"}, {"apple", "apricot", "cat", "cherry", "doesn't"}, "nearest"},
      {{"ENG", "apple", "--next", "1"}, {"apple", "apricot"}, "exact"},
      {{"ENG", "APPLE", "--next", "0"}, {"apple"}, "exact"},
      {{"ENG", "c", "--next", "1"}, {"cat", "cherry"}, "nearest"},
      {{"ENG", "pe"}, {"pear"}, "nearest"},
      // HUN order: alma, cseresznye, kajszibarack, körte, macska, nem; "cs"
      // is one letter after "c" in Hungarian.
      {{"HUN", "c", "--next", "1"}, {"cherry", "apricot"}, "nearest"},
      {{"HUN", "k", "--next", "1"}, {"apricot", "pear"}, "nearest"},
      {{"ENG", "a", "--filter", "LEIR = 'piros'"}, {"apple", "cherry"}, "nearest"},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args = {"find", Table("D")};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    SCOPED_TRACE(Joined(args));
    const TToolRun run = Ok(args);
    EXPECT_EQ(Words(run.Out), c.Words);
    EXPECT_TRUE(Contains(Lines(run.Out).at(0), std::string("\"_match\":\"") + c.Match + "\"")) << run.Out;
  }
  const TToolRun apple = Ok({"find", Table("D"), "ENG", "apple", "--next", "0"});
  EXPECT_EQ(apple.Out, "{\"_match\":\"exact\",\"_recno\":2,\"ENG\":\"apple\",\"HUN\":\"alma\",\"LEIR\":\"piros\"}\n");
}

TEST_F(VxbToolSearch, FindPastTheLastEntryWritesNothing) {
  const TToolRun run = Ok({"find", Table("D"), "ENG", "zebra"});
  EXPECT_EQ(run.Out, "");
  EXPECT_TRUE(Contains(run.Err, "no entry at or after \"zebra\"")) << run.Err;
}

TEST_F(VxbToolSearch, QueryWritesWhatTheConditionLetsThroughInTheIndexOrder) {
  struct TCase {
    std::vector<std::string> Args;
    std::vector<std::string> Words;
  };
  const std::vector<TCase> cases = {
      {{"LEIR = 'piros'"}, {"apple", "cherry"}},
      {{"ENG >= 'b'", "--index", "ENG"}, {"cat", "cherry", "doesn't", "pear"}},
      {{"ENG >= 'b'", "--index", "HUN"}, {"cherry", "pear", "cat", "doesn't"}},
      {{"ENG >= 'b'", "--index", "ENG", "--limit", "2"}, {"cat", "cherry"}},
      {{"ENG = 'doesn''t'"}, {"doesn't"}},
      {{"HUN Like 'k%' Or ENG = 'cat'", "--index", "ENG"}, {"apricot", "cat", "pear"}},
      {{"ENG = 'nothing'"}, {}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args = {"query", Table("D")};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    SCOPED_TRACE(Joined(args));
    EXPECT_EQ(Words(Ok(args).Out), c.Words);
  }
}

TEST_F(VxbToolSearch, RefusalsEndWithTheEnginesMessage) {
  struct TCase {
    std::vector<std::string> Args;
    int Status;
    const char* Message;
  };
  const std::vector<TCase> cases = {
      {{"query", Table("D"), "ENG = "}, 1, "expected"},
      {{"query", Table("D"), "NOSUCH = 1"}, 1, "NOSUCH"},
      {{"query", Table("D"), "ENG = 'a'", "--index", "NOSUCH"}, 1, "The index does not exist"},
      {{"find", Table("D"), "NOSUCH", "a"}, 1, "The index does not exist"},
      {{"find", Table("D"), "ENG", "a", "--filter", "ENG = "}, 1, "expected"},
      {{"find", Dir.File("missing"), "ENG", "a"}, 1, ""},
      {{"find", Table("D"), "ENG"}, 2, "find TABLE INDEX TEXT"},
      {{"query", Table("D"), "ENG = 'a'", "--limit", "x"}, 2, "query TABLE CONDITION"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Joined(c.Args));
    const TToolRun run = Run(c.Args);
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
}

TEST_F(VxbToolSearch, SearchesReadTheSharedTableWhileAnotherProgramEditsIt) {
  TStartedProgram editor(VXBTOOL_PATH, {"edit", Table("D"), "1", "HUN=vajkörte", "--hold"}, Dir.File("editor.out"));
  ASSERT_EQ(editor.ReadErrorLine(), "Editing record 1; post with a line on standard input");
  EXPECT_EQ(Words(Ok({"find", Table("D"), "ENG", "pear", "--next", "0"}).Out), (std::vector<std::string>{"pear"}));
  EXPECT_EQ(Words(Ok({"query", Table("D"), "HUN = 'körte'"}).Out), (std::vector<std::string>{"pear"}));
  editor.WriteLine("");
  EXPECT_EQ(editor.Finish().Status, 0);
  // The posted change is what the next search reads.
  EXPECT_EQ(Words(Ok({"query", Table("D"), "HUN = 'vajkörte'"}).Out), (std::vector<std::string>{"pear"}));
}

}  // namespace
}  // namespace vexilo::tools::testing
