// Impulse Tracker's compressed sample data (the 2.14 scheme, and 2.15's with a second delta
// stage). The data is a series of blocks, each a 16-bit byte count followed by a little-endian
// bit stream of variable-width differences that decodes to at most 32 KiB of sample (0x8000
// 8-bit or 0x4000 16-bit values).
//
// Decoding never reads outside the bytes it is given: a block whose byte count runs past them
// is cut at their end, and a block whose bits run out, or that selects a bit width the scheme
// does not have, ends there. The values such a block did not decode stay as they were.
#pragma once

#include <cstddef>
#include <cstdint>

namespace player {

struct CompressedSampleFormat {
  bool sixteenBit;   // 16-bit values, else 8-bit
  bool doubleDelta;  // 2.15: each value is the sum of the running sum of differences
};

// Decodes up to count values from the size bytes at source into out (which holds count
// values). 8-bit values land in the high byte of each 16-bit value. Returns the bytes the blocks
// took, at most size: a stereo sample's second channel starts there.
std::size_t decompressItSample(const std::uint8_t* source, std::size_t size, std::int16_t* out,
                               std::uint32_t count, CompressedSampleFormat format);

}  // namespace player
