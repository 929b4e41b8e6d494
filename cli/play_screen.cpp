#include "cli/play_screen.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/channel_list.h"
#include "cli/number_text.h"
#include "cli/terminal.h"

namespace cli {
namespace {

int drawnLines = 0;  // the lines of the block on the screen, from the cursor's line down

bool startsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// text cut to the terminal's width, one column left free so that the cursor never wraps. The
// lines hold UTF-8: a character is never cut.
std::string fitted(const std::string& text) {
  const int width = terminalColumns() - 1;
  int columns = 0;
  for (std::size_t at = 0; at < text.size(); ++at)
    if (startsCharacter(text[at]) && ++columns > width) return text.substr(0, at);
  return text;
}

// A file name after its place in the list: when it is too long, its end, which says more.
std::string fittedName(const std::string& place, const std::string& name) {
  int room = terminalColumns() - 1 - static_cast<int>(place.size());
  if (fitted(place + name).size() == place.size() + name.size() || room <= 3) {
    return fitted(place + name);
  }
  std::size_t from = name.size();
  for (room -= 3; room > 0 && from > 0;)
    room -= startsCharacter(name[--from]);
  return place + "..." + name.substr(from);
}

void printLine(const std::string& text) {
  std::printf("%s\n", fitted(text).c_str());
}

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

std::string total(std::int64_t ms) {
  return ms < 0 ? "endless" : clockText(ms);
}

}  // namespace

void showKeyHint() {
  printLine("  space pauses and resumes, n next, p previous, q stops, h shows the keys");
  std::fflush(stdout);
}

void showModuleHeader(const ModuleFacts& facts) {
  char line[160] = "";
  if (facts.count > 1) std::snprintf(line, sizeof line, "[%zu/%zu] ", facts.index + 1, facts.count);
  std::printf("%s\n", fittedName(line, facts.name).c_str());
  std::snprintf(line, sizeof line, "  title: %-22s tracker: ", facts.title.c_str());
  printLine(line + facts.tracker);
  std::snprintf(line, sizeof line,
                "  %d channels, %d orders, %d patterns, %d instruments, duration ", facts.channels,
                facts.orders, facts.patterns, facts.instruments);
  printLine(line + total(facts.totalMs));
  std::fflush(stdout);
}

void drawStatus(const PlayStatus& s) {
  std::vector<std::string> lines;
  char text[160];
  std::snprintf(text, sizeof text,
                "order %3d/%-3d  pattern %3d  row %4d/%-4d  speed %2d  bpm %3d  voices %2d",
                s.order, s.orders, s.pattern, s.row, s.rows, s.speed, s.bpm, s.voices);
  lines.push_back(text);
  const std::string time = clockText(s.timeMs) + " / " + total(s.totalMs);
  // Paused, nothing sounds: the meters fall to zero.
  const double left = s.paused ? 0.0 : s.peakLeft, right = s.paused ? 0.0 : s.peakRight;
  char meters[64];
  std::snprintf(meters, sizeof meters, "L%s R%s", bar(left, 1.0, 10).c_str(),
                bar(right, 1.0, 10).c_str());
  const std::string progress =
      s.totalMs < 0 ? std::string(18, ' ')
                    : bar(static_cast<double>(s.timeMs), static_cast<double>(s.totalMs), 16);
  std::snprintf(text, sizeof text, "%-17s %s  %s%s", time.c_str(), progress.c_str(), meters,
                s.paused ? " [paused]" : "");
  // On a narrow terminal the meters rather than the progress bar.
  if (static_cast<int>(std::string(text).size()) >= terminalColumns()) {
    std::snprintf(text, sizeof text, "%s  %s%s", time.c_str(), meters, s.paused ? " [paused]" : "");
  }
  lines.push_back(text);
  lines.push_back("muted: " + (s.muted == 0 ? std::string("none") : channelNumbers(s.muted)) +
                  (s.note.empty() ? "" : "   (" + s.note + ")"));
  if (s.keys) {
    lines.push_back("keys: space pause/resume   n or Enter next module   p previous module");
    lines.push_back("      left/right 5 s back/on    down/up one order back/on");
    lines.push_back("      1-9, 0 mute channel 1-10  q, Esc or Ctrl-C quit      h or ? these keys");
  }
  std::string out = "\r";
  for (std::size_t i = 0; i < lines.size(); ++i)
    out += fitted(lines[i]) + (i + 1 < lines.size() ? "\x1b[K\n" : "\x1b[K\x1b[J");
  if (lines.size() > 1) out += "\x1b[" + std::to_string(lines.size() - 1) + "A\r";
  std::fputs(out.c_str(), stdout);
  std::fflush(stdout);
  drawnLines = static_cast<int>(lines.size());
}

void leaveStatus() {
  std::fputs(std::string(static_cast<std::size_t>(drawnLines), '\n').c_str(), stdout);
  std::fflush(stdout);
  drawnLines = 0;
}

}  // namespace cli
