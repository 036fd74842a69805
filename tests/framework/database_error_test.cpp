// The framework's database error.
#include "framework/core/database_error.h"

#include <gtest/gtest.h>

#include <string>

#include "fs/text.h"

namespace vexilo::framework {
namespace {

using fs::u8;

TEST(DatabaseError, KeepsTheTextAndGivesItInUtf8) {
  const EDatabaseError error(u"Törölt rekord");
  EXPECT_EQ(u8(error.Message()), "Törölt rekord");
  EXPECT_STREQ(error.what(), "Törölt rekord");
  const std::exception& general = error;
  EXPECT_STREQ(general.what(), "Törölt rekord");
}

TEST(DatabaseError, FormattedMessageFallsBackToThePatternWhenArgumentsDoNotFit) {
  EXPECT_EQ(u8(EDatabaseError::CreateFmt(u"Record %d not found", {12}).Message()),
            "Record 12 not found");
  EXPECT_EQ(u8(EDatabaseError::CreateFmt(u"Record %d not found", {u"twelve"}).Message()),
            "Record %d not found");
  EXPECT_EQ(u8(EDatabaseError::CreateFmt(u"%s: %s", {u"only one"}).Message()), "%s: %s");
}

}  // namespace
}  // namespace vexilo::framework
