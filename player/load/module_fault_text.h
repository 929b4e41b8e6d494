// What a module check found, in words for the player's user: one wording for the tool, the
// library and the resource checker.
#pragma once

#include <string>

#include "player/load/module_check.h"

namespace player {

// "" for a module the loader accepts; otherwise one phrase without a trailing full stop, such as
// "has 40 channels (at most 32 are supported)".
// The words for a module that memory runs out on while it is read or loaded.
inline constexpr const char* NOT_ENOUGH_MEMORY_TEXT = "not enough memory to load it";

std::string moduleFaultText(const ModuleCheck& check);

// "" for a whole file; otherwise one phrase without a trailing full stop that says where the file
// ends and what is missing, such as "the file ends at byte 3000, before what its headers describe;
// missing or incomplete: 2 of 9 patterns and 5 samples", or, when nothing playable remains,
// "the file ends at byte 100, before what its headers describe, and nothing playable remains".
std::string moduleDamageText(const ModuleDamage& damage);

}  // namespace player
