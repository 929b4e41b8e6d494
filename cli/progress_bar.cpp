#include "cli/progress_bar.h"

#include <cstdio>

#include "cli/terminal.h"

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
constexpr int LABEL_WIDTH = 38;
constexpr auto REDRAW_EVERY = std::chrono::milliseconds(100);

bool startsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// The label in width columns, padded: the end of a long name says more than its start, and a
// UTF-8 character is never cut.
std::string labelOf(const std::string& text, int width) {
  int characters = 0;
  for (const char c : text)
    characters += startsCharacter(c);
  if (characters <= width)
    return text + std::string(static_cast<std::size_t>(width - characters), ' ');
  std::size_t from = text.size();
  for (int kept = 0; kept < width - 3 && from > 0;)
    kept += startsCharacter(text[--from]);
  return "..." + text.substr(from);
}

}  // namespace

ProgressBar startProgress(const std::string& label, bool quiet) {
  ProgressBar bar;
  bar.shown = !quiet && isatty(fileno(stderr)) != 0;
  bar.label = label;
  return bar;
}

void showProgress(ProgressBar& bar, std::int64_t done, std::int64_t total) {
  if (!bar.shown) return;
  const int permille = total <= 0 ? 1000 : static_cast<int>(done * 1000 / total);
  const auto now = std::chrono::steady_clock::now();
  if (permille == bar.lastPermille || (permille < 1000 && now - bar.lastDrawn < REDRAW_EVERY)) {
    return;
  }
  bar.lastPermille = permille;
  bar.lastDrawn = now;
  // " [bar] 100%" after the label, one column left free: the label gives way first.
  const int room = terminalColumns(true) - 1 - 8;
  const int barWidth = room >= BAR_WIDTH + 10 ? BAR_WIDTH : room > 10 ? room - 10 : 0;
  const int labelWidth = room - barWidth < LABEL_WIDTH ? room - barWidth : LABEL_WIDTH;
  std::string filled(static_cast<std::size_t>(barWidth), '-');
  for (int i = 0; i < permille * barWidth / 1000; ++i)
    filled[static_cast<std::size_t>(i)] = '#';
  const std::string label = labelWidth > 3 ? labelOf(bar.label, labelWidth) : "";
  std::fprintf(stderr, "\r%s [%s] %3d%%\x1b[K", label.c_str(), filled.c_str(), permille / 10);
  std::fflush(stderr);
}

void endProgress(ProgressBar& bar) {
  if (!bar.shown) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  bar.shown = false;
}

}  // namespace cli
