// The engine call that gives the text of a call result code.
#include "engine/api/error_messages.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "fs/text.h"

namespace vexilo::api {
namespace {

using fs::u8;

TEST(CallResultText, GivesTheTextOfTheCodeOrUnknownError) {
  struct Case {
    int16_t code;
    const char* expected;
  };
  for (const Case& c : {Case{0, "No error"}, Case{-1, "Cannot open table"},
                        Case{-44, "Search-condition is invalid"},
                        Case{-105, "The session handle is invalid"}, Case{1, "Unknown error"},
                        Case{-4, "Unknown error"}, Case{-300, "Unknown error"}}) {
    std::array<char16_t, 256> buffer{};
    EXPECT_EQ(VxbGetErrorMsg(c.code, buffer.data(), 255), 0) << c.code;
    EXPECT_EQ(u8(buffer.data()), c.expected) << c.code;
  }
}

TEST(CallResultText, IsCutAtTheMaximumLengthAndTerminated) {
  struct Case {
    int maxLen;
    const char* expected;
  };
  // "Cannot open table" has 17 characters.
  for (const Case& c : {Case{0, ""}, Case{6, "Cannot"}, Case{16, "Cannot open tabl"},
                        Case{17, "Cannot open table"}, Case{30, "Cannot open table"}}) {
    std::array<char16_t, 40> buffer;
    buffer.fill(u'#');
    EXPECT_EQ(VxbGetErrorMsg(-1, buffer.data(), c.maxLen), 0);
    EXPECT_EQ(u8(buffer.data()), c.expected) << c.maxLen;
    const size_t length = std::char_traits<char16_t>::length(buffer.data());
    EXPECT_EQ(buffer[length + 1], u'#') << "wrote past the terminator, maxLen " << c.maxLen;
  }
}

TEST(CallResultText, NoRoomMeansNothingIsWritten) {
  EXPECT_EQ(VxbGetErrorMsg(-1, nullptr, 20), 0);
  char16_t guard = u'#';
  EXPECT_EQ(VxbGetErrorMsg(-1, &guard, -1), 0);
  EXPECT_EQ(guard, u'#');
}

}  // namespace
}  // namespace vexilo::api
