#include "framework/widgets/db_memo.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTextCursor>

#include "framework/core/abort.h"
#include "framework/core/field.h"
#include "framework/core/field_data_link.h"
#include "framework/widgets/application.h"

namespace vexilo::framework {

namespace {

const QString kStoredLineBreak = QStringLiteral("\r\n");
const QChar kShownLineBreak = u'\n';

QString ShownText(const std::u16string& stored) {
  QString text = QString::fromStdU16String(stored);
  text.replace(kStoredLineBreak, QString(kShownLineBreak));
  text.replace(u'\r', kShownLineBreak);
  return text;
}

std::u16string StoredText(QString shown) {
  shown.replace(QString(kShownLineBreak), kStoredLineBreak);
  return shown.toStdU16String();
}

}  // namespace

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent), FLink(std::make_unique<TFieldDataLink>()) {
  FLink->OnDataChange = [this](TFieldDataLink&) { LoadMemo(); };
  FLink->OnActiveChange = [this](TFieldDataLink&) { LoadMemo(); };
  FLink->OnUpdateData = [this](TFieldDataLink&) { UpdateField(); };
  FLink->OnFocusRequest = [this](TFieldDataLink&) { setFocus(); };
  connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::TextEdited);
}

TDBMemo::~TDBMemo() {
  // The link goes first, so that no notice reaches a half-destroyed memo.
  FLink.reset();
}

TDataSource* TDBMemo::DataSource() const { return FLink->DataSource(); }

void TDBMemo::SetDataSource(TDataSource* dataSource) {
  FLink->SetDataSource(dataSource);
  LoadMemo();
}

QString TDBMemo::DataField() const { return QString::fromStdU16String(FLink->FieldName()); }

void TDBMemo::SetDataField(const QString& fieldName) {
  FLink->SetFieldName(fieldName.toStdU16String());
  LoadMemo();
}

TField* TDBMemo::Field() const { return FLink->Field(); }

bool TDBMemo::ReadOnly() const { return FLink->ReadOnly(); }

void TDBMemo::SetReadOnly(bool value) {
  FLink->SetReadOnly(value);
  setReadOnly(value);
}

void TDBMemo::SetVerticalScrollBar(bool shown) {
  setVerticalScrollBarPolicy(shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TDBMemo::LoadMemo() {
  const QScopedValueRollback<bool> loading(FLoading, true);
  FEditRefused = false;
  TField* field = FLink->Field();
  const QString text = field != nullptr ? ShownText(field->AsWideString()) : QString();
  // The same text again (the record did not change, or has the same
  // description) is not laid out again.
  if (text == toPlainText()) return;
  setPlainText(text);
}

void TDBMemo::TextEdited() {
  if (FLoading || FLink->Field() == nullptr) return;
  if (!FLink->Editing()) {
    // Asked and refused once already: the text stays as typed.
    if (FEditRefused) return;
    // Edit mode re-reads the record, which shows the stored text again: the
    // user's change is put back afterwards.
    const QString typed = toPlainText();
    const int cursor = textCursor().position();
    bool editing = false;
    bool refused = false;
    RunUserAction([&] {
      try {
        editing = FLink->Edit();
      } catch (const EAbort&) {
        throw;
      } catch (...) {
        refused = true;
        throw;
      }
    });
    if (!editing) {
      // A refusal the user was told about keeps what they typed; anything
      // else shows the record's text again.
      if (refused && FLink->Field() != nullptr) {
        FEditRefused = true;
      } else {
        LoadMemo();
      }
      return;
    }
    if (toPlainText() != typed) {
      const QScopedValueRollback<bool> loading(FLoading, true);
      setPlainText(typed);
      QTextCursor restored = textCursor();
      restored.setPosition(std::min(cursor, static_cast<int>(typed.size())));
      setTextCursor(restored);
    }
  }
  FLink->Modified();
}

void TDBMemo::UpdateField() {
  TField* field = FLink->Field();
  if (field != nullptr) field->SetAsWideString(StoredText(toPlainText()));
}

void TDBMemo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && FEditRefused) {
    LoadMemo();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Escape && FLink->Editing()) {
    FLink->Reset();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
    return;
  }
  if (FLink->Editing()) RunUserAction([&] { FLink->UpdateRecord(); });
}

}  // namespace vexilo::framework
