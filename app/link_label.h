// TLinkLabel: a label that answers a click, drawn as a link: underlined, with
// the hand cursor. Click is emitted when the left mouse button is released
// over the label after being pressed on it.
#pragma once

#include <QLabel>

class QMouseEvent;

namespace vexilo::app {

class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  TLinkLabel(const QString& text, QWidget* parent);

 signals:
  void Click();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool FPressed = false;
};

}  // namespace vexilo::app
