#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fs/text.h"
#include "tests/support/temp_dir.h"
#include "tests/tools_freedict/dictd_fixture.h"
#include "tools/freedict/dictionary_rows.h"
#include "tools/freedict/freedict_conversion.h"
#include "tools/freedict/freedict_error.h"
#include "tools/freedict/row_statistics.h"
#include "tools/freedict/tsv_file.h"

namespace vexilo::tools::freedict {
namespace {

using fs::u16;
using testing::ReadFile;
using testing::TFixtureEntry;
using testing::WriteDictdDictionary;
using ::testing::HasSubstr;

// English-Hungarian entries in the data's own spelling: ô/û for ő/ű,
// backticks for apostrophes, index keys normalised.
const std::vector<TFixtureEntry> kEngHun = {
    {"breasted", "-breasted /bɹˈɛstɪd/\n-mellû\n"},
    {"a", "a /ˈeɪ/\n1. egy bizonyos\n2. egy\n"},
    {"doesnt", "doesn`t /dˈʌzənt/\nnem\n"},
    {"role", "rôle /ɹˈəʊl/\nszerep\n"},
};
const std::vector<TFixtureEntry> kHunEng = {
    {"mellű", "-mellű /mˈɛlːyː/\n-breasted\n"},
    {"egy", "egy /ˈɛɟ/\n1. a\n2. one\n"},
    {"szerep", "szerep /sˈɛrɛp/\n1. rôle\n2. part\n"},
};

class FreedictConversionTest : public ::testing::Test {
 protected:
  std::string Dir() const { return dir.Path().string(); }
  std::string Out() const { return dir.File("out.tsv"); }

  // The lines of the written file.
  std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(Out()));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  vexilo::testing::TempDir dir;
  std::ostringstream messages;
};

TEST_F(FreedictConversionTest, WritesOneRowPerPairWithBothDescriptionsJoined) {
  WriteDictdDictionary(Dir(), "freedict-eng-hun", kEngHun);
  WriteDictdDictionary(Dir(), "freedict-hun-eng", kHunEng);

  const TConversionSummary summary = ConvertFreedict(Dir(), Out(), messages);

  EXPECT_THAT(OutLines(), ::testing::ElementsAre(
      "ENG\tHUN\tLEIR",
      "-breasted\t-mellű\t-breasted /bɹˈɛstɪd/\\n-mellű\\n\\n-mellű /mˈɛlːyː/\\n-breasted",
      "a\tegy\ta /ˈeɪ/\\n1. egy bizonyos\\n2. egy\\n\\negy /ˈɛɟ/\\n1. a\\n2. one",
      "a\tegy bizonyos\ta /ˈeɪ/\\n1. egy bizonyos\\n2. egy",
      "doesn't\tnem\tdoesn't /dˈʌzənt/\\nnem",
      "one\tegy\tegy /ˈɛɟ/\\n1. a\\n2. one",
      "part\tszerep\tszerep /sˈɛrɛp/\\n1. rôle\\n2. part",
      "rôle\tszerep\trôle /ɹˈəʊl/\\nszerep\\n\\nszerep /sˈɛrɛp/\\n1. rôle\\n2. part"));
  EXPECT_EQ(summary.EngHunEntries, 4u);
  EXPECT_EQ(summary.HunEngEntries, 3u);
  EXPECT_EQ(summary.Pairs.EngHun, 5u);
  EXPECT_EQ(summary.Pairs.HunEng, 5u);
  EXPECT_EQ(summary.Pairs.Both, 3u);
  EXPECT_EQ(summary.Rows.Rows(), 7u);
  EXPECT_EQ(messages.str(), "");
  EXPECT_FALSE(std::filesystem::exists(Out() + ".part"));
}

TEST_F(FreedictConversionTest, SameInputGivesTheSameFileByteForByte) {
  WriteDictdDictionary(Dir(), "freedict-eng-hun", kEngHun);
  WriteDictdDictionary(Dir(), "freedict-hun-eng", kHunEng);
  ConvertFreedict(Dir(), Out(), messages);
  const std::string first = ReadFile(Out());

  // Entries in another order in the files give the same rows as well.
  WriteDictdDictionary(Dir(), "freedict-eng-hun", {kEngHun.rbegin(), kEngHun.rend()});
  WriteDictdDictionary(Dir(), "freedict-hun-eng", {kHunEng.rbegin(), kHunEng.rend()});
  ConvertFreedict(Dir(), Out(), messages);
  EXPECT_EQ(ReadFile(Out()), first);
}

TEST_F(FreedictConversionTest, OneMissingDictionaryIsLeftOutWithAWarning) {
  WriteDictdDictionary(Dir(), "freedict-hun-eng", kHunEng);
  const TConversionSummary summary = ConvertFreedict(Dir(), Out(), messages);
  EXPECT_THAT(messages.str(), HasSubstr("warning: missing " + Dir() + "/freedict-eng-hun.index"));
  EXPECT_THAT(messages.str(), HasSubstr("dict-freedict-eng-hun"));
  EXPECT_THAT(messages.str(), HasSubstr("using freedict-hun-eng alone"));
  EXPECT_EQ(summary.Rows.Rows(), 5u);
  EXPECT_EQ(OutLines().size(), 6u);

  // A dictionary with only one of its two files is missing as well.
  std::filesystem::remove(dir.File("freedict-hun-eng.dict.dz"));
  WriteDictdDictionary(Dir(), "freedict-eng-hun", kEngHun);
  messages.str("");
  EXPECT_EQ(ConvertFreedict(Dir(), Out(), messages).Rows.Rows(), 5u);
  EXPECT_THAT(messages.str(), HasSubstr("missing " + Dir() + "/freedict-hun-eng.dict.dz"));
}

TEST_F(FreedictConversionTest, NoDictionaryIsAnErrorAndWritesNothing) {
  try {
    ConvertFreedict(Dir(), Out(), messages);
    ADD_FAILURE() << "converted without dictionaries";
  } catch (const EFreedictError& error) {
    EXPECT_THAT(error.what(), HasSubstr("freedict-eng-hun.index"));
    EXPECT_THAT(error.what(), HasSubstr("freedict-hun-eng.index"));
  }
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(FreedictConversionTest, DamagedDictionaryLeavesAnOlderOutputFileAlone) {
  testing::WriteFile(Out(), "older rows\n");
  WriteDictdDictionary(Dir(), "freedict-eng-hun", kEngHun);
  WriteDictdDictionary(Dir(), "freedict-hun-eng", kHunEng);
  testing::WriteFile(dir.File("freedict-hun-eng.index"), "egy\tA\tZZZZ\n");  // beyond the data

  EXPECT_THROW(ConvertFreedict(Dir(), Out(), messages), EFreedictError);
  EXPECT_EQ(ReadFile(Out()), "older rows\n");
  EXPECT_FALSE(std::filesystem::exists(Out() + ".part"));
}

TEST_F(FreedictConversionTest, UnusableEntriesAreCounted) {
  WriteDictdDictionary(Dir(), "freedict-eng-hun",
                       {{"empty", "\n"}, {"alone", "alone /əlˈəʊn/\n"}, {"bad", "bad /b\xff/\nrossz\n"}, kEngHun[0]});
  const TConversionSummary summary = ConvertFreedict(Dir(), Out(), messages);
  EXPECT_EQ(summary.EntriesWithoutHeadword, 1u);
  EXPECT_EQ(summary.EntriesWithoutTranslations, 1u);
  EXPECT_EQ(summary.EntriesWithBadUtf8, 1u);
  EXPECT_EQ(summary.Rows.Rows(), 2u);
  EXPECT_THAT(OutLines(), ::testing::Contains("bad\trossz\tbad /b\uFFFD/\\nrossz"));
}

TEST(TsvValues, EscapesWhatWouldBreakALineOrAColumn) {
  struct TCase {
    std::u16string Value;
    std::string Written;
  };
  const std::vector<TCase> cases = {
      {u"plain", "plain"},
      {u"a\tb", "a\\tb"},
      {u"a\nb", "a\\nb"},
      {u"a\r\nb", "a\\r\\nb"},
      {u"C:\\dir\\n", "C:\\\\dir\\\\n"},  // a backslash before n is not a line break
      {u"\\t", "\\\\t"},
      {u"", ""},
      {u16("kettő ˈɛɟ"), "kettő ˈɛɟ"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
  };
  for (const TCase& c : cases) EXPECT_EQ(EscapeTsvValue(c.Value), c.Written) << c.Written;
}

TEST(TsvFile, FileTakesItsNameOnlyWhenCommitted) {
  vexilo::testing::TempDir dir;
  const std::string path = dir.File("rows.tsv");
  {
    TTsvFile file(path);
    file.WriteRow({u"cat", u"macska", u"cat /kˈat/\nmacska"});
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));

  TTsvFile file(path);
  file.WriteRow({u"cat", u"macska", u"cat /kˈat/\nmacska"});
  file.Commit();
  EXPECT_EQ(ReadFile(path), "ENG\tHUN\tLEIR\ncat\tmacska\tcat /kˈat/\\nmacska\n");
}

TEST(TsvFile, UnwritablePlaceIsAnError) {
  vexilo::testing::TempDir dir;
  EXPECT_THROW(TTsvFile(dir.File("no such directory/rows.tsv")), EFreedictError);
}

TEST(DictionaryRows, PairGivenTwiceByOneEntryKeepsItsTextOnce) {
  TDictionaryRowBuilder builder;
  builder.AddEngHunEntry({u"x", u"", {u"y", u"y"}, u"x\n1. y\n2. y"});
  const std::vector<TDictionaryRow> rows = builder.Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Leir, u"x\n1. y\n2. y");
}

TEST(DictionaryRows, RowsComeInCodeUnitOrderOfEngThenHun) {
  TDictionaryRowBuilder builder;
  builder.AddEngHunEntry({u"b", u"", {u"z", u"a"}, u"b"});
  builder.AddEngHunEntry({u"B", u"", {u"\u0151"}, u"B"});
  builder.AddHunEngEntry({u"\u00e1", u"", {u"a"}, u"\u00e1"});
  std::vector<std::pair<std::u16string, std::u16string>> order;
  for (const TDictionaryRow& row : builder.Rows()) order.emplace_back(row.Eng, row.Hun);
  EXPECT_THAT(order, ::testing::ElementsAre(std::pair{std::u16string(u"B"), std::u16string(u"\u0151")},
                                            std::pair{std::u16string(u"a"), std::u16string(u"\u00e1")},
                                            std::pair{std::u16string(u"b"), std::u16string(u"a")},
                                            std::pair{std::u16string(u"b"), std::u16string(u"z")}));
}

TEST(RowStatistics, CountsRowsEachWidthWouldCut) {
  TRowStatistics statistics;
  statistics.Add({std::u16string(80, u'e'), std::u16string(81, u'h'), u"x"});
  statistics.Add({std::u16string(101, u'e'), u"h", u"xy"});
  statistics.Add({std::u16string(256, u'e'), std::u16string(128, u'h'), u""});
  statistics.Add({u"\U0001F600", u"h", u""});  // two UTF-16 units

  EXPECT_EQ(statistics.Rows(), 4u);
  EXPECT_EQ(statistics.LongestEng(), 256u);
  EXPECT_EQ(statistics.LongestHun(), 128u);
  EXPECT_EQ(statistics.LongestLeir(), 2u);
  struct TExpected {
    size_t Eng, Hun, Either;
  };
  const TExpected expected[] = {{2, 2, 3}, {2, 1, 2}, {1, 0, 1}, {1, 0, 1}};  // at 80, 100, 128, 255
  for (size_t i = 0; i < kColumnWidths.size(); ++i) {
    EXPECT_EQ(statistics.Cut(i).Eng, expected[i].Eng) << kColumnWidths[i];
    EXPECT_EQ(statistics.Cut(i).Hun, expected[i].Hun) << kColumnWidths[i];
    EXPECT_EQ(statistics.Cut(i).Either, expected[i].Either) << kColumnWidths[i];
  }
}

}  // namespace
}  // namespace vexilo::tools::freedict
