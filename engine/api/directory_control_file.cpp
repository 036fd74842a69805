#include "engine/api/directory_control_file.h"

namespace vexilo::api {

std::u16string DirectoryControlFileName(std::u16string_view directory) {
  const size_t slash = directory.find_last_of(u"/\\");
  const std::u16string_view name = slash == std::u16string_view::npos ? directory : directory.substr(slash + 1);
  return std::u16string(directory) + u"/" + std::u16string(name) + std::u16string(kDatabaseFileExtension);
}

void EnsureDirectoryControlFile(fs::TvwFileSystem& fileSystem, std::u16string_view directory) {
  const std::u16string fileName = DirectoryControlFileName(directory);
  if (fileSystem.FileExists(fileName)) return;
  const int32_t handle = fileSystem.CreateFile(fileName);
  if (!fs::IsValidHandle(handle)) return;
  fileSystem.FileWrite(handle, 0, kDirectoryControlText.data(), static_cast<int32_t>(kDirectoryControlText.size()));
  fileSystem.CloseFile(handle);
}

}  // namespace vexilo::api
