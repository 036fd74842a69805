#include "app/maintenance_window.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

#include "app/filter_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/db_memo.h"
#include "framework/widgets/db_navigator.h"
#include "framework/widgets/hints.h"

namespace vexilo::app {

namespace {

const QColor kBlue(0x00, 0x00, 0xff);
const QColor kNavy(0x00, 0x00, 0x80);

void SetTextColour(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  widget.setPalette(palette);
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, const QColor& colour, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  SetTextColour(*label, colour);
  return label;
}

// The filter button's picture: a funnel.
QPixmap FilterPicture() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath funnel;
  funnel.moveTo(1.5, 2.5);
  funnel.lineTo(14.5, 2.5);
  funnel.lineTo(9.5, 8.5);
  funnel.lineTo(9.5, 14);
  funnel.lineTo(6.5, 12);
  funnel.lineTo(6.5, 8.5);
  funnel.closeSubpath();
  painter.setPen(QPen(kNavy, 1));
  painter.setBrush(QColor(0x40, 0x80, 0xff));
  painter.drawPath(funnel);
  return picture;
}

// The navigator's hints in button order, each "short|long".
const QStringList kNavigatorHints = {
    QStringLiteral("Első rekord|Első rekord !"),
    QStringLiteral("Előző rekord|Előző rekord !"),
    QStringLiteral("Következő rekord|Következő rekord !"),
    QStringLiteral("Utolsó rekord|Utolsó rekord !"),
    QStringLiteral("Új rekord|Új rekord !"),
    QStringLiteral("Rekord törlése|Rekord törlése !"),
    QStringLiteral("Rekord szerkesztése|Rekord szerkesztése !"),
    QStringLiteral("Rekord tárolása|Rekord tárolása !"),
    QStringLiteral("Elvetés|Elvetés !"),
    QStringLiteral("Frissítés|Frissítés !"),
};

}  // namespace

TForm2::TForm2()
    : TDialogForm(QStringLiteral(" Adatok Karbantartása:"), QSize(553, 277), TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form2"));
  BuildTopPanel();
  BuildLowerPanel();
  BindControls();
}

void TForm2::BuildTopPanel() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, 553, 41);

  DBNavigator1 = new framework::TDBNavigator(Panel1);
  DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
  DBNavigator1->setGeometry(8, 8, 240, 25);
  DBNavigator1->SetHints(kNavigatorHints);
  // The table's own delete confirmation asks instead.
  DBNavigator1->SetConfirmDelete(false);

  SpeedButton1 = new QToolButton(Panel1);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setGeometry(256, 8, 25, 25);
  SpeedButton1->setIcon(FilterPicture());
  SpeedButton1->setAutoRaise(true);
  framework::SetHint(SpeedButton1, QStringLiteral("Szűrés|Megjelenített adatok szűrése !"));
  connect(SpeedButton1, &QToolButton::clicked, this, &TForm2::SpeedButton1Click);

  Label1 = AddLabel(Panel1, "Label1", QStringLiteral("Tárolt rekordok száma"), kNavy, false);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setGeometry(288, 7, 145, Label1->sizeHint().height());

  Label2 = AddLabel(Panel1, "Label2", QStringLiteral("0"), kBlue, false);
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setGeometry(288, 22, 145, Label2->sizeHint().height());

  BitBtn1 = new QPushButton(QStringLiteral("Befejezés"), Panel1);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(445, 8, 100, 25);
  BitBtn1->setAutoDefault(false);
  framework::SetHint(BitBtn1, QStringLiteral("Befejezés !"));
  connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

void TForm2::BuildLowerPanel() {
  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setLineWidth(1);
  Panel2->setGeometry(0, 41, 553, 236);

  DBGrid1 = new framework::TDBGrid(Panel2);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(8, 8, 355, 220);
  DBGrid1->SetTextColor(kBlue);
  QFont titles = DBGrid1->font();
  titles.setBold(true);
  DBGrid1->SetTitleFont(titles);
  DBGrid1->SetTitleColor(kNavy);
  DBGrid1->SetColumns({{QStringLiteral("ENG"), QStringLiteral("Angol"), 160},
                       {QStringLiteral("HUN"), QStringLiteral("Magyar"), 160}});

  Label3 = AddLabel(Panel2, "Label3", QStringLiteral("Leírás"), kNavy, true);
  Label3->setGeometry(365, 8, Label3->sizeHint().width(), Label3->sizeHint().height());

  DBMemo1 = new framework::TDBMemo(Panel2);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->setGeometry(365, 22, 180, 205);
  DBMemo1->SetDataField(QStringLiteral("LEIR"));
  DBMemo1->SetVerticalScrollBar(true);
  SetTextColour(*DBMemo1, kBlue);
}

void TForm2::BindControls() {
  if (Form1 == nullptr || DBGrid1->DataSource() != nullptr) return;
  DBNavigator1->SetDataSource(Form1->DataSource1.get());
  DBGrid1->SetDataSource(Form1->DataSource1.get());
  DBMemo1->SetDataSource(Form1->DataSource1.get());
}

void TForm2::FormShow() {
  BindControls();
  if (Form1 == nullptr || !Form1->Table1->Active()) return;
  Form1->Table1->SetIndexName(u"ENG");
  Label2->setText(QString::number(Form1->Table1->RecordCount()));
}

void TForm2::SpeedButton1Click() {
  if (Form6 != nullptr) Form6->ShowModal();
}

void TForm2::BitBtn1Click() { close(); }

}  // namespace vexilo::app
