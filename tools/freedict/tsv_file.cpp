#include "tools/freedict/tsv_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "fs/text.h"
#include "tools/freedict/freedict_error.h"

namespace vexilo::tools::freedict {

std::string EscapeTsvValue(std::u16string_view value) {
  const std::string utf8 = fs::Utf16ToUtf8(value);
  std::string escaped;
  escaped.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      default: escaped += c; break;
    }
  }
  return escaped;
}

TTsvFile::TTsvFile(const std::string& path) : FPath(path), FTemporaryPath(path + ".part") {
  FOut.open(FTemporaryPath, std::ios::binary | std::ios::trunc);
  if (!FOut) throw EFreedictError(FTemporaryPath + ": cannot create (" + std::strerror(errno) + ")");
  FOut << "ENG\tHUN\tLEIR\n";
}

TTsvFile::~TTsvFile() {
  if (FCommitted) return;
  FOut.close();
  std::error_code ignored;
  std::filesystem::remove(FTemporaryPath, ignored);
}

void TTsvFile::WriteRow(const TDictionaryRow& row) {
  FOut << EscapeTsvValue(row.Eng) << '\t' << EscapeTsvValue(row.Hun) << '\t' << EscapeTsvValue(row.Leir) << '\n';
}

void TTsvFile::Commit() {
  FOut.flush();
  FOut.close();
  if (FOut.fail()) throw EFreedictError(FTemporaryPath + ": write error (disk full?)");
  std::error_code error;
  std::filesystem::rename(FTemporaryPath, FPath, error);
  if (error) throw EFreedictError(FPath + ": cannot replace (" + error.message() + ")");
  FCommitted = true;
}

}  // namespace vexilo::tools::freedict
