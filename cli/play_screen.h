// What jingle play shows on a terminal: the module's facts when it starts, then a block of lines
// redrawn in place: order, pattern, row, speed, tempo and voices; the heard time against the
// total, a progress bar and a peak meter per side; the muted channels; and the keys while they
// are asked for. Every line is cut to the terminal's width, so nothing wraps and the block, drawn
// over itself, never scrolls the screen.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// The module as it starts.
struct ModuleFacts {
  std::string name;                  // the file's name as shown
  std::size_t index = 0, count = 1;  // its place in the list
  std::string title, tracker;        // as shown
  int channels = 0, orders = 0, patterns = 0, instruments = 0;
  std::int64_t totalMs = -1;  // below 0: plays until stopped
};

// What the listener hears now.
struct PlayStatus {
  int order = 0, orders = 0, pattern = 0, row = 0, rows = 0;
  int speed = 0, bpm = 0, voices = 0;
  std::int64_t timeMs = 0, totalMs = -1;
  double peakLeft = 0, peakRight = 0;  // 1.0 full scale
  bool paused = false;
  std::uint64_t muted = 0;  // bit c: channel c + 1
  std::string note;         // a passing remark shown after the muted channels
  bool keys = false;        // the keys are shown below
};

// The line that tells how to get the keys, before the first module.
void showKeyHint();

// The lines shown when a module starts.
void showModuleHeader(const ModuleFacts& facts);

// Draws the status over the last one drawn, leaving the cursor where it started (the block's
// first line).
void drawStatus(const PlayStatus& status);

// Moves below the status, leaving it on the screen.
void leaveStatus();

}  // namespace cli
