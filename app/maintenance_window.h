// TForm2 (Form2): the data maintenance window. It lets the user browse and
// change the dictionary shared through the main window's data source: an
// editable grid of the English and Hungarian expressions, an editable memo
// with the description of the current entry, a navigator bar (moving,
// inserting, deleting, editing, posting, cancelling, refreshing), a button
// that opens the filter window and a label with the number of stored
// records, which the main window also writes after every insert, post and
// delete.
//
// Showing the window switches the shared table to the index "ENG" (the
// current entry stays current); closing it does not switch back. The window
// catches nothing itself: failures of editing reach the application's error
// handling, and the table's delete confirmation stands before every
// deletion (the navigator asks nothing of its own).
#pragma once

#include "app/dialog_form.h"

class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

namespace vexilo::framework {
class TDBGrid;
class TDBMemo;
class TDBNavigator;
}  // namespace vexilo::framework

namespace vexilo::app {

class TForm2 : public TDialogForm {
  Q_OBJECT

 public:
  TForm2();

  void SpeedButton1Click();
  void BitBtn1Click();

  QFrame* Panel1 = nullptr;
  framework::TDBNavigator* DBNavigator1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QLabel* Label1 = nullptr;
  // The record count (initially "0").
  QLabel* Label2 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QFrame* Panel2 = nullptr;
  framework::TDBGrid* DBGrid1 = nullptr;
  QLabel* Label3 = nullptr;
  framework::TDBMemo* DBMemo1 = nullptr;

 protected:
  // Switches the table to "ENG" and shows its record count.
  void FormShow() override;

 private:
  void BuildTopPanel();
  void BuildLowerPanel();
  // Binds the data-aware controls to the main window's data source once it
  // exists.
  void BindControls();
};

}  // namespace vexilo::app
