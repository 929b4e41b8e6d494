#include "cli/module_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "player/load/module_check.h"
#include "player/load/xm_loader.h"

namespace cli {
namespace {

int refuse(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "jingle: %s: %s\n", path.c_str(), reason.c_str());
  return EXIT_BAD_INPUT;
}

// The file's bytes, or false with the reason it cannot be read.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& reason) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    reason = "cannot be read: no such file";
    return false;
  }
  if (status.type() == std::filesystem::file_type::directory) {
    reason = "cannot be read: it is a directory";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    const int code = errno;
    reason = code == EACCES ? std::string("cannot be read: permission denied")
                            : "cannot be read: " + std::string(std::strerror(code));
    return false;
  }
  // Module images count their bytes in 32 bits; nothing near that size is a module anyway.
  constexpr std::size_t maxBytes = std::numeric_limits<std::int32_t>::max();
  std::uint8_t chunk[65536];
  bool ok = true;
  while (true) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (bytes.size() + got > maxBytes) {
      reason = "too large to be a module";
      ok = false;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) break;
  }
  if (ok && std::ferror(file) != 0) {
    reason = "cannot be read: read error";
    ok = false;
  }
  std::fclose(file);
  return ok;
}

std::string describeFault(const player::ModuleCheck& check) {
  switch (check.fault) {
    case player::ModuleFault::NONE:
      return "";
    case player::ModuleFault::EMPTY:
      return "not an XM module (the file is empty)";
    case player::ModuleFault::NOT_XM:
      return "not an XM module (no \"Extended Module: \" signature)";
    case player::ModuleFault::TOO_MANY_CHANNELS:
      return "has " + std::to_string(check.channelCount) + " channels (at most 32 are supported)";
    case player::ModuleFault::TOO_MANY_PATTERNS:
      return "declares " + std::to_string(check.patternCount) + " patterns (at most 256)";
    case player::ModuleFault::TOO_MANY_SAMPLES:
      return "instrument " + std::to_string(check.instrument) + " declares " +
             std::to_string(check.sampleCount) + " samples (at most 16)";
    case player::ModuleFault::NO_MEMORY:
      break;
  }
  return "not enough memory to load it";
}

}  // namespace

int openModuleFile(const std::string& path, ModuleFile& file) {
  file = ModuleFile{};
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!readWholeFile(path, bytes, reason)) return refuse(path, reason);

  player::ModuleImage* image =
      player::makeModuleImage(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (image == nullptr) return refuse(path, "not enough memory to load it");
  const player::ModuleCheck check = player::checkModule(image);
  if (check.fault != player::ModuleFault::NONE) {
    player::freeModuleImage(image);
    return refuse(path, describeFault(check));
  }
  player::Song* song = player::loadSong(image, nullptr);
  if (song == nullptr) {
    player::freeModuleImage(image);
    return refuse(path, "not enough memory to load it");
  }
  file.image = image;
  file.song = song;
  return EXIT_OK;
}

void closeModuleFile(ModuleFile& file) {
  player::freeSong(file.song);
  player::freeModuleImage(file.image);
  file = ModuleFile{};
}

}  // namespace cli
