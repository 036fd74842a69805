#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>

#include "app/about_window.h"
#include "app/english_search_window.h"
#include "app/filter_window.h"
#include "app/forms.h"
#include "app/hungarian_search_window.h"
#include "app/maintenance_window.h"
#include "app/platform/platform.h"
#include "app/program_files.h"
#include "app/update_request.h"
#include "app/window_frame.h"
#include "framework/core/abort.h"
#include "framework/widgets/application.h"
#include "framework/widgets/hints.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::app {

namespace {

const QString kCaption = QStringLiteral(" Vexilo V2.0.0.0");
constexpr int kClientWidth = 537;
constexpr int kClientHeight = 333;
constexpr int kStatusBarHeight = 19;

const QString kExitHint = QStringLiteral("Program használatának befejezése !");
const QString kExitTitle = QStringLiteral("Program vége:");
const QString kExitQuestion = QStringLiteral("Biztosan be kívánja fejezni a program használatát ?");

// The product name and version drawn over the picture: yellow, bold italic.
void StyleNameLabel(QLabel& label) {
  QFont font(QStringLiteral("Trebuchet MS"));
  font.setPixelSize(13);
  font.setBold(true);
  font.setItalic(true);
  label.setFont(font);
  label.setAttribute(Qt::WA_TranslucentBackground);
  label.setStyleSheet(QStringLiteral("QLabel { color: #ffff00; background: transparent; }"));
  label.adjustSize();
}

}  // namespace

TForm1::TForm1() {
  setObjectName(QStringLiteral("Form1"));
  BuildDataComponents();
  BuildPicture();
  BuildMenu();

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setFixedHeight(kStatusBarHeight);
  setStatusBar(StatusBar1);
  connect(&framework::TApplicationHint::Instance(), &framework::TApplicationHint::HintChanged,
          StatusBar1, [this](const QString& hint) {
            if (hint.isEmpty()) {
              StatusBar1->clearMessage();
            } else {
              StatusBar1->showMessage(hint);
            }
          });

  // The menu bar sits above the client area; its height follows the style.
  menuBar()->ensurePolished();
  const int menuHeight = menuBar()->sizeHint().height();
  SetUpWindowFrame(*this, kCaption, QSize(kClientWidth, menuHeight + kClientHeight),
                   TBorderIcons::SystemMenuAndMinimise);
  CentreOnScreen(*this);

  FormCreate();
}

void TForm1::BuildDataComponents() {
  VxbDatabase1 = std::make_unique<dataset::TVxbDatabase>(this);
  VxbDatabase1->SetName(u"VxbDatabase1");
  VxbDatabase1->SetDatabaseName(u"VxbDatabase1");
  VxbDatabase1->SetExclusive(false);
  VxbDatabase1->SetReadOnly(false);
  VxbDatabase1->SetDatabaseType(dataset::TVxbDatabaseType::dbtDirectory);
  VxbDatabase1->SetFlushMode(dataset::TVxbFlushMode::tfmDefault);
  VxbDatabase1->SetIndexPageSize(4096);
  VxbDatabase1->SetBlobBlockSize(512);

  Table1 = std::make_unique<dataset::TVxbTable>(this);
  Table1->SetName(u"Table1");
  Table1->SetDatabaseName(u"VxbDatabase1");
  Table1->SetTableName(u"Eng_hun");
  Table1->SetIndexName(u"HUN");
  Table1->AfterInsert = [this](framework::TDataSet& dataSet) { Table1AfterInsert(dataSet); };
  Table1->AfterPost = [this](framework::TDataSet& dataSet) { Table1AfterPost(dataSet); };
  Table1->AfterDelete = [this](framework::TDataSet& dataSet) { Table1AfterDelete(dataSet); };
  Table1->BeforeDelete = [this](framework::TDataSet& dataSet) { Table1BeforeDelete(dataSet); };

  DataSource1 = std::make_unique<framework::TDataSource>(Table1.get());
  DataSource1->SetName(u"DataSource1");
}

void TForm1::BuildPicture() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Form1Client"));
  QPalette silver = client->palette();
  silver.setColor(QPalette::Window, QColor(0xc0, 0xc0, 0xc0));
  client->setPalette(silver);
  client->setAutoFillBackground(true);
  setCentralWidget(client);

  Image1 = new QLabel(client);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, 8, 537, 313);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(QPixmap(QStringLiteral(":/vexilo/main_picture.png")));

  Label1 = new QLabel(QStringLiteral("Vexilo"), client);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(448, 264);
  StyleNameLabel(*Label1);

  Label2 = new QLabel(QStringLiteral("V2.0.0.0"), client);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->move(456, 280);
  StyleNameLabel(*Label2);
}

void TForm1::BuildMenu() {
  QMenuBar* MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* Mveletek1 = AddSubmenu(MainMenu1, "Mveletek1", QStringLiteral("Műveletek"),
                                QStringLiteral("Program eljárásai !"));
  connect(AddItem(Mveletek1, "Adatkarbantarts1", QStringLiteral("Adatkarbantartás"),
                  QStringLiteral("Adatok karbantartása !")),
          &QAction::triggered, this, &TForm1::Adatkarbantarts1Click);
  AddSeparator(Mveletek1, "N2");
  QMenu* Keress1 = AddSubmenu(Mveletek1, "Keress1", QStringLiteral("Keresés"),
                              QStringLiteral("Adatok keresése !"));
  connect(AddItem(Keress1, "Angol1", QStringLiteral("Angol"),
                  QStringLiteral("Angol kifejezés keresése !")),
          &QAction::triggered, this, &TForm1::Angol1Click);
  connect(AddItem(Keress1, "Magyar1", QStringLiteral("Magyar"),
                  QStringLiteral("Magyar kifejezés keresése !")),
          &QAction::triggered, this, &TForm1::Magyar1Click);
  AddSeparator(Mveletek1, "N3");
  connect(AddItem(Mveletek1, "Szrs1", QStringLiteral("Szűrés"),
                  QStringLiteral("Megjelenítendő adatok szűrése !")),
          &QAction::triggered, this, &TForm1::Szrs1Click);

  QMenu* Informci1 = AddSubmenu(MainMenu1, "Informci1", QStringLiteral("Információ"),
                                QStringLiteral("Programmal kapcsolatos információk !"));
  connect(AddItem(Informci1, "Lers1", QStringLiteral("Leírás"),
                  QStringLiteral("Program használatának leírása !")),
          &QAction::triggered, this, &TForm1::Lers1Click);
  AddSeparator(Informci1, "N5");
  QMenu* Frissts1 =
      AddSubmenu(Informci1, "Frissts1", QStringLiteral("Frissítés"),
                 QStringLiteral("Frissítés keresése (internet kapcsolat szükséges) !"));
  connect(AddItem(Frissts1, "Keress3", QStringLiteral("Keresés"),
                  QStringLiteral("Újabb verzió keresése, frissítés végrehajtása !")),
          &QAction::triggered, this, &TForm1::Keress3Click);
  AddSeparator(Informci1, "N4");
  connect(AddItem(Informci1, "Nvjegy1", QStringLiteral("Névjegy"),
                  QStringLiteral("Program bemutatkozása !")),
          &QAction::triggered, this, &TForm1::Nvjegy1Click);

  QMenu* Keress2 = AddSubmenu(MainMenu1, "Keress2", QStringLiteral("Kilépés"),
                              QStringLiteral("Program használatának befejezése !"));
  connect(AddItem(Keress2, "Befejezs1", QStringLiteral("Befejezés"),
                  QStringLiteral("Program használatának befejezése !")),
          &QAction::triggered, this, &TForm1::Befejezs1Click);
}

QAction* TForm1::AddItem(QMenu* parent, const char* name, const QString& caption,
                         const QString& hint) {
  QAction* item = parent->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  framework::SetHint(item, hint);
  return item;
}

QMenu* TForm1::AddSubmenu(QWidget* parent, const char* name, const QString& caption,
                          const QString& hint) {
  auto* submenu = new QMenu(caption, parent);
  submenu->setObjectName(QString::fromLatin1(name));
  submenu->menuAction()->setObjectName(QString::fromLatin1(name));
  framework::SetHint(submenu->menuAction(), hint);
  parent->addAction(submenu->menuAction());
  return submenu;
}

void TForm1::AddSeparator(QMenu* parent, const char* name) {
  parent->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void TForm1::FormCreate() { VxbDatabase1->SetLocation(QDir::currentPath().toStdU16String()); }

void TForm1::FormShow() {
  v_prdir = QDir::currentPath();
  Table1->SetActive(true);
}

void TForm1::ShowRecordCount() {
  if (Form2 != nullptr && Form2->Label2 != nullptr) Form2->Label2->setText(QString::number(Table1->RecordCount()));
}

void TForm1::Table1AfterInsert(framework::TDataSet&) { ShowRecordCount(); }

void TForm1::Table1AfterPost(framework::TDataSet&) { ShowRecordCount(); }

void TForm1::Table1AfterDelete(framework::TDataSet&) { ShowRecordCount(); }

void TForm1::Table1BeforeDelete(framework::TDataSet&) {
  if (!framework::MessageBoxes().AskYesNo(this, QStringLiteral("Törlés jóváhagyás:"),
                                          QStringLiteral("Biztosan törölhető ?"))) {
    framework::Abort();
  }
}

bool TForm1::ConfirmExit() {
  StatusBar1->showMessage(kExitHint);
  return framework::MessageBoxes().AskYesNo(this, kExitTitle, kExitQuestion);
}

void TForm1::FormClose(QCloseEvent* event) {
  if (!ConfirmExit()) {
    event->ignore();  // the status bar keeps the text until the next hint
    return;
  }
  StatusBar1->clearMessage();
  Table1->Close();
  event->accept();
}

void TForm1::Befejezs1Click() {
  if (ConfirmExit()) {
    FTerminating = true;
    QCoreApplication::exit(0);
  }
  StatusBar1->clearMessage();
}

void TForm1::Adatkarbantarts1Click() {
  if (Form2 != nullptr) Form2->ShowModal();
}

void TForm1::Angol1Click() {
  if (Form5 != nullptr) Form5->ShowModal();
}

void TForm1::Magyar1Click() {
  if (Form8 != nullptr) Form8->ShowModal();
}

void TForm1::Szrs1Click() {
  if (Form6 != nullptr) Form6->ShowModal();
}

void TForm1::Nvjegy1Click() {
  if (Form7 != nullptr) Form7->ShowModal();
}

void TForm1::Lers1Click() {
  const QString manual = ManualPath();
  if (manual.isEmpty() || !Platform().OpenUrl(QUrl::fromLocalFile(manual))) {
    framework::MessageBoxes().ShowOk(
        this, QStringLiteral("Hiba történt:"),
        QStringLiteral("Leírás.pdf állomány nem található vagy nincs telepítve Acrobat olvasó "
                       "program !!!"));
  }
}

void TForm1::Keress3Click() {
  // A request that cannot be written is reported and ends only this action.
  framework::RunUserAction([this] {
    WriteUpdateRequest(QDir::current().filePath(kUpdateRequestFile), UUE);
    // Whether the updater starts is not checked: the program ends either way.
    Platform().StartProgram(UpdaterPath(), {kUpdateRequestFile}, QDir::currentPath());
    FTerminating = true;
    QCoreApplication::exit(0);
  });
}

void TForm1::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    // A failure goes on to the application's error handling; the program
    // then ends.
    try {
      FormShow();
    } catch (...) {
      FTableOpenFailed = true;
      throw;
    }
  }
  QMainWindow::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (FTerminating) {
    event->accept();
    return;
  }
  FormClose(event);
}

}  // namespace vexilo::app
