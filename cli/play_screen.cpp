#include "cli/play_screen.h"

#include <cinttypes>
#include <cstdio>

#include "cli/display_text.h"
#include "player/load/module_texts.h"

namespace cli {
namespace {

constexpr int BAR_WIDTH = 16;

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

std::string statusLine(const player::Song* song, const player::BlockInfo& heard,
                       std::int64_t totalMs, bool paused) {
  const int order = heard.order;
  const int pattern = order < song->songLength ? song->orderTable[order] : -1;
  const int rows =
      pattern >= 0 && pattern < song->patternSlotCount ? song->patterns[pattern].rows : 0;
  char bar[BAR_WIDTH + 1] = {};
  const std::int64_t filled =
      totalMs > 0 ? std::min<std::int64_t>(BAR_WIDTH, heard.timeMs * BAR_WIDTH / totalMs) : 0;
  for (int i = 0; i < BAR_WIDTH; ++i)
    bar[i] = i < filled ? '#' : '-';
  char line[160];
  std::snprintf(line, sizeof line, "order %3d/%-3d pat %3d row %3d/%-3d %s/%s [%s]%s", order,
                static_cast<int>(song->songLength), pattern, static_cast<int>(heard.row), rows,
                clock(heard.timeMs).c_str(), totalMs < 0 ? "--:--.-" : clock(totalMs).c_str(),
                totalMs < 0 ? "" : bar, paused ? " [paused]" : "");
  return line;
}

void showKeys() {
  std::fputs(
      "\r\x1b[K  keys: space pause/resume   n or Enter next module   p previous module\n"
      "        left/right 5 s back/on    down/up one order back/on\n"
      "        1-9, 0 mute channel 1-10  q, Esc or Ctrl-C quit      h or ? these keys\n",
      stdout);
  std::fflush(stdout);
}

}  // namespace cli
