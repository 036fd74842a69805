// The kinds of filter a cursor holds, prepared or in force.
#pragma once

#include <cstdint>

namespace vexilo::cursor {

enum TVxbFilterKind : uint8_t {
  tfkNone,
  // The condition is tested record by record while moving.
  tfkIncremental,
  // The condition was evaluated once; its records are browsed as a list.
  tfkStatic,
  // The marked records are browsed.
  tfkBookmarks,
};

// The operations the low four bits of a filter mode select.
enum TVxbFilterOperation : uint8_t {
  tfoStatic = 1,
  tfoUnmarkMatching = 3,
  tfoLocateStay = 5,
  tfoKeepMarkedMatching = 6,
  tfoMarkMatching = 7,
  tfoIncremental = 15,
};

}  // namespace vexilo::cursor
