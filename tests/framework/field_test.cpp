// Fields read and write the current record through the dataset, in their
// native layouts, with conversions, nulls, validation and display texts.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/blob_fields.h"
#include "framework/core/data_source.h"
#include "framework/core/numeric_fields.h"
#include "framework/core/string_fields.h"
#include "fs/text.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

using fs::u16;

// One row of every field type, all null.
class AllTypes : public ::testing::Test {
 protected:
  AllTypes()
      : dataSet({{u"S", TFieldType::ftString, 10},
                 {u"W", TFieldType::ftWideString, 10},
                 {u"SI", TFieldType::ftSmallint},
                 {u"I", TFieldType::ftInteger},
                 {u"WO", TFieldType::ftWord},
                 {u"L", TFieldType::ftLargeint},
                 {u"F", TFieldType::ftFloat},
                 {u"B", TFieldType::ftBoolean},
                 {u"D", TFieldType::ftDate},
                 {u"T", TFieldType::ftTime},
                 {u"DT", TFieldType::ftDateTime},
                 {u"M", TFieldType::ftMemo},
                 {u"WM", TFieldType::ftWideMemo},
                 {u"BL", TFieldType::ftBlob},
                 {u"G", TFieldType::ftGuid},
                 {u"A", TFieldType::ftAutoInc}},
                {TMemoryRow(16)}) {
    dataSet.Open();
    dataSet.Edit();
  }

  TField& F(const char16_t* name) { return dataSet.FieldByName(name); }
  // The native bytes of column `index` as stored after posting.
  std::vector<std::byte> Stored(int index) {
    dataSet.Post();
    dataSet.Edit();
    const TMemoryValue& value = dataSet.Row(0).at(static_cast<size_t>(index));
    return value ? *value : std::vector<std::byte>{};
  }

  TMemoryDataSet dataSet;
};

template <class T>
std::vector<std::byte> Native(T value) {
  std::vector<std::byte> bytes(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

TEST_F(AllTypes, DefaultFieldsHaveTheClassOfTheirType) {
  EXPECT_NE(dynamic_cast<TStringField*>(&F(u"S")), nullptr);
  EXPECT_NE(dynamic_cast<TWideStringField*>(&F(u"W")), nullptr);
  EXPECT_NE(dynamic_cast<TSmallintField*>(&F(u"SI")), nullptr);
  EXPECT_NE(dynamic_cast<TWordField*>(&F(u"WO")), nullptr);
  EXPECT_NE(dynamic_cast<TLargeintField*>(&F(u"L")), nullptr);
  EXPECT_NE(dynamic_cast<TBooleanField*>(&F(u"B")), nullptr);
  EXPECT_NE(dynamic_cast<TMemoField*>(&F(u"M")), nullptr);
  EXPECT_NE(dynamic_cast<TWideMemoField*>(&F(u"WM")), nullptr);
  EXPECT_NE(dynamic_cast<TGuidField*>(&F(u"G")), nullptr);
  EXPECT_NE(dynamic_cast<TAutoIncField*>(&F(u"A")), nullptr);
  EXPECT_TRUE(F(u"BL").IsBlob());
}

TEST_F(AllTypes, EveryFieldStartsNullAndReadsAsEmpty) {
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    TField& field = dataSet.Fields()[i];
    SCOPED_TRACE(fs::u8(field.FieldName()));
    EXPECT_TRUE(field.IsNull());
    EXPECT_EQ(field.AsString(), u"");
    EXPECT_TRUE(VarIsNull(field.AsVariant()));
  }
  EXPECT_EQ(F(u"I").AsInteger(), 0);
  EXPECT_EQ(F(u"F").AsFloat(), 0.0);
  EXPECT_FALSE(F(u"B").AsBoolean());
}

struct TextCase {
  const char16_t* field;
  const char* written;
  const char* read;  // nullptr: writing raises EDatabaseError
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << fs::u8(c.field) << " " << c.written; }

class TextRoundTrip : public AllTypes, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextRoundTrip, WritesTextAndReadsItBackOrRefusesIt) {
  const TextCase& c = GetParam();
  TField& field = F(c.field);
  if (c.read == nullptr) {
    EXPECT_THROW(field.SetAsString(u16(c.written)), EDatabaseError);
    EXPECT_TRUE(field.IsNull());
    return;
  }
  field.SetAsString(u16(c.written));
  EXPECT_EQ(fs::u8(field.AsString()), c.read);
  dataSet.Post();
  EXPECT_EQ(fs::u8(field.AsString()), c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Types, TextRoundTrip,
    ::testing::Values(TextCase{u"S", "héllo", "héllo"}, TextCase{u"S", "abcdefghijklm", "abcdefghij"},
                      TextCase{u"S", "ő", "?"}, TextCase{u"W", "őrült ű", "őrült ű"},
                      TextCase{u"W", "ábcdefghijklm", "ábcdefghij"}, TextCase{u"SI", "-32768", "-32768"},
                      TextCase{u"SI", "32768", nullptr}, TextCase{u"SI", "12x", nullptr},
                      TextCase{u"I", " 2147483647 ", "2147483647"}, TextCase{u"I", "2147483648", nullptr},
                      TextCase{u"WO", "65535", "65535"}, TextCase{u"WO", "-1", nullptr},
                      TextCase{u"L", "-9000000000", "-9000000000"}, TextCase{u"F", "3.25", "3.25"},
                      TextCase{u"F", "1e3", "1000"}, TextCase{u"F", "3,25", nullptr},
                      TextCase{u"B", "True", "True"}, TextCase{u"B", "f", "False"},
                      TextCase{u"B", "maybe", nullptr}, TextCase{u"D", "2024-02-29", "2024-02-29"},
                      TextCase{u"D", "2023-02-29", nullptr}, TextCase{u"T", "13:45:30", "13:45:30"},
                      TextCase{u"T", "25:00", nullptr}, TextCase{u"DT", "2024-05-01 08:30:15.250", "2024-05-01 08:30:15.250"},
                      TextCase{u"DT", "2024-05-01", "2024-05-01 00:00:00"}, TextCase{u"M", "memó", "memó"},
                      TextCase{u"WM", "hosszú leírás ő", "hosszú leírás ő"},
                      TextCase{u"G", "{01234567-89AB-CDEF-0123-456789ABCDEF}", "{01234567-89AB-CDEF-0123-456789ABCDEF}"},
                      TextCase{u"G", "01234567-89AB", nullptr}, TextCase{u"A", "42", "42"}),
    [](const ::testing::TestParamInfo<TextCase>& info) {
      return fs::u8(info.param.field) + "_" + std::to_string(info.index);
    });

TEST_F(AllTypes, EmptyTextClearsNumbersBooleansAndDates) {
  const std::pair<const char16_t*, const char16_t*> values[] = {
      {u"SI", u"1"}, {u"I", u"1"},    {u"L", u"1"},          {u"F", u"1"},
      {u"B", u"True"}, {u"D", u"2000-01-01"}, {u"T", u"01:00"}, {u"DT", u"2000-01-01"}};
  for (const auto& [name, text] : values) {
    TField& field = F(name);
    field.SetAsString(text);
    EXPECT_FALSE(field.IsNull()) << fs::u8(name);
    field.SetAsString(u"");
    EXPECT_TRUE(field.IsNull()) << fs::u8(name);
  }
}

TEST_F(AllTypes, NativeValuesHaveTheDocumentedLayout) {
  F(u"SI").SetAsInteger(-2);
  F(u"WO").SetAsInteger(65000);
  F(u"B").SetAsBoolean(true);
  F(u"D").SetAsString(u"0001-01-02");
  F(u"T").SetAsString(u"00:00:01.500");
  F(u"DT").SetAsString(u"1899-12-30 12:00:00");
  F(u"W").SetAsString(u"ab");
  F(u"S").SetAsString(u"é");
  EXPECT_EQ(Stored(2), Native<int16_t>(-2));
  EXPECT_EQ(Stored(4), Native<uint16_t>(65000));
  EXPECT_EQ(Stored(7), Native<int16_t>(-1));
  EXPECT_EQ(Stored(8), Native<int32_t>(2));
  EXPECT_EQ(Stored(9), Native<int32_t>(1500));
  EXPECT_EQ(Stored(10), Native<double>(693594.0 * 86400000 + 43200000));
  std::vector<std::byte> wide(22);
  std::memcpy(wide.data(), u"ab", 4);
  EXPECT_EQ(Stored(1), wide);
  std::vector<std::byte> narrow(11);
  narrow[0] = std::byte{0xE9};
  EXPECT_EQ(Stored(0), narrow);
}

TEST_F(AllTypes, NumbersConvertBetweenTheirForms) {
  F(u"I").SetAsFloat(41.6);
  EXPECT_EQ(F(u"I").AsInteger(), 42);
  EXPECT_EQ(F(u"I").AsFloat(), 42.0);
  F(u"L").SetAsLargeInt(int64_t{1} << 40);
  EXPECT_THROW(F(u"L").AsInteger(), EDatabaseError);
  EXPECT_EQ(F(u"L").AsVariant(), TVariant(int64_t{1} << 40));
  F(u"F").SetAsInteger(7);
  EXPECT_EQ(F(u"F").AsString(), u"7");
  F(u"S").SetAsInteger(15);
  EXPECT_EQ(F(u"S").AsInteger(), 15);
  F(u"B").SetAsVariant(TVariant(false));
  EXPECT_EQ(F(u"B").AsString(), u"False");
  F(u"I").SetAsVariant(TVariant());
  EXPECT_TRUE(F(u"I").IsNull());
}

TEST_F(AllTypes, AnUnsupportedConversionNamesTheFieldAndTheType) {
  try {
    F(u"B").AsDateTime();
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), u"Cannot access field 'B' as type DateTime");
  }
}

TEST_F(AllTypes, RangeLimitsOfIntegerFieldsAreChecked) {
  auto& field = static_cast<TIntegerField&>(F(u"I"));
  field.SetMinValue(1);
  field.SetMaxValue(10);
  field.SetAsInteger(10);
  try {
    field.SetAsInteger(11);
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), u"11 is not a valid value for field 'I'. The allowed range is 1 to 10");
  }
  EXPECT_EQ(field.AsInteger(), 10);
}

TEST_F(AllTypes, BooleanTextsFollowDisplayValues) {
  auto& field = static_cast<TBooleanField&>(F(u"B"));
  field.SetDisplayValues(u"Igen;Nem");
  field.SetAsString(u"igen");
  EXPECT_TRUE(field.AsBoolean());
  EXPECT_EQ(field.AsString(), u"Igen");
  field.SetAsString(u"N");
  EXPECT_EQ(field.DisplayText(), u"Nem");
}

TEST_F(AllTypes, BlobsHoldBytesAndShowTheirKindWhenDisplayed) {
  auto& blob = static_cast<TBlobField&>(F(u"BL"));
  EXPECT_EQ(blob.DisplayText(), u"(Blob)");
  const std::byte bytes[] = {std::byte{0}, std::byte{0xFF}, std::byte{7}};
  blob.SetAsBytes(bytes);
  EXPECT_TRUE(blob.Modified());
  EXPECT_EQ(blob.BlobSize(), 3);
  EXPECT_EQ(blob.DisplayText(), u"(BLOB)");
  EXPECT_EQ(F(u"M").DisplayText(), u"(Memo)");
  F(u"WM").SetAsString(u"szöveg");
  EXPECT_EQ(F(u"WM").DisplayText(), u"(WIDEMEMO)");
  EXPECT_EQ(F(u"WM").Text(), u"szöveg");
  dataSet.Post();
  EXPECT_FALSE(blob.Modified());
  EXPECT_EQ(blob.AsBytes(), std::vector<std::byte>(std::begin(bytes), std::end(bytes)));
  dataSet.Edit();
  blob.Clear();
  EXPECT_TRUE(blob.IsNull());
  TMemoryStream out;
  static_cast<TBlobField&>(F(u"WM")).SaveToStream(out);
  EXPECT_EQ(out.Bytes().size(), 12u);
}

// The standard table, for behaviour around the value.
class StandardFields : public ::testing::Test {
 protected:
  StandardFields()
      : dataSet({TMemoryDataSet::StandardRow(1, u"one", u"first note"), TMemoryDataSet::StandardRow(2, u"two")}) {
    dataSet.Open();
  }
  TField& Name() { return dataSet.FieldByName(u"NAME"); }
  TField& Note() { return dataSet.FieldByName(u"NOTE"); }

  TMemoryDataSet dataSet;
};

TEST_F(StandardFields, MemoReportsNullExactlyWhenThereIsNoContent) {
  EXPECT_FALSE(Note().IsNull());
  EXPECT_EQ(Note().AsString(), u"first note");
  dataSet.Next();
  EXPECT_TRUE(Note().IsNull());
  EXPECT_EQ(Note().AsString(), u"");
}

TEST_F(StandardFields, AMemoWrittenWhileEditingReachesTheRowOnlyWhenPosted) {
  dataSet.Edit();
  Note().SetAsString(u"rewritten");
  EXPECT_EQ(dataSet.RowNote(0), u"first note");
  EXPECT_TRUE(dataSet.Modified());
  dataSet.Cancel();
  EXPECT_EQ(Note().AsString(), u"first note");
  dataSet.Edit();
  Note().SetAsString(u"rewritten");
  dataSet.Post();
  EXPECT_EQ(dataSet.RowNote(0), u"rewritten");
  dataSet.Edit();
  Note().Clear();
  dataSet.Post();
  EXPECT_EQ(dataSet.RowNote(0), std::nullopt);
}

TEST_F(StandardFields, AMemoCannotBeWrittenWhileBrowsing) {
  EXPECT_THROW(Note().SetAsString(u"x"), EDatabaseError);
  EXPECT_EQ(dataSet.RowNote(0), u"first note");
}

TEST_F(StandardFields, OnValidateSeesTheNewValueAndMayRefuseIt) {
  std::u16string seen;
  Name().OnValidate = [&](TField& field) {
    seen = field.AsString();
    if (seen == u"bad") throw EDatabaseError(u"refused");
  };
  dataSet.Edit();
  Name().SetAsString(u"good");
  EXPECT_EQ(seen, u"good");
  EXPECT_THROW(Name().SetAsString(u"bad"), EDatabaseError);
  EXPECT_EQ(Name().AsString(), u"good");
}

TEST_F(StandardFields, OnChangeFollowsEveryWrite) {
  std::vector<std::u16string> changes;
  Name().OnChange = [&](TField& field) { changes.push_back(field.AsString()); };
  dataSet.Edit();
  Name().SetAsString(u"a");
  Name().Clear();
  EXPECT_EQ(changes, (std::vector<std::u16string>{u"a", u""}));
}

TEST_F(StandardFields, TextEventsDecideWhatControlsShowAndStore) {
  Name().OnGetText = [](TField& field, std::u16string& text, bool displayText) {
    text = (displayText ? u"[" : u"") + field.AsString() + (displayText ? u"]" : u"");
  };
  Name().OnSetText = [](TField& field, const std::u16string& text) { field.SetAsString(text + u"!"); };
  EXPECT_EQ(Name().DisplayText(), u"[one]");
  EXPECT_EQ(Name().Text(), u"one");
  dataSet.Edit();
  Name().SetText(u"hi");
  EXPECT_EQ(Name().AsString(), u"hi!");
}

TEST_F(StandardFields, AReadOnlyFieldRefusesWrites) {
  Name().SetReadOnly(true);
  dataSet.Edit();
  try {
    Name().SetAsString(u"x");
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), u"Field 'NAME' cannot be modified");
  }
  EXPECT_EQ(Name().AsString(), u"one");
  EXPECT_FALSE(Name().CanModify());
}

TEST_F(StandardFields, DisplayPropertiesHaveDefaultsAndTellTheControls) {
  EXPECT_EQ(Name().DisplayName(), u"NAME");
  EXPECT_EQ(Name().DisplayWidth(), 40);
  EXPECT_EQ(dataSet.FieldByName(u"NUMBER").DisplayWidth(), 11);
  TDataSource source(&dataSet);
  TRecordingLink link;
  link.SetDataSource(&source);
  link.Notices.clear();
  Name().SetDisplayLabel(u"Név");
  Name().SetDisplayWidth(12);
  EXPECT_EQ(Name().DisplayName(), u"Név");
  EXPECT_EQ(Name().DisplayWidth(), 12);
  EXPECT_EQ(link.Notices, (std::vector<std::string>{"LayoutChanged", "LayoutChanged"}));
}

TEST(PersistentFields, ACalculatedFieldIsComputedForEveryRecordAndAfterChanges) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(3));
  dataSet.Fields().Add<TIntegerField>(u"NUMBER");
  dataSet.Fields().Add<TWideStringField>(u"NAME", 40);
  auto& doubled = dataSet.Fields().Add<TIntegerField>(u"DOUBLED");
  doubled.SetFieldKind(TFieldKind::fkCalculated);
  dataSet.OnCalcFields = [](TDataSet& d) {
    if (!d.FieldByName(u"NUMBER").IsNull()) {
      d.FieldByName(u"DOUBLED").SetAsInteger(d.FieldByName(u"NUMBER").AsInteger() * 2);
    }
  };
  dataSet.Open();
  EXPECT_EQ(dataSet.FieldCount(), 3);
  EXPECT_EQ(dataSet.CalcFieldsSize(), 5);
  EXPECT_LT(doubled.FieldNo(), 1);
  std::vector<int32_t> values;
  for (; !dataSet.Eof(); dataSet.Next()) values.push_back(doubled.AsInteger());
  EXPECT_EQ(values, (std::vector<int32_t>{2, 4, 6}));
  dataSet.Edit();
  dataSet.FieldByName(u"NUMBER").SetAsInteger(50);
  EXPECT_EQ(doubled.AsInteger(), 100);
  dataSet.Close();
  EXPECT_EQ(dataSet.FieldCount(), 3);
}

TEST(PersistentFields, AFieldOfTheWrongTypeStopsTheOpen) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(1));
  dataSet.Fields().Add<TStringField>(u"NUMBER", 10);
  try {
    dataSet.Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), u"Type mismatch for field 'NUMBER', expecting: String actual: Integer");
  }
  EXPECT_FALSE(dataSet.Active());
  EXPECT_THROW(dataSet.Fields().Add<TStringField>(u"number", 5), EDatabaseError);
}

TEST(PersistentFields, FieldsCannotBeChangedWhileOpen) {
  TMemoryDataSet dataSet(TMemoryDataSet::NumberedRows(1));
  dataSet.Open();
  EXPECT_THROW(dataSet.Fields().Add<TStringField>(u"EXTRA", 5), EDatabaseError);
  EXPECT_THROW(dataSet.FieldByName(u"NAME").SetFieldName(u"OTHER"), EDatabaseError);
  EXPECT_THROW(dataSet.FieldByName(u"NAME").SetSize(5), EDatabaseError);
}

}  // namespace
}  // namespace vexilo::framework::testing
