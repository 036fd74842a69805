// The program's windows and their global instances. TForms creates them in
// start-up order (Form1, the main window, first; then Form2, Form7, Form6,
// Form5, Form8), points the globals at them while it lives, and destroys them
// in reverse order. Windows reach each other through the globals.
#pragma once

#include <memory>

namespace vexilo::app {

class TForm1;
class TForm2;
class TForm5;
class TForm6;
class TForm7;
class TForm8;

// Null while no TForms is alive.
extern TForm1* Form1;
extern TForm2* Form2;
extern TForm7* Form7;
extern TForm6* Form6;
extern TForm5* Form5;
extern TForm8* Form8;

class TForms {
 public:
  // Creates every window (none is shown). Requires a QApplication; only one
  // TForms may be alive at a time.
  TForms();
  ~TForms();
  TForms(const TForms&) = delete;
  TForms& operator=(const TForms&) = delete;

 private:
  // In creation order; destroyed in reverse.
  std::unique_ptr<TForm1> FForm1;
  std::unique_ptr<TForm2> FForm2;
  std::unique_ptr<TForm7> FForm7;
  std::unique_ptr<TForm6> FForm6;
  std::unique_ptr<TForm5> FForm5;
  std::unique_ptr<TForm8> FForm8;
};

}  // namespace vexilo::app
