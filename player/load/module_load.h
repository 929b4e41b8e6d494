// A module image judged and loaded in one call: the song the player plays, what the check found
// (damage and the header as stored), the texts, or why the image cannot be played. The one way
// into the loaders for every program that loads a module.
#pragma once

#include <string>

#include "player/load/module_check.h"
#include "player/load/module_file.h"
#include "player/load/module_image.h"
#include "player/load/module_texts.h"
#include "player/load/song.h"

namespace player {

struct LoadedModule {
  // Made and destroyed in one place (module_load.cpp) rather than inline wherever it is used: the
  // static library keeps one copy of each of its functions.
  LoadedModule();
  LoadedModule(LoadedModule&& other) noexcept;
  LoadedModule& operator=(LoadedModule&& other) noexcept;
  ~LoadedModule();

  ModuleVerdict verdict = ModuleVerdict::NO_MEMORY;
  std::string reason;       // "" when loaded; else one phrase for the user, as module_fault_text.h
  Song* song = nullptr;     // loaded: owned by the caller (freeSong)
  const char* format = "";  // "XM", "MOD", "S3M"
  ModuleCheck check{};      // what the check found; damage.endsAt != 0 for a damaged module
  ModuleTexts texts;        // loaded: title, tracker, instrument and sample names
};

// Judges the image as a file of its size (module_file.h), checks it and loads it. A damaged
// module of which something playable remains loads; one of which nothing does is DAMAGED.
// The image stays the caller's. May throw std::bad_alloc only while the texts are made, after
// which the song is freed again.
LoadedModule loadModule(const ModuleImage* image);

}  // namespace player
