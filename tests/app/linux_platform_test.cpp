// What the Linux platform reads from /proc, and its priority steps.
#include "app/platform/linux_platform.h"

#include <gtest/gtest.h>

namespace vexilo::app {
namespace {

TEST(LinuxPlatformTest, ProcessorComesFromTheFirstBlockOfCpuInfo) {
  const struct {
    const char* Name;
    const char* Text;
    int Type;
    int Revision;
  } cases[] = {
      {"x86", "processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 25\nmodel\t\t: 17\n"
              "model name\t: AMD EPYC\nstepping\t: 1\n\nprocessor\t: 1\ncpu family\t: 99\n",
       25, 17 * 256 + 1},
      {"ARM", "processor\t: 0\nBogoMIPS\t: 48.00\nCPU implementer\t: 0x41\n"
              "CPU architecture: 8\nCPU variant\t: 0x1\nCPU part\t: 0xd0c\nCPU revision\t: 1\n",
       8, 256 + 1},
      {"nothing known", "", 0, 0},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.Name);
    const TProcessorInfo info = ParseProcessorInfo(QByteArray(expected.Text));
    EXPECT_EQ(info.Type, expected.Type);
    EXPECT_EQ(info.Revision, expected.Revision);
  }
}

TEST(LinuxPlatformTest, MemoryIsCountedIn64Bits) {
  const struct {
    const char* Name;
    const char* Text;
    uint64_t Total;
    int Load;
  } cases[] = {
      {"64 GiB, available", "MemTotal:       67108864 kB\nMemFree:  1000 kB\nMemAvailable:   16777216 kB\n",
       64ull << 30, 75},
      {"old kernel: free", "MemTotal: 1000 kB\nMemFree: 500 kB\n", 1024000, 50},
      {"nothing", "", 0, 0},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.Name);
    const TMemoryInfo info = ParseMemoryInfo(QByteArray(expected.Text));
    EXPECT_EQ(info.TotalBytes, expected.Total);
    EXPECT_EQ(info.LoadPercent, expected.Load);
  }
}

TEST(LinuxPlatformTest, RaisedPriorityIsGivenBack) {
  TLinuxPlatform platform;
  const TPriority before = platform.Priority();
  platform.RaisePriority();
  const TPriority raised = platform.Priority();
  EXPECT_LE(raised.ProcessPriority, before.ProcessPriority);
  platform.RestorePriority(before);
  EXPECT_EQ(platform.Priority(), before);
}

TEST(LinuxPlatformTest, KernelVersionIsItsLeadingNumbers) {
  EXPECT_EQ(KernelVersion(QStringLiteral("6.1.0-18-amd64")), QStringLiteral("6.1.0"));
  EXPECT_EQ(KernelVersion(QStringLiteral("6.18.44-fc-v1523")), QStringLiteral("6.18.44"));
  EXPECT_EQ(KernelVersion(QStringLiteral("5.10")), QStringLiteral("5.10"));
  EXPECT_EQ(KernelVersion(QStringLiteral("custom")), QStringLiteral("custom"));
}

TEST(LinuxPlatformTest, ThisMachineIsDescribed) {
  TLinuxPlatform platform;
  EXPECT_EQ(platform.OperatingSystem().Name, QStringLiteral("Linux"));
  EXPECT_FALSE(platform.OperatingSystem().Version.isEmpty());
  EXPECT_GT(platform.Memory().TotalBytes, 0u);
}

}  // namespace
}  // namespace vexilo::app
