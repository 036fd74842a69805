#include "tools/progress_bar.h"

#include <unistd.h>

#include <cstdio>

namespace vexilo::tools {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 40;

}  // namespace

TProgressBar::TProgressBar(std::string label) : FLabel(std::move(label)), FEnabled(::isatty(2) == 1) {}

TProgressBar::~TProgressBar() { Finish(); }

void TProgressBar::Update(int64_t done, int64_t total) {
  if (!FEnabled || total < 1) return;
  const auto now = std::chrono::steady_clock::now();
  if (FDrawn && now - FLastDraw < kRedrawInterval) return;
  FLastDraw = now;
  if (done < 0) done = 0;
  if (done > total) done = total;
  const int filled = static_cast<int>(done * kBarWidth / total);
  const std::string bar = std::string(static_cast<size_t>(filled), '#') +
                          std::string(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(stderr, "\r%s [%s] %3d%%", FLabel.c_str(), bar.c_str(), static_cast<int>(done * 100 / total));
  std::fflush(stderr);
  FDrawn = true;
}

void TProgressBar::Finish() {
  if (!FDrawn) return;
  // Carriage return, erase the line.
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  FDrawn = false;
}

}  // namespace vexilo::tools
