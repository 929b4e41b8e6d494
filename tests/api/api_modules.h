// What the tests of the public API share: a loud test song built in memory, loading it through
// the API, and rendering a player to its end.
#pragma once

#include <cstdint>
#include <vector>

#include "jingle/jingle.h"
#include "tests/support/xm_writer.h"

namespace apitest {

// Four channels of a full-scale looping square wave (loud enough that the mix clips), orders 0 1
// over two patterns of `rows` rows at speed 6 and 125 BPM: after 2 x rows rows the song comes
// back to order 0, its natural end. At 44,100 Hz a tick is 882 frames, a row 5,292.
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

inline jingle::Module load(const std::vector<std::uint8_t>& bytes) {
  jingle::Module module;
  jingle::Module::load(bytes.data(), bytes.size(), module);
  return module;
}

inline jingle::Module load(const xmtest::Module& module) {
  return load(xmtest::writeXm(module));
}

// Renders the player on from where it stands to its end (or `limit` frames) in calls of `chunk`
// frames.
template <typename Value>
std::vector<Value> renderAll(jingle::Player& player, std::size_t chunk,
                             std::size_t limit = SIZE_MAX) {
  std::vector<Value> out;
  std::vector<Value> buffer(chunk * 2);
  while (out.size() / 2 < limit) {
    const std::size_t got = player.render(buffer.data(), chunk);
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got * 2));
    if (got < chunk) break;
  }
  return out;
}

// A new player of module at rate, rendered from its start.
template <typename Value>
std::vector<Value> renderAll(const jingle::Module& module, std::size_t chunk,
                             std::int32_t rate = 44100, std::int32_t rounds = 1,
                             std::size_t limit = SIZE_MAX) {
  jingle::Player player;
  if (jingle::Player::create(module, rate, player) != JINGLE_OK) return {};
  player.setRounds(rounds);
  return renderAll<Value>(player, chunk, limit);
}

}  // namespace apitest
