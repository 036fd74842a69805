// The about window: its layout, captions and hints, the system panel in the
// user's locale, the priority around the speed measurement, "MS Info" and
// the two links.
#include "app/about_window.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "app/forms.h"
#include "app/link_label.h"
#include "app/platform/linux_platform.h"
#include "tests/app/fake_platform.h"

namespace vexilo::app {
namespace {

using testing::TFakePlatform;

// The counter advances by this much over the 500 ms: 2994.37 MHz.
constexpr uint64_t kTicks = 1'497'185'000;

class AboutWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FForms = std::make_unique<TForms>();
    FSavedLocale = QLocale();
  }
  void TearDown() override {
    QLocale::setDefault(FSavedLocale);
    FForms.reset();
  }

  void ShowWith(TFakePlatform& platform) {
    platform.Counter = {1000, 1000 + kTicks};
    Form7->show();
  }

  std::unique_ptr<TForms> FForms;
  QLocale FSavedLocale;
};

TEST_F(AboutWindowTest, ControlsHaveTheirPlacesCaptionsAndHints) {
  const struct {
    QWidget* Control;
    QRect Geometry;
    const char* Text;
    const char* Hint;
  } controls[] = {
      {Form7->Panel1, {8, 8, 281, 169}, nullptr, nullptr},
      {Form7->Panel2, {8, 256, 281, 93}, nullptr, nullptr},
      {Form7->Image1, {8, 8, 32, 32}, nullptr, nullptr},
      {Form7->Label1, {56, 8, 212, 25}, "Vexilo", nullptr},
      {Form7->BitBtn2, {8, 355, 100, 25}, "MS Info", "Rendszerinformáció megjelenítése !"},
      {Form7->BitBtn1, {188, 356, 100, 25}, "Befejezés", "Befejezés !"},
  };
  for (const auto& control : controls) {
    SCOPED_TRACE(control.Control->objectName().toStdString());
    EXPECT_EQ(control.Control->geometry(), control.Geometry);
    if (control.Text != nullptr) {
      const auto* label = qobject_cast<QLabel*>(control.Control);
      const auto* button = qobject_cast<QPushButton*>(control.Control);
      EXPECT_EQ(label != nullptr ? label->text() : button->text(), QString::fromUtf8(control.Text));
    }
    if (control.Hint != nullptr) {
      EXPECT_EQ(control.Control->statusTip(), QString::fromUtf8(control.Hint));
    }
  }
  EXPECT_EQ(Form7->Panel1->frameShadow(), QFrame::Sunken);
  EXPECT_FALSE(Form7->Image1->pixmap().isNull());
  EXPECT_EQ(Form7->Label2->text(), QStringLiteral("V2.0.0.0"));
  EXPECT_EQ(Form7->Label2->pos(), QPoint(56, 34));
  EXPECT_TRUE(Form7->Label3->text().startsWith(QStringLiteral("Készítette: ")));
  EXPECT_TRUE(Form7->Label3->text().endsWith(QLatin1Char('.')));
  EXPECT_TRUE(Form7->Label5->text().startsWith(QStringLiteral("Tel/Fax: ")));
  EXPECT_TRUE(Form7->Label6->text().startsWith(QStringLiteral("Mobil: ")));
  EXPECT_TRUE(Form7->Label7->text().startsWith(QStringLiteral("E-mail: ")));
  EXPECT_TRUE(Form7->Label18->text().startsWith(QStringLiteral("Internet: ")));
  EXPECT_EQ(Form7->Label7->toolTip(), QStringLiteral("E-mail küldése"));
  EXPECT_EQ(Form7->Label7->statusTip(), QStringLiteral("E-mail küldése a szerzőnek !"));
  EXPECT_EQ(Form7->Label18->toolTip(), QStringLiteral("Cím behívása"));
  EXPECT_EQ(Form7->Label18->statusTip(), QStringLiteral("Cím behívása böngésző programba !"));
  for (QLabel* link : {static_cast<QLabel*>(Form7->Label7), static_cast<QLabel*>(Form7->Label18)}) {
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  }
}

TEST_F(AboutWindowTest, LabelsHaveTheirFontsAndColours) {
  EXPECT_EQ(Form7->Label1->font().family(), QStringLiteral("Arial"));
  EXPECT_EQ(Form7->Label1->font().pixelSize(), 19);
  EXPECT_TRUE(Form7->Label1->font().bold());
  EXPECT_EQ(Form7->Label1->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_TRUE(Form7->Label2->font().bold());
  EXPECT_EQ(Form7->Label3->font().family(), QStringLiteral("Times New Roman"));
  EXPECT_EQ(Form7->Label3->font().pixelSize(), 16);
  EXPECT_EQ(Form7->Label3->palette().color(QPalette::WindowText), QColor(0x80, 0x00, 0x80));
  EXPECT_EQ(Form7->Label4->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0x80));
}

TEST_F(AboutWindowTest, SystemPanelHasItsCaptionsInRows) {
  const struct {
    QLabel* Caption;
    QLabel* Value;
    const char* Text;
    int Y;
  } rows[] = {{Form7->Label8, Form7->Label13, "Operációs rendszer:", 8},
              {Form7->Label9, Form7->Label14, "Processzor típusa:", 24},
              {Form7->Label10, Form7->Label15, "Processzor sebessége:", 40},
              {Form7->Label11, Form7->Label16, "Fizikai memória:", 56},
              {Form7->Label12, Form7->Label17, "Memória használatban:", 72}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Text);
    EXPECT_EQ(row.Caption->parentWidget(), Form7->Panel2);
    EXPECT_EQ(row.Caption->text(), QString::fromUtf8(row.Text));
    EXPECT_EQ(row.Caption->pos(), QPoint(8, row.Y));
    EXPECT_EQ(row.Value->geometry().topLeft(), QPoint(128, row.Y));
    EXPECT_EQ(row.Value->width(), 145);
    EXPECT_TRUE(row.Value->alignment().testFlag(Qt::AlignRight));
  }
}

struct TLocaleCase {
  const char* Name;
  QLocale::Language Language;
  QLocale::Territory Territory;
  uint64_t MemoryBytes;
  const char* Memory;
  const char* Speed;
};

TEST_F(AboutWindowTest, SystemPanelIsWrittenInTheUsersLocale) {
  const TLocaleCase cases[] = {
      // More than 4 GiB shows in full; a comma before the decimals, a
      // no-break space between the thousands.
      {"Hungarian, 16 GiB", QLocale::Hungarian, QLocale::Hungary, 16ull << 30,
       "16\u00a0777\u00a0216 KB", "2994,37 MHz"},
      {"English, 16 GiB", QLocale::English, QLocale::UnitedStates, 16ull << 30, "16,777,216 KB",
       "2994.37 MHz"},
      // All 32 bits set is a count, never a negative number.
      {"English, 4 GiB less a byte", QLocale::English, QLocale::UnitedStates, 0xffffffffull,
       "4,194,304 KB", "2994.37 MHz"},
      {"Hungarian, 1.5 KiB rounds up", QLocale::Hungarian, QLocale::Hungary, 1536, "2 KB",
       "2994,37 MHz"},
  };
  for (const TLocaleCase& expected : cases) {
    SCOPED_TRACE(expected.Name);
    QLocale::setDefault(QLocale(expected.Language, expected.Territory));
    TFakePlatform platform;
    platform.MemoryStatus = {expected.MemoryBytes, 37};
    ShowWith(platform);
    EXPECT_EQ(Form7->Label13->text(), QStringLiteral("Linux  (6.1.0)"));
    EXPECT_EQ(Form7->Label14->text(), QStringLiteral("25  Rev. 4353"));
    EXPECT_EQ(Form7->Label15->text(), QString::fromUtf8(expected.Speed));
    EXPECT_EQ(Form7->Label16->text(), QString::fromUtf8(expected.Memory));
    EXPECT_EQ(Form7->Label17->text(), QStringLiteral("37 %"));
    Form7->hide();
  }
}

TEST_F(AboutWindowTest, PanelIsMeasuredAgainEveryTimeTheWindowIsShown) {
  TFakePlatform platform;
  ShowWith(platform);
  Form7->hide();
  platform.MemoryStatus = {8ull << 30, 90};
  platform.Counter = {0, 500'000'000};
  Form7->show();
  EXPECT_EQ(Form7->Label17->text(), QStringLiteral("90 %"));
  EXPECT_TRUE(Form7->Label15->text().startsWith(QStringLiteral("1000")));
}

TEST_F(AboutWindowTest, SpeedIsCountedAtRaisedPriorityWhichIsRestoredAfterwards) {
  TFakePlatform platform;
  platform.Current = {5, 0, 0};
  ShowWith(platform);
  const std::vector<std::string> expected = {"raise",
                                             "sleep 10",
                                             "counter at raised priority",
                                             "sleep 500",
                                             "counter at raised priority",
                                             "restore"};
  EXPECT_EQ(platform.Calls, expected);
  EXPECT_EQ(platform.Current, (TPriority{5, 0, 0}));
}

TEST_F(AboutWindowTest, MachinePriorityIsTheSameBeforeAndAfterTheMeasurement) {
  TLinuxPlatform machine;
  const TPriority before = machine.Priority();
  Form7->show();  // the machine's own platform: half a second
  EXPECT_EQ(machine.Priority(), before);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+[.,]\\d\\d MHz$"))
                  .match(Form7->Label15->text())
                  .hasMatch())
      << Form7->Label15->text().toStdString();
  EXPECT_TRUE(Form7->Label16->text().endsWith(QStringLiteral(" KB")));
}

TEST_F(AboutWindowTest, MsInfoIsDisabledWithoutASystemInformationProgram) {
  TFakePlatform platform;
  ShowWith(platform);
  EXPECT_FALSE(Form7->BitBtn2->isEnabled());
  QTest::mouseClick(Form7->BitBtn2, Qt::LeftButton);
  EXPECT_TRUE(platform.Started.empty());
  Form7->hide();

  platform.InformationProgram = QStringLiteral("/usr/bin/hardinfo");
  ShowWith(platform);
  ASSERT_TRUE(Form7->BitBtn2->isEnabled());
  QTest::mouseClick(Form7->BitBtn2, Qt::LeftButton);
  ASSERT_EQ(platform.Started.size(), 1u);
  EXPECT_EQ(platform.Started[0].Program, QStringLiteral("/usr/bin/hardinfo"));
  EXPECT_TRUE(platform.Started[0].Arguments.isEmpty());
}

TEST_F(AboutWindowTest, LinksOpenTheMailProgramAndTheBrowser) {
  TFakePlatform platform;
  ShowWith(platform);
  QTest::mouseClick(Form7->Label7, Qt::LeftButton);
  QTest::mouseClick(Form7->Label18, Qt::LeftButton);
  ASSERT_EQ(platform.Opened.size(), 2u);
  EXPECT_EQ(platform.Opened[0].scheme(), QStringLiteral("mailto"));
  EXPECT_TRUE(Form7->Label7->text().contains(platform.Opened[0].path().left(8)));
  EXPECT_EQ(platform.Opened[1].scheme(), QStringLiteral("https"));
}

TEST_F(AboutWindowTest, BefejezesClosesTheWindow) {
  TFakePlatform platform;
  ShowWith(platform);
  QTest::mouseClick(Form7->BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(Form7->isVisible());
}

}  // namespace
}  // namespace vexilo::app
