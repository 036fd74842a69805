// The memo: it shows one field of the current record, edits it through the
// dataset, and leaves it alone where it may not change it.
#include "framework/widgets/db_memo.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QTest>

#include "framework/core/data_source.h"
#include "tests/framework/memory_dataset.h"
#include "tests/framework_widgets/typing.h"

namespace vexilo::framework {
namespace {

using testing::TMemoryColumn;
using testing::TMemoryDataSet;

// The memo is tried on a memo and on a wide memo field.
class MemoTest : public ::testing::TestWithParam<TFieldType> {
 protected:
  MemoTest()
      : FDataSet({{u"NUMBER", TFieldType::ftInteger, 0},
                  {u"NAME", TFieldType::ftWideString, 40},
                  {u"NOTE", GetParam(), 0}},
                 {}) {
    FDataSet.Open();
    const std::pair<const char16_t*, const char16_t*> entries[] = {
        {u"alma", u"gyümölcs\r\nfán terem"}, {u"körte", u"szintén"}};
    for (const auto& [name, note] : entries) {
      FDataSet.Append();
      FDataSet.FieldByName(u"NAME").SetAsWideString(name);
      FDataSet.FieldByName(u"NOTE").SetAsWideString(note);
      FDataSet.Post();
    }
    FDataSet.First();
    FSource.SetDataSet(&FDataSet);
    FMemo.SetDataSource(&FSource);
    FMemo.SetDataField(QStringLiteral("NOTE"));
    FMemo.show();
  }

  // Types `text` at the end of the memo.
  void TypeAtEnd(const QString& text) {
    FMemo.moveCursor(QTextCursor::End);
    vexilo::testing::TypeText(&FMemo, text);
  }
  // The note of the current record as the table holds it.
  std::u16string StoredNote() {
    FDataSet.Refresh();
    return FDataSet.FieldByName(u"NOTE").AsWideString();
  }

  TMemoryDataSet FDataSet;
  TDataSource FSource;
  TDBMemo FMemo;
};

INSTANTIATE_TEST_SUITE_P(MemoAndWideMemo, MemoTest,
                         ::testing::Values(TFieldType::ftMemo, TFieldType::ftWideMemo));

TEST_P(MemoTest, ShowsTheFieldOfTheCurrentRecord) {
  EXPECT_EQ(FMemo.toPlainText(), QStringLiteral("gyümölcs\nfán terem"));
  FDataSet.Next();
  EXPECT_EQ(FMemo.toPlainText(), QStringLiteral("szintén"));
  FDataSet.Close();
  EXPECT_EQ(FMemo.toPlainText(), QString());
  EXPECT_EQ(FMemo.Field(), nullptr);
}

TEST_P(MemoTest, TypingEditsTheRecordAndPostingStoresTheText) {
  TypeAtEnd(QStringLiteral("!"));
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsEdit);
  QTest::keyClick(&FMemo, Qt::Key_Return);
  vexilo::testing::TypeText(&FMemo, QStringLiteral("ősszel"));
  EXPECT_EQ(FMemo.toPlainText(), QStringLiteral("gyümölcs\nfán terem!\nősszel"));

  FDataSet.Post();

  // A memo field keeps 8-bit text, which has no "ő".
  const std::u16string expected = GetParam() == TFieldType::ftWideMemo
                                      ? u"gyümölcs\r\nfán terem!\r\nősszel"
                                      : u"gyümölcs\r\nfán terem!\r\n?sszel";
  EXPECT_EQ(StoredNote(), expected);
}

TEST_P(MemoTest, LeavingTheMemoWritesTheFieldWithoutPosting) {
  TypeAtEnd(QStringLiteral("?"));
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(&FMemo, &leave);
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsEdit);
  EXPECT_TRUE(FDataSet.Modified());
  EXPECT_EQ(FDataSet.FieldByName(u"NOTE").AsWideString(), u"gyümölcs\r\nfán terem?");
}

TEST_P(MemoTest, EscapeDropsThePendingChange) {
  TypeAtEnd(QStringLiteral("xyz"));
  QTest::keyClick(&FMemo, Qt::Key_Escape);
  EXPECT_EQ(FMemo.toPlainText(), QStringLiteral("gyümölcs\nfán terem"));
  FDataSet.Post();
  EXPECT_EQ(StoredNote(), u"gyümölcs\r\nfán terem");
}

TEST_P(MemoTest, ReadOnlyMemoLeavesTheRecordAlone) {
  FMemo.SetReadOnly(true);
  TypeAtEnd(QStringLiteral("xyz"));
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FMemo.toPlainText(), QStringLiteral("gyümölcs\nfán terem"));
}

TEST_P(MemoTest, ChangeIsUndoneWhenTheDatasetCannotBeChanged) {
  FDataSet.SetReadOnly(true);
  TypeAtEnd(QStringLiteral("xyz"));
  EXPECT_EQ(FDataSet.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(FMemo.toPlainText(), QStringLiteral("gyümölcs\nfán terem"));
}

}  // namespace
}  // namespace vexilo::framework
