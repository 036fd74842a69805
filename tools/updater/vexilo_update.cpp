// vexilo-update: the updater the dictionary starts with its update request.
//
//   vexilo-update update.nfo
//
// Reads and decodes the request, tells the user in Hungarian which version
// they have and where a newer one would be looked for, then starts the
// program the request names under AFTER RUN (looked for beside the request,
// beside the updater, then on the PATH) in the request's folder. Without a
// screen (Qt's offscreen platform) the notice goes to standard output
// instead of a window. Exit status: 0 done, 1 the request cannot be read or
// the program cannot be started again, 2 wrong arguments.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <cstdio>

#include "framework/widgets/translations.h"
#include "tools/updater/update_notice.h"
#include "tools/updater/update_request_file.h"

namespace {

const QString kTitle = QStringLiteral("Vexilo frissítés:");

bool Unattended() { return QGuiApplication::platformName() == QStringLiteral("offscreen"); }

void Tell(const QString& text, bool error) {
  std::fprintf(error ? stderr : stdout, "%s\n", qUtf8Printable(text));
  if (Unattended()) return;
  QMessageBox box(error ? QMessageBox::Warning : QMessageBox::Information, kTitle, text,
                  QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vexilo-update"));
  vexilo::framework::InstallHungarianTranslations(application);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: vexilo-update REQUEST\n");
    return 2;
  }
  const QFileInfo requestFile(arguments[1]);
  vexilo::updater::TUpdateRequest request;
  try {
    request = vexilo::updater::ReadUpdateRequest(requestFile.filePath());
  } catch (const vexilo::updater::EUpdateRequest& error) {
    Tell(QString::fromStdString(error.what()), true);
    return 1;
  }
  Tell(vexilo::updater::UpdateNotice(request), false);

  const QString afterRun = request.Value(QStringLiteral("AFTER RUN"));
  if (afterRun.isEmpty()) return 0;
  const QString folder = requestFile.absolutePath();
  const QString program = vexilo::updater::FindAfterRunProgram(
      afterRun, {folder, QCoreApplication::applicationDirPath()});
  if (program.isEmpty() || !QProcess::startDetached(program, {}, folder)) {
    Tell(QStringLiteral("A(z) „%1” program nem indítható újra.").arg(afterRun), true);
    return 1;
  }
  return 0;
}
