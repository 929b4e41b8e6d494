// Why a module image cannot be loaded. The loader only answers with a null song; this check
// walks the file the same way and names the first thing that makes the loader refuse it, so a
// program can tell its user what is wrong, and what the file lacks of what it describes.
#pragma once

#include <cstdint>

#include "player/load/module_damage.h"
#include "player/load/module_format.h"
#include "player/load/module_image.h"

namespace player {

enum class ModuleFault {
  NONE,               // the loader accepts the file (given enough memory)
  EMPTY,              // no module bytes at all
  UNKNOWN_FORMAT,     // the bytes are no format the player knows (module_format.h)
  TOO_MANY_CHANNELS,  // channelCount above the channel table
  TOO_MANY_PATTERNS,  // header pattern count above 256
  TOO_MANY_CELLS,     // the patterns need more than MAX_PATTERN_CELLS cells
  TOO_MANY_SAMPLES,   // an instrument declares more than 16 samples
  NO_MEMORY,          // the file could not even be opened for reading
};

struct ModuleCheck {
  ModuleFault fault;
  ModuleFormat format;
  std::int32_t channelCount;  // the header's channel count, read as signed
  std::int32_t patternCount;  // the header's pattern count
  std::int32_t instrument;    // TOO_MANY_SAMPLES: the instrument's number, counted from 1
  std::int32_t sampleCount;   // TOO_MANY_SAMPLES: the samples it declares
  // The song header as the file stores it, unsigned (0 for what lies past the file's end). MOD
  // and S3M have no instrument count, speed or tempo of their own where they are fixed; the
  // counts are those of the song: its samples, the orders it plays, the channels it plays.
  struct {
    std::uint16_t songLength, restartPosition, channelCount, instrumentCount, speed, bpm;
  } stored;
  ModuleDamage damage;  // what the file lacks; filled as far as the walk went
};

ModuleCheck checkModule(const ModuleImage* image);

}  // namespace player
