// Where the taps of a sinc pass come from. A frame at index i reads the eight values i - 3 ..
// i + 4. Frames whose taps all lie inside the sample (inside the loop, for a voice in its loop)
// read the sample's data in place; the few frames near an edge read a small buffer that holds the
// values a voice hears around it:
// - before the sample's start and past the end of a sample without loop: zeros;
// - past a loop's end: the loop again from its start (forward loop) or mirrored back from its
//   end (ping-pong loop), as often as a short loop needs;
// - before a loop's start, for a voice in the loop (any voice moving backward, or one less than
//   half a value before the loop start or past it): the loop's end values (forward) or its start
//   values mirrored (ping-pong), as a voice that has gone round the loop hears them; a voice not
//   yet in the loop reads the sample's own values before it.
// No tap reads outside the sample's values, guard values included, and the data stays untouched.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/mixer/frame_loops.h"

namespace player {

// Loops over frames every tap of which is readable as data[i - 3 .. i + 4], i the integer part of
// the frame's position (frame j at passStride's first + j * stride); rows are the filter's rows
// for the voice's step (sinc_table.h). Otherwise as FixedFramesLoop and RampFramesLoop.
struct SincKernels {
  std::uint64_t (*fixed)(float* out, std::int32_t frames, const std::int16_t* data,
                         const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                         float leftGain, float rightGain);
  std::uint64_t (*ramp)(float* out, std::int32_t frames, const std::int16_t* data,
                        const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                        RampGains& gains);
};

extern const SincKernels PLAIN_SINC_KERNELS;
extern const SincKernels SSE2_SINC_KERNELS;
// For the edge buffer just written: these read it a value at a time, as the processor forwards
// narrow stores to narrow loads but stalls a wide load over them.
extern const SincKernels SSE2_SINC_EDGE_KERNELS;

// The sinc FrameLoops of a path: a pass split into runs of frames that read the data in place,
// mixed by kernels, and runs that read an edge buffer, mixed by edgeKernels. Frames at fixed
// gains of exactly 0 are skipped.
std::uint64_t mixSincFixedFrames(const SincKernels& kernels, const SincKernels& edgeKernels,
                                 float* out, std::int32_t frames, const Sample& sample,
                                 std::uint64_t position, std::uint64_t delta, float leftGain,
                                 float rightGain);
std::uint64_t mixSincRampFrames(const SincKernels& kernels, const SincKernels& edgeKernels,
                                float* out, std::int32_t frames, const Sample& sample,
                                std::uint64_t position, std::uint64_t delta, RampGains& gains);

}  // namespace player
