#include "player/mixer/frame_loops.h"

#include <cstddef>

namespace player {
namespace {

constexpr float TWO_POW_MINUS_31 = 0x1p-31f;

// The sample value at position: s[i] + w * (s[i + 1] - s[i]), w built from the fraction's upper
// 31 bits. Every operation here is exact in double, whatever the values.
inline double interpolate(const std::int16_t* data, std::uint64_t position) {
  const auto index = static_cast<std::size_t>(position >> 32);
  const auto fraction = static_cast<std::uint32_t>(position);
  const double current = data[index];
  const double next = data[index + 1];
  const double weight = static_cast<double>(static_cast<std::int32_t>(fraction >> 1)) *
                        static_cast<double>(TWO_POW_MINUS_31);
  return current + weight * (next - current);
}

// Adds value * gain to one buffer value in double and rounds the sum to float.
inline void accumulate(float& target, double value, double gain) {
  target = static_cast<float>(static_cast<double>(target) + value * gain);
}

}  // namespace

std::uint64_t positionAfter(std::uint64_t position, std::uint64_t delta, std::int32_t frames) {
  if (frames <= 0) return position;
  // After the first frame the low bit of the position equals that of delta; an odd delta loses
  // one unit at every later frame.
  const auto n = static_cast<std::uint64_t>(frames);
  return (position & ~std::uint64_t{1}) + n * delta - (n - 1) * (delta & 1);
}

std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain) {
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const double left = leftGain;
  const double right = rightGain;
  std::int32_t done = 0;
  for (; done + 1 < frames; done += 2, out += 4) {
    const std::uint64_t second = nextPosition(position, delta);
    const double x0 = interpolate(data, position);
    const double x1 = interpolate(data, second);
    position = nextPosition(second, delta);
    accumulate(out[0], x0, left);
    accumulate(out[1], x0, right);
    accumulate(out[2], x1, left);
    accumulate(out[3], x1, right);
  }
  if (done < frames) {
    const double x = interpolate(data, position);
    accumulate(out[0], x, left);
    accumulate(out[1], x, right);
    position = nextPosition(position, delta);
  }
  return position;
}

std::uint64_t mixFixedFramesSingly(float* out, std::int32_t frames, const std::int16_t* data,
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

}  // namespace player
