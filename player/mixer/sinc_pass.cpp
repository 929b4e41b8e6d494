#include "player/mixer/sinc_pass.h"

#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr std::int64_t BEFORE = SINC_TAPS_BEFORE;                 // taps below a frame's index
constexpr std::int64_t AFTER = SINC_TAPS - 1 - SINC_TAPS_BEFORE;  // taps above it
constexpr std::int64_t EDGE_VALUES = 64;
constexpr std::int64_t INDEX_LIMIT = std::int64_t{1} << 32;
constexpr std::uint64_t HALF_VALUE = std::uint64_t{1} << 31;

std::int64_t least(std::int64_t a, std::int64_t b) {
  return a < b ? a : b;
}

// a mod b in [0, b), without a division for the a within a period of [0, b).
std::int64_t floorMod(std::int64_t a, std::int64_t b) {
  if (a >= b && a - b < b) return a - b;
  if (a < 0 && a + b >= 0) return a + b;
  if (a >= 0 && a < b) return a;
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

// count values of the loop continued on both sides, from value k on. A ping-pong loop repeats
// with a period of twice its length: the loop, then the loop backward from its last value.
void copyLoop(const View& view, std::int64_t k, std::int64_t count, std::int16_t* out) {
  const std::int16_t* loop = view.sample->data + view.loopStart;
  const std::int64_t length = view.loopLength;
  const std::int64_t period = view.pingPong ? 2 * length : length;
  std::int64_t u = floorMod(k - view.loopStart, period);
  std::int64_t i = 0;
  while (i < count) {
    // Up the loop to its end, then (ping-pong) down from its last value to its start.
    for (; u < length && i < count; ++u, ++i)
      out[i] = loop[u];
    for (; u < period && i < count; ++u, ++i)
      out[i] = loop[period - 1 - u];
    u = 0;
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
      for (std::int64_t i = 0; i < n; ++i)
        out[i] = 0;
    }
    out += n;
    k += n;
  }
  if (k < last && k < view.end) {
    const std::int64_t n = least(last, view.end) - k;
    for (std::int64_t i = 0; i < n; ++i)
      out[i] = view.sample->data[k + i];
    out += n;
    k += n;
  }
  if (k < last) {
    const std::int64_t n = last - k;
    if (view.loopLength != 0) {
      copyLoop(view, k, n, out);
    } else {
      for (std::int64_t i = 0; i < n; ++i)
        out[i] = 0;
    }
  }
}

// Steps below 2^40 (256 values) over up to 2^20 frames stay below 2^60: no overflow.
constexpr std::uint64_t SHORT_STRIDE = std::uint64_t{1} << 40;
constexpr std::int64_t SHORT_COUNT = std::int64_t{1} << 20;

// Of the cap >= 1 frames from the one at `at` on, moving forward by stride, those whose position
// is below bound.
std::int64_t framesBefore(std::uint64_t at, std::uint64_t stride, std::uint64_t bound,
                          std::int64_t cap) {
  if (at >= bound) return 0;
  const std::uint64_t distance = bound - at;
  // Most runs reach the end of the pass: no division for those.
  if (stride < SHORT_STRIDE && cap <= SHORT_COUNT &&
      static_cast<std::uint64_t>(cap - 1) * stride < distance) {
    return cap;
  }
  if (stride == 0) return cap;
  const std::uint64_t frames = distance / stride + (distance % stride != 0 ? 1 : 0);
  return frames < static_cast<std::uint64_t>(cap) ? static_cast<std::int64_t>(frames) : cap;
}

// The same for the frames whose index is below limit.
std::int64_t framesBelow(std::uint64_t at, std::uint64_t stride, std::int64_t limit,
                         std::int64_t cap) {
  if (limit <= 0) return 0;
  if (limit >= INDEX_LIMIT) return cap;
  return framesBefore(at, stride, static_cast<std::uint64_t>(limit) << 32, cap);
}

// Of the cap >= 1 frames from the one at `at` on, moving backward by magnitude, those whose
// index is limit or above.
std::int64_t framesAtOrAbove(std::uint64_t at, std::uint64_t magnitude, std::int64_t limit,
                             std::int64_t cap) {
  if (limit <= 0) return cap;
  if (limit >= INDEX_LIMIT) return 0;
  const std::uint64_t bound = static_cast<std::uint64_t>(limit) << 32;
  if (at < bound) return 0;
  const std::uint64_t distance = at - bound;
  if (magnitude < SHORT_STRIDE && cap <= SHORT_COUNT &&
      static_cast<std::uint64_t>(cap - 1) * magnitude <= distance) {
    return cap;
  }
  if (magnitude == 0) return cap;
  const std::uint64_t frames = distance / magnitude + 1;
  return frames < static_cast<std::uint64_t>(cap) ? static_cast<std::int64_t>(frames) : cap;
}

// Calls run(first frame, frames, data, position of the first frame in data's indices, whether
// data is the edge buffer) for runs of the pass's frames, in order, each reading
// data[i - 3 .. i + 4] only.
template <class Run>
void splitPass(std::int32_t frames, const Sample& sample, std::uint64_t position,
               std::uint64_t delta, const Run& run) {
  const PassStride pass = passStride(position, delta);
  // Steps stay far below 2^63, so a backward delta has its top bit set.
  const bool backward = (delta >> 63) != 0;
  const std::uint64_t stride = pass.stride;
  const std::uint64_t magnitude = 0 - stride;
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
    const std::uint64_t at = pass.first + static_cast<std::uint64_t>(j) * stride;
    const auto index = static_cast<std::int64_t>(at >> 32);
    view.inLoop = looped && (backward || at >= entry);
    view.start = view.inLoop ? view.loopStart : 0;
    std::int64_t n = frames - j;
    if (looped && !view.inLoop) n = framesBefore(at, stride, entry, n);
    // Frames at indices from innerLow up to innerHigh read their taps in place.
    const std::int64_t innerLow = view.start + BEFORE;
    const std::int64_t innerHigh = view.end - AFTER;
    const bool inner = innerLow < innerHigh;

    if (index >= innerLow && index < innerHigh) {
      n = backward ? framesAtOrAbove(at, magnitude, innerLow, n)
                   : framesBelow(at, stride, innerHigh, n);
      run(j, n, sample.data, at, false);
      j += n;
      continue;
    }
    // An edge run: the frames up to the next one that reads in place, as many as the buffer
    // holds the taps of.
    if (!backward) {
      n = framesBelow(at, stride, index - BEFORE + EDGE_VALUES - AFTER, n);
      if (inner && index < innerLow) n = framesBelow(at, stride, innerLow, n);
    } else {
      n = framesAtOrAbove(at, magnitude, index + AFTER + 1 - EDGE_VALUES + BEFORE, n);
      if (inner && index >= innerHigh) n = framesAtOrAbove(at, magnitude, innerHigh, n);
    }
    const auto lastIndex =
        static_cast<std::int64_t>((at + static_cast<std::uint64_t>(n - 1) * stride) >> 32);
    const std::int64_t low = (backward ? lastIndex : index) - BEFORE;
    const std::int64_t high = (backward ? index : lastIndex) + AFTER + 1;
    fillEdge(view, low, high - low, edge);
    run(j, n, edge, at - (static_cast<std::uint64_t>(low) << 32), true);
    j += n;
  }
}

std::uint64_t stepOf(std::uint64_t delta) {
  return (delta >> 63) != 0 ? 0 - delta : delta;
}

}  // namespace

std::uint64_t mixSincFixedFrames(const SincKernels& kernels, const SincKernels& edgeKernels,
                                 float* out, std::int32_t frames, const Sample& sample,
                                 std::uint64_t position, std::uint64_t delta, float leftGain,
                                 float rightGain) {
  if (frames <= 0) return position;
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const std::int16_t* rows = sincRows(stepOf(delta));
  splitPass(frames, sample, position, delta,
            [&](std::int64_t first, std::int64_t n, const std::int16_t* data, std::uint64_t at,
                bool edge) {
              (edge ? edgeKernels : kernels)
                  .fixed(out + 2 * first, static_cast<std::int32_t>(n), data, rows, at, delta,
                         leftGain, rightGain);
            });
  return positionAfter(position, delta, frames);
}

std::uint64_t mixSincRampFrames(const SincKernels& kernels, const SincKernels& edgeKernels,
                                float* out, std::int32_t frames, const Sample& sample,
                                std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  if (frames <= 0) return position;
  const std::int16_t* rows = sincRows(stepOf(delta));
  splitPass(frames, sample, position, delta,
            [&](std::int64_t first, std::int64_t n, const std::int16_t* data, std::uint64_t at,
                bool edge) {
              (edge ? edgeKernels : kernels)
                  .ramp(out + 2 * first, static_cast<std::int32_t>(n), data, rows, at, delta,
                        gains);
            });
  return positionAfter(position, delta, frames);
}

}  // namespace player
