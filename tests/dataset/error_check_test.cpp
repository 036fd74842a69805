// The dataset layer's error check and expression error, reading the last
// error of a real services object.
#include "dataset/error_check.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "dataset/action_texts.h"
#include "dataset/vexbase_error.h"
#include "engine/api/session_errors.h"
#include "engine/errors/services.h"
#include "fs/format.h"
#include "fs/text.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

using fs::u8;

// The session's last error as the engine call interface reads it, over a
// services object; counts the reads so a test can tell they did not happen.
class ServicesSessionErrors : public api::TVxbSessionErrors {
 public:
  explicit ServicesSessionErrors(errors::TVxbServices& services) : FServices(services) {}

  int16_t GetLastError(int16_t& errCode, char16_t* errMsg, int maxLen) override {
    ++reads;
    return FServices.GetLastError(errCode, errMsg, maxLen);
  }
  int32_t GetLastErrorPos(char16_t* errMsg, int maxLen) override {
    ++reads;
    return FServices.GetLastErrorPos(errMsg, maxLen);
  }

  int reads = 0;

 private:
  errors::TVxbServices& FServices;
};

class ErrorCheckTest : public ::testing::Test {
 protected:
  // The exception the check raises for `result` while doing `action`.
  template <typename Exception>
  Exception Raised(std::u16string_view action, int32_t result) {
    try {
      RaiseEngineError(session, action, result);
    } catch (const Exception& error) {
      return error;
    }
    throw std::logic_error("the check raised nothing");
  }

  errors::TVxbServices services;
  ServicesSessionErrors session{services};
};

TEST_F(ErrorCheckTest, HandleAndCommunicationFailuresDoNotReadTheLastError) {
  services.SetLastError(88, u"Eng_hun");
  struct Case {
    int16_t result;
    const char* text;
  };
  const Case cases[] = {
      {-101, "The table handle is invalid"},
      {-102,
       "An error occured in the database engine. Please save your work and re-start the "
       "application"},
      {-104, "The statement handle is invalid"},
      {-105, "The session handle is invalid"},
      {-106,
       "A timeout occured during the server communication. Check whether the server is "
       "available and the timeout setting is correct"},
      {-107, "This function is not supported by the remote server"},
      {-108, "A communication error with the remote server has been detected"},
      {-203, "Unspecified error"},
  };
  for (const Case& c : cases) {
    try {
      RaiseEngineError(session, kActionFetchingRecord, c.result);
      ADD_FAILURE() << "no exception for " << c.result;
    } catch (const EVexBaseError&) {
      ADD_FAILURE() << "a VexBase error for " << c.result;
    } catch (const framework::EDatabaseError& error) {
      EXPECT_EQ(u8(error.Message()), std::string("Fetching record: ") + c.text) << c.result;
    }
  }
  EXPECT_EQ(session.reads, 0);
}

TEST_F(ErrorCheckTest, WithoutAStoredErrorTheMessageIsTheResultText) {
  const auto error = Raised<EVexBaseError>(kActionSettingRange, -15);
  EXPECT_EQ(error.VxbError(), -15);
  EXPECT_EQ(error.Reason(), 0);
  EXPECT_EQ(u8(error.Message()), "Setting range: Invalid access");
  EXPECT_EQ(session.reads, 1);
}

TEST_F(ErrorCheckTest, EngineExceptionWithoutAStoredErrorStillSaysWhatFailed) {
  const auto error = Raised<EVexBaseError>(kActionReadingMemo, -100);
  EXPECT_EQ(error.VxbError(), -100);
  EXPECT_EQ(error.Reason(), 0);
  EXPECT_EQ(u8(error.Message()), "Reading memo: Error in VexBase Engine");
}

TEST_F(ErrorCheckTest, StoredErrorIsAddedAfterTheResultText) {
  services.SetLastError(1, u"Eng_hun.vxbt");
  const std::u16string action = fs::FormatMessage(kActionOpeningVexBaseTable, {u"Eng_hun"});
  const auto error = Raised<EVexBaseError>(action, -1);
  EXPECT_EQ(error.VxbError(), -1);
  EXPECT_EQ(error.Reason(), -1);
  EXPECT_EQ(u8(error.Message()),
            "Opening VexBase table Eng_hun: Cannot open table. Cannot open file "
            "\"Eng_hun.vxbt\"");
}

TEST_F(ErrorCheckTest, RejectedFilterNamesTheConditionError) {
  services.SetLastError(errors::ESqlParser(25, 1, 6, u"ENG = ", u"ENG = "));
  const auto error = Raised<EVexBaseError>(kActionSettingFilter, -44);
  EXPECT_EQ(error.Reason(), -25);
  EXPECT_EQ(u8(error.Message()),
            "Setting filter: Search-condition is invalid. Syntax error in expression \"ENG = \"");
}

TEST_F(ErrorCheckTest, EngineExceptionGivesTheStoredMessageOnly) {
  services.SetLastError(105, {});
  const auto error = Raised<EVexBaseError>(kActionEnteringRecord, -100);
  EXPECT_EQ(error.VxbError(), -100);
  EXPECT_EQ(error.Reason(), -105);
  EXPECT_EQ(u8(error.Message()), "Entering record: Record is being edited by another user");
}

TEST_F(ErrorCheckTest, LongStoredMessagesAreCutAt255Characters) {
  services.SetLastError(135, std::u16string(300, u'x'));
  const auto error = Raised<EVexBaseError>(kActionDeletingRecord, -100);
  EXPECT_EQ(u8(error.Message()), "Deleting record: " + std::string(255, 'x'));
}

TEST_F(ErrorCheckTest, ResultsOfZeroOrMorePassThrough) {
  services.SetLastError(88, u"Eng_hun");
  EXPECT_EQ(CheckEngineResult(session, kActionFetchingRecord, 0), 0);
  EXPECT_EQ(CheckEngineResult(session, kActionFetchingRecord, 70000), 70000);
  EXPECT_THROW(CheckEngineResult(session, kActionFetchingRecord, -1), EVexBaseError);
}

TEST_F(ErrorCheckTest, ExpressionErrorPointsAtTheErrorPosition) {
  // Eleven characters, error at position 4: the line keeps its first five.
  services.SetLastErrorPos(50, u"LEIRx", 4, u"LEIRx = 'a'");
  const std::u16string expression = u"LEIRx = 'a'";
  try {
    RaiseExpressionError(session, expression, -44);
    FAIL() << "no exception";
  } catch (const EVexBaseExpressionError& error) {
    EXPECT_EQ(error.VxbError(), -44);
    EXPECT_EQ(error.Reason(), -50);
    EXPECT_EQ(u8(error.Expression()), "LEIRx = 'a'");
    EXPECT_EQ(u8(error.ErrorLine()), "LEIRx");
    EXPECT_EQ(u8(error.ErrorReason()), "Unknown identifier \"LEIRx\"");
    EXPECT_EQ(u8(error.Message()),
              "Search-condition is invalid\r\nLEIRx = 'a'\r\nHinter\r\nLEIRx\r\n"
              "Unknown identifier \"LEIRx\"");
  }
}

TEST_F(ErrorCheckTest, ExpressionErrorKeepsAShortLineWhole) {
  services.SetLastErrorPos(41, u"", 40, u"ENG =");
  try {
    RaiseExpressionError(session, u"ENG =", -7);
    FAIL() << "no exception";
  } catch (const EVexBaseExpressionError& error) {
    EXPECT_EQ(u8(error.ErrorLine()), "ENG =");
    EXPECT_EQ(u8(error.Message()),
              "Invalid expression\r\nENG =\r\nHinter\r\nENG =\r\nExpression not complete");
  }
}

TEST(VexBaseError, FormattedMessageFallsBackToThePattern) {
  const EVexBaseError formatted = EVexBaseError::CreateFmt(-1, -88, u"%s: %s", {u"a", u"b"});
  EXPECT_EQ(u8(formatted.Message()), "a: b");
  EXPECT_EQ(formatted.VxbError(), -1);
  EXPECT_EQ(formatted.Reason(), -88);
  EXPECT_EQ(u8(EVexBaseError::CreateFmt(-1, 0, u"%d", {u"a"}).Message()), "%d");
  EXPECT_STREQ(EVexBaseError(-1, 0, u"Hibás művelet").what(), "Hibás művelet");
}

}  // namespace
}  // namespace vexilo::dataset
