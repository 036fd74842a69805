// TExpressionSearchForm: what the English (TForm5) and the Hungarian (TForm8)
// search windows share. The window shows an edit box for the expression, a
// read-only grid of the dictionary and the description of the current
// entry, all on the main window's table (Form1->Table1 through
// Form1->DataSource1); it owns no data. Showing it empties the edit box,
// switches the table to the window's index and goes to the first entry;
// every change of the text moves the table to the first entry at or after
// the text in that index's order (FindNearest), and a database error of the
// search is shown as "Hiba történt !!!". "Befejezés" leaves the table on the
// index "ENG" and closes the window.
#pragma once

#include <QString>

#include "app/dialog_form.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace vexilo::framework {
class TDBGrid;
class TDBMemo;
}  // namespace vexilo::framework

namespace vexilo::app {

// What tells one search window from the other.
struct TExpressionSearchKind {
  QString Caption;
  // The index selected when the window is shown.
  QString IndexName;
  QString EditHint;
  // The grid's first and second column: field and title.
  QString FirstField, FirstTitle, SecondField, SecondTitle;
};

class TExpressionSearchForm : public TDialogForm {
  Q_OBJECT

 public:
  // Handlers, as the windows' description names them.
  void FormShow() override;
  void Edit1Change();
  // Enter moves the focus to the next control; true when the key was Enter.
  bool Edit1KeyPress(int key);
  void SpeedButton1Click();
  void BitBtn1Click();

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  framework::TDBGrid* DBGrid1 = nullptr;
  QLabel* Label1 = nullptr;
  framework::TDBMemo* DBMemo1 = nullptr;

 protected:
  explicit TExpressionSearchForm(TExpressionSearchKind kind);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTopPanel();
  void BuildLowerPanel();

  TExpressionSearchKind FKind;
};

}  // namespace vexilo::app
