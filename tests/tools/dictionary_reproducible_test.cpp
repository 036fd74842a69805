// The default dictionary made twice from the full FreeDict data (when
// Debian's eng-hun and hun-eng dictionaries are installed) gives the same
// files byte for byte, apart from the one field a level-6 table file fills
// at random: the 40 letters of the definition block's check string.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/types/memory.h"
#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

using types::TvwMemory;

// Heap table file, level 6: the definition block starts at 4529 with the
// check string, a 16-bit count of 40 and then 40 UTF-16 letters.
constexpr size_t kCheckStringCount = 4529;
constexpr size_t kCheckStringText = kCheckStringCount + 2;
constexpr size_t kCheckStringLength = 40;

class DefaultDictionary : public VxbToolFixture {
 protected:
  // Makes the dictionary in `dir` from `tsv`, as tools/make-dictionary does.
  void Make(const std::string& dir, const std::string& tsv) {
    std::filesystem::create_directory(Dir.Path() / dir);
    const std::string table = Dir.File(dir + "/Eng_hun");
    Ok({"create", table, "--level", "6", "--collation", "Hungarian", "--blob-block-size", "512",
        "ENG:WideString:80", "HUN:WideString:80", "LEIR:WideMemo?", "--index", "ENG=ENG", "--index", "HUN=HUN"});
    Ok({"import", table, tsv});
  }
  // The table's files in `dir` (the directory's database control file aside).
  std::vector<std::string> FilesIn(const std::string& dir) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path() / dir)) {
      const std::string name = entry.path().filename().string();
      if (name != dir + ".vxbd") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

// Replaces the check string's letters by '-' after checking that they stand
// where a level-6 heap table keeps them.
void MaskCheckString(std::string& table) {
  ASSERT_GT(table.size(), kCheckStringText + 2 * kCheckStringLength);
  ASSERT_EQ(table.substr(0, 4), std::string("\x64\xAA\x57\xFF", 4));
  ASSERT_EQ(TvwMemory::ReadInt16(table.data(), 4), 6);
  ASSERT_EQ(TvwMemory::ReadUInt16(table.data(), kCheckStringCount), kCheckStringLength);
  for (size_t i = 0; i < kCheckStringLength; ++i) {
    const uint16_t letter = TvwMemory::ReadUInt16(table.data(), kCheckStringText + 2 * i);
    ASSERT_TRUE(letter >= u'a' && letter <= u'z') << i;
    if (i == 7 || i == 24 || i == 37) {
      ASSERT_EQ(letter, i == 7 ? u'v' : i == 24 ? u'x' : u'b') << i;
    }
    table[kCheckStringText + 2 * i] = '-';
  }
}

TEST_F(DefaultDictionary, MadeTwiceFromFreeDictItIsTheSameApartFromTheCheckString) {
  if (!std::filesystem::exists("/usr/share/dictd/freedict-eng-hun.index") ||
      !std::filesystem::exists("/usr/share/dictd/freedict-hun-eng.index"))
    GTEST_SKIP() << "Debian's FreeDict eng-hun and hun-eng dictionaries are not installed";
  const std::string tsv = Dir.File("rows.tsv");
  const TToolRun converted = Run({tsv}, FREEDICT2TSV_PATH);
  ASSERT_EQ(converted.Status, 0) << converted.Err;
  const size_t rows = Lines(Read(tsv)).size() - 1;
  ASSERT_GT(rows, 200000u);

  Make("a", tsv);
  Make("b", tsv);
  const std::vector<std::string> files = FilesIn("a");
  EXPECT_EQ(files, (std::vector<std::string>{"Eng_hun!ENG.vxbi", "Eng_hun!HUN.vxbi", "Eng_hun.vxbb",
                                             "Eng_hun.vxbt"}));
  EXPECT_EQ(FilesIn("b"), files);
  EXPECT_TRUE(Contains(Ok({"info", Dir.File("a/Eng_hun")}).Out, "Records:         " + std::to_string(rows)));

  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    std::string a = Read(Dir.File("a/" + name));
    std::string b = Read(Dir.File("b/" + name));
    if (name == "Eng_hun.vxbt") {
      MaskCheckString(a);
      MaskCheckString(b);
    }
    ASSERT_EQ(a.size(), b.size());
    size_t first = 0;
    while (first < a.size() && a[first] == b[first]) ++first;
    EXPECT_EQ(first, a.size()) << "the files differ first at byte " << first;
  }
}

}  // namespace
}  // namespace vexilo::tools::testing
