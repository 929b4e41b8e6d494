// Pull rendering: the offline block renderer run at the caller's rate, its blocks handed out in
// whatever number of frames each call asks for, cut at the song's end.
#include <cstring>

#include "jingle/render.h"
#include "lib/engine_use.h"
#include "lib/module_record.h"
#include "player/audio_output.h"
#include "player/offline_render.h"

namespace jingle {
namespace {

// The song stops after 30 minutes when it has not ended by then, as the tool's render does.
constexpr std::int64_t LIMIT_SECONDS = 30 * 60;
constexpr float FULL_SCALE = 32768.0f;

struct PullRender {
  std::int32_t rate;
  std::int32_t rounds;
  std::int64_t limit;        // frames after which the song stops at the latest
  std::int64_t nextStart;    // first frame of the next block
  std::int64_t blockStart;   // first frame of the current block
  std::int32_t block;        // the current block's index in the ring; -1 before the first
  std::int32_t blockFrames;  // frames of the current block that belong to the song
  std::int32_t handedOut;    // frames of the current block handed out
  bool lastBlock;            // the song ends in the current block
  std::int64_t frames;       // frames handed out in all
};

PullRender pull{};

bool isRendering() {
  return internal::engineState.use == internal::EngineUse::RENDERING;
}

player::Engine& engine() {
  return internal::engineState.engine;
}

// Renders the next block; false once the song has ended.
bool nextBlock() {
  if (pull.lastBlock) return false;
  const std::int32_t frames = player::offlineBlockFrames(engine());
  pull.block = engine().output.writeBlock;
  player::renderNextBlock(engine());
  pull.blockStart = pull.nextStart;
  pull.nextStart += frames;
  pull.blockFrames = frames;
  pull.handedOut = 0;
  if (pull.rounds == ENDLESS) return true;
  const std::int64_t end = player::offlineNaturalEnd(engine());
  const std::int64_t stop = end >= 0 && end < pull.limit ? end : pull.limit;
  if (stop <= pull.nextStart) {
    const std::int64_t left = stop - pull.blockStart;
    pull.blockFrames = static_cast<std::int32_t>(left < 0 ? 0 : left);
    pull.lastBlock = true;
  }
  return true;
}

void copyFrames(std::int16_t* destination, std::size_t offset, std::size_t count) {
  std::memcpy(destination, engine().output.waveBuffer + offset, count * 2 * sizeof(std::int16_t));
}

void copyFrames(float* destination, std::size_t offset, std::size_t count) {
  const float* mix = engine().output.mixBuffer + offset;
  for (std::size_t i = 0; i < count * 2; ++i)
    destination[i] = mix[i] / FULL_SCALE;  // a power of two: exact
}

template <typename Value>
std::size_t renderInto(Value* destination, std::size_t count) {
  if (destination == nullptr || !isRendering()) return 0;
  std::size_t done = 0;
  while (done < count) {
    if (pull.handedOut == pull.blockFrames && !nextBlock()) break;
    std::size_t take = static_cast<std::size_t>(pull.blockFrames - pull.handedOut);
    if (take > count - done) take = count - done;
    const std::size_t ringFrame =
        static_cast<std::size_t>(pull.block) *
            static_cast<std::size_t>(player::offlineBlockFrames(engine())) +
        static_cast<std::size_t>(pull.handedOut);
    copyFrames(destination + 2 * done, 2 * ringFrame, take);
    pull.handedOut += static_cast<std::int32_t>(take);
    done += take;
  }
  pull.frames += static_cast<std::int64_t>(done);
  return done;
}

}  // namespace

namespace internal {

void endRender() {
  player::stopOfflineRender(engine());
  pull = PullRender{};
  engineState.module = nullptr;
  engineState.use = EngineUse::IDLE;
}

}  // namespace internal

Status startRender(Module* module, const RenderSettings& settings) {
  if (module == nullptr) return Status::NULL_ARGUMENT;
  if (settings.rate < MIN_RATE || settings.rate > MAX_RATE || settings.rounds < 0) {
    return Status::INVALID_ARGUMENT;
  }
  if (internal::engineState.use != internal::EngineUse::IDLE) return Status::BUSY;
  const std::int32_t rounds = settings.rounds == ENDLESS ? 1 : settings.rounds;
  if (!player::startOfflineRender(engine(), module->song, rounds, settings.rate)) {
    return Status::OUT_OF_MEMORY;
  }
  pull = PullRender{};
  pull.rate = settings.rate;
  pull.rounds = settings.rounds;
  pull.limit = LIMIT_SECONDS * settings.rate;
  pull.block = -1;
  internal::engineState.module = module;
  internal::engineState.use = internal::EngineUse::RENDERING;
  return Status::OK;
}

std::size_t renderFrames(std::int16_t* frames, std::size_t count) {
  return renderInto(frames, count);
}

std::size_t renderFrames(float* frames, std::size_t count) {
  return renderInto(frames, count);
}

bool renderFinished() {
  return isRendering() && pull.lastBlock && pull.handedOut == pull.blockFrames;
}

Status renderPosition(Position* position) {
  if (position == nullptr) return Status::NULL_ARGUMENT;
  if (!isRendering()) return Status::NOT_STARTED;
  *position = Position{};
  if (pull.block >= 0) {
    const player::BlockInfo info = engine().output.blockInfos[pull.block];
    position->order = info.order;
    position->row = info.row;
  }
  position->timeMs = static_cast<std::int32_t>(pull.frames * 1000 / pull.rate);
  return Status::OK;
}

std::int64_t renderedFrames() {
  return isRendering() ? pull.frames : 0;
}

Status stopRender() {
  if (!isRendering()) return Status::NOT_STARTED;
  internal::endRender();
  return Status::OK;
}

}  // namespace jingle
