#include "framework/widgets/hints.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QStatusTipEvent>
#include <QWidget>

namespace vexilo::framework {

namespace {

constexpr QChar kHintSeparator = u'|';

QPointer<TApplicationHint> GInstance;

}  // namespace

QString GetShortHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(kHintSeparator);
  return bar < 0 ? hint : hint.left(bar);
}

QString GetLongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(kHintSeparator);
  return bar < 0 ? hint : hint.mid(bar + 1);
}

void SetHint(QWidget* control, const QString& hint) {
  control->setToolTip(GetShortHint(hint));
  control->setStatusTip(GetLongHint(hint));
}

void SetHint(QAction* item, const QString& hint) {
  item->setToolTip(GetShortHint(hint));
  item->setStatusTip(GetLongHint(hint));
}

TApplicationHint& TApplicationHint::Instance() {
  if (!GInstance) GInstance = new TApplicationHint(QCoreApplication::instance());
  return *GInstance;
}

TApplicationHint::TApplicationHint(QObject* application) : QObject(application) {
  application->installEventFilter(this);
}

void TApplicationHint::SetHint(const QString& hint) {
  FHint = hint;
  emit HintChanged(FHint);
}

bool TApplicationHint::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    SetHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vexilo::framework
