// Playing test modules tick by tick: a module is written, loaded and started on an engine of its
// own as the player would start it, and each call of tick() runs the tick driver once.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/replay/tick_driver.h"
#include "player/song_start.h"
#include "tests/support/xm_writer.h"

namespace replaytest {

using xmtest::Cell;
using Values = std::vector<std::int32_t>;
using ChannelField = std::function<std::int32_t(const player::Channel&)>;
using ModuleChange = std::function<void(xmtest::Module&)>;

constexpr std::uint8_t C4 = 49;  // cell note of C-4: period 4608 on the linear table
constexpr std::uint8_t KEY_OFF_NOTE = 97;

// A cell of the pattern that order position 0 names (or of pattern `pattern`).
struct Placed {
  int row, channel;
  Cell cell;
  int pattern = 0;
};

inline void put(xmtest::Module& module, int r, int c, const Cell& cell, int p = 0) {
  module.patterns.at(static_cast<std::size_t>(p)).set(r, c, cell, module.channels);
}

// A module of `channels` channels at speed 6 with one 64-row pattern holding `cells`, and
// instrument 1: a forward-looping 8-bit sample of 4096 values at volume 64, panning 128, every
// note mapped to it. `change` then adjusts it.
inline xmtest::Module baseModule(std::initializer_list<Placed> cells = {}, int channels = 2,
                                 const ModuleChange& change = nullptr) {
  xmtest::Module module;
  module.channels = static_cast<std::uint16_t>(channels);
  module.patterns.resize(1);
  xmtest::Instrument instrument = xmtest::simpleInstrument(std::vector<int>(4096, 20));
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 4096;
  module.instruments.push_back(instrument);
  for (const Placed& placed : cells)
    put(module, placed.row, placed.channel, placed.cell, placed.pattern);
  if (change) change(module);
  return module;
}

// The same with one cell, on row 0 of channel 0.
inline xmtest::Module cellModule(const Cell& cell, const ModuleChange& change = nullptr) {
  return baseModule({{0, 0, cell}}, 2, change);
}

// A module whose orders name patterns of the given row counts, holding `cells`.
inline xmtest::Module orderedModule(std::vector<std::uint8_t> orders, const std::vector<int>& rows,
                                    std::initializer_list<Placed> cells = {}) {
  xmtest::Module module = baseModule();
  module.orders = std::move(orders);
  module.patterns.assign(rows.size(), xmtest::Pattern{});
  for (std::size_t p = 0; p < rows.size(); ++p)
    module.patterns[p].rows = rows[p];
  for (const Placed& placed : cells)
    put(module, placed.row, placed.channel, placed.cell, placed.pattern);
  return module;
}

// A cell holding only an effect.
constexpr Cell fx(std::uint8_t effect, std::uint8_t param) {
  return Cell{0, 0, 0, effect, param};
}

inline xmtest::Sample& firstSample(xmtest::Module& module) {
  return module.instruments[0].samples[0];
}

class Replay {
 public:
  explicit Replay(const xmtest::Module& module) : loaded_(xmtest::loadModule(module)) {
    player::prepareOutput(*engine_, 44100);
    if (loaded_ == nullptr || !player::beginSong(*engine_, loaded_.get())) {
      ADD_FAILURE() << "the test module does not load";
      return;
    }
    song_ = &engine_->playing.song;
  }
  ~Replay() { player::endSong(*engine_); }
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

  // The song as the engine plays it.
  player::Song& song() { return *song_; }
  player::Channel& channel(int c) { return engine_->channelTable[c]; }
  player::Voice& voice(int c) {
    player::Voice* voice = engine_->channelTable[c].voice;
    return voice != nullptr ? *voice : engine_->voicePool.voices[c];
  }

  void tick(int count = 1) {
    for (int i = 0; i < count && song_ != nullptr; ++i)
      player::runTick(*engine_, song_);
  }
  // Runs ticks until the next call would be a row tick (the rest of the current row).
  void finishRow() {
    do {
      tick();
    } while (song_ != nullptr && song_->tick != 0);
  }
  // (order, row) of the next `count` rows played.
  std::vector<std::pair<int, int>> playRows(int count) {
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < count && song_ != nullptr; ++i) {
      tick();
      rows.emplace_back(song_->orderPosition, song_->row);
      while (song_->tick != 0)
        tick();
    }
    return rows;
  }
  // field(channel 0) after each of the next `count` ticks.
  Values record(int count, const ChannelField& field) {
    Values values;
    for (int t = 0; t < count; ++t) {
      tick();
      values.push_back(field(channel(0)));
    }
    return values;
  }

 private:
  xmtest::SongPtr loaded_;
  std::unique_ptr<player::Engine> engine_ = std::make_unique<player::Engine>();
  player::Song* song_ = nullptr;
};

inline ChannelField field(std::int32_t player::Channel::*member) {
  return [member](const player::Channel& c) { return c.*member; };
}

// field of channel 0 after each of the first `ticks` ticks of module, from song start.
inline Values trace(const xmtest::Module& module, const ChannelField& field, int ticks) {
  return Replay(module).record(ticks, field);
}

// A field of channel 0 as a song plays, after each tick from its start.
struct Trace {
  const char* what;
  xmtest::Module module;
  ChannelField field;
  Values values;
};

inline void expectTraces(std::initializer_list<Trace> traces) {
  for (const Trace& t : traces) {
    SCOPED_TRACE(t.what);
    EXPECT_EQ(trace(t.module, t.field, static_cast<int>(t.values.size())), t.values);
  }
}

}  // namespace replaytest
