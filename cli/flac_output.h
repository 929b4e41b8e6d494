// FLAC output through libFLAC: 16-bit stereo frames encoded into a PcmOutput's file, with the
// module's title and tracker as Vorbis comments (TITLE, TRACKER). Built only where libFLAC is
// found; elsewhere flacAvailable() is false and nothing starts.
#pragma once

#include <cstdint>
#include <string>

#include "cli/pcm_output.h"

namespace cli {

struct FlacStream;  // the encoder and its tags

bool flacAvailable();

// Starts a stream of frames frames at rate into output's file; null when the encoder cannot
// start (output is then marked failed).
FlacStream* startFlac(PcmOutput& output, std::int32_t rate, std::uint64_t frames,
                      const std::string& title, const std::string& tracker);

void writeFlacFrames(FlacStream* stream, const std::int16_t* frames, std::int32_t count);

// Ends the stream (writing what the encoder holds back when complete is true) and frees it.
void endFlac(FlacStream* stream, bool complete);

}  // namespace cli
