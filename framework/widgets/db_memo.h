// TDBMemo: a data-aware memo. It shows one field of the current record of a
// data source's dataset (a memo or wide memo field; any field shows its
// text) and follows the record as the dataset moves. In an editable memo the
// user's first change puts the dataset into edit mode (or is undone when the
// record cannot be changed; when the dataset refused with an error the user
// was shown, such as another user's edit lock, the typed text stays shown,
// outside the record, until Escape or the record's next change); the text reaches the field when the dataset
// posts or asks its controls for their changes, and when the memo loses the
// focus. Escape drops the memo's pending change. Line breaks are stored as
// carriage return and line feed, the table's convention, and shown as plain
// line breaks.
//
// The memo references its data source and owns its link.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <memory>

namespace vexilo::framework {

class TDataSource;
class TField;
class TFieldDataLink;

class TDBMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TDBMemo(QWidget* parent = nullptr);
  ~TDBMemo() override;
  TDBMemo(const TDBMemo&) = delete;
  TDBMemo& operator=(const TDBMemo&) = delete;

  TDataSource* DataSource() const;
  // Binds the memo to `dataSource` (nullptr: none); it must outlive the
  // binding.
  void SetDataSource(TDataSource* dataSource);
  // The name of the field shown.
  QString DataField() const;
  void SetDataField(const QString& fieldName);
  // The field shown, nullptr while the dataset is closed or lacks it.
  TField* Field() const;

  // A read-only memo never changes the dataset.
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  // Shows a vertical scroll bar always (true) or never (false).
  void SetVerticalScrollBar(bool shown);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void LoadMemo();
  void TextEdited();
  void UpdateField();

  std::unique_ptr<TFieldDataLink> FLink;
  bool FLoading = false;
  // The user typed while the record could not be had for editing (another
  // user edits it): the typed text stays shown, outside the record, until
  // Escape or the record's next change.
  bool FEditRefused = false;
};

}  // namespace vexilo::framework
