// vxbtool create: a new table from columns given on the command line, with
// its user indexes, check constraints (search conditions every stored
// record must not make false) and calculated columns (expressions over the
// record's other columns). A table file that exists already (under
// either extension) is never touched; a definition the engine refuses (a
// check that does not prepare against the new table included) leaves no
// file behind.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "engine/cursor/condition/table_calculations.h"
#include "engine/cursor/condition/table_checks.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "engine/storage/file/table_definition.h"
#include "engine/types/collation.h"
#include "fs/text.h"
#include "tools/column_syntax.h"
#include "tools/command_line.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage =
    "create TABLE [--level N] [--collation NAME] [--capacity N] [--password PW]\n"
    "              [--blob-block-size N] COLUMN... [--index NAME=SPEC]... [--check CONDITION]...\n"
    "              [--calculate COLUMN=EXPRESSION]...\n";

// Engine errors that mean the definition given is at fault, not the system.
const std::set<int16_t> kDefinitionErrors = {11, 23, 25, 44, 46, 50, 58, 59, 61, 65, 71, 73, 74,
                                              75, 76, 98, 117, 137, 138, 140, 143, 144, 158, 161,
                                              173, 186, 187};

struct TIndexArgument {
  std::u16string Name;
  std::u16string Specification;
};

int Refuse(const std::string& message) {
  std::fprintf(stderr, "vxbtool: %s\n", message.c_str());
  return 2;
}

// The files of a table `file` in its directory: the table file and its
// companions, named after the table with "." or "!" following.
std::set<std::filesystem::path> TableFiles(const std::filesystem::path& file) {
  std::set<std::filesystem::path> found;
  const std::string stem = file.stem().string();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
        (name[stem.size()] == '.' || name[stem.size()] == '!'))
      found.insert(entry.path());
  }
  return found;
}

}  // namespace

int TableCreateCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(
      args, {"--level", "--collation", "--capacity", "--password", "--blob-block-size", "--index", "--check",
             "--calculate"});
  if (!line || line->Positional.size() < 2) {
    WrongArguments(kUsage);
    std::fputs(kColumnSyntaxUsage, stderr);
    return 2;
  }

  const auto level = ParseNumber(line->Value("--level", "6"), 1, 6);
  if (!level) return Refuse("--level must be a number from 1 to 6");
  const auto capacity =
      ParseNumber(line->Value("--capacity", std::to_string(storage::kDefaultCapacity)), 1, 2147483647);
  if (!capacity) return Refuse("--capacity must be a number from 1 to 2147483647");
  const auto blobBlockSize = ParseNumber(line->Value("--blob-block-size", "0"), 0, 65536);
  if (!blobBlockSize) return Refuse("--blob-block-size must be a number from 0 to 65536");

  std::vector<storage::TVxbColumnSpec> columns;
  for (size_t i = 1; i < line->Positional.size(); ++i) {
    auto parsed = ParseColumnSyntax(line->Positional[i]);
    if (auto* message = std::get_if<std::string>(&parsed)) return Refuse(*message);
    columns.push_back(std::get<storage::TVxbColumnSpec>(std::move(parsed)));
  }
  // --calculate NAME=EXPRESSION: the column's value is computed from the
  // record when it is appended or updated.
  if (const auto found = line->Values.find("--calculate"); found != line->Values.end()) {
    for (const std::string& text : found->second) {
      const size_t equals = text.find('=');
      if (equals == 0 || equals == std::string::npos || equals + 1 == text.size())
        return Refuse("--calculate \"" + text + "\": expected NAME=EXPRESSION");
      const std::u16string name = fs::u16(text.substr(0, equals));
      storage::TVxbColumnSpec* column = nullptr;
      for (auto& spec : columns) {
        if (fs::EqualsIgnoringLatin1Case(spec.Name, name)) column = &spec;
      }
      if (!column) return Refuse("--calculate \"" + text + "\": no column " + text.substr(0, equals));
      column->Expression = storage::TVxbExpressionSource{fs::u16(text.substr(equals + 1)), false};
      column->Options |= storage::kColumnCalculated;
    }
  }
  std::vector<TIndexArgument> indexes;
  if (const auto found = line->Values.find("--index"); found != line->Values.end()) {
    for (const std::string& text : found->second) {
      const size_t equals = text.find('=');
      if (equals == 0 || equals == std::string::npos || equals + 1 == text.size())
        return Refuse("--index \"" + text + "\": expected NAME=SPEC");
      indexes.push_back({fs::u16(text.substr(0, equals)), fs::u16(text.substr(equals + 1))});
    }
  }
  const std::u16string collation = fs::u16(line->Value("--collation"));

  std::filesystem::path file;
  std::set<std::filesystem::path> before;
  try {
    if (!collation.empty() && !types::TVxbCollation::IsSupported(collation))
      throw errors::EVxbEngine(errors::vxbErrNoSuchCollation, collation);
    file = NewTableFile(line->Positional[0], static_cast<int16_t>(*level));
    for (int16_t otherLevel : {int16_t{6}, int16_t{5}}) {
      std::filesystem::path sibling = file;
      sibling.replace_extension(fs::u8(index::TableFileExtension(otherLevel)));
      if (std::filesystem::exists(sibling)) {
        std::fprintf(stderr, "vxbtool: %s\n",
                     errors::EVxbEngine(errors::vxbErrAlreadyExists, fs::u16(sibling.string())).what());
        return 1;
      }
    }
    before = TableFiles(file);
  } catch (const errors::EVxbEngine& e) {
    return Refuse(e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }

  int status = 0;
  {
    TToolSession session;
    try {
      storage::TVxbBaseTable& table = session.NewTable(file);
      table.SetLevel(static_cast<int16_t>(*level));
      table.SetCollationName(collation);
      table.SetCapacity(static_cast<int32_t>(*capacity));
      table.SetKey(fs::u16(line->Value("--password")));
      // Without the option a new blob file gets the engine's default blocks.
      if (line->Has("--blob-block-size")) table.SetBlobBlockSize(static_cast<int32_t>(*blobBlockSize));
      for (const auto& column : columns) session.Check(table.AddColumn(column));
      std::vector<storage::TVxbCheckDef> checks;
      if (const auto found = line->Values.find("--check"); found != line->Values.end()) {
        for (const std::string& condition : found->second) {
          const std::u16string name = u"Check" + fs::u16(std::to_string(checks.size() + 1));
          checks.push_back({name, {fs::u16(condition), false}});
        }
      }
      session.Check(table.NewFile(checks, {}, {}));
      session.Check(table.Setup(false));
      {
        cursor::TVxbTableChecks evaluation(table);
        for (const storage::TVxbCheckDef& check : checks) evaluation.Validate(check.Condition.Text);
        cursor::TVxbTableCalculations calculations(table);
        for (int fieldNo = 1; fieldNo <= table.ColumnCount(); ++fieldNo) {
          if (table.ColumnDefs().GetColumnDef(fieldNo)->CalculationPurposes() != 0) calculations.Validate(fieldNo);
        }
      }
      for (const auto& index : indexes) session.Check(table.NewIndex(index.Name, index.Specification));
      session.CloseTable(table);
      std::printf("Created %s\n", file.string().c_str());
    } catch (const errors::EVxbEngine& e) {
      std::fprintf(stderr, "vxbtool: %s\n", e.what());
      status = kDefinitionErrors.count(e.Code()) != 0 ? 2 : 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "vxbtool: %s\n", e.what());
      status = 1;
    }
  }
  if (status != 0) {
    // The session is gone, and with it every handle on the new files.
    std::error_code ignored;
    for (const auto& made : TableFiles(file))
      if (before.count(made) == 0) std::filesystem::remove(made, ignored);
  }
  return status;
}

}  // namespace vexilo::tools
