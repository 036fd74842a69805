// A user at the maintenance window of this process: clicks on the
// navigator's buttons, typing into the grid's cells and into the memo, Enter
// and Escape, as QTest key and mouse events on the real widgets; and what the
// window shows. The windows (TForms) must exist and the maintenance window
// must be shown.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/db_memo.h"
#include "framework/widgets/db_navigator.h"
#include "tests/framework_widgets/typing.h"

namespace vexilo::testing {

using framework::TNavigateBtn;

class TMaintenanceUser {
 public:
  static constexpr int kEnglish = 0;
  static constexpr int kHungarian = 1;

  void Click(TNavigateBtn button) {
    QTest::mouseClick(app::Form2->DBNavigator1->Button(button), Qt::LeftButton);
  }
  QTableView& View() { return *app::Form2->DBGrid1->View(); }
  // The cell editor the grid has open, if any (a closed one may wait for
  // its deletion a while).
  QLineEdit* Editor() {
    for (QLineEdit* editor : View().viewport()->findChildren<QLineEdit*>()) {
      if (editor->isVisible()) return editor;
    }
    return nullptr;
  }
  // Lets the grid finish what a key started: the delegate commits and
  // closes its editor afterwards.
  static void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Goes to `column` of the current row (Home, End), opens its editor (F2),
  // types `text` over what the cell holds and presses Enter; false when no
  // cell editor opened (the record could not be edited).
  bool TypeInCell(int column, const QString& text) {
    View().setFocus();
    QTest::keyClick(&View(), column == kEnglish ? Qt::Key_Home : Qt::Key_End);
    QTest::keyClick(&View(), Qt::Key_F2);
    QLineEdit* editor = Editor();
    if (editor == nullptr) return false;
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    TypeText(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    Settle();
    return true;
  }
  // Presses Escape in the open cell editor, then in the grid.
  void EscapeInGrid() {
    if (QLineEdit* editor = Editor()) {
      QTest::keyClick(editor, Qt::Key_Escape);
      Settle();
    }
    QTest::keyClick(&View(), Qt::Key_Escape);
  }

  // Types `text` at the end of the memo: Enter for a line break, Tab for a
  // tab, a key press for every other character.
  void TypeInMemo(const QString& text, bool replacing = false) {
    framework::TDBMemo& memo = *app::Form2->DBMemo1;
    memo.setFocus();
    if (replacing) {
      QTest::keyClick(&memo, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(&memo, Qt::Key_Delete);
    } else {
      memo.moveCursor(QTextCursor::End);
    }
    QString run;
    const auto flush = [&] {
      TypeText(&memo, run);
      run.clear();
    };
    for (const QChar c : text) {
      if (c == u'\n' || c == u'\t') {
        flush();
        QTest::keyClick(&memo, c == u'\n' ? Qt::Key_Return : Qt::Key_Tab);
      } else {
        run += c;
      }
    }
    flush();
  }

  // Moves to the first entry, then forward until ENG is `eng`.
  bool GoTo(const QString& eng) {
    Click(TNavigateBtn::nbFirst);
    for (int step = 0; step < 100000; ++step) {
      if (CurrentEnglish() == eng) return true;
      if (app::Form1->Table1->Eof()) return false;
      Click(TNavigateBtn::nbNext);
      if (app::Form1->Table1->Eof()) return CurrentEnglish() == eng;
    }
    return false;
  }

  // Inserts `count` entries "<prefix><n>" / "magyar <n>" with the
  // navigator's insert and post buttons; false when one was not stored.
  bool InsertEntries(int count, const QString& prefix) {
    for (int n = 1; n <= count; ++n) {
      Click(TNavigateBtn::nbInsert);
      if (!TypeInCell(kEnglish, prefix + QString::number(n))) return false;
      if (!TypeInCell(kHungarian, QStringLiteral("magyar ") + QString::number(n))) return false;
      Click(TNavigateBtn::nbPost);
      if (app::Form1->Table1->State() != framework::TDataSetState::dsBrowse) return false;
    }
    return true;
  }

  QString CurrentEnglish() const { return CellOfCurrentRow(kEnglish); }
  QString CurrentHungarian() const { return CellOfCurrentRow(kHungarian); }
  QString CellOfCurrentRow(int column) const {
    const int row = app::Form2->DBGrid1->Row();
    return row < 0 ? QString() : app::Form2->DBGrid1->CellText(row, column);
  }
  QString Memo() const { return app::Form2->DBMemo1->toPlainText(); }
  QString Count() const { return app::Form2->Label2->text(); }
  // The texts of every row the grid shows in `column`.
  QStringList Column(int column) const {
    QStringList texts;
    for (int row = 0; row < app::Form2->DBGrid1->RowCount(); ++row) {
      texts << app::Form2->DBGrid1->CellText(row, column);
    }
    return texts;
  }
};

}  // namespace vexilo::testing
