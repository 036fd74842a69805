#include "app/about_window.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "app/link_label.h"
#include "app/maker.h"
#include "app/platform/platform.h"
#include "app/system_panel.h"
#include "framework/widgets/hints.h"

namespace vexilo::app {

namespace {

const QColor kBlue(0x00, 0x00, 0xff);
const QColor kPurple(0x80, 0x00, 0x80);
const QColor kNavy(0x00, 0x00, 0x80);
constexpr int kValueLeft = 128;
constexpr int kValueWidth = 145;

QFrame* LoweredPanel(QWidget* parent, const char* name, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(1);
  panel->setGeometry(geometry);
  return panel;
}

void SetColour(QLabel& label, const QColor& colour) {
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, colour);
  label.setPalette(palette);
}

// A label at (x, y) of `width`, as high as its font's line.
template <class TLabelClass = QLabel>
TLabelClass* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                      int width, Qt::Alignment alignment) {
  auto* label = new TLabelClass(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setGeometry(x, y, width, label->sizeHint().height());
  return label;
}

// A centred label keeps its middle but grows, up to `widest`, when its text
// is wider than its place; beyond that the text is cut in the middle.
void FitCentred(QLabel& label, int widest) {
  const QString full = label.text();
  const QFontMetrics metrics(label.font());
  const int needed = metrics.horizontalAdvance(full) + 4;
  if (needed <= label.width()) return;
  const int width = std::min(needed, widest);
  const int middle = label.x() + label.width() / 2;
  label.setGeometry(middle - width / 2, label.y(), width, label.height());
  label.setText(metrics.elidedText(full, Qt::ElideMiddle, width - 4));
}

// A right-aligned value keeps its right edge but grows to the left, down to
// `leftmost`, when its text is wider than its place; beyond that the text is
// cut in the middle.
void FitRightAligned(QLabel& label, const QString& text, int leftmost) {
  const QFontMetrics metrics(label.font());
  const int right = label.geometry().right();
  const int needed = metrics.horizontalAdvance(text) + 4;
  const int width = std::clamp(needed, kValueWidth, right - leftmost + 1);
  label.setGeometry(right - width + 1, label.y(), width, label.height());
  label.setText(needed <= width ? text : metrics.elidedText(text, Qt::ElideMiddle, width - 4));
}

}  // namespace

TForm7::TForm7()
    : TDialogForm(QStringLiteral(" Névjegy:"), QSize(296, 388), TBorderIcons::SystemMenu) {
  setObjectName(QStringLiteral("Form7"));
  BuildUpperPanel();
  BuildSystemPanel();
  BuildButtons();
}

void TForm7::BuildUpperPanel() {
  Panel1 = LoweredPanel(this, "Panel1", QRect(8, 8, 281, 169));

  Image1 = new QLabel(Panel1);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(8, 8, 32, 32);
  Image1->setPixmap(QPixmap(QStringLiteral(":/vexilo/icon32.png")));

  Label1 = AddLabel(Panel1, "Label1", QStringLiteral("Vexilo"), 56, 8, 212, Qt::AlignHCenter);
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(19);
  title.setBold(true);
  Label1->setFont(title);
  Label1->setGeometry(56, 8, 212, 25);
  SetColour(*Label1, kBlue);

  Label2 = AddLabel(Panel1, "Label2", QStringLiteral("V2.0.0.0"), 56, 34, 212, Qt::AlignHCenter);
  QFont bold = Label2->font();
  bold.setBold(true);
  Label2->setFont(bold);
  SetColour(*Label2, kBlue);

  Label3 = AddLabel(Panel1, "Label3", QStringLiteral("Készítette: ") + kMakerName + QStringLiteral("."),
                    56, 53, 169, Qt::AlignHCenter);
  QFont author(QStringLiteral("Times New Roman"));
  author.setPixelSize(16);
  author.setBold(true);
  Label3->setFont(author);
  Label3->setGeometry(56, 53, 169, Label3->sizeHint().height());
  SetColour(*Label3, kPurple);
  FitCentred(*Label3, Panel1->width() - 16);

  Label4 = AddLabel(Panel1, "Label4", kMakerPostalAddress, 16, 80, 251, Qt::AlignHCenter);
  Label5 = AddLabel(Panel1, "Label5", QStringLiteral("Tel/Fax: ") + kMakerTelephone, 16, 96, 251,
                    Qt::AlignHCenter);
  Label6 = AddLabel(Panel1, "Label6", QStringLiteral("Mobil: ") + kMakerMobile, 16, 112, 251,
                    Qt::AlignHCenter);
  for (QLabel* label : {Label4, Label5, Label6}) SetColour(*label, kNavy);

  Label7 = AddLabel<TLinkLabel>(Panel1, "Label7", QStringLiteral("E-mail: ") + kMakerEmail, 72,
                                128, 137, Qt::AlignHCenter);
  framework::SetHint(Label7, QStringLiteral("E-mail küldése|E-mail küldése a szerzőnek !"));
  connect(Label7, &TLinkLabel::Click, this, &TForm7::Label7Click);

  Label18 = AddLabel<TLinkLabel>(Panel1, "Label18", QStringLiteral("Internet: ") + kMakerWebAddress,
                                 88, 144, 105, Qt::AlignHCenter);
  framework::SetHint(Label18, QStringLiteral("Cím behívása|Cím behívása böngésző programba !"));
  connect(Label18, &TLinkLabel::Click, this, &TForm7::Label18Click);

  for (TLinkLabel* label : {Label7, Label18}) {
    SetColour(*label, kNavy);
    FitCentred(*label, Panel1->width() - 16);
  }
}

void TForm7::BuildSystemPanel() {
  Panel2 = LoweredPanel(this, "Panel2", QRect(8, 256, 281, 93));
  const struct {
    const char* Caption;
    const char* CaptionName;
    const char* ValueName;
    QLabel** Value;
  } rows[] = {
      {"Operációs rendszer:", "Label8", "Label13", &Label13},
      {"Processzor típusa:", "Label9", "Label14", &Label14},
      {"Processzor sebessége:", "Label10", "Label15", &Label15},
      {"Fizikai memória:", "Label11", "Label16", &Label16},
      {"Memória használatban:", "Label12", "Label17", &Label17},
  };
  QLabel** captions[] = {&Label8, &Label9, &Label10, &Label11, &Label12};
  int y = 8;
  int row = 0;
  for (const auto& line : rows) {
    QLabel* caption = AddLabel(Panel2, line.CaptionName, QString::fromUtf8(line.Caption), 8, y,
                               0, Qt::AlignLeft);
    caption->resize(caption->sizeHint().width(), caption->height());
    *captions[row] = caption;
    *line.Value =
        AddLabel(Panel2, line.ValueName, QString(), kValueLeft, y, kValueWidth, Qt::AlignRight);
    y += 16;
    ++row;
  }
}

void TForm7::BuildButtons() {
  BitBtn2 = new QPushButton(QStringLiteral("MS Info"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(8, 355, 100, 25);
  BitBtn2->setAutoDefault(false);
  framework::SetHint(BitBtn2, QStringLiteral("Rendszerinformáció megjelenítése !"));
  connect(BitBtn2, &QPushButton::clicked, this, &TForm7::BitBtn2Click);

  BitBtn1 = new QPushButton(QStringLiteral("Befejezés"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(188, 356, 100, 25);
  BitBtn1->setAutoDefault(false);
  framework::SetHint(BitBtn1, QStringLiteral("Befejezés !"));
  connect(BitBtn1, &QPushButton::clicked, this, &TForm7::BitBtn1Click);
}

void TForm7::FormShow() {
  TPlatform& platform = Platform();
  const TSystemPanelTexts texts = MeasureSystemPanel(platform, QLocale());
  const struct {
    QLabel* Caption;
    QLabel* Value;
    const QString& Text;
  } rows[] = {{Label8, Label13, texts.OperatingSystem},
              {Label11, Label16, texts.PhysicalMemory},
              {Label12, Label17, texts.MemoryInUse},
              {Label10, Label15, texts.ProcessorSpeed},
              {Label9, Label14, texts.Processor}};
  for (const auto& row : rows) {
    FitRightAligned(*row.Value, row.Text, row.Caption->geometry().right() + 6);
  }
  FSystemInformationProgram = platform.SystemInformationProgram();
  BitBtn2->setEnabled(!FSystemInformationProgram.isEmpty());
}

void TForm7::BitBtn1Click() { close(); }

void TForm7::BitBtn2Click() {
  if (FSystemInformationProgram.isEmpty()) return;
  Platform().StartProgram(FSystemInformationProgram, {}, {});  // a failure shows nothing
}

void TForm7::Label7Click() { Platform().OpenUrl(QUrl(QStringLiteral("mailto:") + kMakerEmail)); }

void TForm7::Label18Click() { Platform().OpenUrl(QUrl(kMakerWebAddress)); }

}  // namespace vexilo::app
