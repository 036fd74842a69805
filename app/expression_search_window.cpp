#include "app/expression_search_window.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "app/filter_window.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "framework/core/database_error.h"
#include "framework/core/variant.h"
#include "framework/widgets/db_grid.h"
#include "framework/widgets/db_memo.h"
#include "framework/widgets/hints.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::app {
namespace {

const QColor kTeal(0x00, 0x80, 0x80);
const QColor kBlue(0x00, 0x00, 0xff);
const QColor kNavy(0x00, 0x00, 0x80);
constexpr int kMaxExpressionLength = 40;
constexpr int kColumnWidth = 160;
constexpr int kLoweredBorderWidth = 4;

void SetTextColour(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Text, colour);
  palette.setColor(QPalette::WindowText, colour);
  widget.setPalette(palette);
}

// A funnel: the filter button's picture.
QPixmap FilterPicture() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kNavy, 1));
  painter.setBrush(kTeal);
  painter.drawPolygon(QPolygon({QPoint(1, 2), QPoint(14, 2), QPoint(9, 8), QPoint(9, 14), QPoint(6, 12),
                                QPoint(6, 8)}));
  return picture;
}

}  // namespace

TExpressionSearchForm::TExpressionSearchForm(TExpressionSearchKind kind)
    : TDialogForm(kind.Caption, QSize(553, 277), TBorderIcons::SystemMenuAndMinimise), FKind(std::move(kind)) {
  BuildTopPanel();
  BuildLowerPanel();
  setTabOrder(BitBtn1, Edit1);
  setTabOrder(Edit1, DBGrid1->View());
  setTabOrder(DBGrid1->View(), DBMemo1);
}

void TExpressionSearchForm::BuildTopPanel() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, 553, 41);

  Edit1 = new QLineEdit(Panel1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(8, 10, 393, 21);
  Edit1->setMaxLength(kMaxExpressionLength);
  SetTextColour(*Edit1, kTeal);
  framework::SetHint(Edit1, FKind.EditHint);
  Edit1->installEventFilter(this);
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });

  SpeedButton1 = new QToolButton(Panel1);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setGeometry(411, 8, 25, 25);
  SpeedButton1->setIcon(FilterPicture());
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setFocusPolicy(Qt::NoFocus);
  framework::SetHint(SpeedButton1, QStringLiteral("Szűrés|Megjelenített adatok szűrése !"));
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });

  BitBtn1 = new QPushButton(QStringLiteral("Befejezés"), Panel1);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(445, 8, 100, 25);
  // Enter in the edit box moves on; it never presses this button.
  BitBtn1->setAutoDefault(false);
  framework::SetHint(BitBtn1, QStringLiteral("Befejezés !"));
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

void TExpressionSearchForm::BuildLowerPanel() {
  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setGeometry(0, 41, 553, 238);
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setLineWidth(1);
  Panel2->setContentsMargins(kLoweredBorderWidth, kLoweredBorderWidth, kLoweredBorderWidth, kLoweredBorderWidth);

  DBGrid1 = new framework::TDBGrid(Panel2);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(8, 8, 355, 222);
  framework::TDBGridOptions options;
  options.Editing = false;
  DBGrid1->SetOptions(options);
  DBGrid1->SetReadOnly(true);
  DBGrid1->SetTextColor(kBlue);
  QFont titleFont = DBGrid1->font();
  titleFont.setBold(true);
  DBGrid1->SetTitleFont(titleFont);
  DBGrid1->SetTitleColor(kNavy);
  DBGrid1->SetColumns({{FKind.FirstField, FKind.FirstTitle, kColumnWidth},
                       {FKind.SecondField, FKind.SecondTitle, kColumnWidth}});
  DBGrid1->SetDataSource(Form1->DataSource1.get());

  Label1 = new QLabel(QStringLiteral("Leírás"), Panel2);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont labelFont = Label1->font();
  labelFont.setBold(true);
  Label1->setFont(labelFont);
  SetTextColour(*Label1, kNavy);
  Label1->move(366, 8);
  Label1->resize(Label1->sizeHint());

  DBMemo1 = new framework::TDBMemo(Panel2);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->setGeometry(365, 22, 180, 207);
  DBMemo1->SetReadOnly(true);
  SetTextColour(*DBMemo1, kBlue);
  DBMemo1->SetDataField(QStringLiteral("LEIR"));
  DBMemo1->SetDataSource(Form1->DataSource1.get());
}

void TExpressionSearchForm::FormShow() {
  // Emptying the text searches once more, on the index still active.
  Edit1->setText(QString());
  Form1->Table1->SetIndexName(FKind.IndexName.toStdU16String());
  framework::SetHint(Edit1, FKind.EditHint);
  // Without a dictionary open there is nothing to show; the first search
  // reports it.
  if (Form1->Table1->Active()) Form1->Table1->First();
}

void TExpressionSearchForm::Edit1Change() {
  const framework::TVariant text = Edit1->text().toStdU16String();
  try {
    Form1->Table1->FindNearest({&text, 1});
  } catch (const framework::EDatabaseError&) {
    framework::MessageBoxes().ShowOk(this, QStringLiteral("Adatok keresése:"), QStringLiteral("Hiba történt !!!"));
  }
}

bool TExpressionSearchForm::Edit1KeyPress(int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  focusNextChild();
  return true;
}

void TExpressionSearchForm::SpeedButton1Click() {
  if (Form6 != nullptr) Form6->ShowModal();
}

void TExpressionSearchForm::BitBtn1Click() {
  Form1->Table1->SetIndexName(u"ENG");
  close();
}

bool TExpressionSearchForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1 && event->type() == QEvent::KeyPress &&
      Edit1KeyPress(static_cast<QKeyEvent*>(event)->key())) {
    return true;
  }
  return TDialogForm::eventFilter(watched, event);
}

}  // namespace vexilo::app
