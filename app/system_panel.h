// The about window's panel of information on the computer: what the platform
// tells of the operating system, the processor and the memory, and the
// processor's speed measured with its time-stamp counter, each as the text
// its label shows. Numbers are formatted with the given locale.
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

#include "app/platform/platform.h"

namespace vexilo::app {

struct TSystemPanelTexts {
  QString OperatingSystem;  // "Linux  (6.1.0)"
  QString Processor;        // "25  Rev. 4353"
  QString ProcessorSpeed;   // "2994,37 MHz"
  QString PhysicalMemory;   // "24 683 716 KB"
  QString MemoryInUse;      // "3 %"
};

// Asks `platform` everything in the panel's order (operating system,
// memory, speed, processor). Takes a little over half a second: the speed is
// counted over 500 ms at the highest priority the process may take, and the
// priority is given back afterwards.
TSystemPanelTexts MeasureSystemPanel(TPlatform& platform, const QLocale& locale);

// The time-stamp counter's rate in MHz over 500 ms, at raised priority.
double MeasureProcessorSpeed(TPlatform& platform);

// "#,###" KB: the kibibytes rounded to a whole number with the locale's
// thousands separator (nothing before " KB" for 0).
QString FormatPhysicalMemory(uint64_t totalBytes, const QLocale& locale);
// "%f MHz": two decimals after the locale's decimal separator, no grouping.
QString FormatProcessorSpeed(double megahertz, const QLocale& locale);

}  // namespace vexilo::app
