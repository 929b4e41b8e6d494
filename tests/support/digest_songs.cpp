// The small songs of the digest table: each plays a few notes through one or two features of
// the replayer (an effect with its parameters and memory, a volume-column command, an envelope,
// a table of periods), so that a change in any of them changes a digest.
#include <functional>
#include <initializer_list>

#include "tests/support/busy_module.h"
#include "tests/support/hostile_modules.h"
#include "tests/support/render_digests.h"
#include "tests/support/xm_writer.h"

namespace xmtest {

namespace {

constexpr std::uint8_t C4 = 49, OFF = 97;

struct At {
  int row, channel;
  Cell cell;
};

// A varied waveform, so that pitch, offsets and loops are heard.
std::vector<int> wave(int length, int step) {
  std::vector<int> values;
  for (int i = 0; i < length; ++i)
    values.push_back((i * step) % 200 - 100);
  return values;
}

// Two channels, 16 rows at speed 6; instrument 1 a forward loop of 256 values over 1,000,
// instrument 2 the same values without loop, at volume 48 and panning 64.
Module song(std::initializer_list<At> cells, const std::function<void(Module&)>& change = {}) {
  Module module;
  module.channels = 2;
  module.patterns.resize(1);
  module.patterns[0].rows = 16;
  Instrument looped = simpleInstrument(wave(1000, 7));
  looped.samples[0].loopType = 1;
  looped.samples[0].loopStart = 744;
  looped.samples[0].loopLength = 256;
  module.instruments.push_back(looped);
  Instrument once = simpleInstrument(wave(1000, 11));
  once.samples[0].volume = 48;
  once.samples[0].panning = 64;
  module.instruments.push_back(once);
  for (const At& at : cells)
    module.patterns[0].set(at.row, at.channel, at.cell, module.channels);
  if (change) change(module);
  return module;
}

// Effect `effect` on channel 0 from a note on row 0, with each parameter on a row of its own;
// channel 1 holds a note of its own throughout.
Module effectSong(std::uint8_t effect, std::initializer_list<std::uint8_t> params,
                  const std::function<void(Module&)>& change = {}) {
  Module module = song({{0, 1, Cell{C4 + 4, 2}}}, change);
  int row = 0;
  for (const std::uint8_t param : params) {
    module.patterns[0].set(row, 0,
                           Cell{static_cast<std::uint8_t>(row == 0 ? C4 : 0),
                                static_cast<std::uint8_t>(row == 0 ? 1 : 0), 0, effect, param},
                           2);
    row += 2;
  }
  return module;
}

void amiga(Module& m) {
  m.flags = 0;
}

// A volume envelope with sustain and loop, a panning envelope, fadeout and auto-vibrato.
void enveloped(Module& m) {
  Instrument& i = m.instruments[0];
  i.volume = Envelope{{{0, 64}, {4, 20}, {10, 50}, {20, 8}, {40, 32}}, {}, 2, 1, 3, 7};
  i.panning = Envelope{{{0, 0}, {8, 64}, {16, 32}}, {}, 1, 0, 2, 5};
  i.fadeout = 2000;
  i.vibratoType = 1;
  i.vibratoSweep = 8;
  i.vibratoDepth = 6;
  i.vibratoRate = 20;
}

// One note a row on channel 0, each from instrument 1 + row % count.
Module instrumentWalk(std::vector<Instrument> instruments) {
  Module module = song({});
  module.instruments = std::move(instruments);
  const int count = static_cast<int>(module.instruments.size());
  for (int row = 0; row < 16; ++row) {
    module.patterns[0].set(
        row, 0,
        Cell{static_cast<std::uint8_t>(C4 + row % 5), static_cast<std::uint8_t>(1 + row % count)},
        2);
  }
  return module;
}

// Samples whose loops the loader must bring within them: every loop type bit, loops of length
// 0, to the end, wrapping, starting at or beyond the end; 8 and 16 bits. Loops of one value, in
// both directions, send the sinc taps round the loop several times over.
Module loopBounds() {
  struct Loop {
    std::uint8_t type;
    int count;
    std::uint32_t start, length;
  } const loops[] = {{0, 100, 10, 20}, {1, 100, 10, 20},        {2, 100, 10, 20},
                     {3, 100, 10, 20}, {0x21, 100, 10, 20},     {1, 50, 10, 0},
                     {1, 100, 60, 40}, {2, 40, 30, 0xFFFFFFF0}, {2, 40, 1000, 5},
                     {2, 40, 40, 5},   {0x12, 77, 3, 70},       {1, 30, 20, 1},
                     {2, 30, 20, 1}};
  std::vector<Instrument> instruments;
  for (const Loop& loop : loops) {
    Sample sample = sampleOf(wave(loop.count, 37), loop.type >= 0x10);
    sample.typeByte = loop.type;
    sample.loopStart = loop.start;
    sample.loopLength = loop.length;
    Instrument instrument;
    instrument.samples.push_back(sample);
    instrument.sampleMap.assign(96, 0);
    instruments.push_back(instrument);
  }
  return instrumentWalk(instruments);
}

// Envelopes the loader must keep within their points: one point, 20 points declared with values
// above 64, a loop end and a sustain point past the last point.
Module envelopeBounds() {
  std::vector<Instrument> instruments(3, simpleInstrument(wave(1000, 7)));
  for (Instrument& i : instruments) {
    i.samples[0].loopType = 1;
    i.samples[0].loopLength = 1000;
  }
  instruments[0].volume = {{{0, 64}}, {}, 0, 0, 0, 0x07};
  instruments[0].panning = {{}, {}, 0, 0, 0, 0x01};
  instruments[1].volume = {{{0, 100}, {4, 65}, {8, 64}, {30, 10}}, 20, 12, 0, 11, 0x07};
  instruments[1].panning = {{{0, 10}, {4, 20}, {8, 30}}, 3, 2, 1, 3, 0x07};
  instruments[2].volume = {{{0, 10}, {4, 20}}, {}, 2, 0, 1, 0x07};
  instruments[2].fadeout = 0x8005;
  return instrumentWalk(instruments);
}

}  // namespace

std::vector<DigestSong> smallSongs() {
  std::vector<std::pair<const char*, Module>> songs = {
      {"arpeggio", effectSong(0x00, {0x37, 0x00, 0x4C, 0xC4})},
      {"arpeggio-amiga", effectSong(0x00, {0x37, 0x00, 0xF1},
                                    [](Module& m) {
                                      amiga(m);
                                      m.instruments[0].samples[0].finetune = -64;
                                    })},
      {"arpeggio-past-the-last-note", song({{0, 0, Cell{1, 1, 0, 0x00, 0x30}}},
                                           [](Module& m) {
                                             amiga(m);
                                             m.instruments[0].samples[0].relativeNote = -2;
                                           })},
      {"portamento", effectSong(0x01, {0x20, 0x00, 0xFF, 0x00, 0x04})},
      {"portamento-down", effectSong(0x02, {0x20, 0x00, 0xFF, 0x03})},
      {"portamento-amiga", effectSong(0x02, {0x20, 0x00, 0x01}, amiga)},
      {"portamento-up-to-the-top", song({{0, 0, Cell{96, 1, 0, 0x01, 0xFF}}})},
      {"tone-portamento", song({{0, 0, Cell{C4, 1}},
                                {2, 0, Cell{C4 + 7, 1, 0, 0x03, 0x10}},
                                {3, 0, Cell{0, 0, 0, 0x03, 0x00}},
                                {5, 0, Cell{C4 - 5, 0, 0, 0x03, 0x40}},
                                {7, 0, Cell{0, 0, 0, 0x0E, 0x31}},
                                {8, 0, Cell{C4 + 2, 2, 0, 0x03, 0x08}},
                                {10, 0, Cell{C4 + 1, 0, 0, 0x05, 0x0A}},
                                {12, 0, Cell{C4 + 12, 0, 0xF2}},
                                {14, 0, Cell{0, 0, 0xF0}}})},
      {"vibrato", effectSong(0x04, {0x48, 0x00, 0x8F, 0x00, 0x33},
                             [](Module& m) {
                               m.patterns[0].set(3, 0, Cell{0, 0, 0, 0x0E, 0x41}, 2);
                               m.patterns[0].set(5, 0, Cell{0, 0, 0, 0x0E, 0x42}, 2);
                               m.patterns[0].set(7, 0, Cell{C4, 1, 0, 0x0E, 0x44}, 2);
                               m.patterns[0].set(9, 0, Cell{0, 0, 0, 0x06, 0x02}, 2);
                               m.patterns[0].set(10, 0, Cell{0, 0, 0, 0x06, 0x20}, 2);
                             })},
      {"tremolo", effectSong(0x07, {0x48, 0x00, 0x8F, 0x00, 0x33},
                             [](Module& m) {
                               m.patterns[0].set(3, 0, Cell{0, 0, 0, 0x0E, 0x71}, 2);
                               m.patterns[0].set(5, 0, Cell{0, 0, 0, 0x0E, 0x72}, 2);
                               m.patterns[0].set(7, 0, Cell{C4, 1, 0, 0x0E, 0x74}, 2);
                               m.patterns[0].set(11, 0, Cell{0, 0, 0, 0x0C, 0x20}, 2);
                             })},
      {"panning", effectSong(0x08, {0x00, 0xFF, 0x80},
                             [](Module& m) {
                               m.patterns[0].set(6, 0, Cell{0, 0, 0, 0x19, 0x0F}, 2);
                               m.patterns[0].set(8, 0, Cell{0, 0, 0, 0x19, 0xF0}, 2);
                               m.patterns[0].set(10, 0, Cell{0, 0, 0, 0x19, 0x00}, 2);
                               m.patterns[0].set(12, 0, Cell{0, 0, 0xC3, 0x19, 0x21}, 2);
                             })},
      {"sample-offset", song({{0, 0, Cell{C4, 1, 0, 0x09, 0x01}},
                              {2, 0, Cell{C4, 1, 0, 0x09, 0x00}},
                              {4, 0, Cell{C4, 2, 0, 0x09, 0x02}},
                              {6, 0, Cell{C4, 2, 0, 0x09, 0x20}},
                              {8, 0, Cell{C4, 1, 0, 0x09, 0xFF}},
                              {10, 0, Cell{0, 0, 0, 0x09, 0x01}}})},
      {"volume-slide", effectSong(0x0A, {0x35, 0x00, 0x0F, 0x00, 0x40},
                                  [](Module& m) {
                                    m.patterns[0].set(0, 0, Cell{C4, 1, 0x20, 0x0A, 0x35}, 2);
                                  })},
      {"set-volume", effectSong(0x0C, {0x20, 0x50, 0x10, 0x40})},
      {"fine-slides", effectSong(0x0E, {0x13, 0x10, 0x24, 0x20, 0xA3, 0xA0, 0xB6, 0xB0})},
      {"extra-fine-slides", effectSong(0x21, {0x13, 0x10, 0x24, 0x20, 0x00})},
      {"finetune", song({{0, 0, Cell{C4, 1, 0, 0x0E, 0x57}},
                         {4, 0, Cell{C4 + 2, 1, 0, 0x0E, 0x5A}},
                         {8, 0, Cell{C4 + 2, 1}},
                         {10, 0, Cell{C4, 1, 0, 0x0E, 0x50}}},
                        amiga)},
      {"retrigger", effectSong(0x0E, {0x93, 0x92, 0x90, 0x94}, [](Module& m) { m.speed = 5; })},
      {"cut-and-delay",
       effectSong(0x0E, {0xC2, 0xC0, 0xD3, 0xD0, 0xDF},
                  [](Module& m) {
                    m.patterns[0].set(2, 0, Cell{C4 + 3, 1, 0x30, 0x0E, 0xD3}, 2);
                    m.patterns[0].set(10, 0, Cell{C4 + 12, 1, 0x20, 0x0E, 0xD2}, 2);
                  })},
      {"speed-and-tempo", effectSong(0x0F, {0x03, 0x50, 0x00, 0x01, 0xFF, 0x1F})},
      {"pattern-loop-and-delay", song({{0, 0, Cell{C4, 1}},
                                       {1, 1, Cell{0, 0, 0, 0x0E, 0x60}},
                                       {2, 0, Cell{C4 + 3, 1, 0, 0x0E, 0xE2}},
                                       {3, 1, Cell{0, 0, 0, 0x0E, 0x62}}})},
      {"global-volume", effectSong(0x10, {0x20, 0x50, 0x40},
                                   [](Module& m) {
                                     m.patterns[0].set(1, 1, Cell{0, 0, 0, 0x11, 0x05}, 2);
                                     m.patterns[0].set(6, 1, Cell{0, 0, 0, 0x11, 0x50}, 2);
                                     m.patterns[0].set(8, 1, Cell{0, 0, 0, 0x11, 0x0F}, 2);
                                     m.patterns[0].set(10, 1, Cell{0, 0, 0x60, 0x11, 0x00}, 2);
                                   })},
      {"multi-retrigger", effectSong(0x1B, {0x33, 0x61, 0xE1, 0x71, 0x81, 0x00, 0xB2, 0x52},
                                     [](Module& m) {
                                       m.patterns[0].set(0, 0, Cell{C4, 1, 0x38, 0x1B, 0x33}, 2);
                                     })},
      {"tremor", effectSong(0x1D, {0x21, 0x00, 0x00, 0x13})},
      // Fx with a note takes the note at once (only the retrigger is held back); after a note
      // with 3xx, Fx slides on to it at its own speed.
      {"volume-column", song({{0, 0, Cell{C4, 1, 0x30}},
                              {1, 0, Cell{0, 0, 0x64}},
                              {2, 0, Cell{0, 0, 0x72}},
                              {3, 0, Cell{0, 0, 0x83}},
                              {4, 0, Cell{0, 0, 0x95}},
                              {5, 0, Cell{0, 0, 0xA4}},
                              {6, 0, Cell{0, 0, 0xB5}},
                              {7, 0, Cell{0, 0, 0xB0}},
                              {8, 0, Cell{0, 0, 0xC2}},
                              {9, 0, Cell{0, 0, 0xD3}},
                              {10, 0, Cell{0, 0, 0xE7}},
                              {11, 0, Cell{C4 + 5, 0, 0xF4}},
                              {12, 0, Cell{C4, 0, 0, 0x03, 0x01}},
                              {13, 0, Cell{0, 0, 0xF4}},
                              {14, 0, Cell{0, 0, 0x50}},
                              {15, 0, Cell{0, 0, 0x1F}}})},
      {"envelopes-and-key-off", song({{0, 0, Cell{C4, 1}},
                                      {4, 0, Cell{OFF, 0}},
                                      {6, 0, Cell{C4, 1, 0, 0x15, 0x08}},
                                      {9, 0, Cell{0, 0, 0, 0x14, 0x02}},
                                      {11, 0, Cell{C4 - 12, 1, 0, 0x15, 0x30}},
                                      {13, 0, Cell{0, 1}}},
                                     enveloped)},
      {"key-off-without-envelope",
       song({{0, 0, Cell{C4, 1}}, {2, 0, Cell{OFF, 0}}, {4, 0, Cell{C4, 1, 0, 0x14, 0x03}}})},
      {"auto-vibrato-waveforms", song({{0, 0, Cell{C4, 1}}, {0, 1, Cell{C4 + 7, 2}}},
                                      [](Module& m) {
                                        enveloped(m);
                                        m.instruments[1].vibratoType = 2;
                                        m.instruments[1].vibratoDepth = 15;
                                        m.instruments[1].vibratoRate = 40;
                                      })},
      // Type 4 has no waveform: no vibrato, however deep.
      {"auto-vibrato-square-and-type-4", song({{0, 0, Cell{C4, 1}}, {0, 1, Cell{C4, 2}}},
                                              [](Module& m) {
                                                m.instruments[0].vibratoType = 3;
                                                m.instruments[0].vibratoDepth = 8;
                                                m.instruments[0].vibratoRate = 10;
                                                m.instruments[1].vibratoType = 4;
                                                m.instruments[1].vibratoDepth = 255;
                                                m.instruments[1].vibratoRate = 10;
                                              })},
      {"sixteen-bit-ping-pong", song({{0, 0, Cell{C4 + 24, 1}}, {8, 0, Cell{C4 - 24, 1}}},
                                     [](Module& m) {
                                       Sample& s = m.instruments[0].samples[0];
                                       s.sixteenBit = true;
                                       for (int& v : s.values)
                                         v *= 300;
                                       s.loopType = 2;
                                       s.loopStart = 100;
                                       s.loopLength = 37;
                                     })},
      // Each frame steps across the loop of one value several times over.
      {"ping-pong-loop-shorter-than-a-step", song({{0, 0, Cell{96, 1}}},
                                                  [](Module& m) {
                                                    Sample& s = m.instruments[0].samples[0];
                                                    s.loopType = 2;
                                                    s.loopStart = 500;
                                                    s.loopLength = 1;
                                                  })},
      {"missing-instrument-and-note-beyond-the-map",
       song({{0, 0, Cell{C4, 5}}, {2, 0, Cell{C4, 1}}, {4, 0, Cell{100, 1}}, {6, 1, Cell{C4, 3}}})},
      {"instrument-alone", song({{0, 0, Cell{C4, 1, 0x20}},
                                 {4, 0, Cell{0, 1}},
                                 {8, 0, Cell{0, 2}},
                                 {12, 0, Cell{C4, 0}}})},
      {"periods-and-finetunes", song({{0, 0, Cell{1, 1}},
                                      {2, 0, Cell{13, 1}},
                                      {4, 0, Cell{C4 + 11, 1}},
                                      {6, 0, Cell{96, 1}},
                                      {8, 0, Cell{C4, 2}},
                                      {10, 0, Cell{C4 + 1, 2}}},
                                     [](Module& m) {
                                       m.instruments[0].samples[0].finetune = 127;
                                       m.instruments[1].samples[0].finetune = -128;
                                       m.instruments[1].samples[0].relativeNote = 12;
                                     })},
      {"periods-amiga", song({{0, 0, Cell{1, 1}},
                              {2, 0, Cell{25, 1}},
                              {4, 0, Cell{C4 + 11, 1}},
                              {6, 0, Cell{96, 1}},
                              {8, 0, Cell{C4, 2}},
                              {10, 0, Cell{C4 + 1, 2}}},
                             [](Module& m) {
                               amiga(m);
                               m.instruments[0].samples[0].finetune = 127;
                               m.instruments[1].samples[0].finetune = -100;
                             })},
      // Written unpacked, five bytes a cell, as some trackers save.
      {"notes-on-every-row", song({{0, 0, Cell{C4, 1}},
                                   {1, 0, Cell{C4 + 2, 1}},
                                   {2, 0, Cell{C4, 2}},
                                   {3, 0, Cell{C4 + 5, 1, 0x10}},
                                   {4, 0, Cell{C4, 1}},
                                   {5, 0, Cell{C4 + 7, 2, 0x40}},
                                   {6, 1, Cell{C4, 1}},
                                   {7, 1, Cell{C4 + 1, 1}}},
                                  [](Module& m) { m.patterns[0].packed = false; })},
      {"loader-loop-bounds", loopBounds()},
      {"loader-envelope-bounds", envelopeBounds()},
      {"header-24-bytes-longer",
       song({{0, 0, Cell{C4, 1}}, {3, 1, Cell{C4 + 3, 2}}}, [](Module& m) { m.headerSize = 300; })},
      // Orders naming patterns the file lacks: 64 empty rows each.
      {"orders-name-missing-patterns", song({{0, 0, Cell{C4, 1}}, {15, 1, Cell{C4, 2}}},
                                            [](Module& m) {
                                              m.patterns.resize(3, m.patterns[0]);
                                              m.orders = {0, 20, 2, 1};
                                            })},
      {"busy", {}},
      {"loop-storm", loopStormModule(8, 1)},
  };
  std::vector<DigestSong> out;
  for (auto& [name, module] : songs) {
    out.push_back({name, std::string(name) == "busy" ? busyModule(12) : writeXm(module)});
  }
  return out;
}

}  // namespace xmtest
