// Reading a module file for a command: the file's bytes as a ModuleImage and the song loaded
// from it, or one line on stderr that says why the file cannot be used.
#pragma once

#include <string>

#include "player/load/module_image.h"
#include "player/load/song.h"

namespace cli {

struct ModuleFile {
  player::ModuleImage* image = nullptr;
  player::Song* song = nullptr;
};

// EXIT_OK with both filled, or EXIT_BAD_INPUT after printing "jingle: PATH: reason" on stderr:
// the file cannot be read, is not an XM module, or holds what the player cannot play.
int openModuleFile(const std::string& path, ModuleFile& file);

// Frees the song and the image; safe on an empty ModuleFile.
void closeModuleFile(ModuleFile& file);

}  // namespace cli
