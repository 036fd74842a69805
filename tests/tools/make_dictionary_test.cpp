// tools/make-dictionary run as a real script on small dictd dictionaries:
// it makes the dictionary table with its indexes and descriptions, leaves
// nothing else behind, refuses a directory that holds a dictionary, and a
// run that fails half-way leaves no dictionary files at all.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"
#include "tests/tools_freedict/dictd_fixture.h"

namespace vexilo::tools::testing {
namespace {

namespace freedict = vexilo::tools::freedict::testing;

class MakeDictionary : public VxbToolFixture {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(Dir.Path() / "dictd");
    std::filesystem::create_directory(Dir.Path() / "out");
    freedict::WriteDictdDictionary(Dir.File("dictd"), "freedict-eng-hun",
                                   {{"apple", "apple /ˈæpəl/\nalma\n"}, {"book", "book /bʊk/\nkönyv\n"}});
    freedict::WriteDictdDictionary(Dir.File("dictd"), "freedict-hun-eng",
                                   {{"alma", "alma /ˈɒlmɒ/\napple\n"}, {"könyv", "könyv /ˈkøɲv/\nbook\n"}});
  }

  // Runs the script on DIR "out" with the programs `vxbtool` and the
  // test's freedict2tsv.
  TToolRun Make(const std::string& vxbtool = VXBTOOL_PATH) {
    return RunProgram(MAKE_DICTIONARY_PATH, {Dir.File("out")}, Dir.File("script.out"), Dir.File("script.err"),
                      {{"VXBTOOL", vxbtool}, {"FREEDICT2TSV", FREEDICT2TSV_PATH}, {"DICTD", Dir.File("dictd")}});
  }

  // Every entry of "out", hidden ones included.
  std::vector<std::string> Made() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path() / "out"))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  const std::vector<std::string> kDictionaryFiles = {"Eng_hun!ENG.vxbi", "Eng_hun!HUN.vxbi", "Eng_hun.vxbb",
                                                     "Eng_hun.vxbt"};
};

TEST_F(MakeDictionary, MakesTheIndexedDictionaryAndNothingElse) {
  const TToolRun run = Make();
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(Made(), kDictionaryFiles);

  const TToolRun info = Ok({"info", Dir.File("out/Eng_hun")});
  for (const char* part : {"Level:           6", "Records:         2", "Collation:       Hungarian",
                           "Indexes:         ENG, HUN", "WideString(80)", "WideMemo"})
    EXPECT_TRUE(Contains(info.Out, part)) << part << "\n" << info.Out;
  const std::vector<TJsonValue> records = Dump(Dir.File("out/Eng_hun"));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Member("ENG")->Text, "apple");
  EXPECT_EQ(records[0].Member("HUN")->Text, "alma");
  EXPECT_TRUE(Contains(records[0].Member("LEIR")->Text, "/ˈæpəl/")) << records[0].Member("LEIR")->Text;
  EXPECT_EQ(records[1].Member("HUN")->Text, "könyv");
  EXPECT_EQ(Ok({"check", Dir.File("out/Eng_hun")}).Out, "No damage found\n");
}

TEST_F(MakeDictionary, ADirectoryWithADictionaryIsLeftAlone) {
  ASSERT_EQ(Make().Status, 0);
  const std::string table = Read(Dir.File("out/Eng_hun.vxbt"));
  const TToolRun again = Make();
  EXPECT_EQ(again.Status, 1);
  EXPECT_TRUE(Contains(again.Err, "already holds the dictionary")) << again.Err;
  EXPECT_EQ(Made(), kDictionaryFiles);
  EXPECT_EQ(Read(Dir.File("out/Eng_hun.vxbt")), table);
}

TEST_F(MakeDictionary, ARunThatFailsHalfWayLeavesNoDictionary) {
  // A vxbtool that makes the table but fails to import into it.
  Write("failing-vxbtool",
        "#!/bin/sh\n"
        "if [ \"$1\" = import ]; then echo 'import broke' >&2; exit 1; fi\n"
        "exec '" VXBTOOL_PATH "' \"$@\"\n");
  ::chmod(Dir.File("failing-vxbtool").c_str(), 0755);
  const TToolRun run = Make(Dir.File("failing-vxbtool"));
  EXPECT_NE(run.Status, 0);
  EXPECT_TRUE(Contains(run.Err, "import broke")) << run.Err;
  EXPECT_EQ(Made(), std::vector<std::string>{});

  const TToolRun missing = Make(Dir.File("no-such-vxbtool"));
  EXPECT_EQ(missing.Status, 1);
  EXPECT_TRUE(Contains(missing.Err, "no-such-vxbtool is missing")) << missing.Err;
  EXPECT_EQ(Made(), std::vector<std::string>{});
}

}  // namespace
}  // namespace vexilo::tools::testing
