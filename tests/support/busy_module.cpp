#include "tests/support/busy_module.h"

#include <optional>

#include "tests/support/xm_writer.h"

namespace xmtest {

std::vector<std::uint8_t> busyModule(int channels) {
  Module module;
  module.channels = static_cast<std::uint16_t>(channels);
  module.speed = 3;
  Instrument instrument = simpleInstrument({0, 60, 120, 60, 0, -60, -120, -60});
  instrument.samples[0].loopType = 2;
  instrument.samples[0].loopLength = 8;
  instrument.volume = {{{0, 64}, {10, 20}, {40, 50}}, std::nullopt, 1, 0, 0, 0x03};
  instrument.panning = {{{0, 0}, {20, 64}}, std::nullopt, 0, 0, 0, 0x01};
  instrument.vibratoType = 1;
  instrument.vibratoDepth = 8;
  instrument.vibratoRate = 20;
  instrument.fadeout = 512;
  module.instruments.push_back(instrument);
  Pattern& pattern = module.patterns.emplace_back();
  // Vibrato, volume slide, portamento, arpeggio, slides up and down, tremolo, vibrato with slide.
  const std::uint8_t effects[][2] = {{0x4, 0x46}, {0xA, 0x21}, {0x3, 0x10}, {0x0, 0x37},
                                     {0x1, 0x08}, {0x2, 0x04}, {0x7, 0x44}, {0x6, 0x12}};
  for (int row = 0; row < 64; ++row) {
    for (int channel = 0; channel < channels; ++channel) {
      Cell cell;
      if ((row + channel) % 4 == 0) {
        cell.note = static_cast<std::uint8_t>(37 + (row * 5 + channel * 7) % 36);
        cell.instrument = 1;
      }
      if (row % 16 == 15) cell.note = 97;  // key off
      cell.effect = effects[(row / 8 + channel) % 8][0];
      cell.param = effects[(row / 8 + channel) % 8][1];
      pattern.set(row, channel, cell, channels);
    }
  }
  return writeXm(module);
}

}  // namespace xmtest
