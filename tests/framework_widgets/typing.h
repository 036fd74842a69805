// Typing any text into a widget, accented letters included (QTest's key
// clicks take only ASCII): one key press and release per character.
#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace vexilo::testing {

inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar character : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(widget, &release);
  }
}

}  // namespace vexilo::testing
