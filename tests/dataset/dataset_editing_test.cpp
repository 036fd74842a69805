// The table dataset changing records: memo, wide-memo and blob contents
// written and read through blob streams, what a post sends and what it
// keeps, the required and size checks, the framework's events around each
// step, and the messages of failed steps. What the files hold is read by
// vxbtool in another process.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dataset/blob_stream.h"
#include "framework/core/abort.h"
#include "framework/core/blob_fields.h"
#include "framework/core/data_source.h"
#include "tests/dataset/dataset_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::dataset::testing {
namespace {

using framework::TDataSetState;

// A description with what the dictionary's texts hold: Hungarian letters,
// line breaks as the table stores them (CR LF), tabs; `length` characters.
std::u16string Description(size_t length) {
  const std::u16string piece = u"ő és ű\tárvíztűrő tükörfúrógép\r\n";
  std::u16string text;
  while (text.size() < length) text += piece;
  text.resize(length);
  return text;
}

std::vector<std::byte> Bytes(std::string_view text) {
  std::vector<std::byte> bytes(text.size());
  std::memcpy(bytes.data(), text.data(), text.size());
  return bytes;
}

// Base64 with padding, as vxbtool writes blob contents.
std::string Base64(const std::vector<std::byte>& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = std::to_integer<uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= std::to_integer<uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= std::to_integer<uint32_t>(bytes[i + 2]);
    text += kDigits[(group >> 18) & 63];
    text += kDigits[(group >> 12) & 63];
    text += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
    text += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
  }
  return text;
}

std::vector<std::byte> WideBytes(std::u16string_view text) {
  std::vector<std::byte> bytes(text.size() * 2);
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

class DatasetEditingTest : public DatasetFixture {
 public:
  framework::TField& Field(const char16_t* name) { return FTable->FieldByName(name); }

 protected:
  // The dictionary's columns and, besides, a Memo and a Blob column.
  void CreateNotes(const std::vector<TEntry>& entries = HungarianEntries()) {
    Tool({"create", Table(), "--level", "6", "--collation", "Hungarian", "ENG:WideString:80", "HUN:WideString:80",
          "LEIR:WideMemo?", "NOTE:Memo?", "DATA:Blob?", "--index", "ENG=ENG", "--index", "HUN=HUN"});
    std::ofstream tsv(FDir.File("rows.tsv"), std::ios::binary);
    tsv << "ENG\tHUN\tLEIR\n";
    for (const TEntry& entry : entries) tsv << entry.Eng << '\t' << entry.Hun << '\t' << entry.Leir << '\n';
    tsv.close();
    Tool({"import", Table(), FDir.File("rows.tsv")});
  }
  void Open(const std::u16string& index = u"ENG") {
    MakeComponents(index);
    FTable->Open();
  }
  bool GoTo(const std::string& eng) {
    for (FTable->First(); !FTable->Eof(); FTable->Next()) {
      if (Current().first == eng) return true;
    }
    return false;
  }
  // The record vxbtool finds with ENG `eng`; RecNo 0 when none.
  TDumpedRecord Dumped(const std::string& eng) {
    for (TDumpedRecord& record : Dump("")) {
      if (record.Text("ENG") == eng) return record;
    }
    return {};
  }
  // Writes `bytes` into `field` through a blob stream, in two pieces.
  void WriteContent(framework::TField& field, const std::vector<std::byte>& bytes) {
    auto stream = FTable->CreateBlobStream(field, framework::TBlobStreamMode::bmWrite);
    const int64_t half = static_cast<int64_t>(bytes.size() / 2);
    stream->WriteBuffer(bytes.data(), half);
    stream->WriteBuffer(bytes.data() + half, static_cast<int64_t>(bytes.size()) - half);
  }
  // The content of `field` read back through a blob stream in small pieces.
  std::vector<std::byte> ReadContent(framework::TField& field) {
    auto stream = FTable->CreateBlobStream(field, framework::TBlobStreamMode::bmRead);
    std::vector<std::byte> bytes;
    std::byte piece[7];
    for (int64_t got; (got = stream->Read(piece, sizeof piece)) > 0;) bytes.insert(bytes.end(), piece, piece + got);
    EXPECT_EQ(stream->Seek(0, framework::TSeekOrigin::soEnd), static_cast<int64_t>(bytes.size()));
    return bytes;
  }
  // The message of what `action` raises; empty when it raises nothing.
  static std::string MessageOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const framework::EDatabaseError& error) {
      return U8(error.Message());
    }
    return {};
  }
};

TEST_F(DatasetEditingTest, ContentsWrittenThroughAStreamAreStoredAndReadBackWhole) {
  struct TCase {
    const char* Name;
    const char16_t* Column;
    std::vector<std::byte> Content;
    std::string Dumped;  // vxbtool's JSON text of the column
  };
  const std::u16string description = Description(3000);
  std::vector<std::byte> binary(70000);
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<std::byte>(i * 7 % 256);
  const std::string ascii(50000, 'x');
  const TCase cases[] = {
      {"wide memo", u"LEIR", WideBytes(description), U8(description)},
      {"short wide memo", u"LEIR", WideBytes(u"ő"), "ő"},
      {"memo", u"NOTE", Bytes("line one\r\nline\ttwo"), "line one\r\nline\ttwo"},
      {"large memo", u"NOTE", Bytes(ascii), ascii},
      {"blob", u"DATA", binary, Base64(binary)},
  };
  CreateNotes();
  Open();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string eng = std::string("entry ") + c.Name;
    FTable->Append();
    Field(u"ENG").SetAsString(U16(eng));
    Field(u"HUN").SetAsString(u"bejegyzés");
    WriteContent(Field(c.Column), c.Content);
    // Read back before the post: the stream reads the pending content.
    EXPECT_EQ(ReadContent(Field(c.Column)), c.Content);
    FTable->Post();

    const TDumpedRecord record = Dumped(eng);
    ASSERT_NE(record.RecNo, 0);
    EXPECT_EQ(record.Text(U8(c.Column)), c.Dumped);
    FTable->Refresh();
    ASSERT_TRUE(GoTo(eng));
    EXPECT_EQ(ReadContent(Field(c.Column)), c.Content);
    EXPECT_FALSE(Field(c.Column).IsNull());
    // A blob's stream starts after its header.
    EXPECT_EQ(dynamic_cast<framework::TBlobField&>(Field(c.Column)).AsBytes(), c.Content);
  }
  const std::string findings = Tool({"check", Table()});
  EXPECT_NE(findings.find("No damage found"), std::string::npos) << findings;
}

TEST_F(DatasetEditingTest, WritingReplacesTheWholeContentAndEmptyMeansNone) {
  CreateNotes({{"sheep", "birka", "ő ű long description of a sheep"}});
  Open();
  ASSERT_TRUE(GoTo("sheep"));
  EXPECT_EQ(Field(u"LEIR").AsString(), u"ő ű long description of a sheep");

  FTable->Edit();
  Field(u"LEIR").SetAsString(u"rövid");
  FTable->Post();
  EXPECT_EQ(Dumped("sheep").Text("LEIR"), "rövid");
  EXPECT_EQ(Field(u"LEIR").AsString(), u"rövid");

  FTable->Edit();
  Field(u"LEIR").SetAsString(u"");
  FTable->Post();
  EXPECT_TRUE(Dumped("sheep").IsNull("LEIR"));
  EXPECT_TRUE(Field(u"LEIR").IsNull());
  EXPECT_EQ(Field(u"LEIR").AsString(), u"");
  // Reading a memo without content gives an empty text, through a stream too.
  EXPECT_TRUE(ReadContent(Field(u"NOTE")).empty());
}

TEST_F(DatasetEditingTest, APostSendsOnlyWhatChanged) {
  CreateNotes({{"sheep", "birka", "gyapjas"}, {"owl", "bagoly", "éjjel"}});
  Open();
  // Only the fixed fields: the description stays as stored.
  ASSERT_TRUE(GoTo("sheep"));
  FTable->Edit();
  Field(u"HUN").SetAsString(u"juh");
  FTable->Post();
  EXPECT_EQ(Dumped("sheep").Text("HUN"), "juh");
  EXPECT_EQ(Dumped("sheep").Text("LEIR"), "gyapjas");

  // Only the description: the fixed fields stay as they were.
  ASSERT_TRUE(GoTo("owl"));
  FTable->Edit();
  Field(u"LEIR").SetAsString(u"éjjeli madár\r\nbagoly");
  FTable->Post();
  EXPECT_EQ(Dumped("owl").Text("HUN"), "bagoly");
  EXPECT_EQ(Dumped("owl").Text("LEIR"), "éjjeli madár\r\nbagoly");

  // A cancelled edit sends nothing.
  FTable->Edit();
  Field(u"LEIR").SetAsString(u"elvetve");
  Field(u"HUN").SetAsString(u"elvetve");
  FTable->Cancel();
  EXPECT_EQ(Field(u"LEIR").AsString(), u"éjjeli madár\r\nbagoly");
  EXPECT_EQ(Dumped("owl").Text("LEIR"), "éjjeli madár\r\nbagoly");
  EXPECT_EQ(Dumped("owl").Text("HUN"), "bagoly");
}

TEST_F(DatasetEditingTest, AMemoColumnKeepsItsTextInTheTablesCodePage) {
  CreateNotes({{"sheep", "birka", ""}});
  Open();
  ASSERT_TRUE(GoTo("sheep"));
  FTable->Edit();
  Field(u"NOTE").SetAsString(u"Árvíztűrő tükörfúrógép ŐŰ");
  FTable->Post();
  FTable->Close();
  FTable->Open();
  ASSERT_TRUE(GoTo("sheep"));
  EXPECT_EQ(Field(u"NOTE").AsString(), u"Árvíztűrő tükörfúrógép ŐŰ");
}

TEST_F(DatasetEditingTest, RequiredAndSizeChecksRefuseTheValueAndStoreNothing) {
  struct TCase {
    const char* Name;
    std::function<void(DatasetEditingTest&)> Fill;  // after Append
    bool OnPost;                                    // raised by Post, not by Fill
    const char* Message;
  };
  const TCase cases[] = {
      {"no English expression", [](DatasetEditingTest& t) { t.Field(u"HUN").SetAsString(u"magyar"); }, true,
       "Field 'ENG' must have a value"},
      {"an empty Hungarian expression",
       [](DatasetEditingTest& t) {
         t.Field(u"ENG").SetAsString(u"english");
         t.Field(u"HUN").SetAsString(u"");
       },
       true, "Field 'HUN' must have a value"},
      {"English expression cleared",
       [](DatasetEditingTest& t) {
         t.Field(u"ENG").SetAsString(u"english");
         t.Field(u"ENG").Clear();
       },
       false, "Field 'ENG' must have a value"},
      {"text longer than the column",
       [](DatasetEditingTest& t) { t.Field(u"ENG").SetAsString(std::u16string(81, u'ő')); }, false,
       "Field 'ENG' holds at most 80 characters, the text has 81"},
  };
  CreateNotes();
  Open();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FTable->Append();
    const std::string message = MessageOf([&] {
      c.Fill(*this);
      if (c.OnPost) FTable->Post();
    });
    EXPECT_EQ(message, c.Message);
    EXPECT_EQ(FTable->State(), TDataSetState::dsInsert);
    FTable->Cancel();
    EXPECT_EQ(Dump("").size(), HungarianEntries().size());
  }
  // A text exactly as long as the column is taken whole.
  FTable->Append();
  Field(u"ENG").SetAsString(std::u16string(80, u'ű'));
  Field(u"HUN").SetAsString(u"hosszú");
  FTable->Post();
  EXPECT_EQ(Dumped(U8(std::u16string(80, u'ű'))).Text("HUN"), "hosszú");
}

TEST_F(DatasetEditingTest, TheFrameworksEventsComeInTheirOrderAroundEachStep) {
  CreateNotes();
  Open();
  std::vector<std::string> events;
  const auto record = [&](const char* name) { return [&events, name](framework::TDataSet&) { events.push_back(name); }; };
  FTable->BeforeInsert = record("BeforeInsert");
  FTable->AfterInsert = record("AfterInsert");
  FTable->BeforeEdit = record("BeforeEdit");
  FTable->AfterEdit = record("AfterEdit");
  FTable->BeforePost = record("BeforePost");
  FTable->AfterPost = record("AfterPost");
  FTable->BeforeCancel = record("BeforeCancel");
  FTable->AfterCancel = record("AfterCancel");
  FTable->BeforeDelete = record("BeforeDelete");
  FTable->AfterDelete = record("AfterDelete");
  FTable->BeforeScroll = record("BeforeScroll");
  FTable->AfterScroll = record("AfterScroll");
  struct TCase {
    const char* Name;
    std::function<void()> Steps;
    std::vector<std::string> Events;
  };
  const TCase cases[] = {
      {"append and post",
       [&] {
         FTable->Append();
         Field(u"ENG").SetAsString(u"kettle");
         Field(u"HUN").SetAsString(u"üst");
         FTable->Post();
       },
       {"BeforeInsert", "BeforeScroll", "AfterInsert", "AfterScroll", "BeforePost", "AfterPost"}},
      {"edit and post",
       [&] {
         FTable->Edit();
         Field(u"HUN").SetAsString(u"vízforraló");
         FTable->Post();
       },
       {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}},
      {"edit and cancel",
       [&] {
         FTable->Edit();
         FTable->Cancel();
       },
       {"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}},
      {"insert and cancel",
       [&] {
         FTable->Insert();
         FTable->Cancel();
       },
       {"BeforeInsert", "BeforeScroll", "AfterInsert", "AfterScroll", "BeforeCancel", "BeforeScroll", "AfterCancel",
        "AfterScroll"}},
      {"delete", [&] { FTable->Delete(); }, {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    events.clear();
    c.Steps();
    EXPECT_EQ(events, c.Events);
  }
  EXPECT_EQ(Dump("").size(), HungarianEntries().size());
  EXPECT_EQ(Dumped("kettle").RecNo, 0);
}

TEST_F(DatasetEditingTest, CancellingAnInsertGoesBackToTheEntryItStartedFrom) {
  CreateNotes();
  Open();
  ASSERT_TRUE(GoTo("nut"));
  FTable->Insert();
  Field(u"ENG").SetAsString(u"draft");
  FTable->Cancel();
  EXPECT_EQ(Current().first, "nut");
  FTable->Append();
  FTable->Cancel();
  EXPECT_EQ(FTable->State(), TDataSetState::dsBrowse);
  EXPECT_FALSE(FTable->IsEmpty());
  EXPECT_EQ(Dump("").size(), HungarianEntries().size());
}

TEST_F(DatasetEditingTest, DeletingTheLastRemainingEntryLeavesTheDatasetEmptyAfterItsEnd) {
  CreateNotes({{"sheep", "birka", "gyapjas"}});
  Open();
  FTable->Delete();
  EXPECT_TRUE(FTable->IsEmpty());
  EXPECT_TRUE(FTable->Eof());
  EXPECT_EQ(FTable->RecordCount(), 0);
  EXPECT_TRUE(Dump("").empty());
}

TEST_F(DatasetEditingTest, ARecordAddedInOneStepKeepsItsDescription) {
  CreateNotes({});
  Open();
  const framework::TVariant values[] = {std::u16string(u"kettle"), std::u16string(u"üst"),
                                        std::u16string(u"vízforraló\r\nedény")};
  FTable->AppendRecord(values);
  EXPECT_EQ(Dumped("kettle").Text("LEIR"), "vízforraló\r\nedény");
  EXPECT_EQ(Field(u"LEIR").AsString(), u"vízforraló\r\nedény");
}

TEST_F(DatasetEditingTest, FailedStepsNameWhatWasBeingDone) {
  CreateNotes();
  // Another program edits "sheep" until told to stop.
  storage::testing::TChildProcess other([&](const storage::testing::TChannel& channel) {
    MakeComponents(u"ENG");
    FTable->Open();
    if (!GoTo("sheep")) return 1;
    FTable->Edit();
    channel.Send('e');
    channel.Receive();
    FTable->Cancel();
    return 0;
  });
  ASSERT_EQ(other.Receive(), 'e');
  MakeComponents(u"ENG");
  FDatabase->SetLockingTimeout(300);
  FTable->Open();

  struct TCase {
    const char* Name;
    std::function<void()> Step;
    std::string MessageStart;
    TDataSetState StateAfter;
  };
  const TCase cases[] = {
      {"editing an entry another program edits",
       [&] {
         ASSERT_TRUE(GoTo("sheep"));
         FTable->Edit();
       },
       "Entering record: ", TDataSetState::dsBrowse},
      {"a wide memo of an odd length",
       [&] {
         ASSERT_TRUE(GoTo("owl"));
         FTable->Edit();
         WriteContent(Field(u"LEIR"), Bytes("odd"));
         FTable->Post();
       },
       "Wide memo \"LEIR\" is invalid, must have even number of bytes.", TDataSetState::dsEdit},
      {"writing a memo while browsing",
       [&] { FTable->CreateBlobStream(Field(u"LEIR"), framework::TBlobStreamMode::bmWrite); },
       "Dataset not in edit or insert mode", TDataSetState::dsBrowse},
      {"writing a field while browsing", [&] { Field(u"HUN").SetAsString(u"x"); },
       "Dataset not in edit or insert mode", TDataSetState::dsBrowse},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string message = MessageOf(c.Step);
    EXPECT_EQ(message.substr(0, c.MessageStart.size()), c.MessageStart) << message;
    EXPECT_EQ(FTable->State(), c.StateAfter);
    if (FTable->State() != TDataSetState::dsBrowse) FTable->Cancel();
  }
  other.Send('x');
  EXPECT_EQ(other.Wait(), 0);
  // The lock's own words follow the action.
  ASSERT_TRUE(GoTo("owl"));
  EXPECT_EQ(Dumped("owl").Text("LEIR"), "");
  EXPECT_EQ(Dump("").size(), HungarianEntries().size());
}

TEST_F(DatasetEditingTest, AValueTheColumnCannotTakeGoesToTheWriteErrorHandler) {
  Tool({"create", Table("T"), "--level", "6", "N:Integer?", "E:Enum?:red|green|blue"});
  MakeComponents(u"", u"T");
  FTable->Open();
  using TAction = TVxbDataSet::TWriteFieldErrorAction;
  struct TCase {
    const char* Name;
    std::optional<TAction> Answer;  // none: no handler
    std::string Message;            // what Append + the value raise
  };
  const TCase cases[] = {
      {"no handler", std::nullopt, "'purple' is not a valid enumeration value for this field"},
      {"raise", TAction::wfeRaise, "'purple' is not a valid enumeration value for this field"},
      {"abort", TAction::wfeAbort, "abort"},
      {"ignore", TAction::wfeIgnore, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> heard;
    FTable->OnWriteFieldError = nullptr;
    if (c.Answer) {
      FTable->OnWriteFieldError = [&, answer = *c.Answer](TVxbDataSet&, framework::TField& field,
                                                          const std::exception&, TAction& action) {
        heard.push_back(U8(field.FieldName()));
        action = answer;
      };
    }
    FTable->Append();
    Field(u"E").SetAsString(u"green");
    std::string message;
    try {
      Field(u"E").SetAsString(u"purple");
    } catch (const framework::EAbort&) {
      message = "abort";
    } catch (const framework::EDatabaseError& error) {
      message = U8(error.Message());
    }
    EXPECT_EQ(message, c.Message);
    EXPECT_EQ(heard, c.Answer ? std::vector<std::string>{"E"} : std::vector<std::string>{});
    // The value before stays.
    EXPECT_EQ(Field(u"E").AsString(), u"green");
    FTable->Cancel();
  }
}

TEST_F(DatasetEditingTest, AReadOnlyTableRefusesEveryChange) {
  CreateNotes();
  MakeComponents(u"ENG");
  FTable->SetReadOnly(true);
  FTable->Open();
  EXPECT_FALSE(FTable->CanModify());
  for (const auto& step : std::initializer_list<std::function<void()>>{
           [&] { FTable->Append(); }, [&] { FTable->Edit(); }, [&] { FTable->Delete(); }}) {
    EXPECT_EQ(MessageOf(step), "Cannot modify a read-only dataset");
    EXPECT_EQ(FTable->State(), TDataSetState::dsBrowse);
  }
  EXPECT_EQ(Dump("").size(), HungarianEntries().size());
}

}  // namespace
}  // namespace vexilo::dataset::testing
