// Playing test modules tick by tick: a module is written, loaded and started as the player would
// start it, and each call of tick() runs the tick driver once.
#pragma once

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio_output.h"
#include "player/mixer/voice.h"
#include "player/replay/channel.h"
#include "player/replay/tick_driver.h"
#include "player/song_start.h"
#include "tests/support/xm_writer.h"

namespace replaytest {

using xmtest::Cell;

// A module of `channels` channels with one 64-row pattern and instrument 1: a forward-looping
// 8-bit sample of 4000 values at volume 64, panning 128, every note mapped to it.
inline xmtest::Module baseModule(int channels = 2) {
  xmtest::Module module;
  module.channels = static_cast<std::uint16_t>(channels);
  module.patterns.resize(1);
  xmtest::Instrument instrument = xmtest::simpleInstrument(std::vector<int>(4000, 20));
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopStart = 0;
  instrument.samples[0].loopLength = 4000;
  module.instruments.push_back(instrument);
  return module;
}

// Sets the cell of row r, channel c of pattern p.
inline void put(xmtest::Module& module, int r, int c, const Cell& cell, int p = 0) {
  module.patterns.at(static_cast<std::size_t>(p)).set(r, c, cell, module.channels);
}

class Replay {
 public:
  explicit Replay(const xmtest::Module& module) : song_(xmtest::loadModule(module)) {
    if (song_ == nullptr) return;
    player::prepareOutput(44100);
    player::beginSong(song_.get());
  }
  bool loaded() const { return song_ != nullptr; }
  player::Song& song() { return *song_; }
  player::Channel& channel(int c) { return player::channelTable[c]; }
  player::Voice& voice(int c) { return *player::channelTable[c].voice; }

  void tick(int count = 1) {
    for (int i = 0; i < count; ++i)
      player::runTick(song_.get());
  }
  // Runs ticks until the next call would be a row tick (the rest of the current row).
  void finishRow() {
    do {
      tick();
    } while (song_->tick != 0);
  }
  // (order, row) of the next `count` rows played.
  std::vector<std::pair<int, int>> playRows(int count) {
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < count; ++i) {
      tick();
      rows.emplace_back(song_->orderPosition, song_->row);
      while (song_->tick != 0)
        tick();
    }
    return rows;
  }

 private:
  xmtest::SongPtr song_;
};

}  // namespace replaytest
