// TPlatform: everything the dictionary asks of the operating system and the
// desktop beyond Qt's windows: facts about the machine (operating system,
// processor, memory), the process's scheduling priority, the processor's
// time-stamp counter, sleeping, opening documents and addresses with the
// desktop's programs, and starting programs of our own.
//
// The windows reach the platform only through Platform(), so that a test can
// put a fake in its place with TPlatformOverride; that is the only seam
// between the windows and the machine. A port to another operating system
// adds one implementation of this interface. Used on the user-interface
// thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class QUrl;

namespace vexilo::app {

struct TOperatingSystemInfo {
  QString Name;     // "Linux"
  QString Version;  // major, minor and build numbers: "6.1.0"
};

struct TProcessorInfo {
  int Type = 0;      // the processor family
  int Revision = 0;  // model and stepping: model * 256 + stepping
};

struct TMemoryInfo {
  uint64_t TotalBytes = 0;  // all physical memory, never cut to 32 bits
  int LoadPercent = 0;      // 0..100: how much of it is in use
};

// A scheduling priority as the platform keeps it; only compared and handed
// back. On Linux: the nice value and the thread's scheduling policy with its
// real-time priority.
struct TPriority {
  int ProcessPriority = 0;
  int ThreadPolicy = 0;
  int ThreadPriority = 0;

  friend bool operator==(const TPriority&, const TPriority&) = default;
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  virtual TOperatingSystemInfo OperatingSystem() = 0;
  virtual TProcessorInfo Processor() = 0;
  virtual TMemoryInfo Memory() = 0;

  // The calling thread's current priority.
  virtual TPriority Priority() = 0;
  // Raises the calling thread (and process) to the highest priority it may
  // take; a step the process is not allowed is left out, never reported.
  virtual void RaisePriority() = 0;
  // Gives back a priority Priority() returned.
  virtual void RestorePriority(const TPriority& priority) = 0;

  // The processor's time-stamp counter; 0 where the processor has none.
  virtual uint64_t TimeStampCounter() = 0;
  virtual void Sleep(int milliseconds) = 0;

  // Opens a document, a mail address or a web address with the desktop's
  // program for it; false when the desktop could not hand it on.
  virtual bool OpenUrl(const QUrl& url) = 0;
  // The path of the desktop's system-information program; empty when none
  // is installed.
  virtual QString SystemInformationProgram() = 0;
  // Starts `program` on its own (it outlives this process) with `arguments`
  // in `workingDirectory` (empty: the current one); false when it cannot
  // be started.
  virtual bool StartProgram(const QString& program, const QStringList& arguments,
                            const QString& workingDirectory) = 0;
};

// The platform in use: this machine's unless a TPlatformOverride is alive.
TPlatform& Platform();

// Puts `platform` in use for the lifetime of this object, then restores the
// previous one. `platform` must outlive the override. Overrides nest.
class TPlatformOverride {
 public:
  explicit TPlatformOverride(TPlatform& platform);
  ~TPlatformOverride();
  TPlatformOverride(const TPlatformOverride&) = delete;
  TPlatformOverride& operator=(const TPlatformOverride&) = delete;

 private:
  TPlatform* FPrevious;
};

}  // namespace vexilo::app
