// Password scrambling and the password fields of each level: what is stored
// for a password and a method, and that the stored form leads back to them.
#include <gtest/gtest.h>

#include <string>

#include "engine/storage/file/password_field.h"
#include "engine/types/collation.h"
#include "engine/types/column_type.h"
#include "tests/engine/storage/table_file_fixture.h"

namespace vexilo::storage::testing {
namespace {

const types::TVxbCollation& Engine() { return types::TVxbCollation::Engine(); }

TEST(PasswordScrambling, ReversesAndComplementsEveryCharacter) {
  EXPECT_EQ(ScramblePassword(u"ab"), (std::u16string{static_cast<char16_t>(0xFF9D), static_cast<char16_t>(0xFF9E)}));
  EXPECT_EQ(ScrambleAnsiPassword("ab"), (std::string{'\x9D', '\x9E'}));
}

TEST(PasswordScrambling, ScramblingTwiceGivesThePasswordBack) {
  for (const std::u16string password : {u"", u"x", u"Jelszó-123", u"\U0001F511 kulcs"}) {
    EXPECT_EQ(ScramblePassword(ScramblePassword(password)), password);
    const std::string ansi = Engine().WideToAnsi(password);
    EXPECT_EQ(ScrambleAnsiPassword(ScrambleAnsiPassword(ansi)), ansi);
  }
}

TEST(PasswordScrambling, Level5And6FieldsMatchOnlyTheirPassword) {
  for (int16_t level : {5, 6}) {
    SCOPED_TRACE(level);
    const std::u16string field = EncodePasswordField(level, u"Geheimnis", Engine());
    EXPECT_NE(field, u"Geheimnis");
    EXPECT_TRUE(PasswordFieldMatches(level, field, u"Geheimnis", Engine()));
    EXPECT_FALSE(PasswordFieldMatches(level, field, u"geheimnis", Engine()));
    EXPECT_FALSE(PasswordFieldMatches(level, field, u"", Engine()));
  }
  // Level 5 goes through the code page: the field keeps every byte.
  const std::u16string field = EncodePasswordField(5, u"~\x80\x81\xFF", Engine());
  EXPECT_TRUE(PasswordFieldMatches(5, field, u"~\x80\x81\xFF", Engine()));
}

TEST(PasswordScrambling, ClassicFieldNamesTheMethod) {
  struct Case {
    int16_t level;
    TVxbEncryptionMethod method;
    std::u16string password;
    std::string stored;  // unscrambled
  };
  const std::vector<Case> cases = {
      {3, temNone, u"ignored", ""},
      {4, temFastEncrypt, u"pw", "_en:td_"},
      {4, temBlowfish, u"pw", "_en:bf_"},
      {4, temRijndael, u"pw", "_en:rj_"},
      {4, temProtection, u"Geheimnisvoll", "Geheimnisv"},  // cut to 10
      {3, temClassic, u"geheimnisvoll", "GEHEIMNISV"},     // upper-cased below level 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::string field = EncodeClassicPasswordField(c.level, c.method, c.password, Engine());
    EXPECT_EQ(ScrambleAnsiPassword(field), c.stored);
    const TVxbClassicPassword decoded = DecodeClassicPasswordField(field);
    EXPECT_EQ(decoded.Value, c.stored);
    EXPECT_EQ(decoded.Method, c.method == temClassic ? temProtection : c.method);
  }
}

TEST_F(TableFileFixture, Level5TableWithAPasswordOpensOnlyWithIt) {
  TVxbTableDefinition definition;
  TVxbColumnSpec nr;
  nr.Name = u"Nr";
  nr.TypeCode = types::vxbInteger;
  AddAccepted(definition, nr, 5, Services);
  CreateTable("T.dat", 5, definition, u"Tájkép");
  EXPECT_EQ(OpenError("T.dat", u"Tájkép"), 0);
  EXPECT_EQ(OpenError("T.dat", u"Tajkep"), 38);
}

}  // namespace
}  // namespace vexilo::storage::testing
