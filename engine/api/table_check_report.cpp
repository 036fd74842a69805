#include "engine/api/table_check_report.h"

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "engine/api/database_directory.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "engine/types/column_type.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

constexpr const char16_t* kReportPrefix = u"VxbCheck_";
// More reports than anyone keeps: the search for a free name ends here.
constexpr int kMaxReportNumber = 100000;
constexpr uint16_t kReportRights = storage::kRightAppend | storage::kRightEdit | storage::kRightDelete |
                                   storage::kRightIndex;

storage::TVxbColumnSpec Column(const char16_t* name, int16_t typeCode, int32_t length = 0) {
  storage::TVxbColumnSpec spec;
  spec.Name = name;
  spec.TypeCode = typeCode;
  spec.Length = length;
  return spec;
}

// The file of the first free report name, or empty when none is free.
std::u16string FreeReportFile(TVxbCatalog& catalog, fs::TvwFileSystem& fileSystem, const std::u16string& directory) {
  for (int number = 1; number <= kMaxReportNumber; ++number) {
    const std::u16string name = kReportPrefix + fs::u16(std::to_string(number));
    const std::u16string file = directory + name + std::u16string(index::TableFileExtension(6));
    if (!fileSystem.FileExists(file) && catalog.FindRltnIdx(name) == 0) return file;
  }
  return {};
}

// Creates the empty report table `file` and leaves it closed.
int16_t CreateReport(TVxbCatalog& catalog, const std::u16string& file) {
  std::unique_ptr<storage::TVxbBaseTable> report = catalog.NewTableObject(file);
  report->SetKey(catalog.Key());
  const storage::TVxbColumnSpec columns[] = {
      Column(kCheckReportColumns[0], types::vxbWideString, 128), Column(kCheckReportColumns[1], types::vxbSmallInt),
      Column(kCheckReportColumns[2], types::vxbWideString, 128), Column(kCheckReportColumns[3], types::vxbSmallInt),
      Column(kCheckReportColumns[4], types::vxbWideString, 250)};
  for (const storage::TVxbColumnSpec& column : columns) {
    if (const int16_t added = report->AddColumn(column); added < 0) return added;
  }
  int16_t result = report->NewFile({}, {}, {});
  if (result == 0) result = report->Setup(false);
  const int16_t closed = report->Close();
  return result < 0 ? result : closed;
}

// Removes the report's files (after it was closed).
void RemoveReport(fs::TvwFileSystem& fileSystem, const std::vector<std::u16string>& files) {
  for (const std::u16string& file : files) {
    if (fileSystem.FileExists(file)) fileSystem.DeleteFile(file);
  }
}

// The steps the table check of `table` reports progress for.
int64_t CheckSteps(const storage::TVxbBaseTable& table) {
  return (table.HasMemo() ? 1 : 0) + (table.HasBlob() ? 1 : 0) + table.IndexCount();
}

}  // namespace

int16_t CheckTablesIntoReport(TVxbLocalSession& session, int16_t rltnIdx, const storage::TVxbCheckProgress& progress,
                              int16_t& reportRltnIdx) {
  reportRltnIdx = 0;
  TVxbSessionServices& services = *session.Services();
  TVxbCatalog& catalog = *session.Catalog();
  fs::TvwFileSystem& fileSystem = *services.DataFileSystem();

  std::vector<TVxbCatalogTable*> tables;
  for (int16_t idx = 1; idx <= TVxbCatalog::kMaxRltnIdx; ++idx) {
    if ((rltnIdx == 0 || idx == rltnIdx) && catalog.IsActiveRltnIdx(idx)) tables.push_back(catalog.GetTable(idx));
  }
  if (rltnIdx != 0 && tables.empty()) return services.SetLastError(errors::vxbErrInvalidAccess, {});

  const std::u16string directory = services.PrivateDir();
  std::error_code ignored;
  std::filesystem::create_directories(fs::u8(directory), ignored);
  const std::u16string file = FreeReportFile(catalog, fileSystem, directory);
  if (file.empty()) return services.SetLastError(errors::vxbErrCapacity, {u"check reports"});
  if (const int16_t created = CreateReport(catalog, file); created < 0) return created;
  const int16_t reportIdx = catalog.OpenOwnTableFile(file, kReportRights);
  if (reportIdx < 0) {
    RemoveReport(fileSystem, {file});
    return reportIdx;
  }
  TVxbCatalogTable& report = *catalog.GetTable(reportIdx);

  int64_t total = 0;
  for (const TVxbCatalogTable* table : tables) total += CheckSteps(*table);
  int64_t done = 0;
  bool stopped = false;
  int16_t result = 0;
  for (TVxbCatalogTable* table : tables) {
    const int64_t before = done;
    result = table->Check(report, [&](int64_t tableDone, int64_t) {
      done = before + tableDone;
      const int answer = progress ? progress(done, total) : 0;
      stopped = stopped || answer == 1;
      return answer;
    });
    if (result < 0 || stopped) break;
    done = before + CheckSteps(*table);
  }
  if (result == 0) result = report.Flush(false);
  if (result < 0) {
    std::vector<std::u16string> files;
    report.GetFileNames(files);
    for (std::u16string& sharing : SharingFilesOf(file, 6)) files.push_back(std::move(sharing));
    catalog.CloseRelation(reportIdx, false, true);
    RemoveReport(fileSystem, files);
    return result;
  }
  reportRltnIdx = reportIdx;
  return 0;
}

}  // namespace vexilo::api
