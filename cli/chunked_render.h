// The frames of one render cut into chunks that several players of the module render at once,
// each on its own thread, and handed back in order: player k of n renders chunks k, k + n,
// k + 2n, ... and moves past the others' chunks by seeking, which plays the song on without
// mixing it. A seek leaves a player as playing up to that frame would, so the chunks are the
// frames one player would render.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "jingle/jingle.h"

namespace cli {

// Frames in a chunk: a second and a half at 44.1 kHz; each player holds two.
constexpr std::int64_t CHUNK_FRAMES = 1 << 16;

// The players a render uses when not told: one per processor, at most four (past that, moving
// over the other players' chunks costs more than another player saves).
int defaultRenderThreads();

struct RenderChunk {
  const std::int16_t* pcm;  // 16-bit frames, or
  const float* floats;      // float frames, as asked
  std::size_t frames;
};

struct ChunkedClipping {
  std::uint64_t clipped = 0;  // 16-bit values clipped
  float peak = 0.0f;          // the mix's largest magnitude, 1.0 full scale
};

enum class ChunkedResult { DONE, NO_MEMORY, STOPPED };

// Renders frames frames (fewer where the song ends first) with threads players made by make,
// which creates one set up for the render; write gets the chunks in order on the calling thread
// and returns false to stop. A thread that cannot be started leaves the render to fewer.
ChunkedResult renderInChunks(const std::function<jingle::Status(jingle::Player&)>& make,
                             std::int64_t frames, bool floatSamples, int threads,
                             const std::function<bool(const RenderChunk&)>& write,
                             ChunkedClipping& clipping);

}  // namespace cli
