// Helpers shared by the data-type tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/errors/engine_exception.h"
#include "engine/types/type_errors.h"
#include "fs/text.h"

namespace vexilo::types::testing_support {

// Runs `action` and expects an engine error `code` with `message`.
template <typename Action>
void ExpectEngineError(Action action, int16_t code, std::u16string_view message) {
  try {
    action();
    ADD_FAILURE() << "no engine error " << code;
  } catch (const errors::EVxbEngine& e) {
    EXPECT_EQ(e.Code(), code);
    EXPECT_EQ(fs::u8(e.Message()), fs::u8(message));
  }
}

// Runs `action` and expects an exception of class E with `message`.
template <typename E, typename Action>
void ExpectTypeException(Action action, std::u16string_view message) {
  try {
    action();
    ADD_FAILURE() << "no exception";
  } catch (const E& e) {
    EXPECT_EQ(fs::u8(e.Message()), fs::u8(message));
  }
}

}  // namespace vexilo::types::testing_support
