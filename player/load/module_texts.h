// The texts an XM file carries that the song records do not keep: the module's title, the name
// of the program that wrote it, and the names of its instruments and samples. Read by walking
// the file the way the loader does, so the names belong to the instruments and samples it loads.
#pragma once

#include <string>
#include <vector>

#include "player/load/module_image.h"

namespace player {

struct ModuleTexts {
  std::string title;                                  // 20 bytes at offset 17
  std::string tracker;                                // 20 bytes at offset 38
  std::vector<std::string> instrumentNames;           // 22 bytes each
  std::vector<std::vector<std::string>> sampleNames;  // per instrument, 22 bytes each
  std::string message;  // the song message of the formats that carry one, lines ending in '\n'
};

// Texts as stored up to the first NUL, trailing spaces dropped, other control bytes shown as
// '?'. For an image the loader refuses, what could be read before the walk stopped. Throws
// std::bad_alloc when memory runs out.
ModuleTexts readModuleTexts(const ModuleImage* image);

}  // namespace player
