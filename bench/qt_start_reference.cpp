// The least a Qt Widgets program does at its start, as a yardstick for the
// start of `vexilo` (program_start_bench.cpp): it creates the application
// object on the platform QT_QPA_PLATFORM names and ends with exit code 0.
//
//   qt_start_reference                the application object alone
//   qt_start_reference --show-window  also shows one main window with a menu,
//                                     a label and a status bar, and lets Qt
//                                     handle the events that showing posts,
//                                     as `vexilo --quit-when-shown` does
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <cstring>

int main(int argc, char** argv) {
  const bool showWindow = argc > 1 && std::strcmp(argv[1], "--show-window") == 0;
  QApplication application(argc, argv);
  if (!showWindow) return 0;
  QMainWindow window;
  window.menuBar()->addMenu(QStringLiteral("Szótár"));
  window.setCentralWidget(new QLabel(QStringLiteral("Angol–magyar szótár")));
  window.statusBar()->showMessage(QStringLiteral("Kész"));
  window.resize(640, 480);
  window.show();
  QCoreApplication::processEvents();
  return 0;
}
