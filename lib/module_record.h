// What a jingle::Module is inside the library: the module image, the song the loader made of it,
// what the song records do not keep, and its natural length once found.
#pragma once

#include <cstdint>

#include "jingle/module.h"
#include "player/load/module_image.h"
#include "player/load/module_texts.h"
#include "player/load/song.h"

namespace jingle {

struct Module {
  player::ModuleImage* image = nullptr;
  player::Song* song = nullptr;
  player::ModuleTexts texts;
  std::int32_t headerPatterns = 0;           // the pattern count the file declares
  mutable std::int64_t durationFrames = -1;  // found on the first question; -1 until then
};

}  // namespace jingle
