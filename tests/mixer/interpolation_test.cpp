// The sinc interpolation: it follows a band-limited sine far closer than linear does, and its taps
// beyond a sample's edges hear what a voice would hear from the sample written out: zeros around
// a sample without loop, the loop repeated, or the loop mirrored back and forth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "player/mixer/mix_path.h"
#include "player/mixer/voice_mix.h"
#include "tests/mixer/voice_setup.h"

namespace {

using player::Interpolation;

// The voices' gains are settled: no ramp runs.
constexpr player::VolumeRamp NO_RAMP{128, 1.0f / 128};

// A sample of exactly these values, without the guard values a loaded sample has behind them:
// AddressSanitizer reports any read outside them.
struct ExactSample {
  std::vector<std::int16_t> values;
  player::Sample sample{};

  ExactSample(std::vector<std::int16_t> data, std::uint8_t loopMode, std::uint32_t loopStart,
              std::uint32_t loopLength)
      : values(std::move(data)) {
    sample.data = values.data();
    sample.length = static_cast<std::uint32_t>(values.size());
    sample.loopMode = loopMode;
    sample.bits = 16;
    sample.loopStart = loopMode == player::LOOP_OFF ? 0 : loopStart;
    sample.loopLength = loopMode == player::LOOP_OFF ? sample.length : loopLength;
  }
};

player::Voice voiceOn(player::Sample& sample, std::uint64_t position, std::uint64_t step,
                      std::int32_t direction) {
  player::Voice voice = mixtest::settledVoice(&sample, 255, 255);
  mixtest::setPosition(voice, position);
  voice.step = static_cast<std::uint32_t>(step >> 32);
  voice.stepFrac = static_cast<std::uint32_t>(step);
  voice.direction = direction;
  return voice;
}

std::uint64_t fixedPoint(double value) {
  return static_cast<std::uint64_t>(value * 0x1p32);
}

TEST(SincInterpolation, FollowsABandLimitedSineFarCloserThanLinear) {
  constexpr double AMPLITUDE = 20000.0;
  constexpr double PI = 3.14159265358979323846;
  constexpr int FRAMES = 3000;
  for (const double cycles : {1.0 / 16, 1.0 / 5}) {  // per sample value
    // 4096 values hold whole periods: the loop repeats without a seam.
    std::vector<std::int16_t> values(4096);
    for (std::size_t k = 0; k < values.size(); ++k) {
      values[k] = static_cast<std::int16_t>(std::lround(AMPLITUDE * std::sin(2 * PI * cycles * k)));
    }
    ExactSample sine(values, player::LOOP_FORWARD, 0, 4096);
    for (const double step : {0.29, 0.71, 0.97}) {
      double error[2] = {};
      for (const Interpolation interpolation : {Interpolation::LINEAR, Interpolation::SINC}) {
        player::Voice voice =
            voiceOn(sine.sample, fixedPoint(100.37), fixedPoint(step), player::DIRECTION_FORWARD);
        std::vector<float> frames(2 * FRAMES, 0.0f);
        player::mixVoice(voice, frames.data(), FRAMES,
                         player::frameLoopsOf(player::MixPath::PLAIN, interpolation), NO_RAMP);
        double squares = 0.0;
        for (int j = 0; j < FRAMES; ++j) {
          const double wanted = AMPLITUDE * std::sin(2 * PI * cycles * (100.37 + j * step));
          squares += (frames[2 * j] - wanted) * (frames[2 * j] - wanted);
        }
        error[interpolation == Interpolation::SINC] = std::sqrt(squares / FRAMES) / AMPLITUDE;
      }
      // Rounding the sine to integers alone costs 10^-5.
      EXPECT_LT(error[1], 0.002) << cycles << " cycles per value at step " << step;
      EXPECT_GT(error[0], 10 * error[1]) << cycles << " cycles per value at step " << step;
    }
  }
}

// The voice's sinc frames, mixed in one call, against the frames of a voice on the values it
// should hear written out as a plain sample, read frame by frame at the same positions (found by
// a voice that reads values without interpolation, its positions move the same way).
TEST(SincInterpolation, TapsBeyondTheEdgesHearTheSampleWrittenOut) {
  struct Case {
    std::uint8_t mode;
    std::uint32_t length, loopStart, loopLength;
    double start, step;
    std::int32_t direction;
  };
  const Case cases[] = {
      {player::LOOP_OFF, 50, 0, 0, 0.45, 0.61, player::DIRECTION_FORWARD},
      {player::LOOP_OFF, 50, 0, 0, 49.7, 0.83, player::DIRECTION_BACKWARD},
      {player::LOOP_OFF, 3, 0, 0, 0.2, 0.11, player::DIRECTION_FORWARD},
      {player::LOOP_FORWARD, 60, 11, 37, 20.6, 0.37, player::DIRECTION_FORWARD},
      {player::LOOP_FORWARD, 60, 11, 37, 20.6, 5.7, player::DIRECTION_FORWARD},
      {player::LOOP_FORWARD, 60, 11, 37, 30.1, 0.9, player::DIRECTION_BACKWARD},
      {player::LOOP_FORWARD, 20, 6, 2, 6.5, 0.3, player::DIRECTION_FORWARD},
      {player::LOOP_PINGPONG, 40, 5, 23, 9.3, 0.37, player::DIRECTION_FORWARD},
      {player::LOOP_PINGPONG, 40, 5, 23, 20.8, 1.7, player::DIRECTION_BACKWARD},
      {player::LOOP_PINGPONG, 12, 4, 1, 4.25, 0.45, player::DIRECTION_FORWARD},
      {player::LOOP_PINGPONG, 12, 4, 3, 5.5, 2.3, player::DIRECTION_FORWARD},
  };
  constexpr int FRAMES = 600;
  constexpr std::uint32_t MARGIN = 8;  // written-out values on either side of the reach
  std::uint32_t noise = 2024;
  for (const Case& c : cases) {
    std::vector<std::int16_t> values(c.length);
    for (auto& value : values) {
      noise = noise * 1103515245u + 12345u;
      value = static_cast<std::int16_t>(noise >> 16);
    }
    ExactSample sample(values, c.mode, c.loopStart, c.loopLength);
    const std::uint32_t loopStart = sample.sample.loopStart;
    const std::uint32_t loopEnd = loopStart + sample.sample.loopLength;

    // The voice stays within [loopStart - 1, loopEnd]: write out what it hears MARGIN values
    // around that, value `first` at index 0.
    std::vector<std::int16_t> heard;
    const std::int64_t first = static_cast<std::int64_t>(loopStart) - MARGIN;
    if (c.mode == player::LOOP_OFF) {
      heard.assign(MARGIN, 0);
      heard.insert(heard.end(), values.begin(), values.end());
      heard.insert(heard.end(), MARGIN, 0);
    } else {
      // The loop forward, then backward for ping-pong, again and again from well before the
      // reach; the window starting at `first` is cut out of that.
      std::vector<std::int16_t> period(values.begin() + loopStart, values.begin() + loopEnd);
      if (c.mode == player::LOOP_PINGPONG)
        period.insert(period.end(), period.rbegin(), period.rend());
      std::vector<std::int16_t> written;
      while (written.size() < 4 * MARGIN + 2 * period.size() + 64) {
        written.insert(written.end(), period.begin(), period.end());
      }
      const std::size_t skip = period.size() * ((2 * MARGIN) / period.size() + 1) - MARGIN;
      heard.assign(
          written.begin() + static_cast<std::ptrdiff_t>(skip),
          written.begin() + static_cast<std::ptrdiff_t>(skip + loopEnd - loopStart + 2 * MARGIN));
    }
    ExactSample writtenOut(heard, player::LOOP_OFF, 0, 0);

    const player::Voice start =
        voiceOn(sample.sample, fixedPoint(c.start), fixedPoint(c.step), c.direction);
    player::Voice voice = start;
    std::vector<float> mixed(2 * FRAMES, 0.0f);
    player::mixVoice(voice, mixed.data(), FRAMES,
                     player::frameLoopsOf(player::MixPath::PLAIN, Interpolation::SINC), NO_RAMP);

    player::Voice tracer = start;
    std::vector<float> expected(2 * FRAMES, 0.0f);
    std::vector<float> ignored(2);
    const player::FrameLoops& nearest =
        player::frameLoopsOf(player::MixPath::PLAIN, Interpolation::NEAREST);
    const player::FrameLoops& sinc =
        player::frameLoopsOf(player::MixPath::PLAIN, Interpolation::SINC);
    for (int j = 0; j < FRAMES && tracer.sample != nullptr; ++j) {
      player::Voice reader =
          voiceOn(writtenOut.sample,
                  mixtest::positionOf(tracer) - (static_cast<std::uint64_t>(first) << 32),
                  fixedPoint(c.step), tracer.direction);
      player::mixVoice(reader, &expected[2 * j], 1, sinc, NO_RAMP);
      player::mixVoice(tracer, ignored.data(), 1, nearest, NO_RAMP);
    }
    EXPECT_EQ(std::memcmp(mixed.data(), expected.data(), mixed.size() * sizeof(float)), 0)
        << "mode " << int{c.mode} << " from " << c.start << " at step " << c.step;
  }
}

}  // namespace
