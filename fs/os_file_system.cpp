#include "fs/os_file_system.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "fs/format.h"
#include "fs/fs_errors.h"
#include "fs/platform.h"
#include "fs/text.h"

namespace vexilo::fs {
namespace {

constexpr char16_t kDelimiter = platform::kPathDelimiter;
constexpr int32_t kInvalidArgument = EINVAL;

// Snapshot of the entries a search found, and the next one to report.
class TOSFindData : public TvwFindData {
 public:
  std::vector<platform::DirEntry> Entries;
  size_t Next = 0;
};

bool HasWildcards(std::u16string_view pattern) {
  return pattern.find_first_of(u"*?") != std::u16string_view::npos;
}

// `*` matches any run of characters, `?` exactly one; "*.*" matches every
// name, as it always has.
bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern) {
  if (pattern == u"*.*") pattern = u"*";
  size_t n = 0, p = 0;
  size_t starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

TvwOSFileSystem::~TvwOSFileSystem() {
  for (const auto& [handle, file] : FOpenFiles) platform::CloseFile(handle);
}

void TvwOSFileSystem::SetLastError(int32_t code) { platform::SetLastError(code); }

int32_t TvwOSFileSystem::GetLastError() { return platform::LastError(); }

std::u16string TvwOSFileSystem::ExpandFileName(std::u16string_view fileName) {
  if (FBaseDirectory.empty()) return std::u16string(fileName);
  if (!fileName.empty() && fileName.front() == kDelimiter) return std::u16string(fileName);

  std::u16string base = FBaseDirectory;
  while (base.size() > 1 && base.back() == kDelimiter) base.pop_back();
  std::u16string_view rest = fileName;
  if (rest.starts_with(u"./")) rest.remove_prefix(2);
  while (rest.starts_with(u"../")) {
    const size_t last = base.find_last_of(kDelimiter);
    if (last == std::u16string::npos) {
      if (base.empty() || base == u"..") break;  // nothing left to remove: keep "../"
      base.clear();
    } else if (last == 0) {
      base.resize(1);  // the root has no parent
    } else {
      base.resize(last);
    }
    rest.remove_prefix(3);
  }
  if (base.empty()) return std::u16string(rest);
  if (base.back() != kDelimiter) base += kDelimiter;
  return base.append(rest);
}

std::string TvwOSFileSystem::OSPath(std::u16string_view name) {
  return Utf16ToUtf8(ExpandFileName(name));
}

TvwOSFileSystem::TOpenFile* TvwOSFileSystem::Find(int32_t handle) {
  const auto it = FOpenFiles.find(handle);
  if (it == FOpenFiles.end()) {
    platform::SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  return &it->second;
}

int32_t TvwOSFileSystem::CreateFile(std::u16string_view filePath) {
  const int32_t handle = platform::OpenFile(OSPath(filePath), platform::Access::ReadWrite,
                                            platform::Sharing::Exclusive, /*create=*/true);
  if (handle >= 0) FOpenFiles[handle] = TOpenFile{true, true, {}};
  return handle;
}

int32_t TvwOSFileSystem::OpenFile(std::u16string_view filePath, uint32_t mode) {
  if (PhysicallyExclusive()) mode = (mode & ~kShareMask) | kShareExclusive;

  platform::Access access;
  switch (mode & kOpenAccessMask) {
    case kOpenRead: access = platform::Access::Read; break;
    case kOpenWrite: access = platform::Access::Write; break;
    case kOpenReadWrite: access = platform::Access::ReadWrite; break;
    default: platform::SetLastError(kInvalidArgument); return -1;
  }
  platform::Sharing sharing;
  switch (mode & kShareMask) {
    case kShareCompat:
    case kShareExclusive: sharing = platform::Sharing::Exclusive; break;
    case kShareDenyWrite: sharing = platform::Sharing::DenyWrite; break;
    case kShareDenyRead: sharing = platform::Sharing::DenyRead; break;
    case kShareDenyNone: sharing = platform::Sharing::DenyNone; break;
    default: platform::SetLastError(kInvalidArgument); return -1;
  }
  const int32_t handle = platform::OpenFile(OSPath(filePath), access, sharing, /*create=*/false);
  if (handle >= 0) {
    FOpenFiles[handle] =
        TOpenFile{access != platform::Access::Write, access != platform::Access::Read, {}};
  }
  return handle;
}

int32_t TvwOSFileSystem::FileRead(int32_t handle, int64_t pos, void* data, int32_t count) {
  const TOpenFile* file = Find(handle);
  if (file == nullptr) return -1;
  if (!file->CanRead) {
    platform::SetLastError(kErrorInvalidHandle);
    return -1;
  }
  return platform::ReadAt(handle, pos, data, count);
}

int32_t TvwOSFileSystem::FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) {
  const TOpenFile* file = Find(handle);
  if (file == nullptr) return -1;
  if (!file->CanWrite) {
    platform::SetLastError(kErrorInvalidHandle);
    return -1;
  }
  return platform::WriteAt(handle, pos, data, count);
}

int64_t TvwOSFileSystem::GetFileSize(int32_t handle) {
  int64_t size = -1;
  if (Find(handle) != nullptr) size = platform::FileSize(handle);
  if (size < 0) {
    const int32_t code = platform::LastError();
    throw EvwFileSystemError(FormatMessage(u"Cannot determine file size (%d).", {code}), code);
  }
  return size;
}

void TvwOSFileSystem::SetFileSize(int32_t handle, int64_t size) {
  const int64_t current = GetFileSize(handle);
  if (size >= current) return;
  const TOpenFile* file = Find(handle);
  if (!file->CanWrite) platform::SetLastError(kErrorInvalidHandle);
  if (!file->CanWrite || !platform::Truncate(handle, size)) {
    throw EvwInOutError(u"Cannot set end of of file", platform::LastError());
  }
}

bool TvwOSFileSystem::EndOfFile(int32_t handle, int64_t pos) {
  if (Find(handle) == nullptr) return true;
  const int64_t size = platform::FileSize(handle);
  return size < 0 || pos >= size;
}

void TvwOSFileSystem::CloseFile(int32_t handle) {
  if (Find(handle) == nullptr) return;
  FOpenFiles.erase(handle);
  platform::CloseFile(handle);
}

int32_t TvwOSFileSystem::LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool) {
  TOpenFile* file = Find(handle);
  if (file == nullptr) return -kErrorInvalidHandle;
  const int64_t start = startPos & 0xFFFFFFFF;
  const int64_t length = (endPos - startPos) & 0xFFFFFFFF;
  if (length == 0) {
    platform::SetLastError(kInvalidArgument);
    return -kInvalidArgument;
  }
  for (const TLockedRange& held : file->Locks) {
    if (start < held.Start + held.Length && held.Start < start + length) {
      platform::SetLastError(kErrorLockViolation);
      return 0;
    }
  }
  switch (platform::LockRange(handle, start, length)) {
    case platform::LockResult::Granted:
      file->Locks.push_back({start, length});
      return 1;
    case platform::LockResult::Refused:
      return 0;
    case platform::LockResult::Failed:
      break;
  }
  const int32_t code = platform::LastError();
  return code > 0 ? -code : -kInvalidArgument;
}

void TvwOSFileSystem::UnlockFile(int32_t handle, int64_t startPos, int64_t endPos, bool) {
  TOpenFile* file = Find(handle);
  if (file == nullptr) return;
  const int64_t start = startPos & 0xFFFFFFFF;
  const int64_t length = (endPos - startPos) & 0xFFFFFFFF;
  const auto it = std::find_if(file->Locks.begin(), file->Locks.end(), [&](const TLockedRange& r) {
    return r.Start == start && r.Length == length;
  });
  if (it == file->Locks.end()) {
    platform::SetLastError(kErrorNotLocked);
    return;
  }
  if (platform::UnlockRange(handle, start, length)) file->Locks.erase(it);
}

bool TvwOSFileSystem::CreateDir(std::u16string_view dirPath) {
  return platform::MakeDirectory(OSPath(dirPath));
}

bool TvwOSFileSystem::RemoveDir(std::u16string_view dirPath) {
  return platform::RemoveDirectory(OSPath(dirPath));
}

bool TvwOSFileSystem::FindFirstFile(std::u16string_view path, int32_t attr, TvwFindFileRec& rec) {
  FindFileClose(rec);
  rec.ExcludeAttr = ~attr & (kAttrHidden | kAttrSystem | kAttrVolumeId | kAttrDirectory);

  const std::u16string full = ExpandFileName(path);
  const size_t last = full.find_last_of(kDelimiter);
  const std::u16string pattern = last == std::u16string::npos ? full : full.substr(last + 1);
  std::vector<platform::DirEntry> candidates;
  if (!HasWildcards(pattern)) {
    platform::DirEntry entry;
    const bool namesEntry = !pattern.empty() || full == std::u16string(1, kDelimiter);  // or the root
    if (namesEntry && platform::StatEntry(Utf16ToUtf8(full), entry)) {
      candidates.push_back(std::move(entry));
    }
  } else {
    const std::u16string dir =
        last == std::u16string::npos ? u"" : full.substr(0, last == 0 ? 1 : last);
    if (!platform::ListDirectory(Utf16ToUtf8(dir), candidates)) return false;
  }

  auto data = std::make_unique<TOSFindData>();
  for (auto& entry : candidates) {
    if ((entry.Attr & rec.ExcludeAttr) != 0) continue;
    if (!MatchesWildcard(Utf8ToUtf16(entry.Name), pattern)) continue;
    data->Entries.push_back(std::move(entry));
  }
  if (data->Entries.empty()) {
    platform::SetLastError(kErrorFileNotFound);
    return false;
  }
  std::sort(data->Entries.begin(), data->Entries.end(),
            [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.Name < b.Name; });
  rec.FindData = std::move(data);
  rec.FindHandle = 0;
  return FindNextFile(rec);
}

bool TvwOSFileSystem::FindNextFile(TvwFindFileRec& rec) {
  auto* data = dynamic_cast<TOSFindData*>(rec.FindData.get());
  if (data == nullptr) {
    platform::SetLastError(kErrorInvalidHandle);
    return false;
  }
  if (data->Next >= data->Entries.size()) {
    platform::SetLastError(kErrorFileNotFound);
    return false;
  }
  const platform::DirEntry& entry = data->Entries[data->Next++];
  rec.Time = entry.Time;
  rec.Size = entry.Size;
  rec.Attr = entry.Attr;
  rec.Name = Utf8ToUtf16(entry.Name);
  return true;
}

void TvwOSFileSystem::FindFileClose(TvwFindFileRec& rec) {
  rec.FindData.reset();
  rec.FindHandle = -1;
}

bool TvwOSFileSystem::DeleteFile(std::u16string_view fileName) {
  return platform::DeleteFile(OSPath(fileName));
}

bool TvwOSFileSystem::RenameFile(std::u16string_view oldName, std::u16string_view newName) {
  return platform::RenameFile(OSPath(oldName), OSPath(newName));
}

bool TvwOSFileSystem::ForcePath(std::u16string_view dirPath) {
  std::string path = OSPath(dirPath);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return true;
  size_t end = 0;
  do {
    end = path.find('/', end + 1);
    const std::string part = path.substr(0, end);
    if (platform::MakeDirectory(part)) continue;
    const int32_t code = platform::LastError();
    platform::DirEntry entry;
    if (platform::StatEntry(part, entry) && (entry.Attr & kAttrDirectory) != 0) continue;
    platform::SetLastError(code);
    return false;
  } while (end != std::string::npos);
  return true;
}

}  // namespace vexilo::fs
