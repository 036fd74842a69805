// The update request: the encoder, "update.nfo" as the menu writes it, the
// updater that reads it (the real program), and the manual's menu item.
#include "app/update_request.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/uu_encoder.h"
#include "tests/app/fake_platform.h"
#include "tests/framework_widgets/answering_message_boxes.h"
#include "tests/app/dictionary_directory.h"
#include "tests/support/temp_dir.h"
#include "tools/updater/update_notice.h"
#include "tools/updater/update_request_file.h"
#include "tools/updater/uu_decoder.h"

namespace vexilo::app {
namespace {

using testing::TAnsweringMessageBoxes;
using testing::TFakePlatform;

const char* const kPlainLines[] = {
    "PROGRAM NAME    : Vexilo",          "PROGRAM VERSION : 2.0.0.0",
    "PROGRAM TYPE    : Dictionary",      "SERVER DIR      : anon_ftp/updatesb",
    "SERVER INF FILE : 926hjw-vexilod.cfg", "AFTER RUN       : Vexilo.exe",
    "PROXY USING     : 0",               "PROXY HOST      : Nil",
    "PROXY USER      : Nil",             "PROXY PASSWORD  : Nil",
    "PROXY PORT      : Nil",             "PROXY TYPE      : Nil",
};

TEST(UUEncoderTest, LinesEncodeAsUuencodeWithTheBackQuoteForZero) {
  const struct {
    QString Plain;
    const char* Encoded;
  } cases[] = {
      {QString(), "`"},
      {QStringLiteral("A"), "!00``"},
      {QStringLiteral("AB"), "\"04(`"},
      {QStringLiteral("ABC"), "#04)#"},
      {QStringLiteral("PROGRAM NAME    : Vexilo"), "84%)/1U)!32!.04U%(\"`@(#H@5F5X:6QO"},
      // é is one byte; ő is beyond one byte and becomes "?".
      {QStringLiteral("éő"), "\"Z3\\`"},
  };
  const TUUEncoder encoder;
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.Plain.toStdString());
    EXPECT_EQ(encoder.EncodeLine(expected.Plain), QByteArray(expected.Encoded));
    const std::optional<QByteArray> decoded = updater::DecodeUULine(QByteArray(expected.Encoded));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, expected.Plain.toLatin1());
  }
}

TEST(UUDecoderTest, LinesThatAreNotUuencodedAreRefused) {
  for (const char* line : {"", "8short", "!0\x7f``", "#04)"}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(updater::DecodeUULine(QByteArray(line)).has_value());
  }
}

// Runs a standard uudecode over one encoded line.
QByteArray StandardUudecode(const QByteArray& line) {
  QProcess uudecode;
  uudecode.start(QStringLiteral("uudecode"), {QStringLiteral("-o"), QStringLiteral("/dev/stdout")});
  if (!uudecode.waitForStarted()) return "uudecode cannot be started";
  uudecode.write("begin 644 line\n" + line + "\n`\nend\n");
  uudecode.closeWriteChannel();
  uudecode.waitForFinished();
  return uudecode.readAllStandardOutput();
}

class UpdateRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSavedDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(FDirectory.Path().string())));
    FForms = std::make_unique<TForms>();
    Form1->show();
  }
  void TearDown() override {
    FForms.reset();
    QDir::setCurrent(FSavedDirectory);
  }

  QString Here() const { return QDir::currentPath(); }
  QAction* Item(const char* name) const {
    return Form1->findChild<QAction*>(QString::fromLatin1(name));
  }
  // Chooses "Frissítés" / "Keresés" inside the message loop; the loop's
  // exit code, or -1 when the program did not end.
  int ChooseUpdateSearch() {
    QTimer::singleShot(0, Form1, [this] { Item("Keress3")->trigger(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(-1); });
    return QCoreApplication::exec();
  }

  // The working directory, with a dictionary for the main window to open.
  testing::TDictionaryDirectory FDirectory{testing::SmallDictionary()};
  QString FSavedDirectory;
  std::unique_ptr<TForms> FForms;
};

TEST_F(UpdateRequestTest, SearchWritesTwelveEncodedLinesStartsTheUpdaterAndEnds) {
  TFakePlatform platform;
  ASSERT_EQ(ChooseUpdateSearch(), 0);

  QFile file(QStringLiteral("update.nfo"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray content = file.readAll();
  ASSERT_TRUE(content.endsWith("\r\n"));
  QList<QByteArray> lines = content.split('\n');
  lines.removeLast();  // after the last line break
  ASSERT_EQ(lines.size(), 12);
  EXPECT_TRUE(lines[0].startsWith('8'));  // 24 bytes
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(kPlainLines[i]);
    ASSERT_TRUE(lines[i].endsWith('\r'));
    EXPECT_EQ(StandardUudecode(lines[i].chopped(1)), QByteArray(kPlainLines[i]));
  }

  ASSERT_EQ(platform.Started.size(), 1u);
  EXPECT_TRUE(platform.Started[0].Program.endsWith(QStringLiteral("vexilo-update")));
  EXPECT_EQ(platform.Started[0].Arguments, QStringList{QStringLiteral("update.nfo")});
  EXPECT_EQ(platform.Started[0].WorkingDirectory, Here());
}

TEST_F(UpdateRequestTest, UpdaterReadsTheRequestTellsTheVersionAndStartsTheProgramAgain) {
  TFakePlatform platform;
  ASSERT_EQ(ChooseUpdateSearch(), 0);
  ASSERT_EQ(platform.Started.size(), 1u);
  // The dictionary the updater starts again: a stand-in that notes where it
  // was started, since the real one would wait for its user.
  QFile standIn(QStringLiteral("vexilo"));
  ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
  standIn.write("#!/bin/sh\npwd > restarted\n");
  standIn.close();
  standIn.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

  QProcess updater;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  updater.setProcessEnvironment(environment);
  updater.setWorkingDirectory(platform.Started[0].WorkingDirectory);
  updater.start(QStringLiteral(VEXILO_UPDATER), platform.Started[0].Arguments);
  ASSERT_TRUE(updater.waitForFinished(60000));
  const QString told = QString::fromUtf8(updater.readAllStandardOutput());
  EXPECT_EQ(updater.exitCode(), 0) << updater.readAllStandardError().toStdString();
  EXPECT_TRUE(told.contains(QStringLiteral("Vexilo, 2.0.0.0 verzió"))) << told.toStdString();
  EXPECT_TRUE(told.contains(QStringLiteral("„anon_ftp/updatesb”")));
  EXPECT_TRUE(told.contains(QStringLiteral("„926hjw-vexilod.cfg”")));
  EXPECT_TRUE(told.contains(QStringLiteral("Proxy: nincs.")));

  QFile restarted(QStringLiteral("restarted"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return restarted.size() > 0; }, 20000));
  ASSERT_TRUE(restarted.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromLocal8Bit(restarted.readAll()).trimmed(), Here());
}

TEST_F(UpdateRequestTest, UpdaterRefusesAMissingOrDamagedRequest) {
  QFile damaged(QStringLiteral("damaged.nfo"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("84%)/1U)!32!.04U%(\"`@(#H@5F5X:6QO\r\n\x7f\x7f\r\n");
  damaged.close();
  for (const char* request : {"missing.nfo", "damaged.nfo"}) {
    SCOPED_TRACE(request);
    EXPECT_THROW(updater::ReadUpdateRequest(QString::fromLatin1(request)), updater::EUpdateRequest);
    QProcess updater;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    updater.setProcessEnvironment(environment);
    updater.start(QStringLiteral(VEXILO_UPDATER), {QString::fromLatin1(request)});
    ASSERT_TRUE(updater.waitForFinished(60000));
    EXPECT_EQ(updater.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(updater.readAllStandardError()).contains(QStringLiteral("frissítési kérés")));
  }
}

TEST(UpdateNoticeTest, AfterRunProgramIsFoundByItsNameWithoutExe) {
  testing::TempDir directory;
  const QString folder = QString::fromStdString(directory.Path().string());
  QFile program(folder + QStringLiteral("/vexilo"));
  ASSERT_TRUE(program.open(QIODevice::WriteOnly));
  program.close();
  EXPECT_EQ(updater::FindAfterRunProgram(QStringLiteral("Vexilo.exe"), {folder}), QString())
      << "a file that cannot run is not a program";
  program.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(updater::FindAfterRunProgram(QStringLiteral("Vexilo.exe"), {folder}), program.fileName());
  EXPECT_EQ(updater::FindAfterRunProgram(QStringLiteral("../vexilo"), {folder}), QString());
}

TEST_F(UpdateRequestTest, UnwritableRequestIsReportedAndNothingIsStarted) {
  TFakePlatform platform;
  TAnsweringMessageBoxes boxes;
  ASSERT_TRUE(QDir().mkdir(QStringLiteral("update.nfo")));  // a folder in the file's place
  Item("Keress3")->trigger();
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_TRUE(boxes.Shown[0].Text.contains(QStringLiteral("update.nfo")));
  EXPECT_TRUE(platform.Started.empty());
  EXPECT_TRUE(Form1->isVisible());
}

TEST_F(UpdateRequestTest, LeirasOpensTheManualOrSaysItIsMissing) {
  const QString missing =
      QStringLiteral("Leírás.pdf állomány nem található vagy nincs telepítve Acrobat olvasó program !!!");
  {
    SCOPED_TRACE("no manual");
    TFakePlatform platform;
    TAnsweringMessageBoxes boxes;
    Item("Lers1")->trigger();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Title, QStringLiteral("Hiba történt:"));
    EXPECT_EQ(boxes.Shown[0].Text, missing);
    EXPECT_TRUE(platform.Opened.empty());
  }
  QFile manual(QStringLiteral("Leírás.pdf"));
  ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
  manual.write("%PDF-1.4\n");
  manual.close();
  {
    SCOPED_TRACE("manual opened");
    TFakePlatform platform;
    TAnsweringMessageBoxes boxes;
    Item("Lers1")->trigger();
    EXPECT_TRUE(boxes.Shown.empty());
    ASSERT_EQ(platform.Opened.size(), 1u);
    EXPECT_EQ(platform.Opened[0], QUrl::fromLocalFile(QDir(Here()).filePath(QStringLiteral("Leírás.pdf"))));
  }
  {
    SCOPED_TRACE("no program for PDF documents");
    TFakePlatform platform;
    platform.OpenSucceeds = false;
    TAnsweringMessageBoxes boxes;
    Item("Lers1")->trigger();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, missing);
    EXPECT_TRUE(Form1->isVisible());
  }
}

}  // namespace
}  // namespace vexilo::app
