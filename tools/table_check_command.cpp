// vxbtool check: checks a table's memo or blob file and every index, and
// prints each finding as one tab-separated line — table, object kind (3 an
// index, 4 the memo or blob file), object name, severity (1 or 2; 0 for a
// check that was stopped), description — or "No damage found". The findings
// are gathered in a temporary report table of their own, in a fresh
// directory that is removed afterwards.
//
// Exit status 1 when a finding of severity 1 or 2 was made.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/types/column_type.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/progress_bar.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage = "check TABLE [--password PW]\n";
// Read-only, shared with other programs through the lock file.
constexpr uint16_t kCheckRights = 0;

// A fresh directory under the system's temporary directory, removed with
// its contents when the object goes.
class TScratchDirectory {
 public:
  TScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vxbtool-check-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot create a temporary directory in " +
                               std::filesystem::temp_directory_path().string());
    FPath = pattern;
  }
  ~TScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TScratchDirectory(const TScratchDirectory&) = delete;
  TScratchDirectory& operator=(const TScratchDirectory&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

storage::TVxbColumnSpec Column(const char16_t* name, int16_t type, int32_t length = 0) {
  storage::TVxbColumnSpec spec;
  spec.Name = name;
  spec.TypeCode = type;
  spec.Length = length;
  return spec;
}

// Creates the report table in `directory`: TableName, ObjectType,
// ObjectName, Severity, Description.
storage::TVxbBaseTable& CreateReport(TToolSession& session, const std::filesystem::path& directory) {
  storage::TVxbBaseTable& report = session.NewTable(directory / "Report.vxbt");
  report.SetTemporary(true);
  session.Check(report.AddColumn(Column(u"TableName", types::vxbWideString, 128)));
  session.Check(report.AddColumn(Column(u"ObjectType", types::vxbByte)));
  session.Check(report.AddColumn(Column(u"ObjectName", types::vxbWideString, 128)));
  session.Check(report.AddColumn(Column(u"Severity", types::vxbByte)));
  session.Check(report.AddColumn(Column(u"Description", types::vxbWideString, 250)));
  session.Check(report.NewFile({}, {}, {}));
  session.Check(report.Setup(false));
  return report;
}

}  // namespace

int TableCheckCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password"});
  if (!line || line->Positional.size() != 1) return WrongArguments(kUsage);
  bool damaged = false;
  try {
    TScratchDirectory scratch;
    TToolSession session;
    storage::TVxbBaseTable& table =
        session.OpenTable(line->Positional[0], kCheckRights, fs::u16(line->Value("--password")));
    storage::TVxbBaseTable& report = CreateReport(session, scratch.Path());
    {
      TProgressBar bar("Checking");
      session.Check(table.Check(report, [&](int64_t done, int64_t total) {
        bar.Update(done, total);
        return 0;
      }));
    }
    std::vector<uint8_t> record(static_cast<size_t>(report.GetRecordSize()));
    const int32_t count = report.GetRecordCount();
    for (int32_t recNo = 1; recNo <= count; ++recNo) {
      session.Check(report.ReadRecord(recNo, record.data()));
      std::u16string tableName, objectName, description;
      int64_t objectType = 0, severity = 0;
      report.GetWideString(record.data(), 1, tableName);
      report.GetInteger(record.data(), 2, objectType);
      report.GetWideString(record.data(), 3, objectName);
      report.GetInteger(record.data(), 4, severity);
      report.GetWideString(record.data(), 5, description);
      std::printf("%s\t%lld\t%s\t%lld\t%s\n", fs::u8(tableName).c_str(), static_cast<long long>(objectType),
                  fs::u8(objectName).c_str(), static_cast<long long>(severity), fs::u8(description).c_str());
      if (severity == 1 || severity == 2) damaged = true;
    }
    if (count == 0) std::printf("No damage found\n");
    session.CloseTable(table);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return damaged ? 1 : 0;
}

}  // namespace vexilo::tools
