// Loading a module from bytes or a file, with the reason when it does not load, and freeing it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "jingle/module.h"
#include "lib/engine_use.h"
#include "lib/module_record.h"
#include "player/load/module_check.h"
#include "player/load/module_fault_text.h"
#include "player/load/xm_loader.h"

namespace jingle {
namespace {

Module* refuse(LoadFailure* failure, Status status, const std::string& reason) {
  if (failure != nullptr) {
    failure->status = status;
    std::snprintf(failure->reason, sizeof failure->reason, "%s", reason.c_str());
  }
  return nullptr;
}

Status faultStatus(player::ModuleFault fault) {
  switch (fault) {
    case player::ModuleFault::NONE:
      return Status::OK;
    case player::ModuleFault::EMPTY:
    case player::ModuleFault::UNKNOWN_FORMAT:
      return Status::NOT_A_MODULE;
    case player::ModuleFault::TOO_MANY_CHANNELS:
    case player::ModuleFault::TOO_MANY_PATTERNS:
    case player::ModuleFault::TOO_MANY_CELLS:
    case player::ModuleFault::TOO_MANY_SAMPLES:
      return Status::UNSUPPORTED;
    case player::ModuleFault::NO_MEMORY:
      break;
  }
  return Status::OUT_OF_MEMORY;
}

// The file's bytes, or false with the reason it cannot be read.
bool readWholeFile(const char* path, std::vector<std::uint8_t>& bytes, std::string& reason) {
  std::error_code error;
  const auto type = std::filesystem::status(path, error).type();
  if (type == std::filesystem::file_type::not_found) {
    reason = "cannot be read: no such file";
    return false;
  }
  if (type == std::filesystem::file_type::directory) {
    reason = "cannot be read: it is a directory";
    return false;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    reason = "cannot be read: " + std::string(std::strerror(errno));
    return false;
  }
  // Module images count their bytes in 32 bits; nothing near that size is a module anyway.
  constexpr std::size_t maxBytes = std::numeric_limits<std::int32_t>::max();
  std::uint8_t chunk[65536];
  bool ok = true;
  while (ok) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (bytes.size() + got > maxBytes) {
      reason = "too large to be a module";
      ok = false;
    } else {
      bytes.insert(bytes.end(), chunk, chunk + got);
      if (got < sizeof chunk) break;
    }
  }
  if (ok && std::ferror(file) != 0) {
    reason = "cannot be read: read error";
    ok = false;
  }
  std::fclose(file);
  return ok;
}

}  // namespace

Module* loadModule(const void* bytes, std::size_t size, LoadFailure* failure) {
  if (bytes == nullptr && size != 0) return refuse(failure, Status::NULL_ARGUMENT, "no bytes");
  if (size > std::numeric_limits<std::int32_t>::max()) {
    return refuse(failure, Status::NOT_A_MODULE, "too large to be a module");
  }
  player::ModuleImage* image = player::makeModuleImage(bytes, static_cast<std::uint32_t>(size));
  if (image == nullptr) return refuse(failure, Status::OUT_OF_MEMORY, "not enough memory");
  const player::ModuleCheck check = player::checkModule(image);
  if (check.fault != player::ModuleFault::NONE) {
    player::freeModuleImage(image);
    return refuse(failure, faultStatus(check.fault), player::moduleFaultText(check));
  }
  auto* module = new (std::nothrow) Module;
  player::Song* song = module != nullptr ? player::loadSong(image, nullptr) : nullptr;
  if (song == nullptr) {
    delete module;
    player::freeModuleImage(image);
    return refuse(failure, Status::OUT_OF_MEMORY, player::NOT_ENOUGH_MEMORY_TEXT);
  }
  module->image = image;
  module->song = song;
  module->headerPatterns = check.patternCount;
  module->texts = player::readModuleTexts(image);
  if (failure != nullptr) *failure = LoadFailure{Status::OK, {}};
  return module;
}

Module* loadModuleFile(const char* path, LoadFailure* failure) {
  if (path == nullptr) return refuse(failure, Status::NULL_ARGUMENT, "no file name");
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!readWholeFile(path, bytes, reason)) return refuse(failure, Status::CANNOT_READ, reason);
  return loadModule(bytes.data(), bytes.size(), failure);
}

void freeModule(Module* module) {
  if (module == nullptr) return;
  internal::releaseEngine(module);
  player::freeSong(module->song);
  player::freeModuleImage(module->image);
  delete module;
}

}  // namespace jingle
