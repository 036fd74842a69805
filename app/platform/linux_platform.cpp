#include "app/platform/linux_platform.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/utsname.h>

#include <QDesktopServices>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace vexilo::app {

namespace {

constexpr int kLowestNice = -20;

// The value of a "key<tabs>: value" line in the first block (up to the first
// blank line) of a /proc text file; empty when the block has no such key.
QByteArray ProcField(const QByteArray& text, const QByteArray& key) {
  for (const QByteArray& line : text.split('\n')) {
    if (line.trimmed().isEmpty()) break;  // only the first block
    const int colon = line.indexOf(':');
    if (colon < 0) continue;
    if (line.left(colon).trimmed() == key) return line.mid(colon + 1).trimmed();
  }
  return {};
}

// A decimal or 0x-prefixed number; 0 when there is none.
int ProcNumber(const QByteArray& text, const QByteArray& key) {
  bool ok = false;
  const int value = ProcField(text, key).toInt(&ok, 0);
  return ok ? value : 0;
}

// The kibibytes of a /proc/meminfo line ("MemTotal:  24683716 kB").
uint64_t MemInfoBytes(const QByteArray& text, const QByteArray& key, bool* found) {
  for (const QByteArray& line : text.split('\n')) {
    const int colon = line.indexOf(':');
    if (colon < 0 || line.left(colon).trimmed() != key) continue;
    QByteArray value = line.mid(colon + 1).trimmed();
    if (value.endsWith("kB")) value.chop(2);
    bool ok = false;
    const qulonglong kib = value.trimmed().toULongLong(&ok);
    if (!ok) break;
    *found = true;
    return static_cast<uint64_t>(kib) * 1024u;
  }
  *found = false;
  return 0;
}

QByteArray ReadProcFile(const char* path) {
  QFile file(QString::fromLatin1(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();  // /proc files report size 0: read to the end
}

}  // namespace

QStringList SystemInformationPrograms() {
  return {QStringLiteral("hardinfo2"),    QStringLiteral("hardinfo"),
          QStringLiteral("kinfocenter"),  QStringLiteral("sysinfo"),
          QStringLiteral("lshw-gtk"),     QStringLiteral("gnome-system-monitor"),
          QStringLiteral("xfce4-taskmanager")};
}

QString KernelVersion(const QString& release) {
  const QRegularExpressionMatch numbers =
      QRegularExpression(QStringLiteral("^\\d+(\\.\\d+)*")).match(release);
  return numbers.hasMatch() ? numbers.captured(0) : release;
}

TProcessorInfo ParseProcessorInfo(const QByteArray& cpuInfo) {
  TProcessorInfo info;
  if (!ProcField(cpuInfo, "cpu family").isEmpty()) {
    info.Type = ProcNumber(cpuInfo, "cpu family");
    info.Revision = ProcNumber(cpuInfo, "model") * 256 + ProcNumber(cpuInfo, "stepping");
  } else {
    info.Type = ProcNumber(cpuInfo, "CPU architecture");
    info.Revision = ProcNumber(cpuInfo, "CPU variant") * 256 + ProcNumber(cpuInfo, "CPU revision");
  }
  return info;
}

TMemoryInfo ParseMemoryInfo(const QByteArray& memInfo) {
  TMemoryInfo info;
  bool found = false;
  info.TotalBytes = MemInfoBytes(memInfo, "MemTotal", &found);
  if (!found || info.TotalBytes == 0) return {};
  uint64_t available = MemInfoBytes(memInfo, "MemAvailable", &found);
  if (!found) available = MemInfoBytes(memInfo, "MemFree", &found);
  if (available > info.TotalBytes) available = info.TotalBytes;
  const uint64_t used = info.TotalBytes - available;
  // Rounded to the nearest whole percent, without overflowing 64 bits.
  info.LoadPercent =
      static_cast<int>((used / 1024 * 100 + info.TotalBytes / 2048) / (info.TotalBytes / 1024));
  return info;
}

TOperatingSystemInfo TLinuxPlatform::OperatingSystem() {
  utsname names{};
  if (uname(&names) != 0) return {};
  return {QString::fromLocal8Bit(names.sysname), KernelVersion(QString::fromLocal8Bit(names.release))};
}

TProcessorInfo TLinuxPlatform::Processor() {
  return ParseProcessorInfo(ReadProcFile("/proc/cpuinfo"));
}

TMemoryInfo TLinuxPlatform::Memory() { return ParseMemoryInfo(ReadProcFile("/proc/meminfo")); }

TPriority TLinuxPlatform::Priority() {
  TPriority priority;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  priority.ProcessPriority = errno == 0 ? nice : 0;
  sched_param param{};
  if (pthread_getschedparam(pthread_self(), &priority.ThreadPolicy, &param) == 0) {
    priority.ThreadPriority = param.sched_priority;
  }
  return priority;
}

void TLinuxPlatform::RaisePriority() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno == 0) {
    // The lowest nice value the limits allow; an unprivileged process may
    // still be refused all of them.
    for (int nice = kLowestNice; nice < current; ++nice) {
      if (setpriority(PRIO_PROCESS, 0, nice) == 0) break;
    }
  }
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);  // refused without the right
}

void TLinuxPlatform::RestorePriority(const TPriority& priority) {
  sched_param param{};
  param.sched_priority = priority.ThreadPriority;
  pthread_setschedparam(pthread_self(), priority.ThreadPolicy, &param);
  setpriority(PRIO_PROCESS, 0, priority.ProcessPriority);
}

uint64_t TLinuxPlatform::TimeStampCounter() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return 0;
#endif
}

void TLinuxPlatform::Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool TLinuxPlatform::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

QString TLinuxPlatform::SystemInformationProgram() {
  for (const QString& name : SystemInformationPrograms()) {
    const QString path = QStandardPaths::findExecutable(name);
    if (!path.isEmpty()) return path;
  }
  return {};
}

bool TLinuxPlatform::StartProgram(const QString& program, const QStringList& arguments,
                                  const QString& workingDirectory) {
  return QProcess::startDetached(program, arguments, workingDirectory);
}

}  // namespace vexilo::app
