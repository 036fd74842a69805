#include "app/platform/platform.h"

#include "app/platform/linux_platform.h"

namespace vexilo::app {

namespace {

TPlatform*& CurrentPlatform() {
  static TPlatform* current = nullptr;
  return current;
}

TPlatform& MachinePlatform() {
  static TLinuxPlatform machine;
  return machine;
}

}  // namespace

TPlatform& Platform() {
  TPlatform* current = CurrentPlatform();
  return current != nullptr ? *current : MachinePlatform();
}

TPlatformOverride::TPlatformOverride(TPlatform& platform) : FPrevious(CurrentPlatform()) {
  CurrentPlatform() = &platform;
}

TPlatformOverride::~TPlatformOverride() { CurrentPlatform() = FPrevious; }

}  // namespace vexilo::app
