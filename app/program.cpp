#include "app/program.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/screenshots.h"
#include "app/visual_style.h"
#include "framework/core/application_exception.h"
#include "framework/widgets/application.h"

namespace vexilo::app {

namespace {

const QString kApplicationTitle = QStringLiteral("Vexilo");

struct TCommandLine {
  bool Valid = true;
  std::optional<QString> ScreenshotDirectory;
};

// The dictionary itself takes no arguments; "--screenshot DIR" is the only
// one it knows.
TCommandLine ReadCommandLine(int argc, char** argv) {
  TCommandLine line;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") != 0) continue;
    if (i + 1 >= argc) {
      line.Valid = false;
      return line;
    }
    line.ScreenshotDirectory = QString::fromLocal8Bit(argv[++i]);
  }
  return line;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  const TCommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.Valid) {
    std::fprintf(stderr, "usage: %s [--screenshot DIR]\n", argv[0]);
    return 2;
  }
  // Pictures of the windows are drawn without a screen.
  if (commandLine.ScreenshotDirectory) qputenv("QT_QPA_PLATFORM", "offscreen");

  framework::TApplication application(argc, argv);
  InitResources();
  ApplyVisualStyle(application, kVisualStyleName);
  application.SetTitle(kApplicationTitle);

  try {
    TForms forms;
    if (commandLine.ScreenshotDirectory) {
      return SaveScreenshots(*commandLine.ScreenshotDirectory) ? 0 : 1;
    }
    Form1->show();
    return application.exec();
  } catch (...) {
    framework::HandleApplicationException(std::current_exception());
    return 1;
  }
}

}  // namespace vexilo::app
