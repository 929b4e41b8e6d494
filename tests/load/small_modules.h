// The small modules the loader tests build around the instruments and samples they look at.
#pragma once

#include <vector>

#include "tests/support/xm_writer.h"

namespace loadtest {

// An instrument of count samples; sample j holds the values j + 1, j + 2.
inline xmtest::Instrument instrumentWithSamples(int count) {
  xmtest::Instrument instrument;
  for (int j = 0; j < count; ++j)
    instrument.samples.push_back(xmtest::sampleOf({j + 1, j + 2}));
  return instrument;
}

inline xmtest::Module moduleWith(std::vector<xmtest::Instrument> instruments) {
  xmtest::Module module;
  module.instruments = std::move(instruments);
  return module;
}

// A module of one instrument with these samples.
inline xmtest::Module moduleWithSamples(std::vector<xmtest::Sample> samples) {
  xmtest::Instrument instrument;
  instrument.samples = std::move(samples);
  return moduleWith({instrument});
}

}  // namespace loadtest
