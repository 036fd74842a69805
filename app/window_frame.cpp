#include "app/window_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace vexilo::app {

void SetUpWindowFrame(QWidget& window, const QString& caption, QSize clientSize,
                      TBorderIcons icons) {
  // The window keeps its type (a main window or a dialog).
  Qt::WindowFlags flags = window.windowType() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint;
  if (icons == TBorderIcons::SystemMenuAndMinimise) flags |= Qt::WindowMinimizeButtonHint;
  window.setWindowFlags(flags);
  window.setWindowTitle(caption);
  window.setFixedSize(clientSize);
}

void CentreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  window.move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                  screen->availableGeometry())
                  .topLeft());
}

}  // namespace vexilo::app
