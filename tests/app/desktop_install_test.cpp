// The program as a Debian desktop installs it: the manual made at build
// time, `cmake --install` into a fresh prefix, the desktop file and the
// AppStream metainfo as Debian's validators see them, and the installed
// program started the way the desktop's menu starts it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include "tests/support/temp_dir.h"

namespace vexilo::app {
namespace {

const QString kAppId = QStringLiteral("example.c_seed_cce1bb96.Vexilo");

struct TRun {
  int ExitCode = -1;
  QString Output;
  QString Errors;
};

// Runs `program` to its end (up to `seconds`) with `environment` added.
TRun RunToEnd(const QString& program, const QStringList& arguments,
         const QMap<QString, QString>& environment = {}, int seconds = 120) {
  QProcess process;
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
    variables.insert(it.key(), it.value());
  }
  process.setProcessEnvironment(variables);
  process.start(program, arguments);
  TRun run;
  if (!process.waitForStarted() || !process.waitForFinished(seconds * 1000)) {
    process.kill();
    process.waitForFinished();
    run.Errors = program + QStringLiteral(" did not run to its end");
    return run;
  }
  run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.Output = QString::fromUtf8(process.readAllStandardOutput());
  run.Errors = QString::fromUtf8(process.readAllStandardError());
  return run;
}

const QString kManual = QStringLiteral(VEXILO_BUILD_DIR "/app/Leírás.pdf");

const char* const kChapters[] = {
    "1. Bevezetés",           "2. Telepítés és az első indítás",
    "3. A főablak és a menü", "4. Keresés",
    "5. Szűrés",              "6. Adatkarbantartás",
    "7. Több felhasználó egy szótáron",
    "8. A Névjegy ablak",     "9. Frissítés",
    "10. A parancssori eszköz rendszergazdáknak",
    "11. Üzenetek",
};

TEST(ManualTest, PdfIsValidAndHasEveryChapterAndThePicturesOfTheWindows) {
  ASSERT_TRUE(QFileInfo::exists(kManual));
  const TRun info = RunToEnd(QStringLiteral("pdfinfo"), {kManual});
  ASSERT_EQ(info.ExitCode, 0) << info.Errors.toStdString();
  EXPECT_TRUE(info.Output.contains(QStringLiteral("Vexilo – Leírás")));
  const QRegularExpressionMatch pages =
      QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info.Output);
  ASSERT_TRUE(pages.hasMatch());
  EXPECT_GE(pages.captured(1).toInt(), 12);

  const TRun text = RunToEnd(QStringLiteral("pdftotext"), {kManual, QStringLiteral("-")});
  ASSERT_EQ(text.ExitCode, 0);
  for (const char* chapter : kChapters) {
    EXPECT_TRUE(text.Output.contains(QString::fromUtf8(chapter))) << chapter;
  }

  // One line per picture placed, after two header lines.
  const TRun images = RunToEnd(QStringLiteral("pdfimages"), {QStringLiteral("-list"), kManual});
  ASSERT_EQ(images.ExitCode, 0);
  EXPECT_GE(images.Output.trimmed().split(QLatin1Char('\n')).size() - 2, 8);
}

class InstalledProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrefix = QString::fromStdString(FDirectory.File("prefix"));
    const TRun install = RunToEnd(QStringLiteral(VEXILO_CMAKE),
                             {QStringLiteral("--install"), QStringLiteral(VEXILO_BUILD_DIR),
                              QStringLiteral("--prefix"), FPrefix});
    ASSERT_EQ(install.ExitCode, 0) << install.Output.toStdString() << install.Errors.toStdString();
  }

  QString Installed(const QString& relative) const { return FPrefix + QLatin1Char('/') + relative; }

  testing::TempDir FDirectory;
  QString FPrefix;
};

TEST_F(InstalledProgramTest, FilesGoWhereADebianDesktopLooksForThem) {
  const struct {
    QString Path;
    bool Executable;
  } files[] = {
      {QStringLiteral("bin/vexilo"), true},
      {QStringLiteral("bin/vxbtool"), true},
      {QStringLiteral("bin/vexilo-update"), true},
      {QStringLiteral("libexec/vexilo/make-dictionary"), true},
      {QStringLiteral("libexec/vexilo/freedict2tsv"), true},
      {QStringLiteral("share/doc/vexilo/Leírás.pdf"), false},
      {QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop"), false},
      {QStringLiteral("share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml"), false},
      {QStringLiteral("share/icons/hicolor/scalable/apps/vexilo.svg"), false},
      {QStringLiteral("share/icons/hicolor/16x16/apps/vexilo.png"), false},
      {QStringLiteral("share/icons/hicolor/48x48/apps/vexilo.png"), false},
      {QStringLiteral("share/icons/hicolor/256x256/apps/vexilo.png"), false},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.Path.toStdString());
    const QFileInfo info(Installed(file.Path));
    EXPECT_TRUE(info.isFile());
    EXPECT_EQ(info.isExecutable(), file.Executable);
  }
}

TEST_F(InstalledProgramTest, DesktopFileAndMetainfoPassDebiansValidators) {
  const TRun desktop = RunToEnd(QStringLiteral("desktop-file-validate"),
                           {Installed(QStringLiteral("share/applications/") + kAppId +
                                      QStringLiteral(".desktop"))});
  EXPECT_EQ(desktop.ExitCode, 0) << desktop.Output.toStdString() << desktop.Errors.toStdString();
  EXPECT_EQ(desktop.Output, QString());  // not even a hint

  const TRun metainfo = RunToEnd(QStringLiteral("appstreamcli"),
                            {QStringLiteral("validate"), QStringLiteral("--no-net"),
                             Installed(QStringLiteral("share/metainfo/") + kAppId +
                                       QStringLiteral(".metainfo.xml"))});
  EXPECT_EQ(metainfo.ExitCode, 0) << metainfo.Output.toStdString();
}

TEST_F(InstalledProgramTest, MenuStartBuildsTheDictionaryInTheDataHomeAndShowsTheMainWindow) {
  // The command line exactly as the desktop's menu has it.
  const QSettings entry(Installed(QStringLiteral("share/applications/") + kAppId +
                                  QStringLiteral(".desktop")),
                        QSettings::IniFormat);
  QStringList exec = entry.value(QStringLiteral("Desktop Entry/Exec")).toString().split(QLatin1Char(' '));
  ASSERT_EQ(exec.value(0), QStringLiteral("vexilo"));
  const QString program = Installed(QStringLiteral("bin/") + exec.takeFirst());

  const QString dataHome = QString::fromStdString(FDirectory.File("data"));
  ASSERT_TRUE(QDir().mkpath(dataHome));
  const QString pictures = QString::fromStdString(FDirectory.File("pictures"));
  // The window pictures are taken once the program is up: the main window
  // among them shows that it started.
  const TRun run = RunToEnd(program, exec << QStringLiteral("--screenshot") << pictures,
                       {{QStringLiteral("XDG_DATA_HOME"), dataHome},
                        {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}},
                       540);
  ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
  const QDir dictionary(dataHome + QStringLiteral("/vexilo"));
  EXPECT_TRUE(QFileInfo(dictionary.filePath(QStringLiteral("Eng_hun.vxbt"))).size() > 1'000'000);
  EXPECT_TRUE(QFileInfo::exists(dictionary.filePath(QStringLiteral("Eng_hun.vxbm"))) ||
              QFileInfo::exists(dictionary.filePath(QStringLiteral("Eng_hun.vxbb"))));
  EXPECT_TRUE(QFileInfo::exists(pictures + QStringLiteral("/Form1.png")));

  const TRun check = RunToEnd(Installed(QStringLiteral("bin/vxbtool")),
                         {QStringLiteral("check"), dictionary.filePath(QStringLiteral("Eng_hun"))});
  EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString();
}

}  // namespace
}  // namespace vexilo::app
