#include "cli/play_screen.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "cli/display_text.h"
#include "player/load/module_texts.h"

namespace cli {
namespace {

std::string clock(std::int64_t ms) {
  char text[32];
  const std::int64_t tenths = ms / 100;
  std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ".%" PRId64, tenths / 600,
                tenths / 10 % 60, tenths % 10);
  return text;
}

}  // namespace

void showModuleHeader(const std::string& path, std::size_t index, std::size_t count,
                      const player::ModuleImage* image, const player::Song* song,
                      std::int64_t totalMs) {
  const player::ModuleTexts texts = player::readModuleTexts(image);
  if (count > 1) std::printf("[%zu/%zu] ", index + 1, count);
  std::printf("%s\n", path.c_str());
  std::printf("  title: %-22s tracker: %s\n", displayText(texts.title).c_str(),
              displayText(texts.tracker).c_str());
  std::printf("  %d channels, %d orders, %d patterns, %d instruments, duration %s\n",
              static_cast<int>(song->channelCount), static_cast<int>(song->songLength),
              static_cast<int>(song->usedPatternCount), static_cast<int>(song->instrumentCount),
              totalMs < 0 ? "endless" : clock(totalMs).c_str());
  std::fflush(stdout);
}

namespace {

// "[#####     ]": value of full, width characters inside the brackets.
std::string bar(double value, double full, int width) {
  const double share = full > 0 ? value / full : 0.0;
  const int filled = static_cast<int>(std::min(1.0, std::max(0.0, share)) * width + 0.5);
  std::string text(static_cast<std::size_t>(width) + 2, ' ');
  text.front() = '[';
  text.back() = ']';
  for (int i = 1; i <= filled; ++i)
    text[static_cast<std::size_t>(i)] = '#';
  return text;
}

}  // namespace

void drawStatus(const player::Song* song, const player::BlockInfo& heard,
                const player::BlockStatus& status, std::int64_t totalMs, bool paused) {
  const int order = heard.order;
  const int pattern = order < song->songLength ? song->orderTable[order] : -1;
  const int rows =
      pattern >= 0 && pattern < song->patternSlotCount ? song->patterns[pattern].rows : 0;
  // The full row when it was kept: BlockInfo holds its low byte.
  const int row = (status.row & 0xFF) == heard.row ? status.row : heard.row;
  char first[120];
  std::snprintf(first, sizeof first,
                "order %3d/%-3d  pattern %3d  row %4d/%-4d  speed %2d  bpm %3d  voices %2d", order,
                static_cast<int>(song->songLength), pattern, row, rows, status.speed, status.bpm,
                status.voices);
  const std::string time = clock(heard.timeMs) + " / " + (totalMs < 0 ? "endless" : clock(totalMs));
  char second[120];
  std::snprintf(
      second, sizeof second, "%-17s %s  L%s R%s%s", time.c_str(),
      totalMs < 0
          ? std::string(18, ' ').c_str()
          : bar(static_cast<double>(heard.timeMs), static_cast<double>(totalMs), 16).c_str(),
      bar(status.peakLeft, 1.0, 10).c_str(), bar(status.peakRight, 1.0, 10).c_str(),
      paused ? " [paused]" : "");
  std::printf("\r%s\x1b[K\n%s\x1b[K\x1b[A\r", first, second);
  std::fflush(stdout);
}

void showMessage(const std::string& text) {
  std::printf("\r\x1b[J%s\n", text.c_str());
  std::fflush(stdout);
}

void leaveStatus() {
  std::fputs("\n\n", stdout);
  std::fflush(stdout);
}

void showKeys() {
  std::fputs(
      "\r\x1b[J  keys: space pause/resume   n or Enter next module   p previous module\n"
      "        left/right 5 s back/on    down/up one order back/on\n"
      "        1-9, 0 mute channel 1-10  q, Esc or Ctrl-C quit      h or ? these keys\n",
      stdout);
  std::fflush(stdout);
}

}  // namespace cli
