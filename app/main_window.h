// TForm1 (Form1): the dictionary's main window. It shows the picture, the
// product name and version, the menu from which every other window is
// opened, and a status bar with the application's current hint (the long
// hint of the control or menu item under the mouse, from any window).
// Closing it, or choosing "Kilépés" / "Befejezés", ends the program after a
// Yes to the exit question.
//
// The main window owns the program's one database component (VxbDatabase1,
// on the working directory), its one table dataset (Table1: "Eng_hun" on the
// index "HUN") and the data source every other window binds to
// (DataSource1). The table opens when the window is first shown and closes
// when the user confirms the end; a table that cannot be opened is reported
// by the application's error handling and the program ends.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "app/uu_encoder.h"
#include "dataset/database.h"
#include "dataset/table.h"
#include "framework/core/data_source.h"

class QAction;
class QCloseEvent;
class QLabel;
class QMenu;
class QShowEvent;
class QStatusBar;

namespace vexilo::app {

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window's components, then runs FormCreate.
  TForm1();

  // Handlers, as the window's description names them.
  void FormCreate();
  void FormShow();
  // The exit question when the user closes the window; a No refuses the close.
  void FormClose(QCloseEvent* event);
  void Befejezs1Click();
  void Adatkarbantarts1Click();
  void Angol1Click();
  void Magyar1Click();
  void Szrs1Click();
  void Nvjegy1Click();
  void Lers1Click();
  void Keress3Click();
  // The maintenance window's record count after every insert, post and
  // delete.
  void Table1AfterInsert(framework::TDataSet& dataSet);
  void Table1AfterPost(framework::TDataSet& dataSet);
  void Table1AfterDelete(framework::TDataSet& dataSet);
  // The question before every deletion; a No aborts it silently.
  void Table1BeforeDelete(framework::TDataSet& dataSet);

  // The program directory, set when the window is first shown.
  const QString& ProgramDirectory() const { return v_prdir; }
  // Whether showing the window failed to open the table.
  bool TableOpenFailed() const { return FTableOpenFailed; }

  // Declared in destruction order's reverse: the data source goes first,
  // then the table, then the database.
  std::unique_ptr<dataset::TVxbDatabase> VxbDatabase1;
  std::unique_ptr<dataset::TVxbTable> Table1;
  std::unique_ptr<framework::TDataSource> DataSource1;

  QStatusBar* StatusBar1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  // The encoder of the update request; its fill character is the back quote.
  TUUEncoder UUE;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildDataComponents();
  // Shows the table's record count in the maintenance window.
  void ShowRecordCount();
  void BuildPicture();
  void BuildMenu();
  // A menu item under `parent` named `name` with its caption and hint.
  QAction* AddItem(QMenu* parent, const char* name, const QString& caption, const QString& hint);
  QMenu* AddSubmenu(QWidget* parent, const char* name, const QString& caption, const QString& hint);
  void AddSeparator(QMenu* parent, const char* name);
  // Asks the exit question with the status bar showing why; true for Yes.
  bool ConfirmExit();

  QString v_prdir;
  // Set once the user has confirmed the end from the menu, so that closing
  // the window on the way out does not ask again.
  bool FTerminating = false;
  bool FTableOpenFailed = false;
};

}  // namespace vexilo::app
