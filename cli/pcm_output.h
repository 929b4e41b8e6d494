// Where rendered audio goes: a file or standard output, as a WAV file with the canonical 44-byte
// header or as headerless little-endian 16-bit PCM.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

struct PcmOutput {
  std::FILE* file = nullptr;
  std::string path;       // as given; "-" for standard output
  std::string target;     // the file that a finished render replaces; empty when written in place
  std::string temporary;  // the file being written beside target; empty when written in place
  bool failed = false;
  int error = 0;  // errno of the first failure, 0 when unknown
};

// Marks the output failed, keeping errno as the reason when it is the first failure.
void failPcmOutput(PcmOutput& output);

// The 44-byte header of a 16-bit stereo PCM WAV file holding frames frames at rate.
void writeWavHeader(PcmOutput& output, std::int32_t rate, std::uint32_t frames);

// Appends frames interleaved stereo frames, little-endian whatever the host.
void writePcmFrames(PcmOutput& output, const std::int16_t* frames, std::int32_t count);

// The name used for the output when none is given: the module's name with .wav as extension.
std::string defaultOutputPath(const std::string& modulePath);

}  // namespace cli
