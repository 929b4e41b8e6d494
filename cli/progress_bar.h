// A render's progress as one line on standard error, redrawn in place at most ten times a second:
// only on a terminal, and never when the user asked for quiet. Fits the terminal's width.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace cli {

struct ProgressBar {
  bool shown = false;
  std::string label;
  int lastPermille = -1;
  std::chrono::steady_clock::time_point lastDrawn;
};

ProgressBar startProgress(const std::string& label, bool quiet);
void showProgress(ProgressBar& bar, std::int64_t done, std::int64_t total);
// Clears the line.
void endProgress(ProgressBar& bar);

}  // namespace cli
