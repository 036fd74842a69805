// EFreedictError: a dictionary file that cannot be read or is damaged, or an
// output file that cannot be written. The message names the file and, where
// there is one, the line or the entry.
#pragma once

#include <stdexcept>
#include <string>

namespace vexilo::tools::freedict {

class EFreedictError : public std::runtime_error {
 public:
  explicit EFreedictError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vexilo::tools::freedict
