// Which format a module is in, decided from its bytes alone (never from a file name): the one
// place that tells formats apart, for the loader, the module check and the texts.
#pragma once

#include <cstdint>

#include "player/load/module_image.h"

namespace player {

// Song::format; XM is 0, so a zero-filled song is an XM song.
enum class ModuleFormat : std::uint8_t { XM = 0, MOD, S3M, IT, UNKNOWN };

// What the bytes are: XM by its signature at 0, IT by "IMPM" at 0, S3M by "SCRM" at 44, MOD by one
// of its tags at 1080, and a MOD without tag (Soundtracker's 15 samples) by a header and pattern
// data that only such a file has. UNKNOWN for anything else.
ModuleFormat detectFormat(const std::uint8_t* bytes, std::uint64_t count);
ModuleFormat moduleFormatOf(const ModuleImage* image);

// "XM", "MOD", "S3M", "IT"; "" for UNKNOWN.
const char* formatName(ModuleFormat format);

}  // namespace player
