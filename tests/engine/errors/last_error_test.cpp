// The session's last error as the services object stores it and hands it to
// the callers of the engine.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "engine/errors/compiler_error.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/messages.h"
#include "engine/errors/services.h"
#include "fs/text.h"

namespace vexilo::errors {
namespace {

using fs::u8;

TEST(LastError, NewServicesHoldNoError) {
  const TVxbServices services;
  EXPECT_EQ(services.LastErrorCode(), 0);
  EXPECT_TRUE(services.LastErrorMsg().empty());
  EXPECT_TRUE(services.LastErrorLine().empty());
  EXPECT_EQ(services.LastErrorPos(), 0);

  int16_t code = 99;
  std::array<char16_t, 8> buffer;
  buffer.fill(u'x');
  EXPECT_EQ(services.GetLastError(code, buffer.data(), 7), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(buffer[0], u'\0');
}

TEST(LastError, StoresTheFormattedTemplateAndReturnsTheNegatedNumber) {
  TVxbServices services;
  EXPECT_EQ(services.SetLastError(88, u"Eng_hun"), -88);
  EXPECT_EQ(services.LastErrorCode(), 88);
  EXPECT_EQ(u8(services.LastErrorMsg()), "Table \"Eng_hun\" not found");

  EXPECT_EQ(services.SetLastError(189, {300, 1, 255}), -189);
  EXPECT_EQ(u8(services.LastErrorMsg()),
            "String type has a length of 300, which is outside the allowed range of 1 to 255");
}

TEST(LastError, ArgumentsThatDoNotFitStoreTheMarkedTemplate) {
  TVxbServices services;
  EXPECT_EQ(services.SetLastError(189, u"not a number"), -189);
  EXPECT_EQ(services.LastErrorCode(), 189);
  EXPECT_EQ(u8(services.LastErrorMsg()),
            "Invalid error message: String type has a length of %d, which is outside the "
            "allowed range of %d to %d");
}

TEST(LastError, InternalNumberLeavesThePreviousErrorAndReturnsItsCode) {
  TVxbServices services;
  EXPECT_EQ(services.SetLastError(9999, u"x"), 0);
  EXPECT_EQ(services.LastErrorCode(), 0);

  services.SetLastErrorPos(25, u"ENG =", 4, u"ENG =");
  EXPECT_EQ(services.SetLastError(9999, u"x"), -25);
  EXPECT_EQ(services.SetLastError(EVxbEngine(9999, {})), -25);
  EXPECT_EQ(services.SetLastErrorMsgPos(9999, u"other", 1, u"other line"), -25);
  EXPECT_EQ(services.LastErrorCode(), 25);
  EXPECT_EQ(u8(services.LastErrorMsg()), "Syntax error in expression \"ENG =\"");
  EXPECT_EQ(u8(services.LastErrorLine()), "ENG =");
  EXPECT_EQ(services.LastErrorPos(), 4);
}

TEST(LastError, StoresAnExceptionAsItIs) {
  TVxbServices services;
  EXPECT_EQ(services.SetLastError(EVxbEngine::CreateMsg(123, u"Exception: disk full")), -123);
  EXPECT_EQ(services.LastErrorCode(), 123);
  EXPECT_EQ(u8(services.LastErrorMsg()), "Exception: disk full");
}

TEST(LastError, CompilerErrorsStoreTheirLineWithTabsAsBlanks) {
  TVxbServices services;
  const ESqlParser error(25, 3, 6, u"ENG\t= ", u"ENG\t=\t'a' Or");
  EXPECT_EQ(services.SetLastError(error), -25);
  EXPECT_EQ(u8(services.LastErrorMsg()), u8(error.Message()));
  EXPECT_EQ(u8(services.LastErrorUnitName()), "SQL command");
  EXPECT_EQ(u8(services.LastErrorLine()), "ENG = 'a' Or");
  EXPECT_EQ(services.LastErrorLineNo(), 3);
  EXPECT_EQ(services.LastErrorPos(), 6);
}

TEST(LastError, PositionOperationsStoreLineAndPosition) {
  TVxbServices services;
  EXPECT_EQ(services.SetLastErrorPos(50, u"LEIRAS", 0, u"LEIRAS\t= 'x'"), -50);
  EXPECT_EQ(u8(services.LastErrorMsg()), "Unknown identifier \"LEIRAS\"");
  EXPECT_EQ(u8(services.LastErrorLine()), "LEIRAS = 'x'");
  EXPECT_EQ(services.LastErrorPos(), 0);

  EXPECT_EQ(services.SetLastErrorMsgPos(7, u"The search-condition is invalid: %s", 9,
                                        u"ENG = 'a'\tAnd"),
            -7);
  EXPECT_EQ(u8(services.LastErrorMsg()), "The search-condition is invalid: %s");
  EXPECT_EQ(u8(services.LastErrorLine()), "ENG = 'a' And");
  EXPECT_EQ(services.LastErrorPos(), 9);
}

TEST(LastError, ErrorWithoutPositionDropsThePreviousPosition) {
  TVxbServices services;
  services.SetLastError(ESqlParser(25, 1, 4, u"x", u"ENG = x"));
  services.SetLastError(88, u"Eng_hun");
  EXPECT_TRUE(services.LastErrorLine().empty());
  EXPECT_TRUE(services.LastErrorUnitName().empty());
  EXPECT_EQ(services.LastErrorPos(), 0);
  EXPECT_EQ(services.LastErrorLineNo(), 0);
}

TEST(LastError, StoringFromTheStoredTextsKeepsThem) {
  TVxbServices services;
  services.SetLastErrorMsgPos(7, u"message", 2, u"line");
  const std::u16string& storedMsg = services.LastErrorMsg();
  const std::u16string& storedLine = services.LastErrorLine();
  services.SetLastErrorMsgPos(8, storedMsg, 3, storedLine);
  EXPECT_EQ(u8(services.LastErrorMsg()), "message");
  EXPECT_EQ(u8(services.LastErrorLine()), "line");
}

TEST(LastError, ClearForgetsEverything) {
  TVxbServices services;
  services.SetLastErrorPos(25, u"x", 3, u"line");
  services.ClearLastError();
  EXPECT_EQ(services.LastErrorCode(), 0);
  EXPECT_TRUE(services.LastErrorMsg().empty());
  EXPECT_TRUE(services.LastErrorLine().empty());
  EXPECT_EQ(services.LastErrorPos(), 0);
  EXPECT_FALSE(services.CreateLastErrorExc().has_value());
}

TEST(LastError, StoredErrorCanBeRaisedAgain) {
  TVxbServices services;
  EXPECT_FALSE(services.CreateLastErrorExc().has_value());
  services.SetLastError(189, u"not a number");
  const std::optional<EVxbEngine> again = services.CreateLastErrorExc();
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->Code(), 189);
  EXPECT_EQ(again->Message(), services.LastErrorMsg());
}

TEST(LastError, CopiesAreCutAtTheMaximumLengthAndTerminated) {
  TVxbServices services;
  services.SetLastErrorMsgPos(19, u"Record not found", 7, u"ENG = 'apple'");
  struct Case {
    int maxLen;
    const char* expected;
  };
  for (const Case& c : {Case{0, ""}, Case{6, "Record"}, Case{16, "Record not found"},
                        Case{40, "Record not found"}}) {
    std::array<char16_t, 48> buffer;
    buffer.fill(u'#');
    int16_t code = 0;
    EXPECT_EQ(services.GetLastError(code, buffer.data(), c.maxLen), 0);
    EXPECT_EQ(code, -19);
    EXPECT_EQ(u8(buffer.data()), c.expected) << c.maxLen;
    EXPECT_EQ(buffer[std::char_traits<char16_t>::length(buffer.data()) + 1], u'#')
        << "wrote past the terminator, maxLen " << c.maxLen;
  }

  std::array<char16_t, 6> line;
  line.fill(u'#');
  EXPECT_EQ(services.GetLastErrorPos(line.data(), 5), 7);
  EXPECT_EQ(u8(line.data()), "ENG =");
}

TEST(LastError, CopiesIntoNoBufferWriteNothing) {
  TVxbServices services;
  services.SetLastErrorPos(88, u"t", 2, u"line");
  int16_t code = 0;
  EXPECT_EQ(services.GetLastError(code, nullptr, 10), 0);
  EXPECT_EQ(code, -88);
  char16_t guard = u'#';
  services.GetLastError(code, &guard, -1);
  EXPECT_EQ(guard, u'#');
  EXPECT_EQ(services.GetLastErrorPos(nullptr, 10), 2);
}

}  // namespace
}  // namespace vexilo::errors
