// Rendering a module into the caller's buffers, for programs with an audio path of their own
// (an audio callback, a file, a stream): the same engine and the same blocks as the player's
// own, mixed at the caller's rate, handed out in whatever number of frames each call asks for.
// At 44,100 Hz the 16-bit frames are byte for byte those of `jingle render --raw`.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jingle/export.h"
#include "jingle/module.h"
#include "jingle/position.h"
#include "jingle/status.h"

namespace jingle {

constexpr std::int32_t MIN_RATE = 8000;
constexpr std::int32_t MAX_RATE = 192000;
// Rounds value that never ends the song.
constexpr std::int32_t ENDLESS = 0;

struct RenderSettings {
  std::int32_t rate = 44100;  // frames per second, MIN_RATE .. MAX_RATE
  // 1: stop at the natural end (the first row that comes back to an order position and row
  // already played); N: stop at the end of the Nth time round; ENDLESS: never stop. A song
  // that has not ended after 30 minutes stops there, as `jingle render` does.
  std::int32_t rounds = 1;
};

// Starts rendering the module from its beginning. NULL_ARGUMENT, INVALID_ARGUMENT for a rate
// or rounds out of range, BUSY while a song plays or renders (the engine's state is one
// program-wide record: a second song would corrupt the first), OUT_OF_MEMORY.
JINGLE_API Status startRender(Module* module, const RenderSettings& settings = RenderSettings());

// Writes up to frames interleaved stereo frames (left, right) and returns the number written:
// frames, or fewer once the song has ended (0 from then on, and when nothing renders). The
// 16-bit frames are the mix rounded to nearest-even and clipped; the float frames are the same
// mix before the clip, scaled so that 1.0 is 32,768 (full scale): value * 32768 is exact, and
// rounded and clipped gives the 16-bit frame. The two may be mixed across calls. Allocates
// nothing and takes no lock: call it from the audio callback, not concurrently with the other
// render calls.
JINGLE_API std::size_t renderFrames(std::int16_t* frames, std::size_t count);
JINGLE_API std::size_t renderFrames(float* frames, std::size_t count);

// True once the song has ended and every frame has been handed out.
JINGLE_API bool renderFinished();

// The order and row reached by the end of the 20 ms block that holds the last frame handed
// out, and the time of the frames handed out. NOT_STARTED when nothing renders. Ask from the
// thread that renders (or under the audio device's lock).
JINGLE_API Status renderPosition(Position* position);

// Frames handed out since startRender; 0 when nothing renders.
JINGLE_API std::int64_t renderedFrames();

// Ends the rendering and frees its buffers. NOT_STARTED when nothing renders.
JINGLE_API Status stopRender();

}  // namespace jingle
