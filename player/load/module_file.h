// Judging and reading a module file: its first bytes and its size are judged before the rest is
// read, so that neither the library nor the tool reads what cannot be a module. One verdict and
// one wording for both; module_load.h judges what is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "player/load/module_image.h"

namespace player {

// Larger files are refused without being read: no module comes near this size.
constexpr std::uint64_t MAX_MODULE_BYTES = std::uint64_t{256} << 20;
// A module holds at least its fixed header, up to the song's tempo before the order table.
constexpr std::size_t MODULE_HEAD_BYTES = 80;

// What becomes of a module file or image.
enum class ModuleVerdict {
  LOADED,        // readable and loaded (or, for the head, worth reading)
  CANNOT_READ,   // the file cannot be opened or read
  NOT_A_MODULE,  // no module of a format the player reads
  TOO_LARGE,     // above MAX_MODULE_BYTES
  UNSUPPORTED,   // a module beyond what the player plays
  DAMAGED,       // a damaged module of which nothing playable remains
  NO_MEMORY,     // memory ran out reading or loading it
};

// What the file's first bytes (up to MODULE_HEAD_BYTES of them) and its size say against it:
// LOADED when the rest is worth reading, else NOT_A_MODULE or TOO_LARGE with reason, one phrase
// for the user such as "not an XM module (12 bytes, too short for its header)". Only an empty
// file, an XM head of a file too short, and a file too large are refused here: the format of
// the rest is decided from the whole file.
ModuleVerdict judgeModuleHead(const std::uint8_t* head, std::size_t headBytes,
                              std::uint64_t fileBytes, std::string& reason);

// Reads the module file at path, its head judged first: LOADED with image set (the caller frees
// it), or the verdict with reason, such as "cannot be read: no such file".
ModuleVerdict readModuleFile(const char* path, ModuleImage*& image, std::string& reason);

}  // namespace player
