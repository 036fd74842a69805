#include "engine/api/local_session.h"

#include <filesystem>
#include <mutex>
#include <random>
#include <string>

#include "engine/api/directory_control_file.h"
#include "engine/api/table_locator.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

constexpr uint32_t kMaxStation = 2147483646;

uint32_t DrawStation() {
  static std::mutex mutex;
  static std::mt19937 generator{std::random_device{}()};
  const std::lock_guard<std::mutex> guard(mutex);
  std::uniform_int_distribution<uint32_t> station(0, kMaxStation);
  uint32_t drawn = 0;
  while (drawn == 0) drawn = station(generator);
  return drawn;
}

// The location as an absolute "/"-separated path without a trailing
// delimiter; the working directory for the empty location.
std::u16string Normalized(std::u16string_view location) {
  std::u16string text(location);
  for (char16_t& c : text) {
    if (c == u'\\') c = u'/';
  }
  std::filesystem::path path = text.empty() ? std::filesystem::current_path()
                                            : std::filesystem::absolute(std::filesystem::path(fs::u8(text)));
  std::string normal = path.lexically_normal().generic_string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return fs::u16(normal);
}

// The directory that holds `path` (absolute, no trailing delimiter).
std::u16string Parent(const std::u16string& path) {
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  return slash == 0 ? std::u16string(u"/") : path.substr(0, slash);
}

// Whether `fileName` holds exactly the control file's text.
bool HoldsControlText(fs::TvwFileSystem& fileSystem, const std::u16string& fileName) {
  const int32_t handle = fileSystem.OpenFile(fileName, fs::kOpenRead | fs::kShareDenyNone);
  if (!fs::IsValidHandle(handle)) return false;
  std::string content(kDirectoryControlText.size() + 1, '\0');
  const int32_t read = fileSystem.FileRead(handle, 0, content.data(), static_cast<int32_t>(content.size()));
  fileSystem.CloseFile(handle);
  return read == static_cast<int32_t>(kDirectoryControlText.size()) &&
         content.compare(0, kDirectoryControlText.size(), kDirectoryControlText) == 0;
}

}  // namespace

TVxbLocalSession::TVxbLocalSession(TVxbSharedFileSystems& fileSystems) : FFileSystems(fileSystems) {}

TVxbLocalSession::~TVxbLocalSession() { Uninitialize(); }

bool TVxbLocalSession::GetIsOpen() const { return FServices && FServices->DataFileSystem() != nullptr; }

int16_t TVxbLocalSession::Initialize(int16_t sessionHdl) {
  FHandle = sessionHdl;
  FServices = std::make_unique<TVxbSessionServices>(sessionHdl);
  const uint32_t station = DrawStation();
  FServices->SetStation(station);
  FServices->SetIdName(fs::u16(std::to_string(station)));
  FConnectionId = station;
  FServices->SetLogLevel(0);
  FCatalog = std::make_unique<TVxbCatalog>(*FServices, FFileSystems.PageManager());
  return 0;
}

void TVxbLocalSession::Uninitialize() {
  CloseDb();
  FCatalog.reset();
  FServices.reset();
}

void TVxbLocalSession::SetSettings(bool caseSensitive, bool autoCreateIndexes, int32_t lockingTimeout) {
  FServices->SetCaseSensitive(caseSensitive);
  FServices->SetAutoCreateIndexes(autoCreateIndexes);
  FServices->SetLockingTimeout(lockingTimeout);
}

int16_t TVxbLocalSession::OpenDb() {
  if (!FServices || !FCatalog) return static_cast<int16_t>(-errors::vxbErrInvalidAccess);
  if (GetIsOpen()) CloseDb();
  const std::u16string given = FCatalog->Location();
  try {
    const std::u16string location = Normalized(given);
    fs::TvwOSFileSystem probe;
    if (probe.FileExists(location)) {
      const bool controlFile = location == DirectoryControlFileName(Parent(location));
      if (!controlFile && fs::EndsWithIgnoringAsciiCase(location, kDatabaseFileExtension) &&
          !HoldsControlText(probe, location)) {
        return FServices->SetLastError(errors::vxbErrNotSupported, {u"single-file databases"});
      }
      return OpenDirectory(Parent(location));
    }
    if (!probe.DirectoryExists(location)) {
      // A path through a file, or a name with an extension, names nothing.
      if (HasExtension(location) || probe.FileExists(Parent(location))) {
        return FServices->SetLastError(errors::vxbErrFileNotFound, {given});
      }
      return FServices->SetLastError(errors::vxbErrNotSupported, {u"single-file databases"});
    }
    return OpenDirectory(location);
  } catch (const errors::EVxbEngine& e) {
    CloseServices();
    return FServices->SetLastError(e);
  } catch (const std::exception& e) {
    CloseServices();
    return FServices->SetLastError(errors::vxbErrException, {fs::u16(e.what())});
  }
}

int16_t TVxbLocalSession::OpenDirectory(const std::u16string& directory) {
  fs::TvwFileSystem& fileSystem = FFileSystems.Acquire(directory);
  FFileSystem = &fileSystem;
  FServices->SetDatabaseType(TVxbDatabaseType::DbDirectory);
  FServices->SetFileSystems(&fileSystem, &fileSystem);
  EnsureDirectoryControlFile(fileSystem, directory);
  FCatalog->SetLocation(directory);
  if (const int16_t result = FCatalog->Open(); result < 0) {
    CloseServices();
    return result;
  }
  return 0;
}

int16_t TVxbLocalSession::CloseDb() {
  if (FCatalog) FCatalog->Close();
  CloseServices();
  return 0;
}

void TVxbLocalSession::CloseServices() {
  if (FServices) FServices->SetFileSystems(nullptr, nullptr);
  if (FFileSystem != nullptr) FFileSystems.Release(*FFileSystem);
  FFileSystem = nullptr;
}

}  // namespace vexilo::api
