// The reference loops: one frame at a time, in scalar double arithmetic.
#include <cstddef>

#include "player/mixer/frame_loops.h"
#include "player/mixer/sinc_pass.h"
#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr double TWO_POW_MINUS_31 = 0x1p-31;

inline std::size_t indexOf(std::uint64_t position) {
  return static_cast<std::size_t>(position >> 32);
}

struct Nearest {
  const std::int16_t* data;
  double operator()(std::uint64_t position) const { return data[indexOf(position)]; }
};

struct Linear {
  const std::int16_t* data;
  double operator()(std::uint64_t position) const {
    const std::size_t index = indexOf(position);
    const double current = data[index];
    const double next = data[index + 1];
    // The fraction's upper 31 bits.
    const auto weightBits = static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
    const double weight = static_cast<double>(weightBits) * TWO_POW_MINUS_31;
    return current + weight * (next - current);
  }
};

struct Sinc {
  const std::int16_t* data;
  const std::int16_t* rows;
  double operator()(std::uint64_t position) const {
    const std::int16_t* taps = data + (indexOf(position) - SINC_TAPS_BEFORE);
    const std::int16_t* row = rows + static_cast<std::size_t>(sincRow(position)) * SINC_TAPS;
    std::int32_t sum = 0;
    for (int tap = 0; tap < SINC_TAPS; ++tap)
      sum += taps[tap] * row[tap];
    return static_cast<double>(sum) * SINC_UNIT;
  }
};

inline void accumulate(float& target, double value, double gain) {
  target = static_cast<float>(static_cast<double>(target) + value * gain);
}

template <class Value>
std::uint64_t mixFixed(float* out, std::int32_t frames, Value value, std::uint64_t position,
                       std::uint64_t delta, float leftGain, float rightGain) {
  for (std::int32_t done = 0; done < frames; ++done, out += 2) {
    const double x = value(position);
    accumulate(out[0], x, leftGain);
    accumulate(out[1], x, rightGain);
    position = nextPosition(position, delta);
  }
  return position;
}

template <class Value>
std::uint64_t mixRamp(float* out, std::int32_t frames, Value value, std::uint64_t position,
                      std::uint64_t delta, RampGains& gains) {
  float left = gains.left;
  float right = gains.right;
  for (std::int32_t done = 0; done < frames; ++done, out += 2) {
    const double x = value(position);
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

template <class Value>
std::uint64_t fixedFrames(float* out, std::int32_t frames, const Sample& sample,
                          std::uint64_t position, std::uint64_t delta, float leftGain,
                          float rightGain) {
  return mixFixed(out, frames, Value{sample.data}, position, delta, leftGain, rightGain);
}

template <class Value>
std::uint64_t rampFrames(float* out, std::int32_t frames, const Sample& sample,
                         std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixRamp(out, frames, Value{sample.data}, position, delta, gains);
}

std::uint64_t sincKernelFixed(float* out, std::int32_t frames, const std::int16_t* data,
                              const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                              float leftGain, float rightGain) {
  return mixFixed(out, frames, Sinc{data, rows}, position, delta, leftGain, rightGain);
}

std::uint64_t sincKernelRamp(float* out, std::int32_t frames, const std::int16_t* data,
                             const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                             RampGains& gains) {
  return mixRamp(out, frames, Sinc{data, rows}, position, delta, gains);
}

std::uint64_t sincFixedFrames(float* out, std::int32_t frames, const Sample& sample,
                              std::uint64_t position, std::uint64_t delta, float leftGain,
                              float rightGain) {
  return mixSincFixedFrames(PLAIN_SINC_KERNELS, PLAIN_SINC_KERNELS, out, frames, sample, position,
                            delta, leftGain, rightGain);
}

std::uint64_t sincRampFrames(float* out, std::int32_t frames, const Sample& sample,
                             std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixSincRampFrames(PLAIN_SINC_KERNELS, PLAIN_SINC_KERNELS, out, frames, sample, position,
                           delta, gains);
}

}  // namespace

std::uint64_t positionAfter(std::uint64_t position, std::uint64_t delta, std::int32_t frames) {
  if (frames <= 0) return position;
  const PassStride pass = passStride(position, delta);
  return pass.first + static_cast<std::uint64_t>(frames) * pass.stride;
}

const SincKernels PLAIN_SINC_KERNELS = {sincKernelFixed, sincKernelRamp};

const FrameLoops PLAIN_FRAME_LOOPS[INTERPOLATIONS] = {
    {fixedFrames<Linear>, rampFrames<Linear>},
    {fixedFrames<Nearest>, rampFrames<Nearest>},
    {sincFixedFrames, sincRampFrames},
};

}  // namespace player
