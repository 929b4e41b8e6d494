// Reading a module file for a command: the file's bytes as a ModuleImage and the song loaded
// from it, or one line on stderr that says why the file cannot be used. The file's start and size
// are checked before the rest of it is read. "-" reads standard input. A damaged file (one that
// ends before what it describes) is used for what remains of it, unless nothing playable does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "player/load/module_damage.h"
#include "player/load/module_image.h"
#include "player/load/song.h"

namespace cli {

// Larger files are refused without being read: no module comes near this size.
constexpr std::uint64_t MAX_MODULE_BYTES = std::uint64_t{256} << 20;
// A module holds at least its fixed header, up to the song's tempo before the order table.
constexpr std::size_t MODULE_HEAD_BYTES = 80;

struct ModuleFile {
  player::ModuleImage* image = nullptr;
  player::Song* song = nullptr;
  player::ModuleDamage damage{};  // what the file lacks of what it describes
};

// For a damaged file, "jingle: PATH: damaged: what is missing" on stderr; nothing otherwise.
void warnOfDamage(const std::string& path, const ModuleFile& file);

// What the file's first bytes (up to MODULE_HEAD_BYTES of them) and its size say against it: ""
// when the rest of the file is worth reading, else why it cannot be a module.
std::string moduleHeadFault(const std::uint8_t* head, std::size_t headBytes,
                            std::uint64_t fileBytes);

// Checks and loads a whole module image, which file then owns (it is freed on failure). EXIT_OK
// with file filled, or EXIT_BAD_INPUT with the reason.
int loadModuleImage(player::ModuleImage* image, ModuleFile& file, std::string& reason);

// EXIT_OK with both filled, or EXIT_BAD_INPUT after printing "jingle: PATH: reason" on stderr:
// the file cannot be read, is not a module the player knows, holds what the player cannot play or
// nothing playable; "not enough memory" when it cannot be held.
int openModuleFile(const std::string& path, ModuleFile& file);

// Frees the song and the image; safe on an empty ModuleFile.
void closeModuleFile(ModuleFile& file);

}  // namespace cli
