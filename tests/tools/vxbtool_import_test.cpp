// vxbtool import: rows of small TSV files arrive in the table with their
// escapes, line breaks and Hungarian letters; malformed files are refused
// with the line named.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolImport : public VxbToolFixture {
 protected:
  void SetUp() override {
    Ok({"create", Table("T"), "--collation", "Hungarian", "ENG:WideString:40", "HUN:WideString:40", "LEIR:WideMemo",
        "N:Integer?", "--index", "ENG=ENG", "--index", "HUN=HUN"});
  }
  static std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }
};

TEST_F(VxbToolImport, RowsArriveWithEscapesLineBreaksAndAccents) {
  Write("rows.tsv",
        "ENG\tHUN\tLEIR\tN\n"
        "apple\talma\tfn. gy\xC3\xBCm\xC3\xB6lcs\\nm\xC3\xA1sodik sor\t1\n"
        "tab\\there \\\\ back\t\xC5\x91 \xC5\xB1 \xC5\x90 \xC5\xB0\t\t\n"
        "quote \"x\"\tid\xC3\xA9z\xC5\x91jel\t\\t\\\\\t-7\n");
  const TToolRun run = Ok({"import", Table("T"), Dir.File("rows.tsv")});
  EXPECT_EQ(run.Out, "3 rows imported\n");
  EXPECT_EQ(LeftInTmp(), std::vector<std::string>{});

  struct Expected {
    std::string eng, hun, leir;
    const char* n;  // null when the value is null
  };
  const std::vector<Expected> expected = {
      {"apple", "alma", "fn. gy\xC3\xBCm\xC3\xB6lcs\nm\xC3\xA1sodik sor", "1"},
      {"tab\there \\ back", "\xC5\x91 \xC5\xB1 \xC5\x90 \xC5\xB0", "", nullptr},
      {"quote \"x\"", "id\xC3\xA9z\xC5\x91jel", "\t\\", "-7"},
  };
  const std::vector<TJsonValue> records = Dump(Table("T"));
  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(expected[i].eng);
    EXPECT_EQ(records[i].Member("ENG")->Text, expected[i].eng);
    EXPECT_EQ(records[i].Member("HUN")->Text, expected[i].hun);
    EXPECT_EQ(WithoutCr(records[i].Member("LEIR")->Text), expected[i].leir);
    if (expected[i].n == nullptr) {
      EXPECT_EQ(records[i].Member("N")->Type, TJsonValue::Kind::Null);
    } else {
      EXPECT_EQ(records[i].Member("N")->Text, expected[i].n);
    }
  }
}

TEST_F(VxbToolImport, ImportsAppendToWhatIsThere) {
  Write("one.tsv", "HUN\tENG\nk\xC3\xB6nyv\tbook\n");
  Write("two.tsv", "ENG\tHUN\ncat\tmacska\ndog\tkutya\n");
  EXPECT_EQ(Ok({"import", Table("T"), Dir.File("one.tsv")}).Out, "1 rows imported\n");
  EXPECT_EQ(Ok({"import", Table("T.vxbt"), Dir.File("two.tsv")}).Out, "2 rows imported\n");
  const std::vector<TJsonValue> records = Dump(Table("T"));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Member("HUN")->Text, "k\xC3\xB6nyv");
  EXPECT_EQ(records[0].Member("ENG")->Text, "book");
  EXPECT_EQ(records[2].Member("ENG")->Text, "dog");
}

TEST_F(VxbToolImport, MalformedFilesNameTheLine) {
  struct Case {
    std::string what;
    std::string content;
    std::string line;  // the line the message names
  };
  const std::vector<Case> cases = {
      {"unknown column", "ENG\tNOPE\napple\talma\n", "1"},
      {"short row", "ENG\tHUN\napple\talma\npear\n", "3"},
      {"long row", "ENG\tHUN\napple\talma\tx\n", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write("bad.tsv", c.content);
    const TToolRun run = Run({"import", Table("T"), Dir.File("bad.tsv")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, "bad.tsv")) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "line " + c.line) || Contains(run.Err, ":" + c.line + ":")) << run.Err;
  }
}

TEST_F(VxbToolImport, MissingFilesAndWrongArgumentsAreRefused) {
  Write("rows.tsv", "ENG\tHUN\napple\talma\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"import", Table("Nincs"), Dir.File("rows.tsv")}, 1, "File not found or access denied"},
      {{"import", Table("T"), Dir.File("nincs.tsv")}, 1, "nincs.tsv"},
      {{"import", Table("T")}, 2, "usage: vxbtool import"},
      {{"import", Table("T"), Dir.File("rows.tsv"), "extra"}, 2, "usage: vxbtool import"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const TToolRun run = Run(c.args);
    EXPECT_EQ(run.Status, c.status);
    EXPECT_TRUE(Contains(run.Err, c.message)) << run.Err;
  }
  EXPECT_EQ(Dump(Table("T")).size(), 0u);
}

TEST_F(VxbToolImport, OnATerminalAProgressBarIsDrawnSparinglyAndWipedAtTheEnd) {
  std::string rows = "ENG\tHUN\tLEIR\n";
  for (int i = 0; i < 20000; ++i) rows += "word" + std::to_string(i) + "\tsz\u00F3" + std::to_string(i) + "\tfn.\n";
  Write("rows.tsv", rows);
  const TToolRun quiet = Ok({"import", Table("T"), Dir.File("rows.tsv")});
  EXPECT_EQ(quiet.Err, "") << "no bar when standard error is no terminal";

  // The same import with standard error on a pseudo-terminal.
  int master = -1, slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  std::string table = Table("T"), file = Dir.File("rows.tsv"), out = Dir.File("tool.out");
  std::string program = VXBTOOL_PATH, command = "import";
  char* argv[] = {program.data(), command.data(), table.data(), file.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int outFd = ::open(out.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (outFd < 0 || dup2(outFd, 1) < 0 || dup2(slave, 2) < 0) _exit(126);
    ::close(master);
    execv(argv[0], argv);
    _exit(127);
  }
  ::close(slave);
  std::string terminal;
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) terminal.append(buffer, static_cast<size_t>(n));
  ::close(master);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << terminal;
  EXPECT_EQ(Read(out), "20000 rows imported\n");

  size_t draws = 0;
  for (size_t at = terminal.find("\rImporting ["); at != std::string::npos; at = terminal.find("\rImporting [", at + 1))
    ++draws;
  EXPECT_GE(draws, 1u) << terminal;
  EXPECT_LE(draws, static_cast<size_t>(elapsed / 100 + 2)) << terminal;
  const std::string wipe = "\r\033[K";
  ASSERT_GE(terminal.size(), wipe.size());
  EXPECT_EQ(terminal.substr(terminal.size() - wipe.size()), wipe) << "the bar is wiped at the end";
}

}  // namespace
}  // namespace vexilo::tools::testing
