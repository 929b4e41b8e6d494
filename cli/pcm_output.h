// Where rendered audio goes: a file or standard output, as a WAV file with the canonical 44-byte
// header or as headerless little-endian 16-bit PCM; or, for 32-bit float samples, a float WAV
// file (format 3 with its fact chunk, a 58-byte header) or headerless little-endian floats.
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

// The 58-byte header of a 32-bit float stereo WAV file holding frames frames at rate.
void writeFloatWavHeader(PcmOutput& output, std::int32_t rate, std::uint32_t frames);

// Appends frames interleaved stereo float frames as little-endian IEEE 754 singles.
void writeFloatFrames(PcmOutput& output, const float* frames, std::int32_t count);

// Appends frames interleaved stereo frames, little-endian whatever the host.
void writePcmFrames(PcmOutput& output, const std::int16_t* frames, std::int32_t count);

// The name used for the output when none is given: the module's name with extension (".wav"
// unless given) in place of its own.
std::string defaultOutputPath(const std::string& modulePath, const std::string& extension = ".wav");

}  // namespace cli
