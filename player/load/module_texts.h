// The texts a module carries that the song records do not keep: the module's title, the name of
// the program that wrote it, and the names of its instruments and samples. Read by walking the
// file the way the loader does, so the names belong to the instruments and samples it loads.
// MOD and S3M name their samples only: each is an instrument of one sample of the same name.
#pragma once

#include <string>
#include <vector>

#include "player/load/module_image.h"

namespace player {

struct ModuleTexts {
  // Made and destroyed in one place (module_texts.cpp) rather than inline wherever it is used:
  // the static library keeps one copy of each of its functions.
  ModuleTexts();
  ModuleTexts(const ModuleTexts& other);
  ModuleTexts(ModuleTexts&& other) noexcept;
  ModuleTexts& operator=(const ModuleTexts& other);
  ModuleTexts& operator=(ModuleTexts&& other) noexcept;
  ~ModuleTexts();

  std::string title;    // XM: 20 bytes at offset 17; MOD: 20 at 0; S3M: 28 at 0
  std::string tracker;  // XM: 20 bytes at offset 38; MOD and S3M: told by their markers
  std::vector<std::string> instrumentNames;           // 22 bytes each
  std::vector<std::vector<std::string>> sampleNames;  // per instrument, 22 bytes each
  std::string message;  // the song message of the formats that carry one, lines ending in '\n'
  std::string note;     // what the player leaves out of the module, or ""
};

// Texts as stored up to the first NUL, trailing spaces dropped, other control bytes shown as
// '?'. For an image the loader refuses, what could be read before the walk stopped. Throws
// std::bad_alloc when memory runs out.
ModuleTexts readModuleTexts(const ModuleImage* image);

}  // namespace player
