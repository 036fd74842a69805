#include "framework/widgets/db_navigator.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "framework/core/dataset.h"
#include "framework/widgets/application.h"
#include "framework/widgets/control_texts.h"
#include "framework/widgets/hints.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::framework {

namespace {

constexpr int kGlyphSize = 16;

struct TButtonDescription {
  const char* Name;
  const char* DefaultHint;
};

// In TNavigateBtn order.
constexpr TButtonDescription kButtons[kNavigateButtonCount] = {
    {"First", "Első rekord"},        {"Prior", "Előző rekord"},   {"Next", "Következő rekord"},
    {"Last", "Utolsó rekord"},       {"Insert", "Új rekord"},     {"Delete", "Rekord törlése"},
    {"Edit", "Rekord szerkesztése"}, {"Post", "Rekord tárolása"}, {"Cancel", "Elvetés"},
    {"Refresh", "Frissítés"},
};

int IndexOf(TNavigateBtn button) { return static_cast<int>(button); }

QPainterPath Triangle(QPointF a, QPointF b, QPointF c) {
  QPainterPath path;
  path.moveTo(a);
  path.lineTo(b);
  path.lineTo(c);
  path.closeSubpath();
  return path;
}

// The button's picture, drawn here; Qt greys it when the button is disabled.
QIcon Glyph(TNavigateBtn button) {
  QPixmap pixmap(kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor slate(0x1f, 0x3b, 0x57);
  p.setPen(Qt::NoPen);
  p.setBrush(slate);
  switch (button) {
    case TNavigateBtn::nbFirst:
      p.drawRect(QRectF(3, 3, 2, 10));
      p.drawPath(Triangle({12, 3}, {12, 13}, {6, 8}));
      break;
    case TNavigateBtn::nbPrior:
      p.drawPath(Triangle({11, 3}, {11, 13}, {5, 8}));
      break;
    case TNavigateBtn::nbNext:
      p.drawPath(Triangle({5, 3}, {5, 13}, {11, 8}));
      break;
    case TNavigateBtn::nbLast:
      p.drawPath(Triangle({4, 3}, {4, 13}, {10, 8}));
      p.drawRect(QRectF(11, 3, 2, 10));
      break;
    case TNavigateBtn::nbInsert:
      p.drawRect(QRectF(7, 3, 2.5, 10));
      p.drawRect(QRectF(3, 6.75, 10, 2.5));
      break;
    case TNavigateBtn::nbDelete:
      p.drawRect(QRectF(3, 6.75, 10, 2.5));
      break;
    case TNavigateBtn::nbEdit:
      p.drawPath(Triangle({3, 11}, {13, 11}, {8, 5}));
      break;
    case TNavigateBtn::nbPost:
      p.setPen(QPen(QColor(0x1e, 0x7a, 0x34), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({{3.5, 8.5}, {6.5, 11.5}, {12.5, 4.5}}));
      break;
    case TNavigateBtn::nbCancel:
      p.setPen(QPen(QColor(0xa3, 0x1f, 0x1f), 2.2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
      p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
      break;
    case TNavigateBtn::nbRefresh:
      p.setPen(QPen(slate, 1.8, Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(3.5, 3.5, 9, 9), 60 * 16, 290 * 16);
      p.setPen(Qt::NoPen);
      p.setBrush(slate);
      p.drawPath(Triangle({9.5, 1.5}, {13.5, 4.5}, {9, 6.5}));
      break;
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace

class TDBNavigator::TLink : public TDataLink {
 public:
  explicit TLink(TDBNavigator& navigator) : FNavigator(navigator) {}

 protected:
  void ActiveChanged() override { FNavigator.ActiveChanged(); }
  void DataSetChanged() override { FNavigator.DataChanged(); }
  void EditingChanged() override { FNavigator.EditingChanged(); }

 private:
  TDBNavigator& FNavigator;
};

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent), FLink(std::make_unique<TLink>(*this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int i = 0; i < kNavigateButtonCount; ++i) {
    const auto which = static_cast<TNavigateBtn>(i);
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(kButtons[i].Name));
    button->setIcon(Glyph(which));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
    layout->addWidget(button);
    FButtons[i] = button;
    FHints << QString::fromUtf8(kButtons[i].DefaultHint);
  }
  SetHints(FHints);
  ActiveChanged();
}

TDBNavigator::~TDBNavigator() {
  // The link goes first, so that no notice reaches a half-destroyed bar.
  FLink.reset();
}

TDataSource* TDBNavigator::DataSource() const { return FLink->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* dataSource) {
  FLink->SetDataSource(dataSource);
  ActiveChanged();
}

void TDBNavigator::SetHints(const QStringList& hints) {
  for (int i = 0; i < kNavigateButtonCount && i < hints.size(); ++i) {
    FHints[i] = hints[i];
    SetHint(FButtons[i], hints[i]);
  }
}

QToolButton* TDBNavigator::Button(TNavigateBtn button) const { return FButtons[IndexOf(button)]; }

void TDBNavigator::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) ActiveChanged();
}

void TDBNavigator::ActiveChanged() {
  if (!isEnabled() || !FLink->Active()) {
    for (QToolButton* button : FButtons) button->setEnabled(false);
    return;
  }
  DataChanged();
  EditingChanged();
}

void TDBNavigator::DataChanged() {
  TDataSet* dataSet = FLink->DataSet();
  const bool active = isEnabled() && FLink->Active() && dataSet != nullptr;
  const bool up = active && !dataSet->Bof();
  const bool down = active && !dataSet->Eof();
  Button(TNavigateBtn::nbFirst)->setEnabled(up);
  Button(TNavigateBtn::nbPrior)->setEnabled(up);
  Button(TNavigateBtn::nbNext)->setEnabled(down);
  Button(TNavigateBtn::nbLast)->setEnabled(down);
  Button(TNavigateBtn::nbDelete)
      ->setEnabled(active && dataSet->CanModify() && !(dataSet->Bof() && dataSet->Eof()));
  Button(TNavigateBtn::nbRefresh)->setEnabled(active);
}

void TDBNavigator::EditingChanged() {
  TDataSet* dataSet = FLink->DataSet();
  const bool active = isEnabled() && FLink->Active() && dataSet != nullptr;
  const bool canModify = active && dataSet->CanModify();
  Button(TNavigateBtn::nbInsert)->setEnabled(canModify);
  Button(TNavigateBtn::nbEdit)->setEnabled(canModify && !FLink->Editing());
  Button(TNavigateBtn::nbPost)->setEnabled(canModify && FLink->Editing());
  Button(TNavigateBtn::nbCancel)->setEnabled(canModify && FLink->Editing());
  Button(TNavigateBtn::nbRefresh)->setEnabled(active);
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
  TDataSource* source = FLink->DataSource();
  if (source != nullptr && source->State() != TDataSetState::dsInactive) {
    RunUserAction([&] {
      if (BeforeAction) BeforeAction(button);
      DoAction(button);
    });
  }
  if (OnClick) RunUserAction([&] { OnClick(button); });
}

void TDBNavigator::DoAction(TNavigateBtn button) {
  TDataSet* dataSet = FLink->DataSet();
  if (dataSet == nullptr) return;
  switch (button) {
    case TNavigateBtn::nbFirst:
      dataSet->First();
      break;
    case TNavigateBtn::nbPrior:
      dataSet->Prior();
      break;
    case TNavigateBtn::nbNext:
      dataSet->Next();
      break;
    case TNavigateBtn::nbLast:
      dataSet->Last();
      break;
    case TNavigateBtn::nbInsert:
      dataSet->Insert();
      break;
    case TNavigateBtn::nbDelete:
      if (!FConfirmDelete ||
          MessageBoxes().AskYesNo(window(), kDeleteRecordTitle, kDeleteRecordQuestion)) {
        dataSet->Delete();
      }
      break;
    case TNavigateBtn::nbEdit:
      dataSet->Edit();
      break;
    case TNavigateBtn::nbPost:
      dataSet->Post();
      break;
    case TNavigateBtn::nbCancel:
      dataSet->Cancel();
      break;
    case TNavigateBtn::nbRefresh:
      dataSet->Refresh();
      break;
  }
}

}  // namespace vexilo::framework
