// The two message tables: templates of engine error numbers and texts of call
// result codes.
#include "engine/errors/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "fs/text.h"

namespace vexilo::errors {
namespace {

struct NumberedText {
  int number;
  std::u16string_view text;
};

class EngineTemplateTest : public ::testing::TestWithParam<NumberedText> {};

TEST_P(EngineTemplateTest, HoldsTheTemplateOfItsNumber) {
  EXPECT_EQ(fs::u8(EngineMessageTemplate(GetParam().number)), fs::u8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    SpotChecks, EngineTemplateTest,
    ::testing::Values(
        NumberedText{1, u"Cannot open file \"%s\""},
        NumberedText{3, u"Error while writing to file \"%s\""},
        NumberedText{14, u"\"%s\" is not a data field"},
        NumberedText{19, u"Record not found"},
        NumberedText{56, u"\"%s\" expected but \"%s\" found"},
        NumberedText{81, u"Value %s of type %s exceeds the allowed range from %s to %s"},
        NumberedText{99, u"Not enough memory"},
        NumberedText{134,
                     u"Table is of an unknown version (level > 6) or table file header is corrupt"},
        NumberedText{135, u"%s"},
        NumberedText{181, u"The record ist not in edit mode (call NewRec or ModfiyRec)"},
        NumberedText{189,
                     u"String type has a length of %d, which is outside the allowed range of %d "
                     u"to %d"},
        NumberedText{190, u"Ungültige Relationstabelle"}));

TEST(EngineTemplates, NumbersWithoutATemplateGiveTheEmptyText) {
  for (int number : {15, 17, 21, 24, 27, 39, 40, 62, 63, 96, 100, 131, 148, 163}) {
    EXPECT_TRUE(EngineMessageTemplate(number).empty()) << number;
  }
  for (int number : {0, -1, 191, 9999}) {
    EXPECT_TRUE(EngineMessageTemplate(number).empty()) << number;
  }
}

TEST(EngineTemplates, EveryOtherNumberUpTo190HasATemplate) {
  int filled = 0;
  for (int number = 1; number <= 190; ++number) {
    if (!EngineMessageTemplate(number).empty()) ++filled;
  }
  EXPECT_EQ(filled, 176);
}

TEST(EngineTemplates, InternalExceptionTextSaysItMayBeIgnored) {
  const std::string text = fs::u8(InternalExceptionText());
  EXPECT_EQ(text.rfind("Non-critical internal VexBase exception (", 0), 0u) << text;
  EXPECT_NE(text.find("debugger"), std::string::npos);
  EXPECT_NE(text.find("ignored"), std::string::npos);
  EXPECT_EQ(text.back(), ')');
}

class CallResultTextTest : public ::testing::TestWithParam<NumberedText> {};

TEST_P(CallResultTextTest, HoldsTheTextOfItsCode) {
  EXPECT_EQ(fs::u8(CallResultMessage(GetParam().number)), fs::u8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    SpotChecks, CallResultTextTest,
    ::testing::Values(
        NumberedText{0, u"No error"}, NumberedText{-1, u"Cannot open table"},
        NumberedText{-44, u"Search-condition is invalid"},
        NumberedText{-59, u"The SQL command has an error at row %d, column %d"},
        NumberedText{-100, u"Error in VexBase Engine"},
        NumberedText{-101, u"The table handle is invalid"},
        NumberedText{-103, u"The passed buffer is too small for the data."},
        NumberedText{-205, u"Import failed"},
        // Codes the table does not hold.
        NumberedText{1, u"Unknown error"}, NumberedText{-4, u"Unknown error"},
        NumberedText{-300, u"Unknown error"}, NumberedText{2, u"Unknown error"},
        NumberedText{-109, u"Unknown error"}));

}  // namespace
}  // namespace vexilo::errors
