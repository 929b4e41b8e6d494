// Where rendered audio goes: a file or standard output, as a WAV file with the canonical 44-byte
// header or as headerless little-endian 16-bit PCM.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

struct PcmOutput {
  std::FILE* file = nullptr;
  std::string path;  // "-" for standard output
  bool failed = false;
  int error = 0;  // errno of the first failure, 0 when unknown
};

// Opens path for writing ("-" is standard output). False when it cannot be opened.
bool openPcmOutput(const std::string& path, PcmOutput& output);

// The 44-byte header of a 16-bit stereo PCM WAV file holding frames frames at rate.
void writeWavHeader(PcmOutput& output, std::int32_t rate, std::uint32_t frames);

// Appends frames interleaved stereo frames, little-endian whatever the host.
void writePcmFrames(PcmOutput& output, const std::int16_t* frames, std::int32_t count);

// Flushes and closes; false when anything written so far did not reach the output or the output
// was marked failed. A file that failed is removed, so no truncated file is left behind.
bool closePcmOutput(PcmOutput& output);

// The name used for the output when none is given: the module's name with .wav as extension.
std::string defaultOutputPath(const std::string& modulePath);

}  // namespace cli
