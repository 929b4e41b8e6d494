#include "player/load/it_sample_decompress.h"

namespace player {
namespace {

constexpr std::uint32_t BLOCK_BYTES = 0x8000;  // of decoded sample per block

// Reads bit fields lowest bit first from a byte span; once a field would pass the span's end
// nothing more is read.
struct BitReader {
  const std::uint8_t* bytes;
  std::size_t bitCount;
  std::size_t position = 0;
  bool exhausted = false;

  std::uint32_t take(int width) {
    if (position + static_cast<std::size_t>(width) > bitCount) {
      exhausted = true;
      return 0;
    }
    const std::size_t byte = position >> 3;
    if (byte + 8 <= bitCount >> 3) {
      // Eight whole bytes from here: one little-endian load holds the field (at most 17 bits
      // after a shift of at most 7).
      std::uint64_t window = 0;
      for (int k = 7; k >= 0; --k)
        window = window << 8 | bytes[byte + static_cast<std::size_t>(k)];
      const auto value = static_cast<std::uint32_t>(window >> (position & 7)) & ((1u << width) - 1);
      position += static_cast<std::size_t>(width);
      return value;
    }
    std::uint32_t value = 0;
    int filled = 0;
    while (filled < width) {
      const int offset = static_cast<int>(position & 7);
      const int chunk = width - filled < 8 - offset ? width - filled : 8 - offset;
      const std::uint32_t bits = (bytes[position >> 3] >> offset) & ((1u << chunk) - 1);
      value |= bits << filled;
      filled += chunk;
      position += static_cast<std::size_t>(chunk);
    }
    return value;
  }
};

// The widths of one format: values are read with 1..valueBits + 1 bits.
struct Widths {
  int full;        // valueBits + 1: the width a block starts with
  int changeBits;  // bits of the new width after the marker of a narrow width
  std::uint32_t valueMask;
  std::uint32_t borderOffset;  // the middle widths' markers lie just above mask - offset
};

// The next width from the code that selects it: codes name the widths other than the current
// one, counting from 1.
int nextWidth(std::uint32_t code, int width) {
  const int chosen = static_cast<int>(code);
  return chosen < width ? chosen : chosen + 1;
}

void decodeBlock(BitReader& reader, std::int16_t* out, std::uint32_t count,
                 CompressedSampleFormat format) {
  const Widths w = format.sixteenBit ? Widths{17, 4, 0xFFFF, 8} : Widths{9, 3, 0xFF, 4};
  int width = w.full;
  std::uint32_t sum = 0;        // first delta stage, in valueMask bits
  std::uint32_t sumOfSums = 0;  // second delta stage (2.15)
  std::uint32_t done = 0;
  while (done < count) {
    if (width < 1 || width > w.full) return;  // a width the scheme does not have
    const std::uint32_t code = reader.take(width);
    if (reader.exhausted) return;
    if (width < 7) {
      if (code == 1u << (width - 1)) {
        const std::uint32_t change = reader.take(w.changeBits);
        if (reader.exhausted) return;
        width = nextWidth(change + 1, width);
        continue;
      }
    } else if (width < w.full) {
      const std::uint32_t border = (w.valueMask >> (w.full - width)) - w.borderOffset;
      if (code > border && code <= border + 2 * w.borderOffset) {
        width = nextWidth(code - border, width);
        continue;
      }
    } else if ((code & (1u << (w.full - 1))) != 0) {
      width = static_cast<int>((code + 1) & 0xFF);
      continue;
    }
    // A difference: narrow widths are signed in their own bits, the full width in valueBits.
    std::uint32_t difference = code;
    if (width < w.full) {
      const std::uint32_t sign = 1u << (width - 1);
      difference = (code ^ sign) - sign;
    }
    sum = (sum + difference) & w.valueMask;
    sumOfSums = (sumOfSums + sum) & w.valueMask;
    const std::uint32_t value = format.doubleDelta ? sumOfSums : sum;
    out[done++] = static_cast<std::int16_t>(
        static_cast<std::uint16_t>(format.sixteenBit ? value : value << 8));
  }
}

}  // namespace

std::size_t decompressItSample(const std::uint8_t* source, std::size_t size, std::int16_t* out,
                               std::uint32_t count, CompressedSampleFormat format) {
  const std::uint32_t blockValues = format.sixteenBit ? BLOCK_BYTES / 2 : BLOCK_BYTES;
  std::size_t position = 0;
  std::uint32_t done = 0;
  while (done < count && size - position >= 2) {
    const std::size_t stated = source[position] | source[position + 1] << 8;
    position += 2;
    const std::size_t available = stated < size - position ? stated : size - position;
    const std::uint32_t values = count - done < blockValues ? count - done : blockValues;
    BitReader reader{source + position, available * 8};
    decodeBlock(reader, out + done, values, format);
    position += available;
    done += values;
  }
  return position;
}

}  // namespace player
