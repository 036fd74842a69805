#include "app/filter_window.h"

#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <algorithm>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"
#include "dataset/table.h"
#include "framework/widgets/hints.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::app {

namespace {

const QString kSwitchedOn = QStringLiteral("Bekapcsolva");
const QString kSwitchedOff = QStringLiteral("Kikapcsolva");
const QString kBlueText = QStringLiteral("color: #0000ff;");
const QString kBoldPurpleText = QStringLiteral("color: #800080; font-weight: bold;");
constexpr int kRowControlHeight = 21;

// A text between single quotes, with the quotes inside doubled: the
// condition language reads it back as exactly `text`.
QString Quoted(const QString& text) {
  QString doubled = text;
  doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
  return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString ColumnPart(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed == QStringLiteral("Angol")) return QStringLiteral("ENG");
  if (trimmed == QStringLiteral("Magyar")) return QStringLiteral("HUN");
  if (trimmed.isEmpty()) return {};
  return Quoted(trimmed);
}

QString ValuePart(const TFilterRowTexts& row) {
  const QString trimmed = row.Value.trimmed();
  if (!trimmed.isEmpty()) return Quoted(trimmed);
  if (!row.Column.trimmed().isEmpty() && !row.Operator.trimmed().isEmpty()) return QStringLiteral("''");
  return row.Value;
}

QString JoiningPart(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed == QStringLiteral("And") || trimmed == QStringLiteral("Or")) return trimmed;
  if (trimmed.isEmpty()) return {};
  return Quoted(trimmed);
}

std::array<QString, 4> RowParts(const TFilterRowTexts& row) {
  return {ColumnPart(row.Column), row.Operator.trimmed(), ValuePart(row), JoiningPart(row.Joining)};
}

QString LineOfParts(const std::array<QString, 4>& parts) {
  if (parts[0].isEmpty() && parts[1].isEmpty() && parts[2].isEmpty() && parts[3].isEmpty()) return {};
  return parts[0] + QLatin1Char(' ') + parts[1] + QLatin1Char(' ') + parts[2] + QLatin1Char(' ') + parts[3];
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                       const QRect& geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  framework::SetHint(button, hint);
  return button;
}

QLabel* AddCentredLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width,
                        const QString& colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  label->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(colour));
  label->setGeometry(x, y, width, label->sizeHint().height());
  return label;
}

QComboBox* AddBox(QWidget* parent, const char* name, const QStringList& items, int x, int y, int width) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  // Completion keeps the case typed: "angol" is not the column "Angol".
  box->completer()->setCaseSensitivity(Qt::CaseSensitive);
  box->setCurrentIndex(-1);
  box->setEditText(QString());
  box->setStyleSheet(QStringLiteral("QComboBox { %1 }").arg(kBlueText));
  box->setGeometry(x, y, width, kRowControlHeight);
  return box;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, int x, int y, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setStyleSheet(QStringLiteral("QLineEdit { %1 }").arg(kBlueText));
  edit->setGeometry(x, y, width, kRowControlHeight);
  return edit;
}

}  // namespace

QString ComposeFilterLine(const TFilterRowTexts& row) { return LineOfParts(RowParts(row)); }

QString FilterTextOfLines(const QString& memoText) {
  QString text;
  for (const QString& line : memoText.split(QLatin1Char('\n'))) text += line.trimmed() + QLatin1Char(' ');
  return text.trimmed();
}

TForm6::TForm6()
    : TDialogForm(QStringLiteral(" Megjelenítendő adatok szűrése:"), QSize(541, 225),
                  TBorderIcons::SystemMenuAndMinimise) {
  setObjectName(QStringLiteral("Form6"));
  BuildTopPanel();
  BuildRows();
  BuildConditionGroup();
  SetTabOrder();
  FWatching = true;
}

TForm6::~TForm6() { FWatching = false; }

void TForm6::BuildTopPanel() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, 541, 41);

  BitBtn2 = AddButton(Panel1, "BitBtn2", QStringLiteral("Beállít"),
                      QStringLiteral("Megadott szűrési feltétel beállítása !"), QRect(8, 8, 100, 25));
  connect(BitBtn2, &QPushButton::clicked, this, &TForm6::BitBtn2Click);
  BitBtn3 = AddButton(Panel1, "BitBtn3", QStringLiteral("Alaphelyzet"),
                      QStringLiteral("Értékek alaphelyzetbe állítása !"), QRect(120, 8, 100, 25));
  connect(BitBtn3, &QPushButton::clicked, this, &TForm6::BitBtn3Click);
  Label1 = AddCentredLabel(Panel1, "Label1", QStringLiteral("Szűrés"), 224, 7, 201, QStringLiteral("#000080"));
  Label2 = AddCentredLabel(Panel1, "Label2", kSwitchedOff, 224, 22, 201, QStringLiteral("#0000ff"));
  BitBtn1 = AddButton(Panel1, "BitBtn1", QStringLiteral("Befejezés"), QStringLiteral("Befejezés !"),
                      QRect(432, 8, 100, 25));
  connect(BitBtn1, &QPushButton::clicked, this, &TForm6::BitBtn1Click);
}

void TForm6::BuildRows() {
  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setLineWidth(4);
  Panel2->setGeometry(0, 41, 541, 184);

  const QStringList columns{QStringLiteral("Angol"), QStringLiteral("Magyar")};
  const QStringList operators{QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("="),
                              QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>")};
  const QStringList joinings{QStringLiteral("And"), QStringLiteral("Or")};

  Label3 = new QLabel(QStringLiteral("1."), Panel2);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setStyleSheet(QStringLiteral("QLabel { %1 }").arg(kBoldPurpleText));
  Label3->move(16, 24);
  Label4 = new QLabel(QStringLiteral("2."), Panel2);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->setStyleSheet(QStringLiteral("QLabel { %1 }").arg(kBoldPurpleText));
  Label4->move(16, 56);

  ComboBox1 = AddBox(Panel2, "ComboBox1", columns, 32, 16, 169);
  ComboBox2 = AddBox(Panel2, "ComboBox2", operators, 208, 16, 65);
  Edit1 = AddEdit(Panel2, "Edit1", 280, 16, 173);
  ComboBox3 = AddBox(Panel2, "ComboBox3", joinings, 460, 16, 65);
  ComboBox4 = AddBox(Panel2, "ComboBox4", columns, 32, 48, 169);
  ComboBox5 = AddBox(Panel2, "ComboBox5", operators, 208, 48, 65);
  Edit2 = AddEdit(Panel2, "Edit2", 280, 48, 173);
  ComboBox6 = AddBox(Panel2, "ComboBox6", joinings, 460, 48, 65);
  for (QWidget* control : std::initializer_list<QWidget*>{ComboBox1, ComboBox2, Edit1, ComboBox3, ComboBox4,
                                                          ComboBox5, Edit2, ComboBox6}) {
    WatchRowControl(control);
  }
}

void TForm6::BuildConditionGroup() {
  GroupBox1 = new QGroupBox(QStringLiteral(" Szűrési feltétel "), Panel2);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setStyleSheet(QStringLiteral("QGroupBox { color: #000080; font-weight: bold; }"));
  GroupBox1->setGeometry(16, 80, 510, 93);

  Memo1 = new QPlainTextEdit(GroupBox1);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setFrameStyle(QFrame::NoFrame);
  Memo1->setStyleSheet(
      QStringLiteral("QPlainTextEdit { background-color: #ffffe1; color: #0000ff; font-weight: bold; border: none; }"));
  Memo1->setGeometry(11, 21, 371, 60);
  Memo1->setTabChangesFocus(true);

  Panel3 = new QFrame(GroupBox1);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel3->setGeometry(390, 21, 108, 60);
  RadioButton1 = new QRadioButton(kSwitchedOn, Panel3);
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton1->move(8, 10);
  RadioButton2 = new QRadioButton(kSwitchedOff, Panel3);
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  RadioButton2->move(8, 34);
  for (QRadioButton* button : {RadioButton1, RadioButton2}) {
    button->setStyleSheet(QStringLiteral("QRadioButton { %1 }").arg(kBoldPurpleText));
    // The caption fits the panel: a larger screen font is made smaller.
    const int room = Panel3->width() - button->x() - 2;
    QFont font = button->font();
    while (button->sizeHint().width() > room && font.pointSizeF() > 6) {
      font.setPointSizeF(font.pointSizeF() - 0.5);
      button->setFont(font);
    }
    button->resize(std::min(button->sizeHint().width(), room), button->sizeHint().height());
  }
  RadioButton2->setChecked(true);
}

void TForm6::SetTabOrder() {
  const QWidget* order[] = {BitBtn2,   BitBtn3,   BitBtn1,   ComboBox1, ComboBox2,    Edit1,       ComboBox3,
                            ComboBox4, ComboBox5, Edit2,     ComboBox6, Memo1,        RadioButton1};
  for (size_t i = 0; i + 1 < std::size(order); ++i) {
    setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
  }
}

void TForm6::WatchRowControl(QWidget* control) {
  control->installEventFilter(this);
  if (auto* box = qobject_cast<QComboBox*>(control); box != nullptr && box->lineEdit() != nullptr) {
    box->lineEdit()->installEventFilter(this);
  }
}

bool TForm6::eventFilter(QObject* watched, QEvent* event) {
  if (!FWatching) return TDialogForm::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      ComboBox1Enter();
      break;
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Enter moves on like Tab, which leaves and enters row controls.
        focusNextChild();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return TDialogForm::eventFilter(watched, event);
}

TFilterRowTexts TForm6::RowTexts(int row) const {
  if (row == 0) return {ComboBox1->currentText(), ComboBox2->currentText(), Edit1->text(), ComboBox3->currentText()};
  return {ComboBox4->currentText(), ComboBox5->currentText(), Edit2->text(), ComboBox6->currentText()};
}

void TForm6::ComboBox1Enter() {
  for (int row = 0; row < 2; ++row) {
    const std::array<QString, 4> parts = RowParts(RowTexts(row));
    for (size_t i = 0; i < parts.size(); ++i) FParts[static_cast<size_t>(row) * 4 + i] = parts[i];
  }
  QStringList lines;
  for (int row = 0; row < 2; ++row) {
    const QString line = LineOfParts({FParts[static_cast<size_t>(row) * 4], FParts[static_cast<size_t>(row) * 4 + 1],
                                      FParts[static_cast<size_t>(row) * 4 + 2], FParts[static_cast<size_t>(row) * 4 + 3]});
    if (!line.isEmpty()) lines << line;
  }
  const QString text = lines.join(QLatin1Char('\n'));
  if (Memo1->toPlainText() != text) Memo1->setPlainText(text);
}

void TForm6::FormShow() {
  const bool filtered = Form1 != nullptr && Form1->Table1 != nullptr && Form1->Table1->Filtered();
  Label2->setText(filtered ? kSwitchedOn : kSwitchedOff);
  (filtered ? RadioButton1 : RadioButton2)->setChecked(true);
}

void TForm6::BitBtn2Click() {
  if (Form1 == nullptr || Form1->Table1 == nullptr) return;
  dataset::TVxbTable& table = *Form1->Table1;
  // What is in force now comes back when the engine refuses the new
  // condition.
  const std::u16string previousFilter = table.Filter();
  const bool previouslyFiltered = table.Filtered();
  const QString text = FilterTextOfLines(Memo1->toPlainText());
  bool refused = false;
  try {
    table.SetFiltered(false);
    table.SetFilter(text.toStdU16String());
    if (RadioButton1->isChecked()) {
      table.SetFiltered(true);
      Label2->setText(kSwitchedOn);
    } else if (RadioButton2->isChecked()) {
      table.SetFiltered(false);
      Label2->setText(kSwitchedOff);
    }
  } catch (...) {
    refused = true;
  }
  if (refused) {
    try {
      table.SetFiltered(false);
      table.SetFilter(previousFilter);
      table.SetFiltered(previouslyFiltered);
    } catch (...) {
      // The previous condition was accepted before; should it fail now,
      // the table stays unfiltered.
    }
    framework::MessageBoxes().ShowOk(this, QStringLiteral("Szűrő beállítása:"),
                                     QStringLiteral("Hibás a szűrési feltétel !!!"));
  }
  if (Form2 != nullptr && Form2->Label2 != nullptr && table.Active()) {
    Form2->Label2->setText(QString::number(table.RecordCount()));
  }
}

void TForm6::BitBtn3Click() {
  for (QComboBox* box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6}) {
    box->setCurrentIndex(-1);
    box->setEditText(QString());
  }
  Edit1->clear();
  Edit2->clear();
  Memo1->clear();
  RadioButton2->setChecked(true);
}

void TForm6::BitBtn1Click() { close(); }

}  // namespace vexilo::app
