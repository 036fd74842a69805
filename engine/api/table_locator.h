// Table names of a database: how a name given by a caller becomes the path
// of a table file, and how the catalog compares table names.
//
// A table name is taken relative to the database directory: a leading "./"
// is dropped and each leading "../" goes up one directory; "\" separates
// directories as "/" does. An absolute name is used as it is. Whatever the
// form, the file must lie inside the database directory (or a directory
// below it): a name that leads outside it, and a name with characters file
// systems refuse (control characters, < > : " | ? *, a part longer than 255
// bytes), are refused with engine error 58, so no caller can reach files
// beyond the database it opened.
//
// Without an extension, "<name>.dat" is looked for before "<name>.vxbt";
// a name with an extension names that file.
//
// The standardised name of a table file is its name without directory and,
// when the extension is ".dat" or ".vxbt" (any case), without extension;
// table names are equal when their standardised names are, ignoring case.
//
// Pure functions over texts, safe on any thread (LocateTableFile asks the
// file system whether files exist).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fs/file_system.h"

namespace vexilo::api {

// The name without directory and without a ".dat" or ".vxbt" extension.
std::u16string StandardTableName(std::u16string_view fileName);
// Whether both names stand for the same table.
bool IsTableNameEqual(std::u16string_view name1, std::u16string_view name2);
// Whether the last part of `name` has an extension (a dot that is not its
// first character).
bool HasExtension(std::u16string_view name);

// The path `tableName` stands for inside the database directory `location`
// (absolute, "/"-separated, no trailing delimiter), in `path`: 0, or the
// engine error number (58) when the name leads outside the directory or
// holds characters file systems refuse. No file is looked at.
int16_t ResolveTableName(std::u16string_view location, std::u16string_view tableName, std::u16string& path);

// The table file of the resolved path `path`: the path itself when it has
// an extension, else the ".dat" file when it exists, else the ".vxbt" file.
std::u16string LocateTableFile(fs::TvwFileSystem& fileSystem, std::u16string_view path);

// The directory part of `path`, with its trailing delimiter (empty when
// there is none).
std::u16string DirectoryOf(std::u16string_view path);

}  // namespace vexilo::api
