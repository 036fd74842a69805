// The control file of a directory database: a file in the database
// directory named after it with the extension ".vxbd" (the directory
// /data/Dict holds /data/Dict/Dict.vxbd). Its content is exactly the 58
// bytes of the ANSI text
//
//   VexBase database control file for directory-based database
//
// with no line end and no terminator. It marks the directory as a database
// and lets a caller name the database by a file: opening the control file's
// path opens its directory. Nothing reads the content.
#pragma once

#include <string>
#include <string_view>

#include "fs/file_system.h"

namespace vexilo::api {

inline constexpr std::string_view kDirectoryControlText =
    "VexBase database control file for directory-based database";
inline constexpr std::u16string_view kDatabaseFileExtension = u".vxbd";

// The control file of the directory `directory` (absolute, no trailing
// delimiter).
std::u16string DirectoryControlFileName(std::u16string_view directory);

// Writes the control file of `directory` through `fileSystem` unless it
// exists; a failure to create or write it is ignored (the database works
// without it).
void EnsureDirectoryControlFile(fs::TvwFileSystem& fileSystem, std::u16string_view directory);

}  // namespace vexilo::api
