#include "app/link_label.h"

#include <QMouseEvent>

namespace vexilo::app {

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
  FPressed = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  FPressed = false;
  QLabel::mouseReleaseEvent(event);
  if (click) emit Click();
}

}  // namespace vexilo::app
