// The reference loops: one frame at a time, in scalar double arithmetic.
#include <cstddef>

#include "player/mixer/frame_loops.h"

namespace player {
namespace {

constexpr double TWO_POW_MINUS_31 = 0x1p-31;

inline double interpolate(const std::int16_t* data, std::uint64_t position) {
  const auto index = static_cast<std::size_t>(position >> 32);
  const double current = data[index];
  const double next = data[index + 1];
  // The fraction's upper 31 bits.
  const auto weightBits = static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
  const double weight = static_cast<double>(weightBits) * TWO_POW_MINUS_31;
  return current + weight * (next - current);
}

inline void accumulate(float& target, double value, double gain) {
  target = static_cast<float>(static_cast<double>(target) + value * gain);
}

std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain) {
  for (std::int32_t done = 0; done < frames; ++done, out += 2) {
    const double x = interpolate(data, position);
    accumulate(out[0], x, leftGain);
    accumulate(out[1], x, rightGain);
    position = nextPosition(position, delta);
  }
  return position;
}

std::uint64_t mixRampFrames(float* out, std::int32_t frames, const std::int16_t* data,
                            std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  float left = gains.left;
  float right = gains.right;
  for (std::int32_t done = 0; done < frames; ++done, out += 2) {
    const double x = interpolate(data, position);
    accumulate(out[0], x, left);
    accumulate(out[1], x, right);
    left += gains.leftStep;
    right += gains.rightStep;
    position = nextPosition(position, delta);
  }
  gains.left = left;
  gains.right = right;
  return position;
}

}  // namespace

std::uint64_t positionAfter(std::uint64_t position, std::uint64_t delta, std::int32_t frames) {
  if (frames <= 0) return position;
  const PassStride pass = passStride(position, delta);
  return pass.first + static_cast<std::uint64_t>(frames) * pass.stride;
}

const FrameLoops PLAIN_FRAME_LOOPS = {mixFixedFrames, mixRampFrames};

}  // namespace player
