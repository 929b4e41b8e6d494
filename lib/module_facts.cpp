// What a loaded module holds: its facts, its length and the names of its instruments and samples.
#include <cstdio>
#include <string>

#include "jingle/module.h"
#include "lib/engine_use.h"
#include "lib/module_record.h"
#include "player/load/song_facts.h"
#include "player/offline_render.h"

namespace jingle {
namespace {

void copyText(char (&destination)[21], const std::string& text) {
  std::snprintf(destination, sizeof destination, "%s", text.c_str());
}

// The natural length needs the engine: found when it is free, kept from then on.
std::int64_t naturalLength(const Module& module) {
  if (module.durationFrames < 0 && internal::engineState.use == internal::EngineUse::IDLE) {
    module.durationFrames = player::naturalLengthFrames(module.song, 1, player::MAX_NATURAL_FRAMES);
  }
  return module.durationFrames;
}

}  // namespace

Status moduleFacts(const Module* module, ModuleFacts* facts) {
  if (module == nullptr || facts == nullptr) return Status::NULL_ARGUMENT;
  const player::Song& song = *module->song;
  *facts = ModuleFacts{};
  copyText(facts->title, module->texts.title);
  copyText(facts->tracker, module->texts.tracker);
  facts->channels = song.channelCount;
  facts->orders = song.songLength;
  facts->restartPosition = song.restartPosition;
  facts->patterns = module->headerPatterns;
  facts->patternSlots = song.patternSlotCount;
  facts->instruments = song.instrumentCount;
  facts->samples = static_cast<std::int32_t>(player::ownSampleCount(song));
  facts->linearFrequencies = (song.flags & player::SONG_LINEAR_FREQUENCIES) != 0;
  facts->speed = song.defaultSpeed;
  facts->bpm = song.defaultBpm;
  facts->sampleMemoryBytes = player::sampleMemoryBytes(song);
  facts->durationFrames = naturalLength(*module);
  facts->durationLimited = facts->durationFrames >= player::MAX_NATURAL_FRAMES;
  std::snprintf(facts->format, sizeof facts->format, "%s", player::formatName(song.format));
  return Status::OK;
}

const char* instrumentName(const Module* module, std::int32_t instrument) {
  if (module == nullptr || instrument < 0 ||
      static_cast<std::size_t>(instrument) >= module->texts.instrumentNames.size()) {
    return nullptr;
  }
  return module->texts.instrumentNames[static_cast<std::size_t>(instrument)].c_str();
}

std::int32_t instrumentSampleCount(const Module* module, std::int32_t instrument) {
  if (module == nullptr || instrument < 0 || instrument >= module->song->instrumentCount) return 0;
  return module->song->instruments[instrument].sampleCount;
}

const char* sampleName(const Module* module, std::int32_t instrument, std::int32_t sample) {
  if (instrumentName(module, instrument) == nullptr || sample < 0) return nullptr;
  const auto& names = module->texts.sampleNames[static_cast<std::size_t>(instrument)];
  if (static_cast<std::size_t>(sample) >= names.size()) return nullptr;
  return names[static_cast<std::size_t>(sample)].c_str();
}

}  // namespace jingle
