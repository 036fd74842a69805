// Message boxes: Qt's boxes with Hungarian buttons and no icon, and the seam
// through which tests and unattended runs answer them.
#include "framework/widgets/message_boxes.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "framework/widgets/translations.h"
#include "tests/framework_widgets/answering_message_boxes.h"

namespace vexilo::framework {
namespace {

struct TSeenBox {
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  Qt::TextFormat Format = Qt::AutoText;
  QStringList Buttons;
};

// Looks at the message box that opens next and then presses `press` on it
// (a button text, or "Escape").
void AnswerNextBox(TSeenBox& seen, const QString& press) {
  QTimer::singleShot(0, qApp, [&seen, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen.Title = box->windowTitle();
    seen.Text = box->text();
    seen.Icon = box->icon();
    seen.Format = box->textFormat();
    for (QAbstractButton* button : box->buttons()) {
      seen.Buttons << button->text().remove(QLatin1Char('&'));
    }
    for (QAbstractButton* button : box->buttons()) {
      if (button->text().remove(QLatin1Char('&')) == press) {
        button->click();
        return;
      }
    }
    box->reject();
  });
}

TEST(QtMessageBoxesTest, QuestionHasIgenAndNemAndNoIcon) {
  ASSERT_TRUE(HungarianTranslationsInstalled());
  TQtMessageBoxes boxes;
  const struct {
    const char* Press;
    bool Answer;
  } cases[] = {{"Igen", true}, {"Nem", false}, {"Escape", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Press);
    TSeenBox seen;
    AnswerNextBox(seen, QString::fromUtf8(c.Press));
    EXPECT_EQ(boxes.AskYesNo(nullptr, QStringLiteral("Törlés jóváhagyás:"),
                             QStringLiteral("Biztosan törölhető ?")),
              c.Answer);
    EXPECT_EQ(seen.Title, QStringLiteral("Törlés jóváhagyás:"));
    EXPECT_EQ(seen.Text, QStringLiteral("Biztosan törölhető ?"));
    EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
    seen.Buttons.sort();
    EXPECT_EQ(seen.Buttons, QStringList({QStringLiteral("Igen"), QStringLiteral("Nem")}));
  }
}

TEST(QtMessageBoxesTest, NoticeHasOkAndShowsItsTextAsPlainText) {
  TQtMessageBoxes boxes;
  TSeenBox seen;
  AnswerNextBox(seen, QStringLiteral("OK"));
  boxes.ShowOk(nullptr, QStringLiteral("Hiba történt:"), QStringLiteral("<b>nem félkövér</b>"));
  EXPECT_EQ(seen.Title, QStringLiteral("Hiba történt:"));
  EXPECT_EQ(seen.Text, QStringLiteral("<b>nem félkövér</b>"));
  EXPECT_EQ(seen.Format, Qt::PlainText);
  EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.Buttons, QStringList({QStringLiteral("OK")}));
}

TEST(MessageBoxesSeamTest, InstalledBoxesAnswerUntilTheyAreRemoved) {
  TMessageBoxes& qtBoxes = MessageBoxes();
  {
    vexilo::testing::TAnsweringMessageBoxes outer(true);
    EXPECT_TRUE(MessageBoxes().AskYesNo(nullptr, QStringLiteral("a"), QStringLiteral("b")));
    {
      vexilo::testing::TAnsweringMessageBoxes inner(false);
      inner.Answer(true);
      EXPECT_TRUE(MessageBoxes().AskYesNo(nullptr, QStringLiteral("c"), QStringLiteral("d")));
      EXPECT_FALSE(MessageBoxes().AskYesNo(nullptr, QStringLiteral("e"), QStringLiteral("f")));
      MessageBoxes().ShowOk(nullptr, QStringLiteral("g"), QStringLiteral("h"));
      EXPECT_EQ(inner.Questions(), 2);
      ASSERT_EQ(inner.Shown.size(), 3u);
      EXPECT_EQ(inner.Shown[2].Title, QStringLiteral("g"));
      EXPECT_FALSE(inner.Shown[2].Question);
    }
    EXPECT_EQ(&MessageBoxes(), &outer);
    EXPECT_EQ(outer.Questions(), 1);
  }
  EXPECT_EQ(&MessageBoxes(), &qtBoxes);
}

}  // namespace
}  // namespace vexilo::framework
