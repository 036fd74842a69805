#include "app/forms.h"

#include <stdexcept>

#include "app/about_window.h"
#include "app/english_search_window.h"
#include "app/filter_window.h"
#include "app/hungarian_search_window.h"
#include "app/main_window.h"
#include "app/maintenance_window.h"

namespace vexilo::app {

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm7* Form7 = nullptr;
TForm6* Form6 = nullptr;
TForm5* Form5 = nullptr;
TForm8* Form8 = nullptr;

namespace {

// Creates a window and points its global at it at once, so that a window
// created later may use it.
template <class TForm>
void CreateForm(std::unique_ptr<TForm>& owner, TForm*& global) {
  owner = std::make_unique<TForm>();
  global = owner.get();
}

}  // namespace

TForms::TForms() {
  if (Form1 != nullptr) throw std::logic_error("the program's windows exist already");
  try {
    CreateForm(FForm1, Form1);
    CreateForm(FForm2, Form2);
    CreateForm(FForm7, Form7);
    CreateForm(FForm6, Form6);
    CreateForm(FForm5, Form5);
    CreateForm(FForm8, Form8);
  } catch (...) {
    Form1 = nullptr;
    Form2 = nullptr;
    Form7 = nullptr;
    Form6 = nullptr;
    Form5 = nullptr;
    Form8 = nullptr;
    throw;
  }
}

TForms::~TForms() {
  Form8 = nullptr;
  FForm8.reset();
  Form5 = nullptr;
  FForm5.reset();
  Form6 = nullptr;
  FForm6.reset();
  Form7 = nullptr;
  FForm7.reset();
  Form2 = nullptr;
  FForm2.reset();
  Form1 = nullptr;
  FForm1.reset();
}

}  // namespace vexilo::app
