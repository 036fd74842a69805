// The arguments the table commands share: the table path, an optional
// password and an optional record limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexilo::tools {

struct TTableArguments {
  std::string Table;
  std::u16string Password;
  int64_t Limit = -1;  // -1: every record
};

// Parses `args`; none when they are not TABLE followed by known options
// (`allowLimit`: whether --limit N is one).
std::optional<TTableArguments> ParseTableArguments(const std::vector<std::string>& args, bool allowLimit);

}  // namespace vexilo::tools
