#include "tests/support/hostile_modules.h"

namespace xmtest {

Module loopStormModule(int rows, int speed) {
  Module module;
  module.channels = 32;
  module.speed = static_cast<std::uint16_t>(speed);
  module.bpm = 32767;
  Instrument instrument = simpleInstrument({0, 60, 120, 60, 0, -60, -120, -60});
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 8;
  module.instruments.push_back(instrument);
  Pattern& pattern = module.patterns.emplace_back();
  pattern.rows = rows;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < module.channels; ++c) {
      Cell cell{static_cast<std::uint8_t>(1 + (r * 7 + c * 5) % 96), 1};
      if (r == rows - 1) {
        cell.effect = 0x0E;
        cell.param = static_cast<std::uint8_t>(0x60 | (1 + c % 15));
      }
      pattern.set(r, c, cell, module.channels);
    }
  }
  return module;
}

Module tallPatternsModule() {
  Module module;
  module.channels = 32;
  module.patterns.assign(256, Pattern{});
  for (Pattern& pattern : module.patterns)
    pattern.rows = 65535;
  return module;
}

}  // namespace xmtest
