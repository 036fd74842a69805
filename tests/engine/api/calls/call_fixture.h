// The fixture of the call interface tests: a fresh database directory (with
// the dictionary-shaped table of the base table tests when a test creates
// it), sessions made through VxbCreateSession and deleted again when the
// test ends, and helpers that read a session's last error and text results
// through the calls themselves.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/api/calls/session_calls.h"
#include "fs/text.h"
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::api::testing {

// A caller's text buffer.
struct TextBuffer {
  std::vector<char16_t> Chars = std::vector<char16_t>(1024, u'#');
  char16_t* data() { return Chars.data(); }
  std::string Text() const { return fs::u8(std::u16string(Chars.data())); }
};

class CallFixture : public storage::testing::BaseTableFixture {
 protected:
  ~CallFixture() override {
    for (const TVxbSessHdl handle : FHandles) VxbSessDelete(handle);
  }

  std::u16string Location() const { return fs::u16(Dir.Path().string()); }

  // A new session on the test's directory, not yet open.
  TVxbSessHdl NewSession() {
    const TVxbSessHdl handle = VxbCreateSession(Location().c_str());
    EXPECT_GT(handle, 0);
    FHandles.push_back(handle);
    return handle;
  }
  // A session with the test's directory open.
  TVxbSessHdl OpenSession() {
    const TVxbSessHdl handle = NewSession();
    EXPECT_EQ(VxbSessOpenDb(handle, Location().c_str(), u"", u"", 0, 0), 0) << LastError(handle);
    return handle;
  }
  // The dictionary table created in the directory and opened in a session.
  TVxbRltnHdl OpenDictionary(TVxbSessHdl sessionHdl) {
    const TVxbRltnHdl rltnHdl = VxbSessOpenTable(sessionHdl, u"Eng_hun", nullptr, 15, true, false);
    EXPECT_GT(rltnHdl, 0) << LastError(sessionHdl);
    return rltnHdl;
  }

  // The session's last error as "<code> <message>".
  static std::string LastError(TVxbSessHdl sessionHdl) {
    int16_t code = 0;
    TextBuffer message;
    const int16_t result = VxbSessGetLastError(sessionHdl, code, message.data(), 255);
    if (result != 0) return "no session (" + std::to_string(result) + ")";
    return std::to_string(code) + " " + message.Text();
  }
  static int16_t LastErrorCode(TVxbSessHdl sessionHdl) {
    int16_t code = 0;
    char16_t message[256];
    VxbSessGetLastError(sessionHdl, code, message, 255);
    return code;
  }

  std::vector<TVxbSessHdl> FHandles;
};

}  // namespace vexilo::api::testing
