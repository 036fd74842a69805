// Engine exceptions: messages formatted from the engine templates, the fixed
// text of 9999, and the position the parser exceptions carry.
#include "engine/errors/engine_exception.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "engine/errors/compiler_error.h"
#include "engine/errors/messages.h"
#include "fs/text.h"

namespace vexilo::errors {
namespace {

using fs::u16;
using fs::u8;

TEST(EngineException, FormatsTheTemplateWithTheDescription) {
  const EVxbEngine error(88, u"Eng_hun");
  EXPECT_EQ(error.Code(), 88);
  EXPECT_EQ(u8(error.Message()), "Table \"Eng_hun\" not found");
  EXPECT_STREQ(error.what(), "Table \"Eng_hun\" not found");
}

TEST(EngineException, FormatsTheTemplateWithAnArgumentList) {
  const EVxbEngine error(189, {300, 1, 255});
  EXPECT_EQ(u8(error.Message()),
            "String type has a length of 300, which is outside the allowed range of 1 to 255");
}

TEST(EngineException, CarriesTheUnformattedTemplateWhenArgumentsDoNotFit) {
  struct Case {
    const char* name;
    int16_t code;
    std::array<fs::FormatArg, 1> args;
  };
  const Case cases[] = {
      {"text for %d", 189, {fs::FormatArg(u"long")}},
      {"too few arguments", 81, {fs::FormatArg(u"12")}},
  };
  for (const Case& c : cases) {
    const EVxbEngine error(c.code, fs::FormatArgs(c.args));
    EXPECT_EQ(error.Message(), EngineMessageTemplate(c.code)) << c.name;
    EXPECT_EQ(error.Code(), c.code) << c.name;
  }
}

TEST(EngineException, WhatGivesTheMessageInUtf8) {
  const EVxbEngine error(190, {});
  EXPECT_STREQ(error.what(), "Ungültige Relationstabelle");
}

TEST(EngineException, InternalNumberCarriesTheFixedTextWithEitherForm) {
  EXPECT_EQ(EVxbEngine(9999, u"ignored").Message(), InternalExceptionText());
  EXPECT_EQ(EVxbEngine(9999, {1, 2}).Message(), InternalExceptionText());
}

TEST(EngineException, CreateMsgKeepsTheMessageAsGiven) {
  const EVxbEngine error = EVxbEngine::CreateMsg(7, u"no %s template here");
  EXPECT_EQ(error.Code(), 7);
  EXPECT_EQ(u8(error.Message()), "no %s template here");
}

TEST(EngineException, ResultCheckRaisesForNegativeResultsOnly) {
  EXPECT_EQ(CheckResult(0), 0);
  EXPECT_EQ(CheckResult(17), 17);
  try {
    CheckResult(-88, {u"Eng_hun"});
    FAIL() << "no exception";
  } catch (const EVxbEngine& error) {
    EXPECT_EQ(error.Code(), 88);
    EXPECT_EQ(u8(error.Message()), "Table \"Eng_hun\" not found");
  }
}

TEST(EngineException, InternalCheckRaises9999ForNegativeResults) {
  EXPECT_EQ(CheckInternal(5), 5);
  try {
    CheckInternal(-3);
    FAIL() << "no exception";
  } catch (const EVxbEngine& error) {
    EXPECT_EQ(error.Code(), 9999);
  }
}

TEST(CompilerError, KeepsWhereTheErrorWasFound) {
  const EVxbCompilerError error(50, u"Module1", u"x := y\t+ 1", 12, 5, {u"y"});
  EXPECT_EQ(u8(error.Message()), "Unknown identifier \"y\"");
  EXPECT_EQ(u8(error.ErrorUnitName()), "Module1");
  EXPECT_EQ(u8(error.ErrorLine()), "x := y\t+ 1");
  EXPECT_EQ(error.ErrorLineNo(), 12);
  EXPECT_EQ(error.ErrorCharNo(), 5);
}

TEST(CompilerError, SqlParserErrorsNameTheSqlCommandAndTheTokenPlace) {
  const ESqlParser withDesc(25, 2, 7, u"ENG = ", u"ENG = ");
  EXPECT_EQ(u8(withDesc.Message()), "Syntax error in expression \"ENG = \"");
  EXPECT_EQ(u8(withDesc.ErrorUnitName()), "SQL command");
  EXPECT_EQ(withDesc.ErrorLineNo(), 2);
  EXPECT_EQ(withDesc.ErrorCharNo(), 7);
  EXPECT_EQ(u8(withDesc.Desc()), "ENG = ");

  const std::array<fs::FormatArg, 1> args{fs::FormatArg(u"'x' + 1")};
  const ESqlParser withArgs(44, 1, 3, u"HUN = 'x' + 1", fs::FormatArgs(args));
  EXPECT_EQ(u8(withArgs.Message()), "Type mismatch: 'x' + 1");
  EXPECT_EQ(u8(withArgs.ErrorUnitName()), "SQL command");
  EXPECT_EQ(u8(withArgs.ErrorLine()), "HUN = 'x' + 1");
  EXPECT_TRUE(withArgs.Desc().empty());
}

TEST(CompilerError, UnexpectedTokenNamesTheExpectedTokenFirst) {
  const EVxbSqlUnexpectedToken error(56, 1, 9, u")", u"(ENG = 'a'", u"end of text");
  EXPECT_EQ(u8(error.Message()), "\")\" expected but \"end of text\" found");
  EXPECT_EQ(u8(error.TokenFound()), "end of text");
  EXPECT_EQ(u8(error.ErrorUnitName()), "SQL command");
  EXPECT_EQ(error.ErrorCharNo(), 9);
}

TEST(CompilerError, ProgramCompilerErrorsAreCompilerErrors) {
  const ETplSyntaxError syntax(25, u"Unit", u"line", 1, 2, {u"x"});
  const ETplUnexpectedToken token(56, u"Unit", u"line", 1, 2, {u"a", u"b"});
  const ETplMemberExpected member(136, u"Unit", u"line", 1, 2, {u"m", u"C"});
  for (const EVxbCompilerError* error :
       {static_cast<const EVxbCompilerError*>(&syntax),
        static_cast<const EVxbCompilerError*>(&token),
        static_cast<const EVxbCompilerError*>(&member)}) {
    EXPECT_EQ(u8(error->ErrorUnitName()), "Unit");
    EXPECT_EQ(error->ErrorCharNo(), 2);
  }
  EXPECT_EQ(u8(member.Message()), "\"m\" is not a method or property of class \"C\"");
}

}  // namespace
}  // namespace vexilo::errors
