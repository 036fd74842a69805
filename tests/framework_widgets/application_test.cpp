// The application object: its title and its default handling of errors that
// leave a user action or an event handler.
#include "framework/widgets/application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <stdexcept>

#include "framework/core/abort.h"
#include "framework/core/database_error.h"
#include "tests/framework_widgets/answering_message_boxes.h"

namespace vexilo::framework {
namespace {

TApplication& App() { return *static_cast<TApplication*>(QCoreApplication::instance()); }

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { App().SetTitle(QStringLiteral("Vexilo")); }
};

TEST_F(ApplicationTest, ErrorOfAUserActionIsShownWithTheApplicationTitle) {
  vexilo::testing::TAnsweringMessageBoxes boxes;
  RunUserAction([] { throw EDatabaseError(u"Érvénytelen kulcs: ő"); });
  RunUserAction([] { throw std::runtime_error("disk full"); });
  ASSERT_EQ(boxes.Shown.size(), 2u);
  EXPECT_EQ(boxes.Shown[0].Title, QStringLiteral("Vexilo"));
  EXPECT_EQ(boxes.Shown[0].Text, QStringLiteral("Érvénytelen kulcs: ő"));
  EXPECT_FALSE(boxes.Shown[0].Question);
  EXPECT_EQ(boxes.Shown[1].Text, QStringLiteral("disk full"));
}

TEST_F(ApplicationTest, SilentAbortShowsNothing) {
  vexilo::testing::TAnsweringMessageBoxes boxes;
  bool after = false;
  RunUserAction([&] {
    Abort();
    after = true;
  });
  EXPECT_FALSE(after);
  EXPECT_TRUE(boxes.Shown.empty());
}

// An object whose event handler fails.
class TFailingObject : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw EDatabaseError(u"Record not found");
    return QObject::event(event);
  }
};

TEST_F(ApplicationTest, ErrorLeavingAnEventHandlerIsReportedNotPassedOn) {
  vexilo::testing::TAnsweringMessageBoxes boxes;
  TFailingObject failing;
  QEvent event(QEvent::User);
  EXPECT_NO_THROW(QCoreApplication::sendEvent(&failing, &event));
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Text, QStringLiteral("Record not found"));
}

}  // namespace
}  // namespace vexilo::framework
