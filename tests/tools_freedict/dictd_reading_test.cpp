#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools_freedict/dictd_fixture.h"
#include "tools/freedict/dictd_dictionary.h"
#include "tools/freedict/dictd_index.h"
#include "tools/freedict/freedict_error.h"
#include "tools/freedict/gzip_file.h"

namespace vexilo::tools::freedict {
namespace {

using testing::EncodeDictdNumber;
using testing::WriteDictdDictionary;
using testing::WriteFile;
using testing::WriteGzipFile;
using ::testing::HasSubstr;

struct TNumberCase {
  std::string Digits;
  std::optional<uint64_t> Value;
};

TEST(DictdNumbers, DecodeMostSignificantDigitFirst) {
  const std::vector<TNumberCase> cases = {
      {"A", 0},
      {"B", 1},
      {"Z", 25},
      {"a", 26},
      {"z", 51},
      {"0", 52},
      {"9", 61},
      {"+", 62},
      {"/", 63},
      {"BA", 64},
      {"//", 4095},
      {"AAB", 1},                                   // leading zero digits
      {"elV5", 30 * 262144 + 37 * 4096 + 21 * 64 + 57},  // taken from a real index
      {"P//////////", UINT64_MAX},                  // 4 + 60 bits: the largest value
      {"", std::nullopt},
      {"Q//////////", std::nullopt},                // 65 bits
      {"AB=", std::nullopt},
      {"B C", std::nullopt},
      {"-1", std::nullopt},
      {"\xc3\xa9", std::nullopt},
  };
  for (const TNumberCase& c : cases) {
    EXPECT_EQ(DecodeDictdNumber(c.Digits), c.Value) << "digits \"" << c.Digits << "\"";
  }
}

TEST(DictdNumbers, EveryValueTheTestsWriteReadsBack) {
  for (uint64_t value : {0ull, 63ull, 64ull, 4096ull, 1234567ull, 1ull << 40}) {
    EXPECT_EQ(DecodeDictdNumber(EncodeDictdNumber(value)), value);
  }
}

TEST(DictdIndex, ReadsKeysOffsetsAndLengthsInFileOrder) {
  const std::vector<TDictdIndexEntry> entries =
      ParseDictdIndex("a\t9S\th\n-breasted\tB\tb\r\nzebra\tBA\tC\tZebra\n\n", "test.index");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Key, "a");
  EXPECT_EQ(entries[0].Offset, 61u * 64 + 18);
  EXPECT_EQ(entries[0].Length, 33u);
  EXPECT_EQ(entries[1].Key, "-breasted");
  EXPECT_EQ(entries[1].Length, 27u);
  EXPECT_EQ(entries[2].Key, "zebra");  // a fourth column (original headword) is allowed
  EXPECT_EQ(entries[2].Offset, 64u);
}

TEST(DictdIndex, LastLineWithoutLineBreakIsRead) {
  EXPECT_EQ(ParseDictdIndex("a\tA\tB\nb\tB\tB", "test.index").size(), 2u);
}

TEST(DictdIndex, DamagedLineIsReportedWithFileAndLineNumber) {
  const std::vector<std::string> damagedLines = {
      "no tabs at all", "key\tB", "key\t\tB", "key\tB\t", "key\tB\tB\tx\ty", "key\tB*\tB", "key\tB\tlength?",
  };
  for (const std::string& damaged : damagedLines) {
    const std::string text = "a\tA\tB\n" + damaged + "\nb\tB\tB\n";
    try {
      ParseDictdIndex(text, "broken.index");
      ADD_FAILURE() << "accepted \"" << damaged << "\"";
    } catch (const EFreedictError& error) {
      EXPECT_THAT(error.what(), HasSubstr("broken.index, line 2")) << damaged;
    }
  }
}

class DictdDictionaryTest : public ::testing::Test {
 protected:
  std::string Index() const { return dir.File("test.index"); }
  std::string Data() const { return dir.File("test.dict.dz"); }

  vexilo::testing::TempDir dir;
};

TEST_F(DictdDictionaryTest, ReadsEntryTextsAndPassesOverDescriptionEntries) {
  WriteDictdDictionary(dir.Path().string(), "test",
                       {{"a", "a /ˈeɪ/\n1. egy bizonyos\n2. egy\n"}, {"abc", "ABC /ˌeɪbˌiːsˈiː/\nábécé\n"}});
  // More description entries, as a real dictionary has, in both spellings.
  std::string index = testing::ReadFile(Index());
  index += "00databaseshort\tA\tB\n00-database-url\tB\tB\n";
  WriteFile(Index(), index);

  const std::vector<TDictdEntry> entries = ReadDictdDictionary(Index(), Data());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Key, "a");
  EXPECT_EQ(entries[0].Text, "a /ˈeɪ/\n1. egy bizonyos\n2. egy\n");
  EXPECT_EQ(entries[1].Text, "ABC /ˌeɪbˌiːsˈiː/\nábécé\n");
}

TEST_F(DictdDictionaryTest, EntryIndexedUnderSeveralKeysIsReadOnce) {
  const std::string text = "colour /kˈʌlə/\nszín\n";
  WriteGzipFile(Data(), text);
  WriteFile(Index(), "color\tA\t" + EncodeDictdNumber(text.size()) + "\ncolour\tA\t" +
                         EncodeDictdNumber(text.size()) + "\n");
  EXPECT_EQ(ReadDictdDictionary(Index(), Data()).size(), 1u);
}

TEST_F(DictdDictionaryTest, EntryBeyondTheDataIsAnErrorNamingTheEntry) {
  WriteGzipFile(Data(), "cat /kat/\nmacskák");  // 18 bytes
  for (const char* line : {"cat\tA\tT", "cat\tT\tA", "cat\tB\tS", "cat\tP//////////\tB", "cat\tB\tP//////////"}) {
    WriteFile(Index(), std::string(line) + "\n");
    try {
      ReadDictdDictionary(Index(), Data());
      ADD_FAILURE() << "accepted " << line;
    } catch (const EFreedictError& error) {
      EXPECT_THAT(error.what(), HasSubstr("\"cat\" lies beyond the end")) << line;
    }
  }
  WriteFile(Index(), "cat\tA\tS\n");  // exactly the data
  EXPECT_EQ(ReadDictdDictionary(Index(), Data()).size(), 1u);
}

TEST_F(DictdDictionaryTest, MissingFileIsAnError) {
  WriteFile(Index(), "cat\tA\tB\n");
  EXPECT_THROW(ReadDictdDictionary(Index(), Data()), EFreedictError);
}

TEST_F(DictdDictionaryTest, DamagedCompressedDataIsAnError) {
  const std::string text(5000, 'x');
  WriteGzipFile(Data(), text);
  const std::string whole = testing::ReadFile(Data());

  struct TDamage {
    const char* Name;
    std::string Bytes;
    const char* Message;
  };
  std::string flipped = whole;
  flipped[whole.size() / 2] ^= 0x55;
  std::string badCrc = whole;
  badCrc[whole.size() - 6] ^= 0x01;  // the CRC-32 in the trailer
  const std::vector<TDamage> damages = {
      {"not gzip", "plain text, not compressed", "not a gzip"},
      {"empty", "", "not a gzip"},
      {"header only", whole.substr(0, 10), "ends early"},
      {"cut in the middle", whole.substr(0, whole.size() / 2), "ends early"},
      {"trailer missing", whole.substr(0, whole.size() - 8), "ends early"},
      {"bytes flipped", flipped, ""},
      {"wrong checksum", badCrc, ""},
      {"garbage after the end", whole + "garbage", "after the end"},
  };
  for (const TDamage& damage : damages) {
    WriteFile(Data(), damage.Bytes);
    try {
      const std::string inflated = ReadGzipFile(Data());
      ADD_FAILURE() << damage.Name << ": accepted";
    } catch (const EFreedictError& error) {
      EXPECT_THAT(error.what(), HasSubstr(Data())) << damage.Name;
      EXPECT_THAT(error.what(), HasSubstr(damage.Message)) << damage.Name;
    }
  }
}

TEST_F(DictdDictionaryTest, GzipMembersOneAfterAnotherAreReadWhole) {
  WriteGzipFile(Data(), "first member\n");
  WriteGzipFile(Data(), "second member\n", "ab");
  EXPECT_EQ(ReadGzipFile(Data()), "first member\nsecond member\n");
}

TEST_F(DictdDictionaryTest, LargeDataInflatesCompletely) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "line " + std::to_string(i) + "\n";  // several output chunks
  WriteGzipFile(Data(), text);
  EXPECT_EQ(ReadGzipFile(Data()), text);
}

}  // namespace
}  // namespace vexilo::tools::freedict
