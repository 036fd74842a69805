// TLinuxPlatform: the platform of a Linux desktop. Machine facts come from
// uname(2) (the kernel's name and version), /proc/cpuinfo and /proc/meminfo; the priority is the thread's
// nice value and scheduling policy; documents and addresses go to the
// desktop through QDesktopServices (xdg-open); programs start detached.
#pragma once

#include <QByteArray>
#include <QStringList>

#include "app/platform/platform.h"

namespace vexilo::app {

class TLinuxPlatform : public TPlatform {
 public:
  TOperatingSystemInfo OperatingSystem() override;
  TProcessorInfo Processor() override;
  TMemoryInfo Memory() override;
  TPriority Priority() override;
  // Takes the lowest nice value the process may set (never a higher one,
  // which it could not undo) and the real-time FIFO policy at its top
  // priority when the process is allowed it.
  void RaisePriority() override;
  void RestorePriority(const TPriority& priority) override;
  uint64_t TimeStampCounter() override;
  void Sleep(int milliseconds) override;
  bool OpenUrl(const QUrl& url) override;
  // The first of SystemInformationPrograms() found on the PATH.
  QString SystemInformationProgram() override;
  bool StartProgram(const QString& program, const QStringList& arguments,
                    const QString& workingDirectory) override;
};

// The desktop programs that show the machine's hardware and system, most
// specific first.
QStringList SystemInformationPrograms();

// The kernel release's leading numbers, "6.1.0" of "6.1.0-18-amd64"; the
// whole release when it does not start with a number.
QString KernelVersion(const QString& release);

// The processor of the first "processor" block of /proc/cpuinfo: on x86 the
// "cpu family" with model * 256 + stepping (as Windows counts the
// revision); on ARM the "CPU architecture" with the "CPU variant" * 256 +
// "CPU revision". Missing fields count 0.
TProcessorInfo ParseProcessorInfo(const QByteArray& cpuInfo);

// MemTotal and the share of it not available (MemTotal - MemAvailable, or
// MemFree where the kernel gives no MemAvailable) from /proc/meminfo.
TMemoryInfo ParseMemoryInfo(const QByteArray& memInfo);

}  // namespace vexilo::app
