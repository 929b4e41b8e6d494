#include "player/mixer/voice_mix.h"

#include <cstddef>

#include "player/mixer/filtered_frames.h"
#include "player/mixer/loop_boundary.h"
#include "player/numeric.h"

namespace player {
namespace {

// Gain scale: 255 is full gain; levels carry 8 more bits.
constexpr float INV_255 = 1.0f / 255.0f;
constexpr float INV_256 = 1.0f / 256.0f;
constexpr float GAIN_SCALE = 255.0f;
constexpr float LEVEL_SCALE = 256.0f;

// At a step below 256 samples a pass this long moves less than 2^24 samples, so a boundary that
// far away cannot be crossed unseen. Block spans are far shorter; only longer calls are split.
constexpr std::int32_t MAX_PASS_FRAMES = 65535;

struct PassRamp {
  std::int32_t frames;  // 0: the pass runs at the fixed gains
  float leftStep;
  float rightStep;
};

// The gain of one target unit: 1/255, or 1/(255 x 256) for a voice of fine gains.
double unitOf(const Voice& voice) {
  return voice.fineGains ? static_cast<double>(INV_255) * static_cast<double>(INV_256)
                         : static_cast<double>(INV_255);
}

// A level (8.8) in the units of its target.
std::int32_t levelUnits(std::int32_t level) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(level) >> 8);
}

// The ramp step of one side towards target from level (8.8), and whether it moves at all.
float rampStep(std::int32_t target, std::int32_t level, float rampReciprocal, double unit,
               bool& moves) {
  const std::int32_t difference = wrapSub(target, levelUnits(level));
  moves = difference != 0;
  return static_cast<float>(static_cast<double>(difference) * unit *
                            static_cast<double>(rampReciprocal));
}

// Continues the running ramp if the targets are still those it was set up for, otherwise sets up
// a new one from the current levels.
PassRamp setUpRamp(Voice& voice, VolumeRamp ramp) {
  if (voice.rampRemaining != 0 && voice.leftTarget == voice.rampLeftTarget &&
      voice.rightTarget == voice.rampRightTarget) {
    return {voice.rampRemaining, voice.leftRampStep, voice.rightRampStep};
  }
  // Gains already at their targets (the usual case) need no steps worked out.
  if (voice.leftTarget == levelUnits(voice.leftLevel) &&
      voice.rightTarget == levelUnits(voice.rightLevel)) {
    voice.rampLeftTarget = voice.leftTarget;
    voice.rampRightTarget = voice.rightTarget;
    voice.leftRampStep = 0.0f;
    voice.rightRampStep = 0.0f;
    return {0, 0.0f, 0.0f};
  }
  bool leftMoves = false;
  bool rightMoves = false;
  // A ramp that lowers the gain takes the pool's ramp down where it has one; a voice may ask for a
  // ramp of its own length.
  const bool up = static_cast<std::int64_t>(voice.leftTarget) + voice.rightTarget >
                  (static_cast<std::int64_t>(voice.leftLevel) + voice.rightLevel) / 256;
  const bool own = voice.rampFrames > 0;
  const bool down = !up && ramp.downLength > 0;
  const float reciprocal = own    ? 1.0f / static_cast<float>(voice.rampFrames)
                           : down ? ramp.downReciprocal
                                  : ramp.reciprocal;
  voice.rampLeftTarget = voice.leftTarget;
  const double unit = unitOf(voice);
  voice.leftRampStep = rampStep(voice.leftTarget, voice.leftLevel, reciprocal, unit, leftMoves);
  voice.rampRightTarget = voice.rightTarget;
  voice.rightRampStep = rampStep(voice.rightTarget, voice.rightLevel, reciprocal, unit, rightMoves);
  const std::int32_t length = own ? voice.rampFrames : (down ? ramp.downLength : ramp.length);
  const std::int32_t frames = leftMoves || rightMoves ? length : 0;
  return {frames, voice.leftRampStep, voice.rightRampStep};
}

float gainOf(std::int32_t target, double unit) {
  return static_cast<float>(static_cast<double>(target) * unit);
}

float gainOfLevel(std::int32_t level, double unit) {
  return static_cast<float>(static_cast<double>(level) * static_cast<double>(INV_256) * unit);
}

std::int32_t levelOfGain(float gain, bool fine) {
  const double level = static_cast<double>(gain) * static_cast<double>(GAIN_SCALE) *
                       static_cast<double>(LEVEL_SCALE);
  return roundToInt32(fine ? level * static_cast<double>(LEVEL_SCALE) : level);
}

// The levels a ramping pass ends on.
void keepLevels(Voice& voice, const RampGains& gains) {
  voice.leftLevel = levelOfGain(gains.left, voice.fineGains);
  voice.rightLevel = levelOfGain(gains.right, voice.fineGains);
}

// Counts a ramping pass of n frames off the ramp; where the ramp ends, the levels are its targets.
void endRampPass(Voice& voice, std::int32_t rampFrames, std::int32_t n) {
  voice.rampRemaining = rampFrames - n;
  if (voice.rampRemaining != 0) return;
  voice.leftRampStep = 0.0f;
  voice.rightRampStep = 0.0f;
  voice.leftLevel = wrapMul(voice.leftTarget, 256);
  voice.rightLevel = wrapMul(voice.rightTarget, 256);
}

void storePosition(Voice& voice, std::uint64_t position) {
  voice.position = static_cast<std::uint32_t>(position >> 32);
  voice.positionFrac = static_cast<std::uint32_t>(position);
}

// The voice's next sample takes over at `end` of the one it played, which the position has
// reached or passed: its loop plays on from the same distance past its start; a sample without
// a loop leaves the voice idle. False when the voice is idle after it.
bool swapSample(Voice& voice, std::uint64_t position, std::uint32_t end) {
  const Sample& next = *voice.nextSample;
  voice.nextSample = nullptr;
  const std::uint32_t nextEnd = next.loopStart + next.loopLength;
  if (next.loopMode != LOOP_FORWARD || next.loopLength == 0 || nextEnd <= next.loopStart ||
      next.data == nullptr) {
    voice.sample = nullptr;
    voice.position = 0;
    voice.positionFrac = 0;
    return false;
  }
  voice.sample = &next;
  storePosition(voice, position - (static_cast<std::uint64_t>(end) << 32) +
                           (static_cast<std::uint64_t>(next.loopStart) << 32));
  if (voice.position >= nextEnd) {
    voice.position = next.loopStart + (voice.position - next.loopStart) % next.loopLength;
  }
  return true;
}

// Moves a voice that goes round its forward loop at fixed gains on by frames without mixing
// them: the passes a mix makes, without the rest of a pass's set-up.
void skipForwardLoop(Voice& voice, std::int32_t frames, std::uint64_t step) {
  const Sample& sample = *voice.sample;
  const std::uint32_t end = sample.loopStart + sample.loopLength;
  while (frames > 0) {
    const std::uint64_t start =
        (static_cast<std::uint64_t>(voice.position) << 32) | voice.positionFrac;
    std::int32_t n = frames < MAX_PASS_FRAMES ? frames : MAX_PASS_FRAMES;
    const std::uint64_t toBoundary =
        framesToBoundary(start, step, false, sample.loopStart, end, static_cast<std::uint32_t>(n));
    const bool boundary = toBoundary <= static_cast<std::uint64_t>(n);
    if (boundary) n = static_cast<std::int32_t>(toBoundary);
    storePosition(voice, positionAfter(start, step, n));
    frames -= n;
    if (boundary) {
      wrapForwardLoop(voice.position, voice.positionFrac, sample.loopStart, sample.loopLength);
    }
  }
}

}  // namespace

void mixVoice(Voice& voice, float* frames, std::int32_t count, const FrameLoops& loops,
              VolumeRamp volumeRamp) {
  if (voice.sample == nullptr || count < 1) return;
  const Sample& sample = *voice.sample;
  const std::uint32_t loopStart = sample.loopStart;
  const std::uint32_t loopLength = sample.loopLength;
  const std::uint32_t end = loopStart + loopLength;
  // A loop needs at least one value; one that wraps past 2^32 cannot come from the loader.
  const bool loopable = loopLength != 0 && end > loopStart;
  const std::uint64_t step = (static_cast<std::uint64_t>(voice.step) << 32) | voice.stepFrac;

  const bool skipping = loops.fixed == SKIP_FRAME_LOOPS.fixed;
  float* cursor = frames;
  std::int32_t left = count;
  while (left > 0) {
    const std::uint64_t start =
        (static_cast<std::uint64_t>(voice.position) << 32) | voice.positionFrac;
    const bool backward = voice.direction != DIRECTION_FORWARD;
    std::int32_t n = left < MAX_PASS_FRAMES ? left : MAX_PASS_FRAMES;
    const std::uint64_t toBoundary =
        framesToBoundary(start, step, backward, loopStart, end, static_cast<std::uint32_t>(n));
    const bool boundary = toBoundary <= static_cast<std::uint64_t>(n);
    if (boundary) n = static_cast<std::int32_t>(toBoundary);
    const std::int32_t limit = n;

    const PassRamp ramp = setUpRamp(voice, volumeRamp);
    if (skipping && ramp.frames == 0 && !backward && voice.nextSample == nullptr &&
        sample.loopMode == LOOP_FORWARD && loopable) {
      skipForwardLoop(voice, left, step);
      return;
    }
    if (ramp.frames > 0) {
      voice.rampRemaining = ramp.frames;
      if (n > ramp.frames) n = ramp.frames;
    }

    const std::uint64_t delta = backward ? 0 - step : step;
    std::uint64_t position;
    // Skipping moves a filtered voice on as an unfiltered one: the filter changes no position.
    if (voice.filtered && !skipping) {
      // Filtered voices take one loop for fixed and ramping gains alike (steps of 0 when fixed).
      const double unit = unitOf(voice);
      RampGains gains = ramp.frames > 0 ? RampGains{gainOfLevel(voice.leftLevel, unit),
                                                    gainOfLevel(voice.rightLevel, unit),
                                                    ramp.leftStep, ramp.rightStep}
                                        : RampGains{gainOf(voice.leftTarget, unit),
                                                    gainOf(voice.rightTarget, unit), 0.0f, 0.0f};
      position = mixFilteredFrames(cursor, n, sample.data, start, delta, gains, voice.filter);
      if (ramp.frames > 0) {
        keepLevels(voice, gains);
        endRampPass(voice, ramp.frames, n);
      }
    } else if (ramp.frames > 0) {
      if (skipping && n == ramp.frames) {
        // The ramp ends in this pass, where the levels become the targets: the gains it would
        // step through are never kept.
        position = positionAfter(start, delta, n);
      } else {
        const double unit = unitOf(voice);
        RampGains gains{gainOfLevel(voice.leftLevel, unit), gainOfLevel(voice.rightLevel, unit),
                        ramp.leftStep, ramp.rightStep};
        position = loops.ramp(cursor, n, sample, start, delta, gains);
        keepLevels(voice, gains);
      }
      endRampPass(voice, ramp.frames, n);
    } else {
      const double unit = unitOf(voice);
      const float leftGain = gainOf(voice.leftTarget, unit);
      const float rightGain = gainOf(voice.rightTarget, unit);
      position = loops.fixed(cursor, n, sample, start, delta, leftGain, rightGain);
    }
    cursor += 2 * static_cast<std::ptrdiff_t>(n);
    left -= n;

    // A pass cut short by the end of its ramp, or one that stopped before the boundary, goes on
    // with a new pass from where it stands.
    if (!boundary || (ramp.frames > 0 && n < limit)) {
      storePosition(voice, position);
      continue;
    }

    if (voice.nextSample != nullptr && !backward) {
      // The rest of the call plays the sample swapped in.
      if (swapSample(voice, position, end)) mixVoice(voice, cursor, left, loops, volumeRamp);
      return;
    }
    if (sample.loopMode == LOOP_FORWARD && loopable && backward) {
      wrapForwardLoopBackward(position, loopStart, loopLength);
      storePosition(voice, position);
    } else if (sample.loopMode == LOOP_FORWARD && loopable) {
      storePosition(voice, position);
      wrapForwardLoop(voice.position, voice.positionFrac, loopStart, loopLength);
    } else if (sample.loopMode == LOOP_PINGPONG && loopable) {
      reversePingPong(position, voice.direction, loopStart, loopLength);
      storePosition(voice, position);
    } else {
      voice.sample = nullptr;
      voice.position = 0;
      voice.positionFrac = 0;
      return;
    }
  }
}

}  // namespace player
