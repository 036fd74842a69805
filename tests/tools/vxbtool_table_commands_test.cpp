// vxbtool info and dump, run as a process on tables the storage layer makes
// in a fresh directory: a heap table and a B+ table, each with String,
// WideString, Integer, Memo and Blob columns and their memo and blob files.
// Checked: the essentials of the info text; dump's JSON lines (valid JSON,
// escapes, non-ASCII text, base64 blobs, nulls, --limit); and the exit
// status with the engine's message for missing, damaged and foreign files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/file/bplus_data_file.h"
#include "engine/storage/columns/column_rules.h"
#include "engine/storage/file/heap_data_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/column_type.h"
#include "engine/types/field_codec.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/json_reader.h"
#include "tests/tools/program_run.h"

namespace vexilo::tools::testing {
namespace {

using namespace storage;
using types::TVxbFieldCodec;

// One value of each column per record; `present` false stores null.
struct TRow {
  int32_t Id;
  bool Present;
  std::string Ansi;        // NAME, a String column, code page 1252
  std::u16string Wide;     // ENG, a WideString column
  int32_t Number;          // SZAM
  std::string Memo;        // LEIR
  std::string Blob;        // KEP
};

const std::u16string kAwkwardWide =
    u"say \"hi\" \\ tab\t nl\n ctl\x01 t\u0171r\u0151 \U0001F600";

const std::vector<TRow> kRows = {
    {10, true, "caf\xE9 \xF1", kAwkwardWide, -42, "first line\nsecond, \xE9", std::string("\x00\x01\x02\xFF" "A", 5)},
    {20, false, "", u"", 0, "", ""},
    {30, true, "plain", u"plain", 7, "m", "xy"},
};

class VxbTool : public ::testing::Test {
 protected:
  VxbTool() { FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string())); }

  TToolRun Run(const std::vector<std::string>& args) {
    return RunProgram(VXBTOOL_PATH, args, Dir.File("tool.out"), Dir.File("tool.err"));
  }

  static std::string Read(const std::string& path) { return ReadWholeFile(path); }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::unique_ptr<index::TVxbClientStorage> Client(const std::u16string& name) {
    auto client = std::make_unique<index::TVxbClientStorage>(Manager, FileSystem, 1);
    client->SetName(name);
    return client;
  }
  void Add(TVxbTableDefinition& d, const char16_t* name, int16_t type, int length, bool nullable) {
    TVxbColumnSpec spec;
    spec.Name = name;
    spec.TypeCode = type;
    spec.Length = length;
    spec.Nullable = nullable;
    ASSERT_GT(AddColumn(d.ColumnDefs, spec, 6, u"", Services), 0) << fs::u8(Services.LastErrorMsg());
  }

  // Makes table `name` (".vxbt") with kRows, as a B+ table when `bplus`.
  void MakeTable(const std::string& name, bool bplus) {
    TVxbTableDefinition d;
    Add(d, bplus ? u"_XXX" : u"ID", types::vxbRecordId, 0, false);
    Add(d, u"NAME", types::vxbString, 20, true);
    Add(d, u"ENG", types::vxbWideString, 60, true);
    Add(d, u"SZAM", types::vxbInteger, 0, true);
    Add(d, u"LEIR", types::vxbMemo, 0, true);
    Add(d, u"KEP", types::vxbBlob, 0, true);
    const std::u16string tableName = fs::u16(name + ".vxbt");
    std::unique_ptr<TVxbDataFile> data;
    if (bplus) data = std::make_unique<TVxbBPlusDataFile>(Services, Client(tableName));
    else data = std::make_unique<TVxbHeapDataFile>(Services, Client(tableName));
    TVxbTableCryptor cryptor;
    ASSERT_EQ(data->NewFile(6, cryptor, d), 0) << fs::u8(Services.LastErrorMsg());
    data->IndexNames() = {u"ENG", u"SZAM"};
    ASSERT_EQ(data->WriteIndexNames(), 0);
    TVxbMemoFile memo(Services, Client(TVxbMemoFile::FileNameFor(tableName, 6)), 6);
    ASSERT_EQ(memo.NewFile(), 0);
    TVxbBlobFile blob(Services, Client(TVxbBlobFile::FileNameFor(tableName, 6)), 6, 0);
    ASSERT_EQ(blob.NewFile(), 0);

    auto layout = [&](int no) { return d.ColumnDefs.GetColumnDef(no)->FieldLayout(6); };
    for (const TRow& row : kRows) {
      std::vector<uint8_t> record(data->RecordSize(), 0);
      TVxbFieldCodec::WriteInteger(record.data(), layout(1), true, row.Id);
      TVxbFieldCodec::WriteString(record.data(), layout(2), row.Present, row.Ansi);
      TVxbFieldCodec::WriteWideString(record.data(), layout(3), row.Present, row.Wide);
      TVxbFieldCodec::WriteInteger(record.data(), layout(4), row.Present, row.Number);
      const int32_t memoBlock = row.Present ? memo.WriteString(0, row.Memo) : 0;
      const int32_t blobBlock = row.Present ? blob.WriteString(0, row.Blob) : 0;
      ASSERT_GE(memoBlock, 0);
      ASSERT_GE(blobBlock, 0);
      TVxbFieldCodec::WriteBlockRef(record.data(), layout(5), row.Present, memoBlock);
      TVxbFieldCodec::WriteBlockRef(record.data(), layout(6), row.Present, blobBlock);
      ASSERT_GT(data->InsertRecord(record.data()), 0) << fs::u8(Services.LastErrorMsg());
    }
    ASSERT_EQ(data->Flush(), 0);
    ASSERT_EQ(memo.Flush(), 0);
    ASSERT_EQ(blob.Flush(), 0);
  }

  // The path of table `name` without its extension, as a user gives it.
  std::string Table(const std::string& name) const { return Dir.File(name); }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;
};

TEST_F(VxbTool, InfoShowsLayoutCountsIndexesAndColumns) {
  MakeTable("Heap", false);
  MakeTable("Tree", true);
  struct Case {
    std::string name;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"Heap", {"Layout:          heap", "Records start:   16384", "Records:         3", "Next record id:  1"}},
      {"Tree", {"Layout:          B+ tree", "Records:         3", "Next record id:  1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TToolRun run = Run({"info", Table(c.name)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    std::vector<std::string> expected = c.expected;
    for (const char* common : {"Level:           6", "Encryption:      temNone", "Indexes:         ENG, SZAM",
                               "Columns (6):", ".vxbt"})
      expected.push_back(common);
    for (const std::string& text : expected) EXPECT_NE(run.Out.find(text), std::string::npos) << text << "\n" << run.Out;
    for (const char* column : {"NAME", "String(20)", "WideString(60)", "SZAM", "Integer", "LEIR", "Memo", "KEP",
                               "Blob", "RecordId"})
      EXPECT_NE(run.Out.find(column), std::string::npos) << column;
  }
}

TEST_F(VxbTool, DumpWritesOneValidJsonObjectPerRecord) {
  MakeTable("Heap", false);
  MakeTable("Tree", true);
  for (const std::string name : {"Heap", "Tree"}) {
    SCOPED_TRACE(name);
    const TToolRun run = Run({"dump", Table(name)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), kRows.size()) << run.Out;
    for (size_t i = 0; i < lines.size(); ++i) {
      SCOPED_TRACE(lines[i]);
      const TRow& row = kRows[i];
      const auto json = TJsonReader::Parse(lines[i]);
      ASSERT_TRUE(json.has_value());
      ASSERT_EQ(json->Type, TJsonValue::Kind::Object);
      EXPECT_EQ(json->MemberOrder,
                (std::vector<std::string>{"_recno", name == "Tree" ? "_XXX" : "ID", "NAME", "ENG", "SZAM", "LEIR",
                                          "KEP"}));
      // A heap numbers its records 1 to 3; a B+ table by their ids.
      EXPECT_EQ(json->Member("_recno")->Text, std::to_string(name == "Tree" ? row.Id : static_cast<int32_t>(i + 1)));
      if (!row.Present) {
        for (const char* column : {"NAME", "ENG", "SZAM", "LEIR", "KEP"})
          EXPECT_EQ(json->Member(column)->Type, TJsonValue::Kind::Null) << column;
        continue;
      }
      EXPECT_EQ(json->Member("ENG")->Text, fs::u8(row.Wide));
      EXPECT_EQ(json->Member("SZAM")->Text, std::to_string(row.Number));
      EXPECT_EQ(json->Member("SZAM")->Type, TJsonValue::Kind::Number);
    }
    const auto first = TJsonReader::Parse(lines[0]);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->Member("NAME")->Text, "caf\xC3\xA9 \xC3\xB1");              // from code page 1252
    EXPECT_EQ(first->Member("LEIR")->Text, "first line\r\nsecond, \xC3\xA9");   // memo line breaks as CR LF
    EXPECT_EQ(first->Member("KEP")->Text, "AAEC/0E=");
    EXPECT_EQ(TJsonReader::Parse(lines[2])->Member("KEP")->Text, "eHk=");
    // The escapes themselves: quote, backslash, tab, newline, a control
    // character as \u0001; non-ASCII text as UTF-8, not escaped.
    EXPECT_NE(lines[0].find(R"("ENG":"say \"hi\" \\ tab\t nl\n ctl\u0001 t)" "\xC5\xB1r\xC5\x91 \xF0\x9F\x98\x80\""),
              std::string::npos);
  }
}

TEST_F(VxbTool, DumpStopsAtTheLimit) {
  MakeTable("Tree", true);
  struct Case {
    const char* limit;
    size_t lines;
  };
  for (const Case& c : std::vector<Case>{{"0", 0}, {"2", 2}, {"3", 3}, {"99", 3}}) {
    SCOPED_TRACE(c.limit);
    const TToolRun run = Run({"dump", Table("Tree"), "--limit", c.limit});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(Lines(run.Out).size(), c.lines);
  }
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"dump", Table("Tree"), "--limit", "-1"}, {"dump", Table("Tree"), "--limit"}, {"dump"},
           {"info", Table("Tree"), "--limit", "2"}}) {
    const TToolRun run = Run(args);
    EXPECT_EQ(run.Status, 2) << args.size();
    EXPECT_EQ(run.Out, "");
  }
}

TEST_F(VxbTool, UnreadableTablesEndWithTheEnginesMessage) {
  MakeTable("Tree", true);
  std::string tree = Read(Table("Tree") + ".vxbt");
  int32_t root = 0;
  std::memcpy(&root, tree.data() + 17, 4);  // the tree header's root page
  tree[static_cast<size_t>(root) * 4096 + 4094] = '\xFF';  // the root's item count
  tree[static_cast<size_t>(root) * 4096 + 4095] = '\x7F';
  std::ofstream(Table("Broken") + ".vxbt", std::ios::binary) << tree;
  std::string heapHeader("\x64\xAA\x57\xFF\x09\x00", 6);
  heapHeader.resize(20000, '\0');
  std::ofstream(Table("Level9") + ".vxbt", std::ios::binary) << heapHeader;
  std::ofstream(Table("Letter") + ".vxbt", std::ios::binary) << "Kedves Olvas\xC3\xB3! Ez nem t\xC3\xA1\x62la.";

  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string message;
  };
  const std::string damaged = "Table is of an unknown version (level > 6) or table file header is corrupt";
  const std::vector<Case> cases = {
      {"missing", {"info", Table("Nincs")}, "File not found or access denied: \""},
      {"missing, dump", {"dump", Table("Nincs")}, "File not found or access denied: \""},
      {"level 9", {"info", Table("Level9")}, damaged},
      {"foreign", {"dump", Table("Letter")}, "Old version of table file"},
      {"damaged tree", {"dump", Table("Broken")}, damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TToolRun run = Run(c.args);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("vxbtool: "), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
  }
}

}  // namespace
}  // namespace vexilo::tools::testing
