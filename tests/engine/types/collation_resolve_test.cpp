// Resolving collation names to collations and comparison options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/types/collation.h"
#include "fs/text.h"

namespace vexilo::types {
namespace {

using fs::u16;

TEST(CollationNames, ResolveToCollationAndOptions) {
  struct Case {
    const char* name;
    bool engine;
    TStrCmpOptions options;
  };
  const std::vector<Case> cases = {
      {"", true, scoLigatureSensitive | scoAccentSensitive},
      {"VexBase", true, scoLigatureSensitive | scoAccentSensitive},
      {"Hungarian", false, scoAccentSensitive},
      {"HUNGARIAN", false, scoAccentSensitive},
      {"Hungarian_CS_AI", false, scoCaseSensitive},
      {"hungarian_ci_as", false, scoAccentSensitive},
      {"Hungarian_CS", false, scoCaseSensitive | scoAccentSensitive},
      {"Hungarian_AI", false, 0},
      {"Hungarian_CI_AI", false, 0},
      {"Hungarian_cS_aS", false, scoCaseSensitive | scoAccentSensitive},
      {"German", false, scoAccentSensitive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TVxbResolvedCollation r = TVxbCollation::Resolve(u16(c.name));
    ASSERT_NE(r.collation, nullptr);
    EXPECT_EQ(r.collation->IsEngine(), c.engine);
    EXPECT_EQ(r.options, c.options);
    EXPECT_TRUE(TVxbCollation::IsSupported(u16(c.name)));
  }
}

TEST(CollationNames, NamesOfNoLanguageDoNotResolve) {
  for (const char* name : {"Klingon", "Klingon_CS", "vexbase", "VexBase_CI", "_CS", "_CS_AI", "Hun",
                           "Hungarian_AS_CS", "Hungarian_XX", " Hungarian"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TVxbCollation::Resolve(u16(name)).collation, nullptr);
    EXPECT_FALSE(TVxbCollation::IsSupported(u16(name)));
  }
}

TEST(CollationNames, OneLanguageGivesOneSharedCollation) {
  const TVxbCollation* hungarian = TVxbCollation::Resolve(u"Hungarian").collation;
  ASSERT_NE(hungarian, nullptr);
  EXPECT_EQ(TVxbCollation::Resolve(u"Hungarian").collation, hungarian);
  EXPECT_EQ(TVxbCollation::Resolve(u"hungarian_CS_AI").collation, hungarian);
  EXPECT_EQ(TVxbCollation::Resolve(u"").collation, &TVxbCollation::Engine());
  EXPECT_NE(TVxbCollation::Resolve(u"German").collation, hungarian);
}

TEST(CollationNames, DescribeTheirLocaleAndCodePage) {
  const TVxbCollation& engine = TVxbCollation::Engine();
  EXPECT_EQ(engine.LocaleId(), kEngineLocaleId);
  EXPECT_EQ(engine.CodePage(), 1252);
  EXPECT_EQ(engine.LanguageName(), u"VexBase");

  const TVxbCollation* hungarian = TVxbCollation::Resolve(u"hungarian").collation;
  ASSERT_NE(hungarian, nullptr);
  EXPECT_EQ(hungarian->LanguageName(), u"Hungarian");
  EXPECT_EQ(hungarian->LocaleId(), 0x0Eu);  // the Windows LCID of the Hungarian language
  EXPECT_FALSE(hungarian->IsEngine());

  struct Case {
    const char* language;
    uint16_t codePage;
  };
  const std::vector<Case> cases = {
      {"Hungarian", 1250}, {"Polish", 1250},     {"Czech", 1250},    {"Russian", 1251},
      {"Ukrainian", 1251}, {"Serbian", 1251},    {"English", 1252},  {"German", 1252},
      {"Greek", 1253},     {"Turkish", 1254},    {"Hebrew", 1255},   {"Arabic", 1256},
      {"Persian", 1256},   {"Lithuanian", 1257}, {"Estonian", 1257}, {"Vietnamese", 1258},
      {"Thai", 874},       {"Japanese", 932},    {"Chinese", 936},   {"Korean", 949},
      {"Hindi", 1252},  // no ANSI code page of its own
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    const TVxbCollation* collation = TVxbCollation::Resolve(u16(c.language)).collation;
    ASSERT_NE(collation, nullptr);
    EXPECT_EQ(collation->CodePage(), c.codePage);
  }
}

// A language ICU knows no Windows LCID for still gets a number of its own,
// outside the range of Windows LCIDs, the same every time.
TEST(CollationNames, LanguagesWithoutWindowsLcidGetAStableNumber) {
  const TVxbCollation* aghem = TVxbCollation::Resolve(u"Aghem").collation;
  ASSERT_NE(aghem, nullptr);
  EXPECT_GE(aghem->LocaleId(), 0x80000000u);
  const uint32_t fnv1aAgq = [] {
    uint32_t h = 2166136261u;
    for (const char c : std::string("agq")) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return 0x80000000u | (h & 0x7FFFFFFFu);
  }();
  EXPECT_EQ(aghem->LocaleId(), fnv1aAgq);
}

}  // namespace
}  // namespace vexilo::types
