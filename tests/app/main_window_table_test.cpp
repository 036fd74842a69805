// The main window's table: opened on the dictionary of the working directory
// when the window is shown, its first rows in a grid bound to the main
// window's data source, closed on the way out; the record count and the
// delete question; a directory without a dictionary.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <filesystem>
#include <memory>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "framework/core/abort.h"
#include "framework/widgets/db_grid.h"
#include "tests/app/dictionary_directory.h"
#include "tests/engine/api/calls/real_dictionary.h"
#include "tests/framework_widgets/answering_message_boxes.h"
#include "tests/tools/json_reader.h"

namespace vexilo::app {
namespace {

using vexilo::testing::TAnsweringMessageBoxes;

// ENG and HUN of the records vxbtool reads in the order of the index HUN.
std::vector<std::pair<QString, QString>> RowsInHunOrder(const testing::TDictionaryDirectory& directory,
                                                        const std::string& table, int limit) {
  const std::string out =
      directory.Tool({"query", table, "1 = 1", "--index", "HUN", "--limit", std::to_string(limit)});
  std::vector<std::pair<QString, QString>> rows;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = std::min(out.find('\n', start), out.size());
    if (auto value = tools::testing::TJsonReader::Parse(out.substr(start, end - start))) {
      rows.emplace_back(QString::fromStdString(value->Member("ENG")->Text),
                        QString::fromStdString(value->Member("HUN")->Text));
    }
    start = end + 1;
  }
  return rows;
}

framework::TDBGrid& BoundGrid(QWidget& parent) {
  auto* grid = new framework::TDBGrid(&parent);
  grid->setGeometry(0, 0, 355, 220);
  grid->SetColumns({{QStringLiteral("ENG"), QStringLiteral("Angol"), 160},
                    {QStringLiteral("HUN"), QStringLiteral("Magyar"), 160}});
  grid->SetDataSource(Form1->DataSource1.get());
  return *grid;
}

TEST(MainWindowTableTest, ShowingTheWindowOpensTheDictionaryOnHunAndTheEndClosesIt) {
  testing::TDictionaryDirectory directory(testing::SmallDictionary());
  TAnsweringMessageBoxes boxes(true);
  TForms forms;
  EXPECT_FALSE(Form1->Table1->Active());
  EXPECT_EQ(Form1->VxbDatabase1->Location(), QDir::currentPath().toStdU16String());
  Form1->show();
  ASSERT_TRUE(Form1->Table1->Active());
  EXPECT_EQ(Form1->Table1->IndexName(), u"HUN");
  EXPECT_TRUE(boxes.Shown.empty());
  const auto expected = RowsInHunOrder(directory, directory.Table(), 3);
  EXPECT_EQ(QString::fromStdU16String(Form1->Table1->FieldByName(u"HUN").AsString()), expected.front().second);

  EXPECT_TRUE(Form1->close());  // Yes to the exit question
  EXPECT_FALSE(Form1->Table1->Active());
}

TEST(MainWindowTableTest, AGridOnTheDataSourceShowsTheFirstRowsOfTheRealDictionary) {
  if (!api::testing::FreeDictInstalled()) GTEST_SKIP() << "Debian's FreeDict dictionaries are not installed";
  std::string error;
  const std::string dictionary = api::testing::RealDictionaryDir(error);
  ASSERT_FALSE(dictionary.empty()) << error;
  testing::TDictionaryDirectory directory({}, false);
  QDir::setCurrent(QString::fromStdString(dictionary));
  TAnsweringMessageBoxes boxes(true);
  TForms forms;
  Form1->show();
  ASSERT_TRUE(Form1->Table1->Active()) << (boxes.Shown.empty() ? "" : boxes.Shown[0].Text.toStdString());

  QWidget window;
  framework::TDBGrid& grid = BoundGrid(window);
  window.resize(360, 230);
  window.show();
  ASSERT_GT(grid.RowCount(), 5);
  const auto expected = RowsInHunOrder(directory, dictionary + "/Eng_hun", grid.RowCount());
  ASSERT_EQ(static_cast<int>(expected.size()), grid.RowCount());
  for (int row = 0; row < grid.RowCount(); ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(grid.CellText(row, 0), expected[static_cast<size_t>(row)].first);
    EXPECT_EQ(grid.CellText(row, 1), expected[static_cast<size_t>(row)].second);
  }
  EXPECT_EQ(grid.TitleText(0), QStringLiteral("Angol"));

  // Further on, the Hungarian letters arrive whole.
  grid.setFocus();
  Form1->Table1->MoveBy(20000);
  bool sawHungarianLetter = false;
  for (int step = 0; step < 200 && !sawHungarianLetter; ++step) {
    const QString hun = QString::fromStdU16String(Form1->Table1->FieldByName(u"HUN").AsString());
    sawHungarianLetter = hun.contains(QChar(0x0151)) || hun.contains(QChar(0x0171));  // ő, ű
    Form1->Table1->Next();
  }
  EXPECT_TRUE(sawHungarianLetter);
  Form1->Table1->Close();
}

TEST(MainWindowTableTest, TheRecordCountGoesToTheMaintenanceWindowAfterEveryChange) {
  testing::TDictionaryDirectory directory(testing::SmallDictionary());
  TForms forms;
  Form1->show();
  ASSERT_TRUE(Form1->Table1->Active());
  EXPECT_EQ(Form2->Label2->text(), QStringLiteral("0"));
  Form1->Table1AfterPost(*Form1->Table1);
  EXPECT_EQ(Form2->Label2->text(), QStringLiteral("10"));
  Form2->Label2->setText(QString());
  Form1->Table1AfterInsert(*Form1->Table1);
  EXPECT_EQ(Form2->Label2->text(), QStringLiteral("10"));
  Form2->Label2->setText(QString());
  Form1->Table1AfterDelete(*Form1->Table1);
  EXPECT_EQ(Form2->Label2->text(), QStringLiteral("10"));
}

TEST(MainWindowTableTest, EveryDeletionAsksFirstAndNoKeepsTheRecordSilently) {
  testing::TDictionaryDirectory directory(testing::SmallDictionary());
  TAnsweringMessageBoxes boxes;
  TForms forms;
  Form1->show();
  ASSERT_TRUE(Form1->Table1->Active());
  const std::u16string first = Form1->Table1->FieldByName(u"HUN").AsString();

  boxes.Answer(false);
  // The silent abort: the caller's action stops, the error handling shows nothing.
  EXPECT_THROW(Form1->Table1->Delete(), framework::EAbort);
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Title, QStringLiteral("Törlés jóváhagyás:"));
  EXPECT_EQ(boxes.Shown[0].Text, QStringLiteral("Biztosan törölhető ?"));
  EXPECT_EQ(Form1->Table1->FieldByName(u"HUN").AsString(), first);
  EXPECT_EQ(Form1->Table1->State(), framework::TDataSetState::dsBrowse);

  boxes.Answer(true);
  Form1->Table1->Delete();
  EXPECT_EQ(boxes.Questions(), 2);
  EXPECT_NE(Form1->Table1->FieldByName(u"HUN").AsString(), first);
  EXPECT_EQ(Form2->Label2->text(), QStringLiteral("9"));
  EXPECT_EQ(RowsInHunOrder(directory, directory.Table(), 100).size(), 9u);
}

TEST(MainWindowTableTest, ADirectoryWithoutTheDictionaryIsReportedAndNothingOfTheTableIsMade) {
  testing::TDictionaryDirectory directory({}, false);
  TAnsweringMessageBoxes boxes;
  TForms forms;
  Form1->show();
  EXPECT_TRUE(Form1->TableOpenFailed());
  EXPECT_FALSE(Form1->Table1->Active());
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_FALSE(boxes.Shown[0].Question);
  EXPECT_TRUE(boxes.Shown[0].Text.startsWith(QStringLiteral("Opening VexBase table Eng_hun: ")))
      << boxes.Shown[0].Text.toStdString();
  // A directory database gets its control file when opened; no table, index
  // or lock file is made.
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    files.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(files, std::vector<std::string>{directory.Path().filename().string() + ".vxbd"});
}

}  // namespace
}  // namespace vexilo::app
