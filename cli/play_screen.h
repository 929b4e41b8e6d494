// What jingle play shows on a terminal: the module's facts when it starts, then two status lines
// redrawn in place (order, pattern, row, speed, tempo and voices; heard time against the total, a
// progress bar and a peak meter per side), and the keys on request. Every line fits 80 columns.
#pragma once

#include <cstdint>
#include <string>

#include "player/audio_output.h"
#include "player/block_status.h"
#include "player/load/module_image.h"
#include "player/load/song.h"

namespace cli {

// The lines shown when a module starts: its place in the list, file name, title, tracker and
// counts, and its duration (totalMs < 0: plays until stopped).
void showModuleHeader(const std::string& path, std::size_t index, std::size_t count,
                      const player::ModuleImage* image, const player::Song* song,
                      std::int64_t totalMs);

// Draws the status of the heard block over the last one drawn, leaving the cursor where it
// started (the first of its two lines).
void drawStatus(const player::Song* song, const player::BlockInfo& heard,
                const player::BlockStatus& status, std::int64_t totalMs, bool paused);

// Prints a message where the status stands; the status is drawn again below it.
void showMessage(const std::string& text);

// Moves below the status, leaving it on the screen.
void leaveStatus();

// The keys, a few lines.
void showKeys();

}  // namespace cli
