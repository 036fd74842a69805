// Hints of controls and menu items. A hint has a short and a long part,
// written "short|long" (without a bar both parts are the whole text): the
// short part is the control's tooltip, the long part is the application's
// current hint while the mouse is over the control or the menu item is
// highlighted. The main window shows the application's hint in its status
// bar, whichever window the control belongs to.
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QEvent;
class QWidget;

namespace vexilo::framework {

// The part of `hint` before the first "|", or all of it without a bar.
QString GetShortHint(const QString& hint);
// The part of `hint` after the first "|", or all of it without a bar.
QString GetLongHint(const QString& hint);

// Gives `control` the hint "short|long": tooltip and long hint.
void SetHint(QWidget* control, const QString& hint);
// Gives a menu item the hint "short|long"; menus show only the long part.
void SetHint(QAction* item, const QString& hint);

// The application's current hint. Qt reports the long hint of the control
// under the mouse and of the highlighted menu item as status tips; this
// object collects every one of them, from every window, and announces the
// changes. One per application, owned by the application object.
class TApplicationHint : public QObject {
  Q_OBJECT

 public:
  // The application's hint object, created (and installed on the running
  // application) on first use. Requires a QApplication.
  static TApplicationHint& Instance();

  const QString& Hint() const { return FHint; }
  // Makes `hint` the current hint and announces it, even when unchanged: a
  // status bar written in between shows it again.
  void SetHint(const QString& hint);

 signals:
  void HintChanged(const QString& hint);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TApplicationHint(QObject* application);

  QString FHint;
};

}  // namespace vexilo::framework
