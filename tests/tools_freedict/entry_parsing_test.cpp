#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fs/text.h"
#include "tools/freedict/freedict_entry.h"
#include "tools/freedict/legacy_spelling.h"

namespace vexilo::tools::freedict {
namespace {

using fs::u16;

struct TEntryCase {
  const char* Name;
  std::string Text;
  std::string Headword;
  std::string Pronunciation;
  std::vector<std::string> Translations;
};

std::vector<std::u16string> Utf16(const std::vector<std::string>& texts) {
  std::vector<std::u16string> converted;
  for (const std::string& text : texts) converted.push_back(u16(text));
  return converted;
}

TEST(FreedictEntries, HeadwordPronunciationAndTranslations) {
  const std::vector<TEntryCase> cases = {
      {"single translation", "-breasted /bɹˈɛstɪd/\n-mellű\n", "-breasted", "bɹˈɛstɪd", {"-mellű"}},
      {"numbered translations", "a /ˈeɪ/\n1. egy bizonyos\n2. egy\n", "a", "ˈeɪ", {"egy bizonyos", "egy"}},
      {"ten and more senses",
       "x /x/\n1. a\n2. b\n3. c\n4. d\n5. e\n6. f\n7. g\n8. h\n9. i\n10. j\n11. k\n",
       "x",
       "x",
       {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"}},
      {"headword as written, not as indexed", "0,062 milliliter /nˈullɑ/\nminim\n", "0,062 milliliter", "nˈullɑ",
       {"minim"}},
      {"slashes inside the headword", "he/she is /hiː ʃiː ˈɪz/\nő van\n", "he/she is", "hiː ʃiː ˈɪz", {"ő van"}},
      {"no pronunciation", "1852 méter/óra\nknot\n", "1852 méter/óra", "", {"knot"}},
      {"a single numbered-looking translation stays whole", "first class /f/\n1. osztály\n", "first class", "f",
       {"1. osztály"}},
      {"numbers out of sequence are kept", "y /y/\n1. egy\n3. három\n", "y", "y", {"1. egy", "3. három"}},
      {"a number inside a numbered line stays", "z /z/\n1. 4046,78 négyzetméter\n2. 1. osztály\n", "z", "z",
       {"4046,78 négyzetméter", "1. osztály"}},
      {"CR LF line breaks", "cat /kˈat/\r\n1. macska\r\n2. cica\r\n", "cat", "kˈat", {"macska", "cica"}},
      {"blank lines and spaces around", "\n  dog /dˈɒɡ/  \n\n kutya \n\n", "dog", "dˈɒɡ", {"kutya"}},
      {"no translations", "lonely /lˈəʊnli/\n", "lonely", "lˈəʊnli", {}},
      {"no final line break", "owl /ˈaʊl/\nbagoly", "owl", "ˈaʊl", {"bagoly"}},
  };
  for (const TEntryCase& c : cases) {
    const std::optional<TFreedictEntry> entry = ParseFreedictEntry(u16(c.Text));
    ASSERT_TRUE(entry.has_value()) << c.Name;
    EXPECT_EQ(entry->Headword, u16(c.Headword)) << c.Name;
    EXPECT_EQ(entry->Pronunciation, u16(c.Pronunciation)) << c.Name;
    EXPECT_EQ(entry->Translations, Utf16(c.Translations)) << c.Name;
  }
}

TEST(FreedictEntries, TextKeepsEveryCharacterButTheOuterLineBreaks) {
  const std::string inner = "a /ˈeɪ/\n1. egy bizonyos\t(!)\r\n2. egy \\ kettő";
  EXPECT_EQ(ParseFreedictEntry(u16("\n" + inner + "\n\n"))->Text, u16(inner));
}

TEST(FreedictEntries, EntryWithoutHeadwordIsNone) {
  for (const char* text : {"", "\n", "\r\n\n", "   \nkutya\n"}) {
    EXPECT_FALSE(ParseFreedictEntry(u16(text)).has_value()) << "\"" << text << "\"";
  }
}

TEST(LegacySpelling, BackticksBecomeApostrophes) {
  EXPECT_EQ(RepairApostrophes(u"doesn`t `tis o`clock"), u"doesn't 'tis o'clock");
}

TEST(LegacySpelling, LatinOneLettersBecomeHungarian) {
  EXPECT_EQ(RepairHungarianLetters(u16("kettô tûz ÔSZ ÛR őű öü")), u16("kettő tűz ŐSZ ŰR őű öü"));
}

TEST(LegacySpelling, EntryRepairTouchesOnlyTheHungarianLines) {
  const std::u16string engHun = u16("rôle /ɹˈəʊl/\n1. szerep`\n2. hivatás az életben, amit ô tölt be\n");
  EXPECT_EQ(RepairEntryText(engHun, true),
            u16("rôle /ɹˈəʊl/\n1. szerep'\n2. hivatás az életben, amit ő tölt be\n"));

  const std::u16string hunEng = u16("szerep /sˈɛrɛp/\n1. rôle\n2. part`s\n");
  EXPECT_EQ(RepairEntryText(hunEng, false), u16("szerep /sˈɛrɛp/\n1. rôle\n2. part's\n"));

  // The headword line is the first line that is not empty.
  EXPECT_EQ(RepairEntryText(u16("\nrôle /r/\nszerepkôr"), true), u16("\nrôle /r/\nszerepkőr"));
  EXPECT_EQ(RepairEntryText(u16("rôle only"), true), u16("rôle only"));
}

}  // namespace
}  // namespace vexilo::tools::freedict
