// Contract checks: VEXILO_REQUIRE(condition) states what a caller must have
// established before a call (a mutex held, a slot chosen, a buffer unpinned)
// and checks it where it is relied on. A broken contract is a programming
// fault, never a condition of the data: the process writes the file, the
// line and the condition to the standard error and aborts at once.
//
// Damaged or hostile file contents are not contracts; they keep being
// reported as errors by the code that reads them.
//
// The checks are compiled in Debug builds (no NDEBUG) and whenever
// VEXILO_CHECK_CONTRACTS is defined (the sanitizer build of the tests sets
// it, although it compiles with NDEBUG); elsewhere the condition is not
// evaluated, but still compiled, so it cannot fall out of date.
#pragma once

#include <cstdio>
#include <cstdlib>

#if defined(VEXILO_CHECK_CONTRACTS) || !defined(NDEBUG)
#define VEXILO_CONTRACTS_CHECKED 1
#else
#define VEXILO_CONTRACTS_CHECKED 0
#endif

namespace vexilo::fs {

// Whether VEXILO_REQUIRE checks in this build.
inline constexpr bool kContractsChecked = VEXILO_CONTRACTS_CHECKED != 0;

// Reports the broken contract and aborts.
[[noreturn]] inline void ContractBroken(const char* condition, const char* file, int line) noexcept {
  std::fprintf(stderr, "%s:%d: contract broken: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace vexilo::fs

#if VEXILO_CONTRACTS_CHECKED
#define VEXILO_REQUIRE(condition) \
  ((condition) ? static_cast<void>(0) : ::vexilo::fs::ContractBroken(#condition, __FILE__, __LINE__))
#else
#define VEXILO_REQUIRE(condition) static_cast<void>(sizeof((condition) ? true : false))
#endif
