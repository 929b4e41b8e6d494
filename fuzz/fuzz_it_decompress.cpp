// libFuzzer target for compressed sample data: the first byte picks 8- or 16-bit values and the
// 2.14 or 2.15 scheme, the next two the count of values, the rest is the data. However
// the blocks lie about their sizes, decoding stays within the bytes and the values it is given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "player/load/it_sample_decompress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const player::CompressedSampleFormat format{(data[0] & 1) != 0, (data[0] & 2) != 0};
  const std::uint32_t count = static_cast<std::uint32_t>(data[1]) | data[2] << 8;
  std::vector<std::int16_t> out(count);
  // An exact copy, so that reading one byte too far is a heap overflow the sanitizer reports.
  const std::vector<std::uint8_t> bytes(data + 3, data + size);
  const std::size_t used =
      player::decompressItSample(bytes.data(), bytes.size(), out.data(), count, format);
  if (used > bytes.size()) std::abort();
  return 0;
}
