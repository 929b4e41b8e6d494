#include "player/mixer/loop_boundary.h"

#include "player/mixer/voice.h"

namespace player {
namespace {

constexpr std::uint64_t FAR_DISTANCE = std::uint64_t{1} << 56;             // 2^24 samples
constexpr std::uint64_t LARGEST_8_24_STEP = (std::uint64_t{1} << 40) - 1;  // below 256 samples

constexpr std::uint64_t fixedPoint(std::uint32_t samples) {
  return static_cast<std::uint64_t>(samples) << 32;
}

constexpr std::uint64_t ceilDivide(std::uint64_t dividend, std::uint64_t divisor) {
  return dividend / divisor + (dividend % divisor != 0 ? 1 : 0);
}

// Signed distance of a from b; positions stay far inside the range where this is exact.
constexpr std::int64_t offset(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::int64_t>(a - b);
}

}  // namespace

std::uint64_t framesToBoundary(std::uint64_t position, std::uint64_t step, bool backward,
                               std::uint32_t loopStart, std::uint32_t end, std::uint32_t reach) {
  const std::uint64_t start = fixedPoint(loopStart);
  const std::uint64_t stop = fixedPoint(end);
  std::uint64_t distance;
  if (backward) {
    distance = position > start ? position - start : 0;
  } else {
    distance = position < stop ? stop - position : 0;
  }

  std::uint64_t frames;
  if (step > 0xFF && step <= LARGEST_8_24_STEP) {
    if (distance >= FAR_DISTANCE) return BEYOND_PASS;
    // Distance and step in 8.24 fixed point, the division rounded up; it exceeds reach exactly
    // when the distance exceeds reach steps, which needs no division (the count at a loop start
    // of 0 below may still come down).
    const std::uint64_t distance824 = distance >> 8;
    const std::uint64_t step824 = step >> 8;
    if (distance824 > reach * step824 && !(backward && loopStart == 0)) return BEYOND_PASS;
    frames = ceilDivide(distance824, step824);
  } else if (step != 0) {
    // A step the 8.24 format cannot hold (the voice update never makes one): the exact count.
    frames = ceilDivide(distance, step);
  } else {
    return distance == 0 ? 0 : BEYOND_PASS;
  }

  if (backward && loopStart == 0 && frames > 1) {
    // The 8.24 count can run a frame past the loop start; at a start of 0 that frame would read
    // before the sample. Frame j >= 1 lies at (position & ~1) - j * step - (j - 1) * (step & 1).
    const std::uint64_t odd = step & 1;
    const std::uint64_t stride = step + odd;
    const std::uint64_t readable =
        stride == 0 ? 1 : ((position & ~std::uint64_t{1}) + odd) / stride + 1;
    if (readable < frames) frames = readable;
  }
  return frames;
}

void wrapForwardLoop(std::uint32_t& position, std::uint32_t& positionFrac, std::uint32_t loopStart,
                     std::uint32_t loopLength) {
  if (position < loopLength) {
    position = loopStart;
    positionFrac = 0;
    return;
  }
  const std::uint32_t end = loopStart + loopLength;
  position -= loopLength;
  if (position >= end) position = loopStart + (position - loopStart) % loopLength;
}

void wrapForwardLoopBackward(std::uint64_t& position, std::uint32_t loopStart,
                             std::uint32_t loopLength) {
  const std::uint64_t start = fixedPoint(loopStart);
  const std::uint64_t span = fixedPoint(loopLength);
  position += span;
  const std::int64_t below = offset(start, position);
  if (below > 0) position += ceilDivide(static_cast<std::uint64_t>(below), span) * span;
}

void reversePingPong(std::uint64_t& position, std::int32_t& direction, std::uint32_t loopStart,
                     std::uint32_t loopLength) {
  const std::uint64_t start = fixedPoint(loopStart);
  const std::uint64_t stop = fixedPoint(loopStart + loopLength);
  const std::uint64_t span = fixedPoint(loopLength);
  // A mirror about one end followed by one about the other moves the position by a whole
  // period; runs of them are taken at once (only a position far outside the loop needs that).
  const std::uint64_t period = loopLength < 0x80000000u ? 2 * span : 0;
  const auto mirrorAboutStart = [&](std::uint64_t p) { return 2 * start - 1 - p; };
  const auto mirrorAboutEnd = [&](std::uint64_t p) { return 2 * stop - 1 - p; };

  if (direction != DIRECTION_FORWARD) {
    const std::uint64_t above = position - start;
    const bool staysPut = above == 0 || (offset(position, start) > 0 && above >= start);
    if (!staysPut) position = mirrorAboutStart(position);
    direction = DIRECTION_FORWARD;
  } else {
    position = mirrorAboutEnd(position);
    direction = DIRECTION_BACKWARD;
  }

  for (;;) {
    if (direction == DIRECTION_FORWARD) {
      const std::int64_t beyond = offset(position, stop);
      if (beyond < 0) return;
      const auto excess = static_cast<std::uint64_t>(beyond);
      if (period != 0 && excess >= span) {
        position -= ((excess - span) / period + 1) * period;
        continue;
      }
      position = mirrorAboutEnd(position);
      direction = DIRECTION_BACKWARD;
    } else {
      const std::int64_t below = offset(start, position);
      if (below <= 0) return;
      const auto shortfall = static_cast<std::uint64_t>(below);
      if (period != 0 && shortfall > span) {
        position += ((shortfall - span - 1) / period + 1) * period;
        continue;
      }
      position = mirrorAboutStart(position);
      direction = DIRECTION_FORWARD;
    }
  }
}

}  // namespace player
