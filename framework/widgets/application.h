// TApplication: the program's application object. Qt's widget application
// plus what every window relies on: the application's title, Qt's own texts
// in Hungarian, the application's hint (hints.h), and the default error
// handling. An exception that leaves a user action (a button, a menu item, a
// key in a data-aware control) is shown in an OK message box titled with the
// application's title; the silent abort (EAbort) shows nothing. One per
// process, on the user-interface thread.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <utility>

#include "framework/core/application_exception.h"

namespace vexilo::framework {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  // Creates the application, loads Qt's Hungarian texts, starts collecting
  // hints and installs the message-box error report for the whole process.
  TApplication(int& argc, char** argv);
  // Restores the error report that was in place before.
  ~TApplication() override;

  // The title of the application, the caption of its error reports.
  const QString& Title() const { return FTitle; }
  void SetTitle(const QString& title);

  // Delivers `event`; an exception a handler let out is reported instead of
  // travelling through Qt.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  QString FTitle;
  TExceptionReporter FPreviousReporter;
};

// The text an error report shows for `error`: the database error's own
// UTF-16 message, otherwise what() read as UTF-8.
QString ErrorText(const std::exception& error);

// Runs `action`, a user action of a control; an exception from it goes to the
// application's error handling and no further.
template <class TAction>
void RunUserAction(TAction&& action) noexcept {
  try {
    std::forward<TAction>(action)();
  } catch (...) {
    HandleApplicationException(std::current_exception());
  }
}

}  // namespace vexilo::framework
