// vxbtool edit and delete: change one record of a table from the command
// line, through the same edit cycle as the dictionary program — the table
// opened shared by a session's catalog, the record's edit lock taken by an
// accessor (waiting up to the locking timeout while another program edits
// the record), the new values and memos posted with every index kept in
// step. With --hold the edit stays open, its lock held, until a line (or the
// end) arrives on standard input, so that what a second program meets can
// be seen from another terminal.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/accessor.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/table/relation.h"
#include "engine/types/column_type.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kEditUsage =
    "edit TABLE RECNO COLUMN=VALUE... [--timeout MS] [--hold] [--password PW]\n";
constexpr const char* kDeleteUsage = "delete TABLE RECNO [--timeout MS] [--password PW]\n";
constexpr uint16_t kEditRights = storage::kRightAppend | storage::kRightEdit | storage::kRightDelete;

// One COLUMN=VALUE argument; an empty value makes the column null.
struct TAssignment {
  std::string Column;
  std::u16string Value;
};

std::optional<TAssignment> ParseAssignment(const std::string& word) {
  const size_t equals = word.find('=');
  if (equals == std::string::npos || equals == 0) return std::nullopt;
  return TAssignment{word.substr(0, equals), fs::u16(word.substr(equals + 1))};
}

// The session's locking timeout from --timeout; none when it is not a
// number of milliseconds.
std::optional<int32_t> LockingTimeout(const TCommandLine& line) {
  if (!line.Has("--timeout")) return api::TVxbSessionServices::kDefaultLockingTimeout;
  const auto value = ParseNumber(line.Value("--timeout"), 0, 3'600'000);
  if (!value) return std::nullopt;
  return static_cast<int32_t>(*value);
}

// The accessor of `table`, standing on record `recNo` (which must exist).
cursor::TVxbAccessor& AccessorOn(TToolSession& session, storage::TVxbBaseTable& table, int32_t recNo) {
  cursor::TVxbAccessor& accessor = session.AccessorOf(table);
  accessor.SetLockingTimeout(session.LockingTimeout());
  if (recNo > table.GetRecordCount()) {
    throw errors::EVxbEngine(errors::vxbErrRecordNotFound, std::u16string_view(u""));
  }
  accessor.SetCurrentRecordNo(recNo);
  session.Check(accessor.UpdateRecBuf());
  return accessor;
}

// Waits for a line, or the end, on standard input.
void WaitForInput() {
  std::string ignored;
  std::getline(std::cin, ignored);
}

}  // namespace

int TableEditCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password", "--timeout"}, {"--hold"});
  if (!line || line->Positional.size() < 3) return WrongArguments(kEditUsage);
  const auto recNo = ParseNumber(line->Positional[1], 1, INT32_MAX);
  const auto timeout = LockingTimeout(*line);
  std::vector<TAssignment> assignments;
  for (size_t i = 2; i < line->Positional.size(); ++i) {
    auto assignment = ParseAssignment(line->Positional[i]);
    if (!assignment) return WrongArguments(kEditUsage);
    assignments.push_back(std::move(*assignment));
  }
  if (!recNo || !timeout) return WrongArguments(kEditUsage);

  try {
    TToolSession session(*timeout);
    storage::TVxbBaseTable& table =
        session.OpenTable(line->Positional[0], kEditRights, fs::u16(line->Value("--password")));
    std::vector<int> fieldNos;
    for (const TAssignment& assignment : assignments) {
      const std::u16string name = fs::u16(assignment.Column);
      const int fieldNo = table.ColumnDefs().Find(name);
      if (fieldNo < 1) throw errors::EVxbEngine(errors::vxbErrNotADataField, name);
      if (table.ColumnDefs().GetColumnDef(fieldNo)->TypeCode() == types::vxbBlob) {
        std::fprintf(stderr, "vxbtool: %s is a Blob column; blobs are not edited from the command line\n",
                     assignment.Column.c_str());
        return 2;
      }
      fieldNos.push_back(fieldNo);
    }
    cursor::TVxbAccessor& accessor = AccessorOn(session, table, static_cast<int32_t>(*recNo));
    session.Check(accessor.Edit());
    for (size_t i = 0; i < assignments.size(); ++i) {
      const std::u16string& value = assignments[i].Value;
      session.Check(accessor.SetAsStringW(fieldNos[i], value, value.empty()));
    }
    if (line->Has("--hold")) {
      std::fprintf(stderr, "Editing record %lld; post with a line on standard input\n",
                   static_cast<long long>(*recNo));
      WaitForInput();
    }
    session.Check(accessor.Post());
    std::printf("Record %d posted\n", accessor.CurrentRecordNo());
    session.CloseTable(table);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

int TableDeleteCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password", "--timeout"});
  if (!line || line->Positional.size() != 2) return WrongArguments(kDeleteUsage);
  const auto recNo = ParseNumber(line->Positional[1], 1, INT32_MAX);
  const auto timeout = LockingTimeout(*line);
  if (!recNo || !timeout) return WrongArguments(kDeleteUsage);
  try {
    TToolSession session(*timeout);
    storage::TVxbBaseTable& table =
        session.OpenTable(line->Positional[0], kEditRights, fs::u16(line->Value("--password")));
    cursor::TVxbAccessor& accessor = AccessorOn(session, table, static_cast<int32_t>(*recNo));
    session.Check(accessor.DeleteRecord());
    std::printf("Record %lld deleted; %d records left\n", static_cast<long long>(*recNo),
                table.GetRecordCount());
    session.CloseTable(table);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
