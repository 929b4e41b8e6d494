#include "player/mixer/sinc_pass.h"

#include <cstring>

#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr std::int64_t BEFORE = SINC_TAPS_BEFORE;                 // taps below a frame's index
constexpr std::int64_t AFTER = SINC_TAPS - 1 - SINC_TAPS_BEFORE;  // taps above it
constexpr std::int64_t EDGE_VALUES = 64;
constexpr std::int64_t ALL_FRAMES = 0x7FFFFFFF;
constexpr std::int64_t INDEX_LIMIT = std::int64_t{1} << 32;
constexpr std::uint64_t HALF_VALUE = std::uint64_t{1} << 31;

std::int64_t least(std::int64_t a, std::int64_t b) {
  return a < b ? a : b;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) {
  const std::int64_t r = a % b;
  return r < 0 ? r + b : r;
}

// The values the frames of one run hear (sinc_pass.h): the data in place from start to end;
// before start zeros, or the loop continued backward for a voice in the loop; from end on zeros,
// or the loop continued.
struct View {
  const Sample* sample;
  std::int64_t start;  // 0, or the loop start for a voice in the loop
  std::int64_t end;    // the sample's end or its loop's
  std::int64_t loopStart;
  std::int64_t loopLength;  // 0: no loop
  bool pingPong;
  bool inLoop;
};

// count values of the loop continued on both sides, from value k on.
void copyLoop(const View& view, std::int64_t k, std::int64_t count, std::int16_t* out) {
  const std::int16_t* loop = view.sample->data + view.loopStart;
  const std::int64_t length = view.loopLength;
  while (count > 0) {
    std::int64_t n;
    if (!view.pingPong) {
      const std::int64_t u = floorMod(k - view.loopStart, length);
      n = least(count, length - u);
      std::memcpy(out, loop + u, static_cast<std::size_t>(n) * sizeof(std::int16_t));
    } else {
      // A period of 2 x length: the loop, then the loop backward from its last value.
      const std::int64_t u = floorMod(k - view.loopStart, 2 * length);
      if (u < length) {
        n = least(count, length - u);
        std::memcpy(out, loop + u, static_cast<std::size_t>(n) * sizeof(std::int16_t));
      } else {
        const std::int64_t mirrored = 2 * length - 1 - u;
        n = least(count, mirrored + 1);
        for (std::int64_t i = 0; i < n; ++i)
          out[i] = loop[mirrored - i];
      }
    }
    out += n;
    k += n;
    count -= n;
  }
}

// Values first .. first + count - 1 as the view hears them.
void fillEdge(const View& view, std::int64_t first, std::int64_t count, std::int16_t* out) {
  std::int64_t k = first;
  const std::int64_t last = first + count;
  if (k < view.start) {
    const std::int64_t n = least(last, view.start) - k;
    if (view.inLoop) {
      copyLoop(view, k, n, out);
    } else {
      std::memset(out, 0, static_cast<std::size_t>(n) * sizeof(std::int16_t));
    }
    out += n;
    k += n;
  }
  if (k < last && k < view.end) {
    const std::int64_t n = least(last, view.end) - k;
    std::memcpy(out, view.sample->data + k, static_cast<std::size_t>(n) * sizeof(std::int16_t));
    out += n;
    k += n;
  }
  if (k < last) {
    const std::int64_t n = last - k;
    if (view.loopLength != 0) {
      copyLoop(view, k, n, out);
    } else {
      std::memset(out, 0, static_cast<std::size_t>(n) * sizeof(std::int16_t));
    }
  }
}

// Frames from the one at `at` on, moving forward by stride, whose position is below bound.
std::int64_t framesBefore(std::uint64_t at, std::uint64_t stride, std::uint64_t bound) {
  if (at >= bound) return 0;
  if (stride == 0) return ALL_FRAMES;
  const std::uint64_t distance = bound - at;
  const std::uint64_t frames = distance / stride + (distance % stride != 0 ? 1 : 0);
  return frames < static_cast<std::uint64_t>(ALL_FRAMES) ? static_cast<std::int64_t>(frames)
                                                         : ALL_FRAMES;
}

// The same for the frames whose index is below limit.
std::int64_t framesBelow(std::uint64_t at, std::uint64_t stride, std::int64_t limit) {
  if (limit <= 0) return 0;
  if (limit >= INDEX_LIMIT) return ALL_FRAMES;
  return framesBefore(at, stride, static_cast<std::uint64_t>(limit) << 32);
}

// Frames from the one at `at` on, moving backward by magnitude, whose index is limit or above.
std::int64_t framesAtOrAbove(std::uint64_t at, std::uint64_t magnitude, std::int64_t limit) {
  if (limit <= 0) return ALL_FRAMES;
  if (limit >= INDEX_LIMIT) return 0;
  const std::uint64_t bound = static_cast<std::uint64_t>(limit) << 32;
  if (at < bound) return 0;
  if (magnitude == 0) return ALL_FRAMES;
  const std::uint64_t frames = (at - bound) / magnitude + 1;
  return frames < static_cast<std::uint64_t>(ALL_FRAMES) ? static_cast<std::int64_t>(frames)
                                                         : ALL_FRAMES;
}

// Calls run(first frame, frames, data, position of the first frame in data's indices) for runs
// of the pass's frames, in order, each reading data[i - 3 .. i + 4] only.
template <class Run>
void splitPass(std::int32_t frames, const Sample& sample, std::uint64_t position,
               std::uint64_t delta, const Run& run) {
  const PassStride pass = passStride(position, delta);
  // Steps stay far below 2^63, so a backward delta has its top bit set.
  const bool backward = (delta >> 63) != 0;
  const std::uint64_t magnitude = 0 - pass.stride;
  const std::uint32_t end = sample.loopStart + sample.loopLength;
  const bool loopable = sample.loopLength != 0 && end > sample.loopStart;
  const bool looped =
      loopable && (sample.loopMode == LOOP_FORWARD || sample.loopMode == LOOP_PINGPONG);
  View view{&sample,
            0,
            end,
            sample.loopStart,
            looped ? sample.loopLength : 0,
            sample.loopMode == LOOP_PINGPONG,
            false};
  // A voice is in its loop from half a value before the loop start: a forward loop's wrap and
  // a ping-pong loop's turn can leave it a hair below the start.
  const std::uint64_t entry = (static_cast<std::uint64_t>(sample.loopStart) << 32) -
                              (sample.loopStart != 0 ? HALF_VALUE : 0);
  std::int16_t edge[EDGE_VALUES];

  std::int64_t j = 0;
  while (j < frames) {
    const std::uint64_t at = pass.first + static_cast<std::uint64_t>(j) * pass.stride;
    const auto index = static_cast<std::int64_t>(at >> 32);
    view.inLoop = looped && (backward || at >= entry);
    view.start = view.inLoop ? view.loopStart : 0;
    std::int64_t left = frames - j;
    if (looped && !view.inLoop) left = least(left, framesBefore(at, pass.stride, entry));
    // Frames at indices from innerLow up to innerHigh read their taps in place.
    const std::int64_t innerLow = view.start + BEFORE;
    const std::int64_t innerHigh = view.end - AFTER;
    const bool inner = innerLow < innerHigh;

    if (index >= innerLow && index < innerHigh) {
      const std::int64_t n = least(left, backward ? framesAtOrAbove(at, magnitude, innerLow)
                                                  : framesBelow(at, pass.stride, innerHigh));
      run(j, n, sample.data, at);
      j += n;
      continue;
    }
    // An edge run: the frames up to the next one that reads in place, as many as the buffer
    // holds the taps of.
    std::int64_t n;
    if (!backward) {
      n = framesBelow(at, pass.stride, index - BEFORE + EDGE_VALUES - AFTER);
      if (inner && index < innerLow) n = least(n, framesBelow(at, pass.stride, innerLow));
    } else {
      n = framesAtOrAbove(at, magnitude, index + AFTER + 1 - EDGE_VALUES + BEFORE);
      if (inner && index >= innerHigh) n = least(n, framesAtOrAbove(at, magnitude, innerHigh));
    }
    n = least(n, left);
    const auto lastIndex =
        static_cast<std::int64_t>((at + static_cast<std::uint64_t>(n - 1) * pass.stride) >> 32);
    const std::int64_t low = (backward ? lastIndex : index) - BEFORE;
    const std::int64_t high = (backward ? index : lastIndex) + AFTER + 1;
    fillEdge(view, low, high - low, edge);
    run(j, n, edge, at - (static_cast<std::uint64_t>(low) << 32));
    j += n;
  }
}

std::uint64_t stepOf(std::uint64_t delta) {
  return (delta >> 63) != 0 ? 0 - delta : delta;
}

}  // namespace

std::uint64_t mixSincFixedFrames(const SincKernels& kernels, float* out, std::int32_t frames,
                                 const Sample& sample, std::uint64_t position, std::uint64_t delta,
                                 float leftGain, float rightGain) {
  if (frames <= 0) return position;
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const std::int16_t* rows = sincRows(stepOf(delta));
  splitPass(frames, sample, position, delta,
            [&](std::int64_t first, std::int64_t n, const std::int16_t* data, std::uint64_t at) {
              kernels.fixed(out + 2 * first, static_cast<std::int32_t>(n), data, rows, at, delta,
                            leftGain, rightGain);
            });
  return positionAfter(position, delta, frames);
}

std::uint64_t mixSincRampFrames(const SincKernels& kernels, float* out, std::int32_t frames,
                                const Sample& sample, std::uint64_t position, std::uint64_t delta,
                                RampGains& gains) {
  if (frames <= 0) return position;
  const std::int16_t* rows = sincRows(stepOf(delta));
  splitPass(frames, sample, position, delta,
            [&](std::int64_t first, std::int64_t n, const std::int16_t* data, std::uint64_t at) {
              kernels.ramp(out + 2 * first, static_cast<std::int32_t>(n), data, rows, at, delta,
                           gains);
            });
  return positionAfter(position, delta, frames);
}

}  // namespace player
