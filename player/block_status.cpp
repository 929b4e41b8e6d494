#include "player/block_status.h"

#include <cmath>

#include "player/engine.h"

namespace player {
namespace {

constexpr float FULL_SCALE = 32768.0f;

}  // namespace

void recordBlockStatus(Engine& engine, const Song* song, std::int32_t block, const float* frames,
                       std::int32_t count) {
  if (block < 0 || block >= MAX_STATUS_BLOCKS) return;
  BlockStatus status{song->row, song->speed, song->bpm, 0, 0.0f, 0.0f};
  for (int v = 0; v < mixedVoiceCount(engine.voicePool); ++v) {
    const Voice& voice = engine.voicePool.voices[v];
    if (voice.sample != nullptr && (voice.leftLevel != 0 || voice.rightLevel != 0)) ++status.voices;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    status.peakLeft = std::fmax(status.peakLeft, std::fabs(frames[2 * i]) / FULL_SCALE);
    status.peakRight = std::fmax(status.peakRight, std::fabs(frames[2 * i + 1]) / FULL_SCALE);
  }
  engine.blockStatus.blocks[block] = status;
}

BlockStatus heardBlockStatus(const Engine& engine) {
  // The heard block's index rides in the top bits of the word that publishes it, so the status
  // read is one the mixing thread finished before it moved the heard block there.
  const std::uint64_t packed = engine.output.heardInfo.load(std::memory_order_acquire);
  const auto block = static_cast<std::int32_t>(packed >> 48);
  if (!engine.blockStatus.keep.load(std::memory_order_relaxed) || block >= MAX_STATUS_BLOCKS) {
    return BlockStatus{};
  }
  return engine.blockStatus.blocks[block];
}

}  // namespace player
