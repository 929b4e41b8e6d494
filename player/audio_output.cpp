#include "player/audio_output.h"

#include <cfenv>
#include <cstring>

#include "player/block_status.h"
#include "player/engine.h"
#include "player/mixer/mixer.h"
#include "player/numeric.h"
#include "player/replay/song_flow.h"

namespace player {
namespace {

constexpr std::int32_t LOWEST_RATE = 1000;
constexpr std::int32_t HIGHEST_RATE = 1000000;
constexpr std::int32_t BLOCK_MS = 20;
constexpr std::int32_t RING_SECONDS = 2;
constexpr std::int32_t RAMP_FRAMES_AT_44100 = 128;

// The tempo constants as the single-precision values they are held in.
constexpr float TICK_BEAT_SCALE = 0.4f;
constexpr float MS_TO_SECONDS = 0.001f;

}  // namespace

void prepareOutput(Engine& engine, std::int32_t rate) {
  if (rate < LOWEST_RATE) rate = LOWEST_RATE;
  if (rate > HIGHEST_RATE) rate = HIGHEST_RATE;
  AudioOutput& output = engine.output;
  output.outputRate = rate;
  // Every rounding the engine does assumes round-to-nearest with no trapping exception.
  std::fesetenv(FE_DFL_ENV);
  std::fesetround(FE_TONEAREST);
  output.secondsPerFrame = static_cast<float>(1.0 / rate);
  output.blockFrames = (rate * BLOCK_MS / 1000 + 3) & ~3;
  output.ringFrames = (1000 / BLOCK_MS) * output.blockFrames * RING_SECONDS;
  VoicePool& pool = engine.voicePool;
  pool.rampLength = rate * RAMP_FRAMES_AT_44100 / 44100;
  pool.rampReciprocal = static_cast<float>(1.0 / pool.rampLength);
  resetVoicePool(pool);
}

std::int32_t framesPerTick(std::int32_t bpm, std::int32_t rate) {
  if (bpm < 1) bpm = 1;
  const double ticksPerSecond = static_cast<double>(bpm) * static_cast<double>(TICK_BEAT_SCALE);
  const double tickMs = 1000.0 / ticksPerSecond;
  return roundToInt32(tickMs * static_cast<double>(rate) * static_cast<double>(MS_TO_SECONDS));
}

void setBpm(Engine& engine, Song* song, std::int32_t bpm) {
  if (song == nullptr) return;
  if (bpm < 1) bpm = 1;
  song->bpm = bpm;
  song->samplesPerTick = tickFrames(song, bpm, engine.output.outputRate);
}

namespace {

// Multiplies count stereo frames by gain.
void applyGain(float* frames, std::int32_t count, float gain) {
  for (std::int32_t i = 0; i < 2 * count; ++i)
    frames[i] *= gain;
}

// Each frame's side scaled by sideFactor around its middle; at 0 both sides are the middle.
void applyStereoWidth(float* frames, std::int32_t count, float sideFactor) {
  for (std::int32_t i = 0; i < count; ++i) {
    const float left = frames[2 * i];
    const float right = frames[2 * i + 1];
    const float middle = (left + right) * 0.5f;
    const float side = (left - right) * 0.5f * sideFactor;
    frames[2 * i] = middle + side;
    frames[2 * i + 1] = middle - side;
  }
}

// One block of the ring: the song's ticks as they fall due and the voices between them, mixed
// (audible) or moved on without mixing.
template <bool audible>
void runBlock(Engine& engine) {
  AudioOutput& output = engine.output;
  Song* song = output.song;
  if (song == nullptr || output.mixBuffer == nullptr || output.waveBuffer == nullptr ||
      output.blockInfos == nullptr || output.blockFrames < 1) {
    return;
  }
  const std::int32_t block = output.writeBlock;
  const std::int32_t blockFrames = output.blockFrames;
  const std::ptrdiff_t base = static_cast<std::ptrdiff_t>(block) * blockFrames;
  float* const frames = output.mixBuffer + 2 * base;
  if (audible) std::memset(frames, 0, sizeof(float) * 2 * static_cast<std::size_t>(blockFrames));

  float* cursor = frames;
  std::int32_t done = 0;
  // A damaged countdown counts as a tick that is due.
  std::int32_t countdown = song->tickSamplesLeft > 0 ? song->tickSamplesLeft : 0;
  while (done < blockFrames) {
    std::int32_t span = countdown;
    if (countdown == 0) {
      if (song->tickHandler != nullptr) song->tickHandler(engine, song);
      // A tempo change made by the tick applies to the tick itself; a tick lasts at least one
      // frame, so a broken tempo cannot stall the block.
      span = song->samplesPerTick > 0 ? song->samplesPerTick : 1;
      countdown = span;
    }
    if (span > blockFrames - done) span = blockFrames - done;
    if (audible) {
      mixVoices(engine.voicePool, cursor, span,
                engine.interpolation.load(std::memory_order_relaxed));
    } else {
      skipVoices(engine.voicePool, cursor, span);
    }
    const double spanMs =
        static_cast<double>(span) * static_cast<double>(output.secondsPerFrame) * 1000.0;
    song->playTimeMs = wrapAdd(song->playTimeMs, roundToInt32(spanMs));
    done += span;
    countdown -= span;
    cursor += 2 * static_cast<std::ptrdiff_t>(span);
  }

  BlockInfo& info = output.blockInfos[block];
  info.order = static_cast<std::uint8_t>(song->orderPosition);
  info.row = static_cast<std::uint8_t>(song->row);
  info.timeMs = song->playTimeMs;
  song->tickSamplesLeft = countdown;
  if (audible) {
    const float sideChange = engine.sideChange.load(std::memory_order_relaxed);
    if (sideChange != 0.0f) applyStereoWidth(frames, blockFrames, 1.0f + sideChange);
    const float gain = engine.outputGain.load(std::memory_order_relaxed);
    if (gain != 0.0f) applyGain(frames, blockFrames, gain);
    if (engine.blockStatus.keep.load(std::memory_order_relaxed)) {
      recordBlockStatus(engine, song, block, frames, blockFrames);
    }
    clipToPcm(output.waveBuffer + 2 * base, frames, blockFrames);
  }
  output.writeBlock = block + 1 < blockCount(output) ? block + 1 : 0;
}

}  // namespace

void renderBlock(Engine& engine) {
  runBlock<true>(engine);
}

void skipBlock(Engine& engine) {
  runBlock<false>(engine);
}

}  // namespace player
