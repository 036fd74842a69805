// TForm6 (Form6): the filter window. The user picks a column, an operator and
// a value on each of two rows, joined by "And" or "Or"; the window composes a
// condition line per row into its memo (where it can also be edited by hand)
// and "Beállít" sets the memo's text as the filter of the main window's
// table, switched on or off by the two radio buttons, so that every window
// shows only the entries that pass. A condition the engine refuses is
// reported and the filter in force before stays in force.
//
// Every part the window puts between single quotes (a value, a column or a
// joining word typed as free text) has its own quotes doubled, so nothing
// typed into a box can change the structure of the condition.
#pragma once

#include <QString>
#include <array>

#include "app/dialog_form.h"

class QComboBox;
class QEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vexilo::app {

// The texts of one row's four controls, as the user left them.
struct TFilterRowTexts {
  QString Column;
  QString Operator;
  QString Value;
  QString Joining;
};

// The condition line of one row: column, operator, value and joining word
// separated by single blanks; empty when all four parts are empty.
QString ComposeFilterLine(const TFilterRowTexts& row);

// The filter text of the memo's lines: each line trimmed and followed by a
// blank, the whole trimmed.
QString FilterTextOfLines(const QString& memoText);

class TForm6 : public TDialogForm {
  Q_OBJECT

 public:
  TForm6();
  ~TForm6() override;

  // Handlers, as the window's description names them.
  // Composes the condition lines; runs on entering and leaving any of the
  // eight row controls.
  void ComboBox1Enter();
  // "Beállít": sets the memo's text as the table's filter.
  void BitBtn2Click();
  // "Alaphelyzet": empties the rows and the memo, checks "Kikapcsolva".
  void BitBtn3Click();
  // "Befejezés".
  void BitBtn1Click();

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QComboBox* ComboBox3 = nullptr;
  QComboBox* ComboBox4 = nullptr;
  QComboBox* ComboBox5 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QComboBox* ComboBox6 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QFrame* Panel3 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;

 protected:
  void FormShow() override;
  // Enter and exit of the row controls, and Enter moving the focus on.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTopPanel();
  void BuildRows();
  void BuildConditionGroup();
  void SetTabOrder();
  // The eight row controls (and the line edits inside the boxes) report
  // their focus changes and keys to eventFilter.
  void WatchRowControl(QWidget* control);
  TFilterRowTexts RowTexts(int row) const;

  // The eight composed parts of the two rows, recomputed on every
  // composition: column, operator, value, joining word per row.
  std::array<QString, 8> FParts;
  // Whether the row controls' events are handled: from the end of building
  // until destruction starts (focus leaves a control while it is deleted).
  bool FWatching = false;
};

}  // namespace vexilo::app
