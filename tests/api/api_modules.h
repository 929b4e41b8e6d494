// Modules and helpers the tests of the public API share: a loud test song built in memory, an
// owning pointer for jingle::Module, and a render of a whole song through the public calls.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "jingle/module.h"
#include "jingle/playback.h"
#include "jingle/render.h"
#include "jingle/status.h"
#include "jingle/version.h"
#include "tests/support/xm_writer.h"

namespace apitest {

struct ModuleDeleter {
  void operator()(jingle::Module* module) const { jingle::freeModule(module); }
};
using ModulePtr = std::unique_ptr<jingle::Module, ModuleDeleter>;

// Four channels of a full-scale looping square wave (loud enough that the mix clips), orders 0 1
// over two patterns of `rows` rows at speed 6 and 125 BPM: after 2 x rows rows the song comes
// back to order 0, its natural end.
inline xmtest::Module loudModule(int rows = 16) {
  xmtest::Module module;
  module.name = "Loud test song";
  module.channels = 4;
  module.orders = {0, 1};
  module.patterns.assign(2, xmtest::Pattern{});
  std::vector<int> square(64);
  for (std::size_t i = 0; i < square.size(); ++i)
    square[i] = i < 32 ? 127 : -128;
  xmtest::Instrument instrument = xmtest::simpleInstrument(square);
  instrument.name = "square";
  instrument.samples[0].name = "square wave";
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 64;
  module.instruments.push_back(instrument);
  for (auto& pattern : module.patterns)
    pattern.rows = rows;
  for (int c = 0; c < 4; ++c) {
    module.patterns[0].set(0, c, xmtest::Cell{static_cast<std::uint8_t>(37 + 7 * c), 1}, 4);
    module.patterns[1].set(rows / 2, c, xmtest::Cell{static_cast<std::uint8_t>(49 + 5 * c), 1}, 4);
  }
  return module;
}

inline ModulePtr load(const xmtest::Module& module) {
  const std::vector<std::uint8_t> bytes = xmtest::writeXm(module);
  return ModulePtr(jingle::loadModule(bytes.data(), bytes.size()));
}

// Renders the module from start to end (or `limit` frames) in calls of `chunk` frames.
template <typename Value>
std::vector<Value> renderAll(jingle::Module* module, const jingle::RenderSettings& settings,
                             std::size_t chunk, std::size_t limit = SIZE_MAX) {
  std::vector<Value> out;
  if (jingle::startRender(module, settings) != jingle::Status::OK) return out;
  std::vector<Value> buffer(chunk * 2);
  while (out.size() / 2 < limit) {
    const std::size_t got = jingle::renderFrames(buffer.data(), chunk);
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got * 2));
    if (got < chunk) break;
  }
  jingle::stopRender();
  return out;
}

}  // namespace apitest
