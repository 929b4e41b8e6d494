#include "cli/pcm_output.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

void failPcmOutput(PcmOutput& output) {
  if (!output.failed) output.error = errno;
  output.failed = true;
}

namespace {

constexpr std::int32_t CHANNELS = 2;
constexpr std::int32_t BYTES_PER_FRAME = 4;

void putU16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void putU32(std::uint8_t* at, std::uint32_t value) {
  putU16(at, value & 0xFFFF);
  putU16(at + 2, value >> 16);
}

void writeBytes(PcmOutput& output, const std::uint8_t* bytes, std::size_t count) {
  if (output.failed || count == 0) return;
  errno = 0;
  if (std::fwrite(bytes, 1, count, output.file) != count) failPcmOutput(output);
}

}  // namespace

void writeWavHeader(PcmOutput& output, std::int32_t rate, std::uint32_t frames) {
  const std::uint32_t dataBytes = frames * BYTES_PER_FRAME;
  std::uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0,   0,   'W', 'A', 'V', 'E', 'f', 'm', 't',
                             ' ', 0,   0,   0,   0, 0, 0,   0,   0,   0,   0,   0,   0,   0,   0,
                             0,   0,   0,   0,   0, 0, 'd', 'a', 't', 'a', 0,   0,   0,   0};
  putU32(header + 4, 36 + dataBytes);
  putU32(header + 16, 16);  // size of the format chunk
  putU16(header + 20, 1);   // linear PCM
  putU16(header + 22, CHANNELS);
  putU32(header + 24, static_cast<std::uint32_t>(rate));
  putU32(header + 28, static_cast<std::uint32_t>(rate) * BYTES_PER_FRAME);
  putU16(header + 32, BYTES_PER_FRAME);
  putU16(header + 34, 16);  // bits per sample
  putU32(header + 40, dataBytes);
  writeBytes(output, header, sizeof header);
}

void writeFloatWavHeader(PcmOutput& output, std::int32_t rate, std::uint32_t frames) {
  constexpr std::uint32_t FLOAT_FRAME_BYTES = 8;
  const std::uint32_t dataBytes = frames * FLOAT_FRAME_BYTES;
  std::uint8_t header[58] = {};
  std::memcpy(header, "RIFF", 4);
  putU32(header + 4, 50 + dataBytes);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  putU32(header + 16, 18);  // size of the format chunk, with its empty extension
  putU16(header + 20, 3);   // IEEE float
  putU16(header + 22, CHANNELS);
  putU32(header + 24, static_cast<std::uint32_t>(rate));
  putU32(header + 28, static_cast<std::uint32_t>(rate) * FLOAT_FRAME_BYTES);
  putU16(header + 32, FLOAT_FRAME_BYTES);
  putU16(header + 34, 32);  // bits per sample
  putU16(header + 36, 0);   // extension size
  std::memcpy(header + 38, "fact", 4);
  putU32(header + 42, 4);
  putU32(header + 46, frames);
  std::memcpy(header + 50, "data", 4);
  putU32(header + 54, dataBytes);
  writeBytes(output, header, sizeof header);
}

void writeFloatFrames(PcmOutput& output, const float* frames, std::int32_t count) {
  std::uint8_t bytes[4096];
  std::size_t used = 0;
  const std::size_t values = static_cast<std::size_t>(count) * CHANNELS;
  for (std::size_t i = 0; i < values; ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &frames[i], sizeof bits);
    putU32(bytes + used, bits);
    used += 4;
    if (used == sizeof bytes) {
      writeBytes(output, bytes, used);
      used = 0;
    }
  }
  writeBytes(output, bytes, used);
}

void writePcmFrames(PcmOutput& output, const std::int16_t* frames, std::int32_t count) {
  if (count <= 0) return;
  if constexpr (std::endian::native == std::endian::little) {
    // The frames are already little-endian bytes: one write for the whole run.
    writeBytes(output, reinterpret_cast<const std::uint8_t*>(frames),
               static_cast<std::size_t>(count) * BYTES_PER_FRAME);
    return;
  }
  std::uint8_t bytes[4096];
  std::size_t used = 0;
  const std::size_t values = static_cast<std::size_t>(count) * CHANNELS;
  for (std::size_t i = 0; i < values; ++i) {
    putU16(bytes + used, static_cast<std::uint16_t>(frames[i]));
    used += 2;
    if (used == sizeof bytes) {
      writeBytes(output, bytes, used);
      used = 0;
    }
  }
  writeBytes(output, bytes, used);
}

std::string defaultOutputPath(const std::string& modulePath, const std::string& extension) {
  const std::size_t nameStart = modulePath.find_last_of("/\\");
  const std::size_t base = nameStart == std::string::npos ? 0 : nameStart + 1;
  const std::size_t dot = modulePath.rfind('.');
  // A dot that starts the name (a hidden file) or lies in a directory name is no extension.
  if (dot == std::string::npos || dot <= base) return modulePath + extension;
  return modulePath.substr(0, dot) + extension;
}

}  // namespace cli
