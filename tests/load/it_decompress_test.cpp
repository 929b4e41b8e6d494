// Compressed sample data: hand-made blocks decode to known values, including blocks that lie
// about their size or pick a width the scheme lacks, and the tracker's encodings of varied
// signals (every width change, several blocks) decode back exactly, even when cut short.
#include <gtest/gtest.h>

#include <vector>

#include "player/load/it_sample_decompress.h"
#include "tests/support/it_writer.h"

namespace {

using player::CompressedSampleFormat;

std::vector<int> decode(const std::vector<std::uint8_t>& bytes, std::uint32_t count,
                        CompressedSampleFormat format, std::size_t* used = nullptr) {
  std::vector<std::int16_t> out(count);
  const std::size_t took =
      player::decompressItSample(bytes.data(), bytes.size(), out.data(), count, format);
  if (used != nullptr) *used = took;
  return {out.begin(), out.end()};
}

TEST(ItDecompress, KnownBlocks) {
  // Two 9-bit values, 5 and 0xFF (-1), lowest bit first: 05 FE 01.
  const std::vector<std::uint8_t> two = {3, 0, 0x05, 0xFE, 0x01};
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint32_t count;
    CompressedSampleFormat format;
    std::vector<int> values;
    std::size_t used;
  } const cases[] = {
      {"differences summed once", two, 2, {false, false}, {1280, 1024}, 5},
      {"summed twice (2.15)", two, 2, {false, true}, {1280, 2304}, 5},
      {"bits run out: the rest stays", two, 3, {false, false}, {1280, 1024, 0}, 5},
      {"stated size past the data is cut",
       {100, 0, 0x05, 0xFE, 0x01},
       2,
       {false, false},
       {1280, 1024},
       5},
      {"no room for a block header", {3}, 2, {false, false}, {0, 0}, 0},
      // 9-bit code 0x113 asks for width 20, which 8-bit data does not have.
      {"a width beyond the scheme ends the block",
       {2, 0, 0x13, 0x01},
       2,
       {false, false},
       {0, 0},
       4},
      // 17-bit value 0x8000 is -32768 in 16 bits.
      {"16-bit full width", {3, 0, 0x00, 0x80, 0x00}, 1, {true, false}, {-32768}, 5},
  };
  for (const Case& c : cases) {
    std::size_t used = 0;
    EXPECT_EQ(decode(c.bytes, c.count, c.format, &used), c.values) << c.what;
    EXPECT_EQ(used, c.used) << c.what;
  }
}

// Quiet stretches, ramps and full-scale noise make the encoder walk through every width.
std::vector<int> signal(std::size_t count, bool sixteenBit) {
  std::vector<int> values(count);
  std::uint32_t seed = 12345;
  const int top = sixteenBit ? 32767 : 127;
  for (std::size_t k = 0; k < count; ++k) {
    seed = seed * 1103515245u + 12345u;
    const int phase = static_cast<int>(k / 700 % 4);
    const int noise = static_cast<int>(seed >> 8) % (2 * top + 1) - top;
    const int v = phase == 0   ? 0
                  : phase == 1 ? noise >> (static_cast<int>(k / 50) % 15)
                  : phase == 2 ? static_cast<int>(k % 64) - 32
                               : noise;
    values[k] = v < -top - 1 ? -top - 1 : (v > top ? top : v);
  }
  return values;
}

TEST(ItDecompress, EncodedSignalsDecodeBackAcrossBlocks) {
  for (const bool sixteenBit : {false, true}) {
    for (const bool doubleDelta : {false, true}) {
      const std::vector<int> values =
          signal(sixteenBit ? 0x4000 + 3000 : 0x8000 + 3000, sixteenBit);
      const std::vector<std::uint8_t> packed =
          ittest::compressItSample(values, sixteenBit, doubleDelta);
      std::vector<int> expected(values);
      for (int& v : expected)
        v = sixteenBit ? v : v * 256;
      const auto count = static_cast<std::uint32_t>(values.size());
      std::size_t used = 0;
      EXPECT_EQ(decode(packed, count, {sixteenBit, doubleDelta}, &used), expected)
          << sixteenBit << doubleDelta;
      EXPECT_EQ(used, packed.size());
      // Cut anywhere, the values before the cut still decode and nothing past it is read.
      for (const std::size_t cut : {packed.size() / 3, packed.size() - 1}) {
        const std::vector<std::uint8_t> part(packed.begin(),
                                             packed.begin() + static_cast<std::ptrdiff_t>(cut));
        const std::vector<int> got = decode(part, count, {sixteenBit, doubleDelta});
        EXPECT_EQ(got[0], expected[0]);
      }
    }
  }
}

}  // namespace
