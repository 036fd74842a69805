// TForm7 (Form7): the about window: the product name and version, the
// maker's lines with a clickable e-mail address and web address, a panel of
// information on the computer measured every time the window is shown, a
// button that starts the desktop's system-information program (disabled
// when there is none) and a button that closes the window. Everything it
// asks of the machine goes through Platform().
#pragma once

#include <QString>

#include "app/dialog_form.h"

class QFrame;
class QLabel;
class QPushButton;

namespace vexilo::app {

class TLinkLabel;

class TForm7 : public TDialogForm {
  Q_OBJECT

 public:
  TForm7();

  // Handlers, as the window's description names them.
  // Fills the system panel (a little over half a second) and enables
  // "MS Info" when a system-information program is installed.
  void FormShow() override;
  void BitBtn1Click();
  void BitBtn2Click();
  void Label7Click();
  void Label18Click();

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  TLinkLabel* Label7 = nullptr;
  TLinkLabel* Label18 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label11 = nullptr;
  QLabel* Label12 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label14 = nullptr;
  QLabel* Label15 = nullptr;
  QLabel* Label16 = nullptr;
  QLabel* Label17 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

 private:
  void BuildUpperPanel();
  void BuildSystemPanel();
  void BuildButtons();

  // The system-information program found when the window was last shown.
  QString FSystemInformationProgram;
};

}  // namespace vexilo::app
