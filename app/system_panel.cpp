#include "app/system_panel.h"

#include <cmath>

namespace vexilo::app {

namespace {

constexpr int kSettleMilliseconds = 10;
constexpr int kCountMilliseconds = 500;
constexpr double kTicksPerMegahertz = kCountMilliseconds * 1000.0;

// Gives the priority it found back when it goes, on every path.
class TRaisedPriority {
 public:
  explicit TRaisedPriority(TPlatform& platform)
      : FPlatform(platform), FSaved(platform.Priority()) {
    FPlatform.RaisePriority();
  }
  ~TRaisedPriority() { FPlatform.RestorePriority(FSaved); }
  TRaisedPriority(const TRaisedPriority&) = delete;
  TRaisedPriority& operator=(const TRaisedPriority&) = delete;

 private:
  TPlatform& FPlatform;
  TPriority FSaved;
};

}  // namespace

double MeasureProcessorSpeed(TPlatform& platform) {
  uint64_t first = 0;
  uint64_t second = 0;
  {
    TRaisedPriority raised(platform);
    platform.Sleep(kSettleMilliseconds);
    first = platform.TimeStampCounter();
    platform.Sleep(kCountMilliseconds);
    second = platform.TimeStampCounter();
  }
  // The whole 64-bit difference: a 32-bit one would wrap above 8.6 GHz.
  return static_cast<double>(second - first) / kTicksPerMegahertz;
}

QString FormatPhysicalMemory(uint64_t totalBytes, const QLocale& locale) {
  QLocale grouped = locale;
  grouped.setNumberOptions(QLocale::DefaultNumberOptions);
  const double kibibytes = std::round(static_cast<double>(totalBytes) / 1024.0);
  const QString number =
      kibibytes == 0 ? QString() : grouped.toString(static_cast<qulonglong>(kibibytes));
  return number + QStringLiteral(" KB");
}

QString FormatProcessorSpeed(double megahertz, const QLocale& locale) {
  QLocale ungrouped = locale;
  ungrouped.setNumberOptions(QLocale::OmitGroupSeparator);
  return ungrouped.toString(megahertz, 'f', 2) + QStringLiteral(" MHz");
}

TSystemPanelTexts MeasureSystemPanel(TPlatform& platform, const QLocale& locale) {
  TSystemPanelTexts texts;
  const TOperatingSystemInfo system = platform.OperatingSystem();
  texts.OperatingSystem = system.Name + QStringLiteral("  (") + system.Version + QStringLiteral(")");

  const TMemoryInfo memory = platform.Memory();
  texts.PhysicalMemory = FormatPhysicalMemory(memory.TotalBytes, locale);
  texts.MemoryInUse = QStringLiteral("%1 %").arg(memory.LoadPercent);

  texts.ProcessorSpeed = FormatProcessorSpeed(MeasureProcessorSpeed(platform), locale);

  const TProcessorInfo processor = platform.Processor();
  texts.Processor = QStringLiteral("%1  Rev. %2").arg(processor.Type).arg(processor.Revision);
  return texts;
}

}  // namespace vexilo::app
