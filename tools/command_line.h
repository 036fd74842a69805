// The arguments of one vxbtool command: positional words and options. An
// option is "--name VALUE" (the options a command declares as taking a
// value, each possibly repeated) or a bare "--name" flag.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexilo::tools {

struct TCommandLine {
  std::vector<std::string> Positional;
  // Values of the value options, in the order given.
  std::map<std::string, std::vector<std::string>> Values;
  std::set<std::string> Flags;

  // The last value given for `name`, or `fallback`.
  std::string Value(const std::string& name, const std::string& fallback = {}) const;
  bool Has(const std::string& name) const { return Values.count(name) != 0 || Flags.count(name) != 0; }
};

// Splits `args`; none when an option is unknown or lacks its value.
// `valueOptions` and `flagOptions` name the options with their "--".
std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                             const std::set<std::string>& valueOptions,
                                             const std::set<std::string>& flagOptions = {});

// `text` as a whole decimal number within [min, max]; none otherwise.
std::optional<long long> ParseNumber(const std::string& text, long long min, long long max);

}  // namespace vexilo::tools
