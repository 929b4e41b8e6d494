// Loading a module from bytes or a file through the player's one load path, the reason when it
// does not load, and the module's references.
#include <cstdio>
#include <cstring>
#include <memory>

#include "lib/api_guard.h"
#include "lib/module_record.h"
#include "player/load/load_memory.h"
#include "player/load/module_fault_text.h"
#include "player/load/module_file.h"
#include "player/load/module_load.h"
#include "player/load/song_facts.h"
#include "player/load/xm_loader.h"

namespace jingle::internal {
namespace {

// Why the thread's last load or check failed; plain bytes, so that the thread needs nothing
// torn down at its end.
thread_local char loadReason[256];

void setReason(const std::string& reason) {
  std::snprintf(loadReason, sizeof loadReason, "%s", reason.c_str());
}

jingle_status statusOf(player::ModuleVerdict verdict) {
  switch (verdict) {
    case player::ModuleVerdict::LOADED:
      return JINGLE_OK;
    case player::ModuleVerdict::CANNOT_READ:
      return JINGLE_CANNOT_READ;
    case player::ModuleVerdict::NOT_A_MODULE:
      return JINGLE_NOT_A_MODULE;
    case player::ModuleVerdict::TOO_LARGE:
      return JINGLE_TOO_LARGE;
    case player::ModuleVerdict::UNSUPPORTED:
      return JINGLE_UNSUPPORTED;
    case player::ModuleVerdict::DAMAGED:
      return JINGLE_DAMAGED;
    case player::ModuleVerdict::NO_MEMORY:
      break;
  }
  return JINGLE_OUT_OF_MEMORY;
}

// The header's patterns are numbered by the order table; those it names.
std::int32_t patternsNamed(const player::Song& song) {
  bool named[player::ORDER_TABLE_SIZE] = {};
  std::int32_t count = 0;
  for (std::int32_t i = 0; i < song.songLength; ++i) {
    count += named[song.orderTable[i]] ? 0 : 1;
    named[song.orderTable[i]] = true;
  }
  return count;
}

void fillInfo(jingle_module& module, const player::LoadedModule& loaded, std::uint32_t bytes) {
  const player::Song& song = *module.song;
  const player::ModuleCheck& check = loaded.check;
  jingle_module_info& info = module.info;
  info.format = module.format.c_str();
  info.title = module.title.c_str();
  info.tracker = module.tracker.c_str();
  info.note = module.note.c_str();
  info.message = module.message.c_str();
  info.note_actions = player::noteActionInstruments(song);
  info.filters = player::filterInstruments(song);
  info.channels = song.channelCount;
  info.orders = song.songLength;
  info.restart_order = song.restartPosition;
  info.patterns = song.patternSlotCount;
  info.patterns_used = patternsNamed(song);
  info.instruments = song.instrumentCount;
  info.samples = static_cast<std::int32_t>(player::ownSampleCount(song));
  info.linear_frequencies = (song.flags & player::SONG_LINEAR_FREQUENCIES) != 0 ? 1 : 0;
  info.speed = song.defaultSpeed;
  info.bpm = song.defaultBpm;
  info.stored_channels = check.stored.channelCount;
  info.stored_orders = check.stored.songLength;
  info.stored_restart_order = check.stored.restartPosition;
  info.stored_patterns = check.patternCount;
  info.stored_instruments = check.stored.instrumentCount;
  info.stored_speed = check.stored.speed;
  info.stored_bpm = check.stored.bpm;
  info.sample_memory_bytes = player::sampleMemoryBytes(song);
  info.file_bytes = bytes;

  const player::ModuleDamage& damage = check.damage;
  module.damage = jingle_module_damage{damage.endsAt,
                                       damage.patterns,
                                       damage.patternsMissing,
                                       damage.instruments,
                                       damage.instrumentsMissing,
                                       damage.samplesMissing,
                                       damage.patternsWithNotes,
                                       damage.samplesWithData};
  if (player::moduleDamaged(damage)) module.warnings.push_back(player::moduleDamageText(damage));
}

// A module record for a loaded module, which it takes the song of; null when memory runs out.
jingle_module* makeModule(player::LoadedModule& loaded, std::uint32_t bytes) {
  auto* module = new (std::nothrow) jingle_module;
  if (module == nullptr) {
    player::freeSong(loaded.song);
    return nullptr;
  }
  module->song = loaded.song;
  loaded.song = nullptr;
  try {
    module->format = loaded.format;
    module->title = loaded.texts.title;
    module->tracker = loaded.texts.tracker;
    module->note = loaded.texts.note;
    module->message = loaded.texts.message;
    module->instrumentNames = loaded.texts.instrumentNames;
    for (std::size_t i = 0; i < loaded.texts.sampleNames.size(); ++i) {
      for (const std::string& name : loaded.texts.sampleNames[i]) {
        module->sampleNames.push_back(name);
        module->sampleOwners.push_back(static_cast<std::int32_t>(i));
      }
    }
    fillInfo(*module, loaded, bytes);
  } catch (...) {
    releaseModule(module);
    return nullptr;
  }
  return module;
}

// A module image freed however the load ends.
using ImageHold = std::unique_ptr<player::ModuleImage, void (*)(player::ModuleImage*)>;

jingle_status finishLoad(const player::ModuleImage* image, jingle_module** out) {
  player::LoadedModule loaded = player::loadModule(image);
  if (loaded.verdict != player::ModuleVerdict::LOADED) {
    setReason(loaded.reason);
    return statusOf(loaded.verdict);
  }
  *out = makeModule(loaded, player::moduleByteCount(image));
  if (*out == nullptr) {
    setReason(player::NOT_ENOUGH_MEMORY_TEXT);
    return JINGLE_OUT_OF_MEMORY;
  }
  return JINGLE_OK;
}

// The body of a load: the status, the reason set for every outcome, out set only on success.
template <typename Load>
jingle_status load(jingle_module** out, Load&& body) {
  if (out == nullptr) return JINGLE_NULL_ARGUMENT;
  *out = nullptr;
  loadReason[0] = '\0';
  const jingle_status status = guarded(body);
  if (status == JINGLE_OUT_OF_MEMORY && loadReason[0] == '\0') {
    setReason(player::NOT_ENOUGH_MEMORY_TEXT);
  }
  return status;
}

}  // namespace

void holdModule(const jingle_module* module) {
  const_cast<jingle_module*>(module)->references.fetch_add(1, std::memory_order_relaxed);
}

void releaseModule(const jingle_module* module) {
  auto* owned = const_cast<jingle_module*>(module);
  if (owned->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  player::freeSong(owned->song);
  delete owned;
}

}  // namespace jingle::internal

using namespace jingle::internal;

extern "C" {

jingle_status jingle_module_load(const void* data, size_t size, jingle_module** out) {
  return load(out, [&] {
    if (data == nullptr && size != 0) return JINGLE_NULL_ARGUMENT;
    std::string reason;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::size_t head = size < player::MODULE_HEAD_BYTES ? size : player::MODULE_HEAD_BYTES;
    const player::ModuleVerdict verdict = player::judgeModuleHead(bytes, head, size, reason);
    if (verdict != player::ModuleVerdict::LOADED) {
      setReason(reason);
      return statusOf(verdict);
    }
    const ImageHold image(player::makeModuleImage(data, static_cast<std::uint32_t>(size)),
                          player::freeModuleImage);
    if (image == nullptr) return JINGLE_OUT_OF_MEMORY;
    return finishLoad(image.get(), out);
  });
}

jingle_status jingle_module_load_file(const char* path, jingle_module** out) {
  return load(out, [&] {
    if (path == nullptr) return JINGLE_NULL_ARGUMENT;
    std::string reason;
    player::ModuleImage* image = nullptr;
    const player::ModuleVerdict verdict = player::readModuleFile(path, image, reason);
    if (verdict != player::ModuleVerdict::LOADED) {
      setReason(reason);
      return statusOf(verdict);
    }
    return finishLoad(ImageHold(image, player::freeModuleImage).get(), out);
  });
}

jingle_status jingle_check_file_head(const void* head, size_t head_bytes, uint64_t file_bytes) {
  loadReason[0] = '\0';
  return guarded([&] {
    if (head == nullptr && head_bytes != 0) return JINGLE_NULL_ARGUMENT;
    if (head_bytes > player::MODULE_HEAD_BYTES) head_bytes = player::MODULE_HEAD_BYTES;
    std::string reason;
    const player::ModuleVerdict verdict = player::judgeModuleHead(
        static_cast<const std::uint8_t*>(head), head_bytes, file_bytes, reason);
    setReason(reason);
    return statusOf(verdict);
  });
}

const char* jingle_load_reason(void) {
  return loadReason;
}

void jingle_module_free(jingle_module* module) {
  if (module != nullptr) releaseModule(module);
}

}  // extern "C"
