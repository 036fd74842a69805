// The frame every dictionary window has: a caption, a client area of fixed
// size, a single border that cannot be resized, a system menu with a close
// box, an optional minimise button and never a maximise button, and a place
// in the middle of the screen.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace vexilo::app {

enum class TBorderIcons { SystemMenu, SystemMenuAndMinimise };

// Gives `window` its caption, fixed client size and border icons.
void SetUpWindowFrame(QWidget& window, const QString& caption, QSize clientSize,
                      TBorderIcons icons);

// Moves `window` to the middle of the screen it is on (the primary screen
// before it has one).
void CentreOnScreen(QWidget& window);

}  // namespace vexilo::app
