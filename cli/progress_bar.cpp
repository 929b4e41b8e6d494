#include "cli/progress_bar.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli {
namespace {

constexpr int BAR_WIDTH = 30;
constexpr std::size_t LABEL_WIDTH = 38;

}  // namespace

ProgressBar startProgress(const std::string& label, bool quiet) {
  ProgressBar bar;
  bar.shown = !quiet && isatty(fileno(stderr)) != 0;
  // The end of a long name says more than its start.
  bar.label =
      label.size() > LABEL_WIDTH ? "..." + label.substr(label.size() - LABEL_WIDTH + 3) : label;
  return bar;
}

void showProgress(ProgressBar& bar, std::int64_t done, std::int64_t total) {
  if (!bar.shown) return;
  const int permille = total <= 0 ? 1000 : static_cast<int>(done * 1000 / total);
  if (permille == bar.lastPermille) return;
  bar.lastPermille = permille;
  char filled[BAR_WIDTH + 1];
  const int full = permille * BAR_WIDTH / 1000;
  for (int i = 0; i < BAR_WIDTH; ++i)
    filled[i] = i < full ? '#' : '-';
  filled[BAR_WIDTH] = '\0';
  std::fprintf(stderr, "\r%-*s [%s] %3d%%", static_cast<int>(LABEL_WIDTH), bar.label.c_str(),
               filled, permille / 10);
  std::fflush(stderr);
}

void endProgress(ProgressBar& bar) {
  if (!bar.shown) return;
  std::fprintf(stderr, "\r%*s\r", 79, "");
  std::fflush(stderr);
  bar.shown = false;
}

}  // namespace cli
