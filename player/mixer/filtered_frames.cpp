#include "player/mixer/filtered_frames.h"

#include <cstddef>

namespace player {

std::uint64_t mixFilteredFrames(float* out, std::int32_t frames, const std::int16_t* data,
                                std::uint64_t position, std::uint64_t delta, RampGains& gains,
                                FilterState& filter) {
  float left = gains.left;
  float right = gains.right;
  for (std::int32_t done = 0; done < frames; ++done, out += 2) {
    const auto index = static_cast<std::size_t>(position >> 32);
    const double current = data[index];
    const double next = data[index + 1];
    const auto weightBits = static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
    const double x = current + static_cast<double>(weightBits) * 0x1p-31 * (next - current);
    const double y = filter.a * x + filter.b * filter.out1 + filter.c * filter.out2;
    filter.out2 = filter.out1;
    filter.out1 = y;
    out[0] = static_cast<float>(static_cast<double>(out[0]) + y * left);
    out[1] = static_cast<float>(static_cast<double>(out[1]) + y * right);
    left += gains.leftStep;
    right += gains.rightStep;
    position = nextPosition(position, delta);
  }
  gains.left = left;
  gains.right = right;
  return position;
}

}  // namespace player
