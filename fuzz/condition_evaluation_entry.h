// The search-condition language from text to result: one input is a
// condition typed by a user (first byte: the options, bit 0 local formats,
// bit 1 the jokers rule; the rest UTF-8 or Latin-1 as for the parser's
// target), prepared against an accessor on a small words table (ENG and HUN
// WideString, N Integer, F Float and D Date with nulls, a LEIR WideMemo, six
// records) and evaluated on every record, and its index choice made.
// Preparing or evaluating may refuse the condition with an engine error;
// anything else that escapes, and every memory fault the sanitizers see, is
// a fault the fuzzer reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/index_choice.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/services.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/table/base_table.h"
#include "engine/types/column_type.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "fuzz/condition_parser_entry.h"
#include "fuzz/scratch_dir.h"

namespace vexilo::fuzz {

namespace detail {

// The words table, made once in a directory of its own for the whole run.
class TWordsTable {
 public:
  TWordsTable() {
    FFileSystem.SetBaseDirectory(fs::u16(FDir.Path()));
    FServices.SetStation(1);
    FTable = std::make_unique<storage::TVxbBaseTable>(FServices, FManager, FFileSystem, 1);
    FTable->SetFileName(u"Words.vxbt");
    const auto column = [](std::u16string name, int16_t type, int32_t length, bool nullable) {
      storage::TVxbColumnSpec spec;
      spec.Name = std::move(name);
      spec.TypeCode = type;
      spec.Length = length;
      spec.Nullable = nullable;
      return spec;
    };
    Keep(FTable->AddColumn(column(u"ENG", types::vxbWideString, 40, true)) > 0);
    Keep(FTable->AddColumn(column(u"HUN", types::vxbWideString, 40, true)) > 0);
    Keep(FTable->AddColumn(column(u"N", types::vxbInteger, 0, true)) > 0);
    Keep(FTable->AddColumn(column(u"F", types::vxbFloat, 2, true)) > 0);
    Keep(FTable->AddColumn(column(u"D", types::vxbDate, 0, true)) > 0);
    Keep(FTable->AddColumn(column(u"LEIR", types::vxbWideMemo, 0, false)) > 0);
    Keep(FTable->NewFile({}, {}, {}) == 0 && FTable->Setup(false) == 0);
    FAccessor = std::make_unique<cursor::TVxbAccessor>(*FTable, u"Fuzz");
    const char16_t* rows[][6] = {
        {u"apple", u"alma", u"3", u"1.5", u"30.03.2014", u"red fruit"},
        {u"Apple", nullptr, nullptr, u"2", nullptr, nullptr},
        {u"pear", u"körte", u"10", nullptr, u"01.01.2000", u"It's sweet"},
        {nullptr, u"szilva", u"-2", u"0.25", u"31.12.1999", u"100% plum"},
        {u"apricot", u"kajszi", u"7", u"3", u"15.06.2014", nullptr},
        {u"app*", u"csillag", u"0", u"0", u"01.01.2014", u"a_c"},
    };
    for (const auto& row : rows) {
      Keep(FAccessor->Append() == 0);
      for (int fieldNo = 1; fieldNo <= 6; ++fieldNo) {
        const char16_t* value = row[fieldNo - 1];
        Keep(FAccessor->SetAsStringW(fieldNo, value ? value : u"", value == nullptr) == 0);
      }
      Keep(FAccessor->Post() == 0);
    }
  }
  ~TWordsTable() {
    FAccessor.reset();
    FTable->Close();
  }
  TWordsTable(const TWordsTable&) = delete;
  TWordsTable& operator=(const TWordsTable&) = delete;

  storage::TVxbBaseTable& Table() { return *FTable; }
  cursor::TVxbAccessor& Accessor() { return *FAccessor; }

 private:
  ScratchDir FDir;
  fs::TvwOSFileSystem FFileSystem;
  index::TVxbPageManager FManager;
  errors::TVxbServices FServices;
  std::unique_ptr<storage::TVxbBaseTable> FTable;
  std::unique_ptr<cursor::TVxbAccessor> FAccessor;
};

inline TWordsTable& WordsTable() {
  static TWordsTable table;
  return table;
}

}  // namespace detail

inline int RunConditionEvaluation(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t options = 0;
  if (data[0] & 1) options |= cursor::tpoLocalFormats;
  if (data[0] & 2) options |= cursor::tpoUseJokers;
  detail::TWordsTable& words = detail::WordsTable();
  cursor::TVxbAccessor& accessor = words.Accessor();
  cursor::TVxbSqlCondition condition(detail::ConditionText(data + 1, size - 1));
  try {
    condition.Prepare({&accessor}, options);
  } catch (const errors::EVxbEngine&) {
    detail::Keep(!condition.IsPrepared());
    return 0;
  }
  const std::vector<cursor::TVxbIndexCandidate> indexes = {
      {0, u"ENG", {{1, false}}}, {1, u"HUN_DOWN", {{2, true}}}, {2, u"N_ENG", {{3, false}, {1, false}}}};
  try {
    const auto choice = cursor::ChooseIndex(const_cast<cursor::TVxbSearchCondition*>(condition.Tree()), accessor,
                                            indexes, (data[0] & 4) != 0);
    (void)cursor::DescribeChoice(choice, accessor);
    for (int32_t recNo = 1; recNo <= words.Table().GetRecordCount(); ++recNo) {
      accessor.SetCurrentRecordNo(recNo);
      (void)condition.Evaluate();
    }
  } catch (const errors::EVxbEngine&) {
    // A value that cannot be computed (division by zero, a range) refuses.
  }
  return 0;
}

}  // namespace vexilo::fuzz
