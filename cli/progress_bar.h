// A render's progress as one line on standard error, redrawn in place: only on a terminal, and
// never when the user asked for quiet. Fits 80 columns.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

struct ProgressBar {
  bool shown = false;
  std::string label;
  int lastPermille = -1;
};

ProgressBar startProgress(const std::string& label, bool quiet);
void showProgress(ProgressBar& bar, std::int64_t done, std::int64_t total);
// Clears the line.
void endProgress(ProgressBar& bar);

}  // namespace cli
