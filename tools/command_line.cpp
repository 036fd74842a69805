#include "tools/command_line.h"

#include <cerrno>
#include <cstdlib>

namespace vexilo::tools {

std::string TCommandLine::Value(const std::string& name, const std::string& fallback) const {
  const auto found = Values.find(name);
  return found == Values.end() || found->second.empty() ? fallback : found->second.back();
}

std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                             const std::set<std::string>& valueOptions,
                                             const std::set<std::string>& flagOptions) {
  TCommandLine parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      if (valueOptions.count(arg) != 0) {
        if (i + 1 >= args.size()) return std::nullopt;
        parsed.Values[arg].push_back(args[++i]);
      } else if (flagOptions.count(arg) != 0) {
        parsed.Flags.insert(arg);
      } else {
        return std::nullopt;
      }
    } else {
      parsed.Positional.push_back(arg);
    }
  }
  return parsed;
}

std::optional<long long> ParseNumber(const std::string& text, long long min, long long max) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < min || value > max) return std::nullopt;
  return value;
}

}  // namespace vexilo::tools
