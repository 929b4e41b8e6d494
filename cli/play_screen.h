// What jingle play shows on a terminal: the module's facts when it starts, then one status line
// redrawn in place (order, pattern, row, heard time against the total, a progress bar), and the
// keys on request. Every line fits 80 columns.
#pragma once

#include <cstdint>
#include <string>

#include "player/audio_output.h"
#include "player/load/module_image.h"
#include "player/load/song.h"

namespace cli {

// The lines shown when a module starts: its place in the list, file name, title, tracker and
// counts, and its duration (totalMs < 0: plays until stopped).
void showModuleHeader(const std::string& path, std::size_t index, std::size_t count,
                      const player::ModuleImage* image, const player::Song* song,
                      std::int64_t totalMs);

// The status line for the heard block.
std::string statusLine(const player::Song* song, const player::BlockInfo& heard,
                       std::int64_t totalMs, bool paused);

// The keys, a few lines.
void showKeys();

}  // namespace cli
