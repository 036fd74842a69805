// The program's start-up pieces: the windows and their globals, the visual
// style, and the pictures of the windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenuBar>

#include "app/about_window.h"
#include "app/english_search_window.h"
#include "app/filter_window.h"
#include "app/forms.h"
#include "app/hungarian_search_window.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "app/screenshots.h"
#include "app/visual_style.h"
#include "tests/framework_widgets/answering_message_boxes.h"
#include "tests/app/dictionary_directory.h"
#include "tests/support/temp_dir.h"

namespace vexilo::app {
namespace {

TEST(FormsTest, WindowsExistExactlyWhileTheirOwnerLives) {
  {
    TForms forms;
    EXPECT_NE(Form1, nullptr);
    EXPECT_NE(Form2, nullptr);
    EXPECT_NE(Form7, nullptr);
    EXPECT_NE(Form6, nullptr);
    EXPECT_NE(Form5, nullptr);
    EXPECT_NE(Form8, nullptr);
    EXPECT_THROW(TForms(), std::logic_error);
    // The windows are created hidden; the program shows the main window.
    EXPECT_FALSE(Form1->isVisible());
  }
  EXPECT_EQ(Form1, nullptr);
  EXPECT_EQ(Form2, nullptr);
  EXPECT_EQ(Form7, nullptr);
  EXPECT_EQ(Form6, nullptr);
  EXPECT_EQ(Form5, nullptr);
  EXPECT_EQ(Form8, nullptr);
}

class VisualStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitResources();
    FSheet = qApp->styleSheet();
  }
  void TearDown() override { qApp->setStyleSheet(FSheet); }

  QString FSheet;
};

TEST_F(VisualStyleTest, IcebergClassicoComesFromTheResources) {
  ASSERT_TRUE(ApplyVisualStyle(*qApp, QStringLiteral("Iceberg Classico")));
  EXPECT_TRUE(qApp->styleSheet().contains(QStringLiteral("Iceberg Classico")));
  EXPECT_TRUE(qApp->styleSheet().contains(QStringLiteral("QMenuBar")));
}

TEST_F(VisualStyleTest, UnknownStyleLeavesTheLookAsItWas) {
  qApp->setStyleSheet(QStringLiteral("QLabel { color: red; }"));
  EXPECT_FALSE(ApplyVisualStyle(*qApp, QStringLiteral("Nincs ilyen")));
  EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QLabel { color: red; }"));
}

TEST(ScreenshotsTest, EveryWindowIsSavedAsAPictureOfItsSize) {
  InitResources();
  testing::TDictionaryDirectory dictionary(testing::SmallDictionary());
  TForms forms;
  testing::TempDir directory;
  const QString target = QString::fromStdString(directory.File("shots"));

  ASSERT_TRUE(SaveScreenshots(target));

  const struct {
    const char* File;
    QWidget* Window;
  } expected[] = {{"Form1.png", Form1}, {"Form2.png", Form2}, {"Form7.png", Form7},
                  {"Form6.png", Form6}, {"Form5.png", Form5}, {"Form8.png", Form8}};
  for (const auto& shot : expected) {
    SCOPED_TRACE(shot.File);
    QImage image(target + QStringLiteral("/") + QString::fromLatin1(shot.File));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size() / image.devicePixelRatio(), shot.Window->size());
    EXPECT_FALSE(shot.Window->isVisible());
  }
  // The dictionary's first rows, as the main window's table shows them.
  EXPECT_FALSE(QImage(target + QStringLiteral("/DictionaryRows.png")).isNull());
}

TEST(ScreenshotsTest, UnwritableDirectoryIsReported) {
  TForms forms;
  testing::TempDir directory;
  const std::string blocker = directory.File("file");
  FILE* file = std::fopen(blocker.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_FALSE(SaveScreenshots(QString::fromStdString(blocker + "/shots")));
}

}  // namespace
}  // namespace vexilo::app
