// Playing a module on the sound device through the player's own path: the device opened at the
// player's rate, the song started with its pre-rendered ring and mixing thread, and stopped by
// the player's stop path.
#include "jingle/playback.h"
#include "lib/engine_use.h"
#include "lib/module_record.h"
#include "player/audio_output.h"
#include "player/player.h"

namespace jingle {
namespace {

constexpr std::int32_t DEVICE_RATE = 44100;  // the rate the player plays at

bool isPlaying() {
  return internal::engineState.use == internal::EngineUse::PLAYING;
}

player::Engine& engine() {
  return internal::engineState.engine;
}

}  // namespace

namespace internal {

void endPlayback() {
  player::playModule(engine(), nullptr);  // resumes a paused song, stops it, closes the device
  engineState.module = nullptr;
  engineState.use = EngineUse::IDLE;
}

}  // namespace internal

Status play(Module* module) {
  if (module == nullptr) return Status::NULL_ARGUMENT;
  if (internal::engineState.use != internal::EngineUse::IDLE) return Status::BUSY;
  if (!player::openOutput(engine(), DEVICE_RATE)) return Status::NO_DEVICE;
  if (!player::startSong(engine(), module->song)) {
    player::playModule(engine(), nullptr);  // closes the device again
    return Status::OUT_OF_MEMORY;
  }
  internal::engineState.module = module;
  internal::engineState.use = internal::EngineUse::PLAYING;
  return Status::OK;
}

Status setPaused(bool paused) {
  if (!isPlaying()) return Status::NOT_STARTED;
  if ((engine().output.paused != 0) != paused) player::togglePause(engine());
  return Status::OK;
}

Status stop() {
  if (!isPlaying()) return Status::NOT_STARTED;
  internal::endPlayback();
  return Status::OK;
}

bool playing() {
  return isPlaying();
}

Status playbackPosition(Position* position) {
  if (position == nullptr) return Status::NULL_ARGUMENT;
  if (!isPlaying()) return Status::NOT_STARTED;
  const player::BlockInfo info = player::heardBlockInfo(engine());
  *position = Position{info.order, info.row, info.timeMs};
  return Status::OK;
}

}  // namespace jingle
