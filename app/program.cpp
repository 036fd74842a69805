#include "app/program.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/screenshots.h"
#include "app/user_dictionary.h"
#include "app/visual_style.h"
#include "framework/core/application_exception.h"
#include "framework/widgets/application.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::app {

namespace {

const QString kApplicationTitle = QStringLiteral("Vexilo");

struct TCommandLine {
  bool Valid = true;
  bool Desktop = false;
  bool QuitWhenShown = false;
  std::optional<QString> ScreenshotDirectory;
};

// The dictionary itself takes no arguments; "--desktop" (as the desktop's
// menu starts it) and "--screenshot DIR" are the only ones it knows.
TCommandLine ReadCommandLine(int argc, char** argv) {
  TCommandLine line;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--desktop") == 0) {
      line.Desktop = true;
      continue;
    }
    if (std::strcmp(argv[i], "--quit-when-shown") == 0) {
      line.QuitWhenShown = true;
      continue;
    }
    if (std::strcmp(argv[i], "--screenshot") != 0) continue;
    if (i + 1 >= argc) {
      line.Valid = false;
      return line;
    }
    line.ScreenshotDirectory = QString::fromLocal8Bit(argv[++i]);
  }
  return line;
}

// Started from the desktop's menu: the dictionary lives in the user's data
// folder, which becomes the working directory; the first start builds it.
void EnterUserDictionary() {
  const QString directory = UserDictionaryDirectory();
  if (directory.isEmpty() || !QDir::setCurrent(directory)) {
    framework::MessageBoxes().ShowOk(
        nullptr, QStringLiteral("Hiba történt:"),
        QStringLiteral("A szótár mappája nem hozható létre: ") + directory);
    return;
  }
  EnsureDefaultDictionary(directory);
}

}  // namespace

int RunProgram(int argc, char** argv) {
  const TCommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.Valid) {
    std::fprintf(stderr, "usage: %s [--desktop] [--screenshot DIR] [--quit-when-shown]\n", argv[0]);
    return 2;
  }
  // Pictures of the windows are drawn without a screen.
  if (commandLine.ScreenshotDirectory) qputenv("QT_QPA_PLATFORM", "offscreen");

  framework::TApplication application(argc, argv);
  InitResources();
  ApplyVisualStyle(application, kVisualStyleName);
  application.SetTitle(kApplicationTitle);
  if (commandLine.Desktop) EnterUserDictionary();

  try {
    TForms forms;
    if (commandLine.ScreenshotDirectory) {
      return SaveScreenshots(*commandLine.ScreenshotDirectory) ? 0 : 1;
    }
    Form1->show();
    // The table that did not open has been reported; there is nothing to
    // work on.
    if (Form1->TableOpenFailed()) return 1;
    if (commandLine.QuitWhenShown) {
      QCoreApplication::processEvents();
      return 0;
    }
    return application.exec();
  } catch (...) {
    framework::HandleApplicationException(std::current_exception());
    return 1;
  }
}

}  // namespace vexilo::app
