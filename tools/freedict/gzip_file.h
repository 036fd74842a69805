// Reading a gzip file, such as dictd's dictzip data file ("NAME.dict.dz"),
// whole into memory. A dictzip file is an ordinary gzip file whose header
// carries an extra field with a table of chunk sizes for random access; the
// whole file is inflated here in one pass, so that table is not needed.
// Several gzip members one after the other are inflated one after the other.
#pragma once

#include <string>
#include <string_view>

namespace vexilo::tools::freedict {

// The inflated contents of the gzip data `compressed`. Data that is not
// gzip, is damaged or ends early raises EFreedictError naming `fileName`.
std::string InflateGzip(std::string_view compressed, const std::string& fileName);

// The bytes of the file at `path`; EFreedictError when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The inflated contents of the gzip file at `path`.
std::string ReadGzipFile(const std::string& path);

}  // namespace vexilo::tools::freedict
