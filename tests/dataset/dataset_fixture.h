// The fixture of the dataset-layer tests: tables made by vxbtool in a fresh
// temporary directory, the records vxbtool reads back from them (another
// process, so what the files hold), and a database component with a table
// dataset on them the way the main window sets them up.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataset/database.h"
#include "dataset/table.h"
#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/json_reader.h"
#include "tests/tools/program_run.h"

namespace vexilo::dataset::testing {

// One dictionary entry as a TSV row.
struct TEntry {
  std::string Eng;
  std::string Hun;
  std::string Leir;
};

// A record as vxbtool writes it: its number and its columns' JSON values.
struct TDumpedRecord {
  int32_t RecNo = 0;
  tools::testing::TJsonValue Value;
  std::string Text(const std::string& column) const {
    const tools::testing::TJsonValue* member = Value.Member(column);
    return member == nullptr ? std::string("<missing>") : member->Text;
  }
  bool IsNull(const std::string& column) const {
    const tools::testing::TJsonValue* member = Value.Member(column);
    return member != nullptr && member->Type == tools::testing::TJsonValue::Kind::Null;
  }
};

inline std::u16string U16(const std::string& utf8) { return fs::Utf8ToUtf16(utf8); }
inline std::string U8(const std::u16string& text) { return fs::Utf16ToUtf8(text); }

class DatasetFixture : public ::testing::Test {
 public:
  std::string Table(const std::string& name = "Eng_hun") const { return FDir.File(name); }

 protected:
  // Runs vxbtool; fails the test unless it exits with 0. Its output.
  std::string Tool(const std::vector<std::string>& args, int expectedStatus = 0) {
    const tools::testing::TToolRun run =
        tools::testing::RunProgram(VXBTOOL_PATH, args, FDir.File("tool.out"), FDir.File("tool.err"));
    EXPECT_EQ(run.Status, expectedStatus) << "vxbtool " << (args.empty() ? "" : args[0]) << ": " << run.Err;
    return run.Out;
  }

  // The dictionary's table with `entries` in record-number order.
  void CreateDictionary(const std::vector<TEntry>& entries, const std::string& name = "Eng_hun") {
    Tool({"create", Table(name), "--level", "6", "--collation", "Hungarian", "ENG:WideString:80",
          "HUN:WideString:80", "LEIR:WideMemo?", "--index", "ENG=ENG", "--index", "HUN=HUN"});
    if (entries.empty()) return;
    std::ofstream tsv(FDir.File("rows.tsv"), std::ios::binary);
    tsv << "ENG\tHUN\tLEIR\n";
    for (const TEntry& entry : entries) tsv << entry.Eng << '\t' << entry.Hun << '\t' << entry.Leir << '\n';
    tsv.close();
    Tool({"import", Table(name), FDir.File("rows.tsv")});
  }

  // The records in the order of `indexName` as another process reads them.
  std::vector<TDumpedRecord> Dump(const std::string& indexName, const std::string& name = "Eng_hun") {
    // query joins the table as a session does (dump reads the files as they
    // lie), so it sees what this process has written but not yet flushed.
    const std::string out = indexName.empty() ? Tool({"query", Table(name), "1 = 1"})
                                              : Tool({"query", Table(name), "1 = 1", "--index", indexName});
    std::vector<TDumpedRecord> records;
    size_t start = 0;
    while (start < out.size()) {
      const size_t end = std::min(out.find('\n', start), out.size());
      if (end > start) {
        auto value = tools::testing::TJsonReader::Parse(out.substr(start, end - start));
        EXPECT_TRUE(value.has_value()) << out.substr(start, end - start);
        if (value) records.push_back({std::stoi(value->Member("_recno")->Text), *value});
      }
      start = end + 1;
    }
    return records;
  }

  // The main window's components on the fixture directory.
  void MakeComponents(const std::u16string& indexName = u"HUN", const std::u16string& tableName = u"Eng_hun") {
    FDatabase = std::make_unique<TVxbDatabase>(&FOwner);
    FDatabase->SetName(u"VxbDatabase1");
    FDatabase->SetLocation(U16(FDir.Path().string()));
    FTable = std::make_unique<TVxbTable>(&FOwner);
    FTable->SetName(u"Table1");
    FTable->SetDatabaseName(u"VxbDatabase1");
    FTable->SetTableName(tableName);
    FTable->SetIndexName(indexName);
  }

  // ENG and HUN of the current record.
  std::pair<std::string, std::string> Current() {
    return {U8(FTable->FieldByName(u"ENG").AsString()), U8(FTable->FieldByName(u"HUN").AsString())};
  }

  ~DatasetFixture() override {
    FTable.reset();
    FDatabase.reset();
  }

  vexilo::testing::TempDir FDir;
  int FOwner = 0;
  std::unique_ptr<TVxbDatabase> FDatabase;
  std::unique_ptr<TVxbTable> FTable;
};

// A data link that keeps `rows` record buffers, as a grid of that many
// visible rows does.
class TRowsLink : public framework::TDataLink {
 public:
  TRowsLink(framework::TDataSource& source, int rows) {
    SetBufferCount(rows);
    SetDataSource(&source);
  }
};

// Entries whose Hungarian order differs from their byte order and from
// their record order (accents, digraphs, case).
inline std::vector<TEntry> HungarianEntries() {
  return {{"zebra", "zebra", "állat"},     {"apple", "alma", "gyümölcs"},   {"wish", "óhaj", ""},
          {"sheep", "birka", "ő ű"},       {"castle", "vár", "erőd"},       {"hunger", "éhség", ""},
          {"nut", "dió", ""},              {"bean", "bab", ""},             {"church", "templom", ""},
          {"Apple", "Alma", "nagybetű"},   {"dragon", "sárkány", ""},       {"oath", "eskü", ""},
          {"bullet", "golyó", ""},         {"sand", "homok", ""},           {"ribbon", "szalag", ""},
          {"spine", "gerinc", ""},         {"cap", "sapka", ""},            {"lizard", "gyík", ""},
          {"stream", "patak", ""},         {"owl", "bagoly", ""},           {"eleven", "tizenegy", ""},
          {"cinema", "mozi", ""},          {"jug", "kancsó", ""},           {"wet", "nedves", ""},
          {"shy", "félénk", ""},           {"milk", "tej", ""},             {"cutlet", "szelet", ""},
          {"vowel", "magánhangzó", ""},    {"fortune", "szerencse", ""},    {"flower", "virág", ""}};
}

}  // namespace vexilo::dataset::testing
