// Message boxes of the windows: a title, a text, no icon, and either a Yes/No
// question or an OK notice. Every window asks through MessageBoxes(), so that
// a test (or a run without a screen) can install an implementation that
// answers by itself; that is the only seam between the windows and the
// user's answers.
#pragma once

#include <QString>

class QWidget;

namespace vexilo::framework {

class TMessageBoxes {
 public:
  virtual ~TMessageBoxes() = default;

  // Asks `text` with the buttons "Igen" and "Nem"; true for "Igen". Closing
  // the box without choosing counts as "Nem".
  virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text) = 0;

  // Shows `text` with the button "OK" and returns when it is dismissed.
  virtual void ShowOk(QWidget* parent, const QString& title, const QString& text) = 0;
};

// Qt's modal message boxes, centred on `parent`. The texts are shown as
// plain text, never interpreted as markup.
class TQtMessageBoxes : public TMessageBoxes {
 public:
  bool AskYesNo(QWidget* parent, const QString& title, const QString& text) override;
  void ShowOk(QWidget* parent, const QString& title, const QString& text) override;
};

// The message boxes in use: Qt's own unless a TMessageBoxesOverride is alive.
TMessageBoxes& MessageBoxes();

// Puts `boxes` in use for the lifetime of this object and then restores the
// previous ones. `boxes` must outlive the override. Overrides nest.
class TMessageBoxesOverride {
 public:
  explicit TMessageBoxesOverride(TMessageBoxes& boxes);
  ~TMessageBoxesOverride();
  TMessageBoxesOverride(const TMessageBoxesOverride&) = delete;
  TMessageBoxesOverride& operator=(const TMessageBoxesOverride&) = delete;

 private:
  TMessageBoxes* FPrevious;
};

}  // namespace vexilo::framework
