// Where a voice's sample ends or turns: the number of frames before the play position reaches the
// boundary in its direction of travel, and what a forward or a ping-pong loop does there.
// Positions are 64-bit values with the integer part in the high half.
#pragma once

#include <cstdint>

namespace player {

// A frame count meaning that no boundary lies within reach of the pass.
constexpr std::uint64_t BEYOND_PASS = ~std::uint64_t{0};

// Frames until the position reaches or passes the boundary: the end of the sample (or loop)
// moving forward, loopStart moving backward. A position already on or past the boundary gives 0.
// The count is the one of the 8.24 step, except that no frame of a voice moving backward to a
// loop start of 0 is counted once its position would be below 0. BEYOND_PASS when the distance
// is 2^24 samples or more, and may be when the count is above reach (at most 65,535): a pass of
// up to reach frames then crosses no boundary.
std::uint64_t framesToBoundary(std::uint64_t position, std::uint64_t step, bool backward,
                               std::uint32_t loopStart, std::uint32_t end, std::uint32_t reach);

// Both loop operations need loopLength >= 1 and loopStart + loopLength below 2^32.

// Forward loop at its end: loopLength comes off the integer part once, and again while it lies at
// or beyond the end; the fraction stays. A position that would go below 0 (it fell short of the
// end by less than 2^-24 of a sample, from the 8.24 count) is put on the loop start instead.
void wrapForwardLoop(std::uint32_t& position, std::uint32_t& positionFrac, std::uint32_t loopStart,
                     std::uint32_t loopLength);

// Forward loop reached at its start by a voice moving backward (only a ping-pong loop turns a
// voice round, so this needs a sample swapped under a backward voice): loopLength is added to
// the position once, and again while it lies below the loop start; the voice goes on backward.
void wrapForwardLoopBackward(std::uint64_t& position, std::uint32_t loopStart,
                             std::uint32_t loopLength);

// Ping-pong loop at one of its ends: the position is mirrored about the end it has reached and
// the direction turns, then mirrored again as long as it lies outside the loop. A position
// exactly on the loop start, or one whose mirror would fall below 0, stays where it is.
void reversePingPong(std::uint64_t& position, std::int32_t& direction, std::uint32_t loopStart,
                     std::uint32_t loopLength);

}  // namespace player
