// Message boxes that answer by themselves and remember what they were asked,
// installed for the lifetime of the object. Questions take the answers given
// to Answer() in turn, then the default answer.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "framework/widgets/message_boxes.h"

namespace vexilo::testing {

class TAnsweringMessageBoxes : public framework::TMessageBoxes {
 public:
  struct TShown {
    QString Title;
    QString Text;
    bool Question = false;
  };

  explicit TAnsweringMessageBoxes(bool defaultAnswer = false)
      : FDefaultAnswer(defaultAnswer), FOverride(*this) {}

  // The answer to the next question not yet answered.
  void Answer(bool yes) { FAnswers.push_back(yes); }
  void SetDefaultAnswer(bool yes) { FDefaultAnswer = yes; }

  bool AskYesNo(QWidget*, const QString& title, const QString& text) override {
    Shown.push_back({title, text, true});
    if (WhileAsking) WhileAsking();
    if (FAnswers.empty()) return FDefaultAnswer;
    const bool answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
  }

  void ShowOk(QWidget*, const QString& title, const QString& text) override {
    Shown.push_back({title, text, false});
  }

  int Questions() const {
    int count = 0;
    for (const TShown& shown : Shown) count += shown.Question ? 1 : 0;
    return count;
  }

  std::vector<TShown> Shown;
  // Runs while a question is open, to look at the windows behind it.
  std::function<void()> WhileAsking;

 private:
  bool FDefaultAnswer;
  std::deque<bool> FAnswers;
  framework::TMessageBoxesOverride FOverride;
};

}  // namespace vexilo::testing
