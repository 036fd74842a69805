// Every test of the windows and controls runs inside one application object,
// created before the first test on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QtGlobal>
#include <memory>

#include "framework/widgets/application.h"

namespace {

class TApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    FApplication = std::make_unique<vexilo::framework::TApplication>(FArgc, FArgv);
    // Closing a window in a test must not end the application.
    FApplication->setQuitOnLastWindowClosed(false);
  }
  void TearDown() override { FApplication.reset(); }

 private:
  int FArgc = 1;
  char FName[16] = "vexilo_tests";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<vexilo::framework::TApplication> FApplication;
};

// gtest owns registered environments.
[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

}  // namespace
