// One module's audio for jingle render: players of the module at the output's rate, rendering on
// as many threads (chunked_render.h), their frames written in order as 16-bit PCM, 32-bit floats
// or FLAC, the progress shown, until the length asked for is written, the output fails or a stop
// signal comes; what the 16-bit frames clipped is counted.
#pragma once

#include <cstdint>

#include "cli/commands.h"
#include "cli/flac_output.h"
#include "cli/pcm_output.h"
#include "cli/progress_bar.h"
#include "cli/render_format.h"
#include "cli/sound_options.h"
#include "jingle/jingle.h"

namespace cli {

struct AudioRequest {
  std::int32_t rate = DEFAULT_RATE;
  std::int32_t loops = 1;  // times round the song, when frames is its natural length
  bool endless = false;    // the song goes round until frames are written (--seconds)
  std::int64_t frames = 0;
  std::uint64_t muted = 0;  // bit c: channel c + 1 silenced
  SoundOptions sound;
  int threads = 0;  // players rendering at once; 0: defaultRenderThreads()
};

// The 16-bit samples (a frame has two) that were clipped, and the largest magnitude of the mix,
// 1.0 being full scale.
struct Clipping {
  std::uint64_t samples = 0;
  double peak = 0.0;
};

struct AudioSink {
  PcmOutput* output;
  AudioFormat format;
  bool floatSamples;
  FlacStream* flac;  // for FLAC
};

enum class Rendered { DONE, NO_MEMORY, STOPPED };

Rendered renderAudio(const jingle::Module& module, const AudioRequest& request, AudioSink& sink,
                     ProgressBar& bar, Clipping& clipping);

}  // namespace cli
