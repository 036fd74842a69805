#include "app/user_dictionary.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "app/program_files.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::app {

namespace {

const QString kErrorTitle = QStringLiteral("Hiba történt:");

void Tell(const QString& text) { framework::MessageBoxes().ShowOk(nullptr, kErrorTitle, text); }

// The last lines of what the builder wrote on its error stream.
QString Tail(const QByteArray& output) {
  QStringList lines = QString::fromLocal8Bit(output).trimmed().split(QLatin1Char('\n'));
  while (lines.size() > 4) lines.removeFirst();
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

TDictionaryBuildDialog::TDictionaryBuildDialog()
    : QProgressDialog(QStringLiteral("Az angol–magyar szótár elkészítése folyamatban…\n"
                                     "Ez csak az első indításkor történik meg."),
                      QStringLiteral("Mégse"), 0, 0) {
  setObjectName(QStringLiteral("DictionaryBuild"));
  setWindowTitle(QStringLiteral(" Vexilo első indítása:"));
  setWindowModality(Qt::ApplicationModal);
  setMinimumDuration(0);
  setAutoClose(false);
  setAutoReset(false);
}

QString UserDictionaryDirectory() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (data.isEmpty()) return {};
  const QString directory = QDir(data).filePath(QStringLiteral("vexilo"));
  return QDir().mkpath(directory) ? directory : QString();
}

bool HoldsDictionary(const QString& directory) {
  const QDir folder(directory);
  return QFileInfo::exists(folder.filePath(QStringLiteral("Eng_hun.vxbt"))) ||
         QFileInfo::exists(folder.filePath(QStringLiteral("Eng_hun.dat")));
}

bool EnsureDefaultDictionary(const QString& directory) {
  if (HoldsDictionary(directory)) return true;
  const TDictionaryTools tools = DictionaryTools();
  if (!tools.Complete()) {
    Tell(QStringLiteral("A szótár nem készíthető el: a make-dictionary, a vxbtool vagy a "
                        "freedict2tsv program nincs telepítve !"));
    return false;
  }

  QProcess builder;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("VXBTOOL"), tools.Vxbtool);
  environment.insert(QStringLiteral("FREEDICT2TSV"), tools.Freedict2tsv);
  builder.setProcessEnvironment(environment);
  builder.setProcessChannelMode(QProcess::SeparateChannels);

  TDictionaryBuildDialog dialog;
  QEventLoop loop;
  QObject::connect(&builder, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&builder, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QObject::connect(&dialog, &QProgressDialog::canceled, &builder, &QProcess::kill);
  builder.start(tools.MakeDictionary, {directory});
  dialog.show();
  // Started, it cannot have finished before the loop runs: its end is
  // noticed by the loop's own event processing.
  const bool started = builder.waitForStarted(-1);
  if (started) loop.exec();
  dialog.hide();

  if (!started) {
    Tell(QStringLiteral("A szótár nem készíthető el: ") + tools.MakeDictionary +
         QStringLiteral(" nem indítható."));
    return false;
  }
  if (dialog.wasCanceled()) {
    Tell(QStringLiteral("A szótár elkészítése megszakadt; a következő indításkor újra "
                        "megtörténik."));
    return false;
  }
  if (builder.exitStatus() != QProcess::NormalExit || builder.exitCode() != 0) {
    Tell(QStringLiteral("A szótár nem készíthető el:\n") + Tail(builder.readAllStandardError()));
    return false;
  }
  return HoldsDictionary(directory);
}

}  // namespace vexilo::app
