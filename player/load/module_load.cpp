#include "player/load/module_load.h"

#include "player/load/module_fault_text.h"
#include "player/load/xm_loader.h"

namespace player {
namespace {

ModuleVerdict verdictOf(ModuleFault fault) {
  switch (fault) {
    case ModuleFault::NONE:
      return ModuleVerdict::LOADED;
    case ModuleFault::EMPTY:
    case ModuleFault::UNKNOWN_FORMAT:
      return ModuleVerdict::NOT_A_MODULE;
    case ModuleFault::TOO_MANY_CHANNELS:
    case ModuleFault::TOO_MANY_PATTERNS:
    case ModuleFault::TOO_MANY_CELLS:
    case ModuleFault::TOO_MANY_SAMPLES:
      return ModuleVerdict::UNSUPPORTED;
    case ModuleFault::NO_MEMORY:
      break;
  }
  return ModuleVerdict::NO_MEMORY;
}

}  // namespace

LoadedModule::LoadedModule() = default;
LoadedModule::LoadedModule(LoadedModule&& other) noexcept = default;
LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept = default;
LoadedModule::~LoadedModule() = default;

LoadedModule loadModule(const ModuleImage* image) {
  LoadedModule loaded;
  const std::uint32_t size = moduleByteCount(image);
  const std::size_t headBytes = size < MODULE_HEAD_BYTES ? size : MODULE_HEAD_BYTES;
  loaded.verdict = judgeModuleHead(moduleBytes(image), headBytes, size, loaded.reason);
  if (loaded.verdict != ModuleVerdict::LOADED) return loaded;
  loaded.check = checkModule(image);
  loaded.verdict = verdictOf(loaded.check.fault);
  loaded.reason = moduleFaultText(loaded.check);
  if (loaded.verdict == ModuleVerdict::LOADED && nothingPlayableRemains(loaded.check.damage)) {
    loaded.verdict = ModuleVerdict::DAMAGED;
    loaded.reason = moduleDamageText(loaded.check.damage);
  }
  if (loaded.verdict != ModuleVerdict::LOADED) return loaded;
  loaded.song = loadSong(image, nullptr);
  if (loaded.song == nullptr) {
    loaded.verdict = ModuleVerdict::NO_MEMORY;
    loaded.reason = NOT_ENOUGH_MEMORY_TEXT;
    return loaded;
  }
  loaded.format = formatName(loaded.check.format);
  try {
    loaded.texts = readModuleTexts(image);
  } catch (...) {
    freeSong(loaded.song);
    throw;
  }
  return loaded;
}

}  // namespace player
