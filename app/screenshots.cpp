#include "app/screenshots.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>
#include <cstdio>

#include "app/about_window.h"
#include "app/english_search_window.h"
#include "app/filter_window.h"
#include "app/forms.h"
#include "app/hungarian_search_window.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "app/user_dictionary.h"
#include "dataset/table.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::app {

namespace {

// Message boxes of a run nobody watches.
class TUnattendedMessageBoxes : public framework::TMessageBoxes {
 public:
  bool AskYesNo(QWidget*, const QString& title, const QString& text) override {
    std::fprintf(stderr, "%s %s -> Nem\n", qUtf8Printable(title), qUtf8Printable(text));
    return false;
  }
  void ShowOk(QWidget*, const QString& title, const QString& text) override {
    std::fprintf(stderr, "%s %s\n", qUtf8Printable(title), qUtf8Printable(text));
  }
};

// The first rows of the dictionary as the main window's table shows them,
// in a grid bound to its data source (a picture of the data the windows
// work on).
class TDictionaryRows : public QWidget {
 public:
  TDictionaryRows() {
    setObjectName(QStringLiteral("DictionaryRows"));
    setWindowTitle(QStringLiteral(" Vexilo - Eng_hun"));
    FGrid = new framework::TDBGrid(this);
    FGrid->setObjectName(QStringLiteral("DBGrid1"));
    FGrid->setGeometry(8, 8, 355, 220);
    FGrid->SetReadOnly(true);
    FGrid->SetColumns({{QStringLiteral("ENG"), QStringLiteral("Angol"), 160},
                       {QStringLiteral("HUN"), QStringLiteral("Magyar"), 160}});
    FGrid->SetDataSource(Form1->DataSource1.get());
    setFixedSize(371, 236);
  }

 private:
  framework::TDBGrid* FGrid;
};

// The filter window as a user leaves it after setting a filter: two rows
// composed and, with the dictionary open, "Beállít" pressed with
// "Bekapcsolva".
void FillFilterWindow(TForm6& window) {
  window.ComboBox1->setEditText(QStringLiteral("Angol"));
  window.ComboBox2->setEditText(QStringLiteral(">="));
  window.Edit1->setText(QStringLiteral("apple"));
  window.ComboBox3->setEditText(QStringLiteral("And"));
  window.ComboBox4->setEditText(QStringLiteral("Magyar"));
  window.ComboBox5->setEditText(QStringLiteral("<>"));
  window.Edit2->setText(QStringLiteral("alma"));
  window.ComboBox1Enter();
  window.RadioButton1->setChecked(true);
  if (Form1->Table1->Active()) window.BitBtn2Click();
}

bool SaveWindow(QWidget& window, const QDir& directory) {
  window.show();
  QCoreApplication::processEvents();
  const QString file = directory.filePath(window.objectName() + QStringLiteral(".png"));
  const bool saved = window.grab().save(file, "PNG");
  if (!saved) std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(file));
  window.hide();
  QCoreApplication::processEvents();
  return saved;
}

// The search window after the user typed `typed` into it, one character
// at a time, saved as "<window>-<typed>.png".
bool SaveTypedSearch(TExpressionSearchForm& window, const QString& typed, const QDir& directory) {
  window.show();
  QCoreApplication::processEvents();
  for (const QChar character : typed) {
    window.Edit1->insert(QString(character));
    QCoreApplication::processEvents();
  }
  const QString file = directory.filePath(window.objectName() + QStringLiteral("-") + typed + QStringLiteral(".png"));
  const bool saved = window.grab().save(file, "PNG");
  if (!saved) std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(file));
  window.hide();
  QCoreApplication::processEvents();
  return saved;
}

}  // namespace

bool SaveScreenshots(const QString& directory) {
  TUnattendedMessageBoxes unattended;
  framework::TMessageBoxesOverride quiet(unattended);
  QDir target(directory);
  if (!target.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "cannot create %s\n", qUtf8Printable(directory));
    return false;
  }
  TDictionaryBuildDialog dictionaryBuild;
  QWidget* const windows[] = {Form1, Form2, Form7, Form6, Form5, Form8, &dictionaryBuild};
  bool allSaved = true;
  for (QWidget* window : windows) {
    if (window == Form6) FillFilterWindow(*Form6);
    allSaved = SaveWindow(*window, target) && allSaved;
    // The other pictures show the whole dictionary.
    if (window == Form6 && Form1->Table1->Active()) Form1->Table1->SetFiltered(false);
  }
  // Showing the main window opened the dictionary when the working
  // directory holds one.
  if (Form1->Table1->Active()) {
    TDictionaryRows rows;
    allSaved = SaveWindow(rows, target) && allSaved;
    for (TExpressionSearchForm* window : {static_cast<TExpressionSearchForm*>(Form5),
                                          static_cast<TExpressionSearchForm*>(Form8)}) {
      for (const QString& typed : {QStringLiteral("app"), QStringLiteral("alm")}) {
        allSaved = SaveTypedSearch(*window, typed, target) && allSaved;
      }
    }
  }
  return allSaved;
}

}  // namespace vexilo::app
