// A fresh temporary directory for one test, removed with everything in it when
// the object goes out of scope. Tests create their files here, never in the
// working directory.
#pragma once

#include <filesystem>
#include <string>

namespace vexilo::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // The path of `name` inside the directory, as a string.
  std::string File(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

}  // namespace vexilo::testing
