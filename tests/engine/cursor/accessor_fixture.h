// The fixture of the accessor tests: the dictionary table of the base table
// tests (Id RecordId, ENG and HUN WideString(80) with indexes ENG and HUN,
// LEIR WideMemo) in a fresh directory, opened shared through its lock file,
// with a few records, and accessors on it with a short locking timeout.
//
// TUnlockPump stands in for the catalog's unlock thread: while it lives, a
// thread offers the table the clock's time every few milliseconds, so locks
// held lazily go back as they do in a running session.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "engine/cursor/accessor.h"
#include "engine/storage/sharing/lock_types.h"
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::cursor::testing {

using storage::testing::kEng;
using storage::testing::kHun;
using storage::testing::kId;
using storage::testing::kLeir;
using storage::testing::Row;

class TUnlockPump {
 public:
  explicit TUnlockPump(storage::TVxbBaseTable& table)
      : FThread([this, &table] {
          while (!FStop) {
            table.CheckUnlock(storage::TVxbLockClock::Default().Ticks());
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
          }
        }) {}
  ~TUnlockPump() {
    FStop = true;
    FThread.join();
  }
  TUnlockPump(const TUnlockPump&) = delete;
  TUnlockPump& operator=(const TUnlockPump&) = delete;

 private:
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

class AccessorFixture : public storage::testing::BaseTableFixture {
 protected:
  // A locking timeout short enough for a test that waits it out.
  static constexpr int32_t kShortTimeout = 300;

  void SetUp() override {
    CreateDictionary();
    Table = Open(storage::testing::kSharedForTest);
    ASSERT_TRUE(Table);
    ASSERT_EQ(Append(*Table, u"apple", u"alma", u"gyümölcs"), 1) << Error();
    ASSERT_EQ(Append(*Table, u"pear", u"körte"), 2) << Error();
    ASSERT_EQ(Append(*Table, u"plum", u"szilva", u"kék gyümölcs"), 3) << Error();
  }

  void TearDown() override {
    Accessors.clear();
    if (Table) Table->Close();
  }

  // An accessor on the table, owned by the fixture.
  TVxbAccessor& NewAccessor(int32_t lockingTimeout = kShortTimeout) {
    Accessors.push_back(std::make_unique<TVxbAccessor>(*Table, u"Test", lockingTimeout));
    return *Accessors.back();
  }

  static std::u16string Text(TVxbAccessor& accessor, int fieldNo) {
    std::u16string text;
    accessor.GetAsString(fieldNo, text);
    return text;
  }

  // ENG, HUN and LEIR of the accessor's record, with its record id.
  static Row Shown(TVxbAccessor& accessor) {
    Row row;
    row.Id = accessor.GetRecordId();
    row.Eng = Text(accessor, kEng);
    row.Hun = Text(accessor, kHun);
    row.Leir = Text(accessor, kLeir);
    return row;
  }

  std::unique_ptr<storage::TVxbBaseTable> Table;
  std::vector<std::unique_ptr<TVxbAccessor>> Accessors;
};

}  // namespace vexilo::cursor::testing
