// TProgressBar: a one-line progress bar on standard error, drawn only when
// standard error is a terminal (so redirected output and logs stay clean),
// redrawn at most ten times a second, and wiped from the line when it is
// finished or destroyed.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vexilo::tools {

class TProgressBar {
 public:
  // A bar headed by `label`; drawn only on a terminal.
  explicit TProgressBar(std::string label);
  // Wipes the bar.
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  // Shows `done` of `total` (nothing shown for a total below 1).
  void Update(int64_t done, int64_t total);
  // Changes the label from the next redraw on.
  void SetLabel(std::string label) { FLabel = std::move(label); }
  // Wipes the bar from the line.
  void Finish();

 private:
  std::string FLabel;
  bool FEnabled;
  bool FDrawn = false;
  std::chrono::steady_clock::time_point FLastDraw;
};

}  // namespace vexilo::tools
