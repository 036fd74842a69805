// TDBNavigator: a bar of ten buttons that move through and change the
// dataset of a data source: first, prior, next, last, insert, delete, edit,
// post, cancel and refresh. The buttons follow the dataset: moving back is
// possible only away from the first record, forward only away from the last,
// inserting and editing only in a dataset that can be changed, posting and
// cancelling only while a record is being edited, deleting only when there is
// a record; with the dataset closed (or the navigator disabled) every button
// is disabled. Each button has a hint ("short|long"). Failures of a button's
// action go to the application's error handling; a silent abort (for
// instance from the dataset's BeforeDelete) shows nothing.
//
// The navigator references its data source and owns its link and buttons.
#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QToolButton;

namespace vexilo::framework {

class TDataSource;

enum class TNavigateBtn {
  nbFirst,
  nbPrior,
  nbNext,
  nbLast,
  nbInsert,
  nbDelete,
  nbEdit,
  nbPost,
  nbCancel,
  nbRefresh,
};
inline constexpr int kNavigateButtonCount = 10;

class TDBNavigator : public QWidget {
  Q_OBJECT

 public:
  using TNavigateEvent = std::function<void(TNavigateBtn button)>;

  explicit TDBNavigator(QWidget* parent = nullptr);
  ~TDBNavigator() override;
  TDBNavigator(const TDBNavigator&) = delete;
  TDBNavigator& operator=(const TDBNavigator&) = delete;

  TDataSource* DataSource() const;
  // Binds the navigator to `dataSource` (nullptr: none); it must outlive the
  // binding.
  void SetDataSource(TDataSource* dataSource);

  // The hints of the ten buttons in button order, each "short|long"; a
  // shorter list leaves the remaining buttons as they are.
  QStringList Hints() const { return FHints; }
  void SetHints(const QStringList& hints);

  // Whether the delete button asks "Törli a rekordot?" before deleting
  // (on by default).
  bool ConfirmDelete() const { return FConfirmDelete; }
  void SetConfirmDelete(bool value) { FConfirmDelete = value; }

  // Runs before a button's action; raising EAbort cancels the action.
  TNavigateEvent BeforeAction;
  // Runs after a button's action.
  TNavigateEvent OnClick;

  QToolButton* Button(TNavigateBtn button) const;
  // Does what `button` does when clicked (whatever its enabled state).
  void BtnClick(TNavigateBtn button);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  class TLink;
  friend class TLink;

  void ActiveChanged();
  void DataChanged();
  void EditingChanged();
  void DoAction(TNavigateBtn button);

  std::unique_ptr<TLink> FLink;
  std::array<QToolButton*, kNavigateButtonCount> FButtons{};  // owned through Qt
  QStringList FHints;
  bool FConfirmDelete = true;
};

}  // namespace vexilo::framework
