// A platform that answers from its fields and remembers what it was asked,
// put in use for the lifetime of the object. Its time-stamp counter returns
// the values of Counter in turn; Priority() is the priority it was last set
// to, so a test can see when the measurement raised and restored it.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <string>
#include <vector>

#include "app/platform/platform.h"

namespace vexilo::testing {

class TFakePlatform : public app::TPlatform {
 public:
  struct TStarted {
    QString Program;
    QStringList Arguments;
    QString WorkingDirectory;
  };

  TFakePlatform() : FOverride(*this) {}

  app::TOperatingSystemInfo OperatingSystem() override { return System; }
  app::TProcessorInfo Processor() override { return Cpu; }
  app::TMemoryInfo Memory() override { return MemoryStatus; }
  app::TPriority Priority() override { return Current; }
  void RaisePriority() override {
    Calls.push_back("raise");
    Current = Raised;
  }
  void RestorePriority(const app::TPriority& priority) override {
    Calls.push_back("restore");
    Current = priority;
  }
  uint64_t TimeStampCounter() override {
    Calls.push_back(Current == Raised ? "counter at raised priority" : "counter");
    if (Counter.empty()) return 0;
    const uint64_t value = Counter.front();
    Counter.pop_front();
    return value;
  }
  void Sleep(int milliseconds) override { Calls.push_back("sleep " + std::to_string(milliseconds)); }
  bool OpenUrl(const QUrl& url) override {
    Opened.push_back(url);
    return OpenSucceeds;
  }
  QString SystemInformationProgram() override { return InformationProgram; }
  bool StartProgram(const QString& program, const QStringList& arguments,
                    const QString& workingDirectory) override {
    Started.push_back({program, arguments, workingDirectory});
    return true;
  }

  app::TOperatingSystemInfo System{QStringLiteral("Linux"), QStringLiteral("6.1.0")};
  app::TProcessorInfo Cpu{25, 4353};
  app::TMemoryInfo MemoryStatus{24ull << 30, 37};
  app::TPriority Current{0, 0, 0};
  app::TPriority Raised{-20, 1, 99};
  std::deque<uint64_t> Counter;
  QString InformationProgram;
  bool OpenSucceeds = true;

  std::vector<std::string> Calls;
  std::vector<QUrl> Opened;
  std::vector<TStarted> Started;

 private:
  app::TPlatformOverride FOverride;
};

}  // namespace vexilo::testing
