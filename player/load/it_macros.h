// The MIDI macros of a song, as far as they steer the resonant filter: Zxx runs one of them, and
// the tracker's internal messages F0 F0 00 xx (cutoff) and F0 F0 01 xx (resonance) are the ones
// that change what is heard.
#pragma once

#include <cstddef>
#include <cstdint>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// What one macro text (up to length characters, or to its first NUL) does to the filter:
// hex digits in capitals are constants, `z` the Zxx parameter, spaces separate nothing.
FilterMacro parseFilterMacro(const char* text, std::size_t length);

// The set a song without its own uses: SF0 sets the cutoff from Z00..Z7F, Z80..Z8F set the
// resonance to 0, 8, .. 120.
MacroSet defaultMacros();

// Reads the embedded configuration at offset: global macros (skipped), then SF0..SFF and
// Z80..ZFF.
void readItMacros(StreamHandle* handle, std::int64_t offset, MacroSet& macros);

}  // namespace player
