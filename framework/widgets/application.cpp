#include "framework/widgets/application.h"

#include "framework/core/database_error.h"
#include "framework/widgets/hints.h"
#include "framework/widgets/message_boxes.h"
#include "framework/widgets/translations.h"

namespace vexilo::framework {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallHungarianTranslations(*this);
  // Hints are collected from the start, before any window is shown.
  TApplicationHint::Instance();
  FPreviousReporter = SetExceptionReporter([this](const std::exception& error) {
    MessageBoxes().ShowOk(activeWindow(), FTitle, ErrorText(error));
  });
}

TApplication::~TApplication() { SetExceptionReporter(std::move(FPreviousReporter)); }

void TApplication::SetTitle(const QString& title) {
  FTitle = title;
  setApplicationName(title);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleApplicationException(std::current_exception());
    return false;
  }
}

QString ErrorText(const std::exception& error) {
  if (const auto* databaseError = dynamic_cast<const EDatabaseError*>(&error)) {
    return QString::fromStdU16String(databaseError->Message());
  }
  return QString::fromUtf8(error.what());
}

}  // namespace vexilo::framework
