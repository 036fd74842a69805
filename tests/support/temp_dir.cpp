#include "tests/support/temp_dir.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

namespace vexilo::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vexilo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

}  // namespace vexilo::testing
