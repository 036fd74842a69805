#include "engine/errors/services.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/errors/caller_buffer.h"
#include "engine/errors/error_codes.h"
#include "engine/errors/messages.h"
#include "fs/text.h"

namespace vexilo::errors {
namespace {

constexpr char16_t kInvalidErrorMessage[] = u"Invalid error message: ";
constexpr char16_t kLogSubsystem[] = u"Services";

std::u16string TabsToBlanks(std::u16string_view line) {
  std::u16string result(line);
  std::replace(result.begin(), result.end(), u'\t', u' ');
  return result;
}

// Template `code` filled from `args`, or the marked template when they do
// not fit. Number 9999 has its fixed text.
std::u16string LastErrorMessage(int16_t code, fs::FormatArgs args) {
  if (code == vxbErrInternal) return std::u16string(InternalExceptionText());
  const std::u16string_view pattern = EngineMessageTemplate(code);
  if (auto text = fs::TryFormatMessage(pattern, args)) return *std::move(text);
  return kInvalidErrorMessage + std::u16string(pattern);
}

std::u16string TemporaryDirectory() {
  std::error_code error;
  std::filesystem::path directory = std::filesystem::temp_directory_path(error);
  if (error) directory = "/tmp";
  return fs::Utf8ToUtf16(directory.string());
}

}  // namespace

TVxbServices::TVxbServices() { SetPrivateDir(u""); }

TVxbServices::~TVxbServices() { SetLogLevel(0); }

void TVxbServices::SetPrivateDir(std::u16string_view directory) {
  FPrivateDir = directory.empty() ? TemporaryDirectory() : std::u16string(directory);
  constexpr char16_t kDelimiter = std::filesystem::path::preferred_separator;
  if (FPrivateDir.empty() || FPrivateDir.back() != kDelimiter) FPrivateDir += kDelimiter;
}

void TVxbServices::ClearLastError() {
  FLastErrorCode = 0;
  FLastErrorMsg.clear();
  FLastErrorUnitName.clear();
  FLastErrorLine.clear();
  FLastErrorLineNo = 0;
  FLastErrorPos = 0;
}

int16_t TVxbServices::StoreLastError(int16_t code, std::u16string message) {
  if (code != vxbErrInternal) {
    // A new error replaces the whole previous one, its position included;
    // the operations that know a position set it afterwards.
    ClearLastError();
    FLastErrorCode = code;
    FLastErrorMsg = message;
  }
  if (code != vxbErrRecordNotFound) {
    Log(kErrorLogLevel, fs::FormatMessage(u"Error %d", {int{code}}), message);
  }
  return static_cast<int16_t>(-FLastErrorCode);
}

void TVxbServices::StoreErrorLine(int16_t code, std::u16string line, int32_t position) {
  if (code == vxbErrInternal) return;
  FLastErrorLine = TabsToBlanks(line);
  FLastErrorPos = position;
}

int16_t TVxbServices::SetLastError(const EVxbEngine& exc) {
  if (const auto* compilerError = dynamic_cast<const EVxbCompilerError*>(&exc)) {
    return SetLastCompilerError(*compilerError);
  }
  return StoreLastError(exc.Code(), exc.Message());
}


int16_t TVxbServices::SetLastError(int16_t code, std::u16string_view description) {
  // The argument holds its own copy of the text.
  const fs::FormatArg arg(description);
  return SetLastError(code, fs::FormatArgs(&arg, 1));
}

int16_t TVxbServices::SetLastError(int16_t code, fs::FormatArgs args) {
  return StoreLastError(code, LastErrorMessage(code, args));
}

int16_t TVxbServices::SetLastCompilerError(const EVxbCompilerError& exc) {
  const int16_t result = StoreLastError(exc.Code(), exc.Message());
  if (exc.Code() != vxbErrInternal) {
    FLastErrorUnitName = exc.ErrorUnitName();
    FLastErrorLineNo = exc.ErrorLineNo();
    StoreErrorLine(exc.Code(), exc.ErrorLine(), exc.ErrorCharNo());
  }
  return result;
}

int16_t TVxbServices::SetLastErrorPos(int16_t code, std::u16string_view description,
                                      int32_t position, std::u16string_view expression) {
  // Copied first: the texts may be the stored ones, which storing replaces.
  std::u16string line(expression);
  const int16_t result = SetLastError(code, description);
  StoreErrorLine(code, std::move(line), position);
  return result;
}

int16_t TVxbServices::SetLastErrorMsgPos(int16_t code, std::u16string_view msg, int32_t position,
                                         std::u16string_view expression) {
  std::u16string line(expression);
  const int16_t result = StoreLastError(code, std::u16string(msg));
  StoreErrorLine(code, std::move(line), position);
  return result;
}

std::optional<EVxbEngine> TVxbServices::CreateLastErrorExc() const {
  if (FLastErrorCode <= 0) return std::nullopt;
  return EVxbEngine::CreateMsg(FLastErrorCode, FLastErrorMsg);
}

int16_t TVxbServices::GetLastError(int16_t& errCode, char16_t* errMsg, int maxLen) const {
  errCode = static_cast<int16_t>(-FLastErrorCode);
  CopyToCallerBuffer(FLastErrorMsg, errMsg, maxLen);
  return 0;
}

int32_t TVxbServices::GetLastErrorPos(char16_t* errLine, int maxLen) const {
  CopyToCallerBuffer(FLastErrorLine, errLine, maxLen);
  return FLastErrorPos;
}

int16_t TVxbServices::SetLogLevel(int level) {
  const int newLevel = std::clamp(level, 0, kMaxLogLevel);
  if (FLogLevel == 0 && newLevel > 0) {
    const std::filesystem::path directory(fs::Utf16ToUtf8(FPrivateDir));
    if (!FLog.Open(directory, FStation)) {
      const std::filesystem::path file =
          directory / fs::Utf16ToUtf8(TVxbSessionLog::FileName(FStation, 1));
      return SetLastError(vxbErrWriteFile, fs::Utf8ToUtf16(file.string()));
    }
    FLogLevel = newLevel;
    Log(1, kLogSubsystem, u"VexBase log file opened");
  } else if (FLogLevel > 0 && newLevel == 0) {
    Log(1, kLogSubsystem, u"VexBase log file closed");
    FLog.Close();
    FLogLevel = 0;
  } else {
    FLogLevel = newLevel;
  }
  return 0;
}

void TVxbServices::Log(int level, std::u16string_view subsystem, std::u16string_view message) {
  if (FLogLevel > 0 && FLogLevel >= level) FLog.WriteLine(level, subsystem, message);
}

}  // namespace vexilo::errors
