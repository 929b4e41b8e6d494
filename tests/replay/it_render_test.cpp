// Impulse Tracker songs written in memory and rendered: what a listener hears of new-note
// actions and duplicate checks, sustain and fadeout, the resonant filter, and the bound of the
// voice pool when every note goes on sounding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "player/engine.h"
#include "player/load/it_loader.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"
#include "player/replay/it_player.h"
#include "tests/support/it_writer.h"
#include "tests/support/xm_writer.h"

namespace {

constexpr int TICK_FRAMES = 882;  // 2.5 x 44,100 / 125
constexpr int ROW_FRAMES = 6 * TICK_FRAMES;

// A looped sine (or, for the filter, a looped square wave at the top of the band) and one
// instrument whose settings the case changes; notes are written with it.
ittest::Module songWith(std::vector<ittest::Cell> cells, const ittest::Instrument& in,
                        bool square = false) {
  ittest::Module m;
  std::vector<int> values(400);
  for (int k = 0; k < 400; ++k) {
    values[k] = square ? (k % 2 == 0 ? 12000 : -12000)
                       : static_cast<int>(std::lround(12000 * std::sin(k * 6.283185307 / 100)));
  }
  ittest::Sample s = ittest::sample(values, true);
  s.flags = 0x10;
  s.loopEnd = 400;
  m.samples = {s};
  m.instruments = {in};
  m.patterns[0].cells = std::move(cells);
  return m;
}

struct Render {
  std::vector<std::int16_t> left;  // one value per frame
  int mostNotes = 0;               // notes sounding at once, at the end of any block
};

Render render(const ittest::Module& module, int frames) {
  const xmtest::ImagePtr image = xmtest::makeImage(ittest::writeIt(module));
  const xmtest::SongPtr song(player::loadSong(image.get(), nullptr));
  Render out;
  const auto engine = std::make_unique<player::Engine>();
  if (song == nullptr || !player::startOfflineRender(*engine, song.get(), 1)) return out;
  while (static_cast<int>(out.left.size()) < frames) {
    const std::int16_t* block = player::renderNextBlock(*engine);
    for (int k = 0; k < player::offlineBlockFrames(*engine); ++k)
      out.left.push_back(block[2 * k]);
    int sounding = 0;
    for (const player::ItNote& note : engine->it.notes)
      sounding += note.active ? 1 : 0;
    out.mostNotes = sounding > out.mostNotes ? sounding : out.mostNotes;
  }
  player::stopOfflineRender(*engine);
  return out;
}

double rms(const Render& r, int from, int to) {
  double sum = 0;
  for (int k = from; k < to; ++k)
    sum += static_cast<double>(r.left[k]) * r.left[k];
  return std::sqrt(sum / (to - from));
}

// Two notes a row apart on one channel, the second a fifth above: what is left of the first.
TEST(ItRender, NewNoteActionsAndDuplicateChecks) {
  using ittest::cell;
  struct Case {
    const char* what;
    std::uint8_t nna, dct, dca;
    int secondNote;
    int notes;  // sounding in the second row
  } const cases[] = {
      {"cut", player::NNA_CUT, 0, 0, 67, 1},
      {"continue", player::NNA_CONTINUE, 0, 0, 67, 2},
      {"the same note again is a duplicate, cut", player::NNA_CONTINUE, 1, 0, 60, 1},
      {"a different note is not", player::NNA_CONTINUE, 1, 0, 67, 2},
      {"instrument duplicates fade", player::NNA_CONTINUE, 3, 2, 67, 2},
  };
  for (const Case& c : cases) {
    ittest::Instrument in;
    in.nna = c.nna;
    in.dct = c.dct;
    in.dca = c.dca;
    in.fadeout = 128;
    const Render r =
        render(songWith({cell(0, 0, 60, 1), cell(1, 0, c.secondNote, 1)}, in), 2 * ROW_FRAMES);
    EXPECT_EQ(r.mostNotes, c.notes) << c.what;
  }
}

TEST(ItRender, SustainHoldsUntilNoteOffThenTheNoteFadesOut) {
  using ittest::cell;
  ittest::Instrument in;
  in.fadeout = 64;                                // 16 ticks from full to silence
  in.volume.flags = 0x05;                         // on, sustain loop
  in.volume.nodes = {{64, 0}, {32, 6}, {32, 7}};  // ends just after release; fades from there
  in.volume.sustainStart = in.volume.sustainEnd = 1;
  const Render r = render(songWith({cell(0, 0, 60, 1), cell(4, 0, 255)}, in), 9 * ROW_FRAMES);
  const double held = rms(r, 2 * ROW_FRAMES, 3 * ROW_FRAMES);
  EXPECT_NEAR(rms(r, 3 * ROW_FRAMES, 4 * ROW_FRAMES), held, held * 0.02) << "sustained";
  EXPECT_LT(rms(r, 6 * ROW_FRAMES, 7 * ROW_FRAMES), held / 2) << "released and fading";
  EXPECT_EQ(rms(r, 8 * ROW_FRAMES, 9 * ROW_FRAMES), 0.0) << "faded out";
}

TEST(ItRender, ALowCutoffTakesTheTopOffTheSound) {
  using ittest::cell;
  ittest::Instrument open, closed;
  closed.cutoff = 0x80 | 40;
  const double full =
      rms(render(songWith({cell(0, 0, 60, 1)}, open, true), ROW_FRAMES), TICK_FRAMES, ROW_FRAMES);
  const double filtered =
      rms(render(songWith({cell(0, 0, 60, 1)}, closed, true), ROW_FRAMES), TICK_FRAMES, ROW_FRAMES);
  EXPECT_LT(filtered, full / 10);
  EXPECT_GT(filtered, 0.0);
}

// Every note goes on sounding: the pool fills up to its bound and the song plays on.
TEST(ItRender, NotesThatAllContinueStayWithinThePool) {
  using ittest::cell;
  ittest::Instrument in;
  in.nna = player::NNA_CONTINUE;
  ittest::Module m = songWith({}, in);
  m.speed = 1;
  for (int row = 0; row < 64; ++row)
    for (int c = 0; c < 8; ++c)
      m.patterns[0].cells.push_back(cell(row, c, 40 + (row + c) % 40, 1));
  const Render r = render(m, 70 * TICK_FRAMES);
  EXPECT_EQ(r.mostNotes, player::IT_NOTES);
  EXPECT_GT(rms(r, 60 * TICK_FRAMES, 64 * TICK_FRAMES), 0.0);
}

}  // namespace
