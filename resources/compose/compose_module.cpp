// Composes the application's embedded tune, "Blue Panel", and writes it as an XM module.
// Every sample is synthesised here, so the module carries nothing but this program's output:
// run `compose_module resources/jingle.xm` to rebuild it (a test checks the committed copy).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/xm_writer.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int ROWS = 64;
constexpr int CHANNELS = 8;

// Channel roles.
constexpr int KICK = 0, DRUMS = 1, BASS = 2, ARP = 3, ECHO = 4, PAD_LOW = 5, PAD_HIGH = 6, LEAD = 7;
// Instrument numbers (1-based, as in pattern cells).
constexpr std::uint8_t I_KICK = 1, I_SNARE = 2, I_HAT = 3, I_BASS = 4, I_BELL = 5, I_PAD = 6,
                       I_LEAD = 7;

// XM note numbers: C-0 is 1.
constexpr std::uint8_t note(int octave, int semitone) {
  return static_cast<std::uint8_t>(octave * 12 + semitone + 1);
}
constexpr int C = 0, D = 2, E = 4, F = 5, G = 7, A = 9, B = 11;
constexpr std::uint8_t KEY_OFF_NOTE = 97;

// A small deterministic noise source (no library generator, so the bytes never change).
class Noise {
 public:
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
  }

 private:
  std::uint32_t state_ = 0x2468ACE1u;
};

int clip16(double value) {
  const double scaled = std::nearbyint(value * 32767.0);
  return static_cast<int>(scaled > 32767 ? 32767 : (scaled < -32768 ? -32768 : scaled));
}

xmtest::Sample looped(std::vector<int> values, std::int8_t relativeNote, std::uint8_t volume) {
  xmtest::Sample s;
  s.sixteenBit = true;
  s.loopStart = 0;
  s.loopLength = static_cast<std::uint32_t>(values.size());
  s.values = std::move(values);
  s.loopType = 1;
  s.relativeNote = relativeNote;
  s.volume = volume;
  return s;
}

xmtest::Sample oneShot(std::vector<int> values, std::uint8_t volume) {
  xmtest::Sample s;
  s.sixteenBit = true;
  s.values = std::move(values);
  s.volume = volume;
  return s;
}

// One cycle of a waveform given by its harmonics' amplitudes, over `length` values.
std::vector<int> cycle(int length, const std::vector<double>& harmonics, double gain) {
  std::vector<int> values(static_cast<std::size_t>(length));
  for (int i = 0; i < length; ++i) {
    double sum = 0;
    for (std::size_t h = 0; h < harmonics.size(); ++h) {
      sum += harmonics[h] * std::sin(2 * PI * static_cast<double>(h + 1) * i / length);
    }
    values[static_cast<std::size_t>(i)] = clip16(sum * gain);
  }
  return values;
}

// Samples played at C-5 run at 16,726 values per second.
constexpr double DRUM_RATE = 16726.0;

std::vector<int> kick() {
  std::vector<int> v;
  double phase = 0;
  for (int i = 0; i < 5600; ++i) {
    const double t = i / DRUM_RATE;
    const double frequency = 45.0 + 120.0 * std::exp(-t * 28.0);
    phase += 2 * PI * frequency / DRUM_RATE;
    const double click = i < 40 ? (40 - i) / 40.0 * 0.3 : 0.0;
    v.push_back(clip16((std::sin(phase) + click) * std::exp(-t * 9.0) * 0.95));
  }
  return v;
}

std::vector<int> snare() {
  Noise noise;
  std::vector<int> v;
  double low = 0;
  for (int i = 0; i < 3600; ++i) {
    const double t = i / DRUM_RATE;
    low += (noise.next() - low) * 0.45;
    const double tone = std::sin(2 * PI * 185.0 * t) * std::exp(-t * 30.0);
    v.push_back(clip16((low * 1.4 * std::exp(-t * 16.0) + tone * 0.6) * 0.8));
  }
  return v;
}

std::vector<int> hat() {
  Noise noise;
  std::vector<int> v;
  double previous = 0;
  for (int i = 0; i < 900; ++i) {
    const double t = i / DRUM_RATE;
    const double n = noise.next();
    v.push_back(clip16((n - previous) * 0.5 * std::exp(-t * 70.0)));
    previous = n;
  }
  return v;
}

// Two slightly detuned partials over a long loop: the pad's slow chorus.
std::vector<int> padLoop() {
  const int length = 16384;
  std::vector<int> v(length);
  for (int i = 0; i < length; ++i) {
    const double x = static_cast<double>(i) / length;
    const double a = std::sin(2 * PI * 128 * x) + 0.25 * std::sin(2 * PI * 256 * x);
    const double b = std::sin(2 * PI * 129 * x) + 0.2 * std::sin(2 * PI * 387 * x);
    v[static_cast<std::size_t>(i)] = clip16((a + b) * 0.32);
  }
  return v;
}

xmtest::Envelope envelope(std::vector<std::pair<std::uint16_t, std::uint16_t>> points, int sustain) {
  xmtest::Envelope e;
  e.points = std::move(points);
  e.flags = 1;
  if (sustain >= 0) {
    e.flags |= 2;
    e.sustain = static_cast<std::uint8_t>(sustain);
  }
  return e;
}

xmtest::Instrument instrument(const std::string& name, xmtest::Sample sample) {
  xmtest::Instrument in;
  in.name = name;
  in.samples.push_back(std::move(sample));
  in.sampleMap.assign(96, 0);
  return in;
}

std::vector<xmtest::Instrument> instruments() {
  std::vector<xmtest::Instrument> list;
  list.push_back(instrument("kick", oneShot(kick(), 64)));
  list.push_back(instrument("snare", oneShot(snare(), 52)));
  list.push_back(instrument("hat", oneShot(hat(), 40)));

  xmtest::Instrument bass =
      instrument("bass", looped(cycle(128, {1, 0.5, 0.33, 0.25, 0.2, 0.16, 0.14, 0.12}, 0.42), 24, 56));
  bass.volume = envelope({{0, 64}, {6, 46}, {30, 34}, {40, 0}}, 2);
  bass.fadeout = 1200;
  list.push_back(bass);

  xmtest::Instrument bell = instrument("bell", looped(cycle(128, {1, 0.0, 0.35, 0.0, 0.12}, 0.62), 24, 44));
  bell.volume = envelope({{0, 64}, {6, 34}, {24, 12}, {56, 0}}, -1);
  list.push_back(bell);

  xmtest::Instrument pad = instrument("pad", looped(padLoop(), 24, 40));
  pad.volume = envelope({{0, 0}, {20, 50}, {60, 40}, {100, 0}}, 2);
  pad.panning = envelope({{0, 24}, {60, 40}, {120, 24}}, -1);
  pad.panning.flags |= 4;
  pad.panning.loopStart = 0;
  pad.panning.loopEnd = 2;
  pad.fadeout = 400;
  list.push_back(pad);

  xmtest::Instrument lead = instrument("lead", looped(cycle(128, {1, 0.45, 0.3, 0.18, 0.1, 0.05}, 0.5), 24, 48));
  lead.volume = envelope({{0, 0}, {2, 64}, {12, 44}, {70, 38}, {100, 0}}, 3);
  lead.vibratoType = 0;
  lead.vibratoSweep = 48;
  lead.vibratoDepth = 3;
  lead.vibratoRate = 10;
  lead.fadeout = 900;
  list.push_back(lead);
  return list;
}

struct Chord {
  int root;        // semitone of the root
  bool minor;
};
// i - VI - III - VII in A minor, one chord per 16 rows.
const Chord PROGRESSION[4] = {{A, true}, {F, false}, {C, false}, {G, false}};

class PatternBuilder {
 public:
  PatternBuilder() { pattern_.rows = ROWS; }
  void put(int row, int channel, xmtest::Cell cell) { pattern_.set(row, channel, cell, CHANNELS); }
  xmtest::Pattern take() { return pattern_; }

 private:
  xmtest::Pattern pattern_;
};

void drums(PatternBuilder& p, bool full) {
  for (int bar = 0; bar < 4; ++bar) {
    const int r = bar * 16;
    p.put(r, KICK, {note(5, C), I_KICK});
    p.put(r + 8, KICK, {note(5, C), I_KICK});
    if (full && bar % 2 == 1) p.put(r + 10, KICK, {note(5, C), I_KICK, 0x40});
    if (full) {
      p.put(r + 4, DRUMS, {note(5, C), I_SNARE});
      p.put(r + 12, DRUMS, {note(5, C), I_SNARE});
    }
    for (int h = 2; h < 16; h += 4) p.put(r + h, DRUMS, {note(5, C), I_HAT, static_cast<std::uint8_t>(0x10 + (h == 14 ? 40 : 28))});
  }
  if (full) {
    // A short fill into the next pattern: snare rolls with a retrigger.
    p.put(60, DRUMS, {note(5, C), I_SNARE, 0x30, 0x1B, 0x33});
  }
}

void bassLine(PatternBuilder& p) {
  for (int bar = 0; bar < 4; ++bar) {
    const int root = PROGRESSION[bar].root;
    const int octave = root >= G ? 1 : 2;
    const int r = bar * 16;
    const int steps[] = {0, 3, 6, 8, 11, 14};
    for (int s : steps) {
      const bool up = s == 6 || s == 14;
      p.put(r + s, BASS, {note(octave + (up ? 1 : 0), root), I_BASS});
    }
    p.put(r + 15, BASS, {KEY_OFF_NOTE});
  }
}

void arpeggio(PatternBuilder& p) {
  for (int bar = 0; bar < 4; ++bar) {
    const Chord chord = PROGRESSION[bar];
    const int third = chord.minor ? 3 : 4;
    const int tones[4] = {0, third, 7, 12};
    const int base = chord.root >= G ? 3 : 4;
    for (int step = 0; step < 16; step += 2) {
      const int tone = tones[(step / 2) % 4] + chord.root;
      // Every note resets the channel's panning to the sample's, so each one carries its own.
      const xmtest::Cell cell{note(base + tone / 12, tone % 12), I_BELL, 0, 0x08, 0x50};
      p.put(bar * 16 + step, ARP, cell);
      // The echo repeats the arpeggio three rows later, quieter and on the other side.
      const int echoRow = bar * 16 + step + 3;
      if (echoRow < ROWS) p.put(echoRow, ECHO, {cell.note, I_BELL, 0x10 + 22, 0x08, 0xC0});
    }
  }
}

void pads(PatternBuilder& p) {
  for (int bar = 0; bar < 4; ++bar) {
    const Chord chord = PROGRESSION[bar];
    const int third = chord.root + (chord.minor ? 3 : 4);
    const int fifth = chord.root + 7;
    const int base = chord.root >= G ? 2 : 3;
    p.put(bar * 16, PAD_LOW, {note(base + third / 12, third % 12), I_PAD});
    p.put(bar * 16, PAD_HIGH, {note(base + fifth / 12, fifth % 12), I_PAD});
  }
}

struct MelodyNote {
  int row;
  int octave;
  int semitone;
  std::uint8_t effect = 0;
  std::uint8_t param = 0;
};

void melody(PatternBuilder& p, const std::vector<MelodyNote>& notes) {
  for (const MelodyNote& n : notes) {
    p.put(n.row, LEAD, {note(n.octave, n.semitone), I_LEAD, 0, n.effect, n.param});
  }
}

const std::vector<MelodyNote> THEME = {
    {0, 5, E, 4, 0x34}, {6, 5, D},  {8, 5, C},  {10, 5, D}, {12, 5, E, 4, 0x23},
    {16, 5, F, 4, 0x34}, {22, 5, E}, {24, 5, C}, {28, 4, A, 4, 0x24},
    {32, 4, G},  {36, 5, C},  {40, 5, E},  {44, 5, G, 4, 0x34},
    {48, 5, D, 4, 0x44}, {56, 4, B},  {60, 4, G, 0x0A, 0x04},
};

const std::vector<MelodyNote> ANSWER = {
    {0, 5, A, 4, 0x34}, {4, 5, G},  {6, 5, E},  {8, 5, D},  {10, 5, E, 4, 0x24},
    {16, 5, F},  {20, 5, A},  {24, 5, G},  {26, 5, F},  {28, 5, E, 4, 0x23},
    {32, 5, E},  {36, 5, G, 4, 0x34}, {44, 6, C, 3, 0x20},
    {48, 5, B, 4, 0x34}, {52, 5, A}, {56, 5, G}, {60, 5, D, 3, 0x18},
};

std::vector<xmtest::Pattern> patterns() {
  std::vector<xmtest::Pattern> list;
  {  // 0: intro, pads and the bell alone
    PatternBuilder p;
    pads(p);
    arpeggio(p);
    drums(p, false);
    list.push_back(p.take());
  }
  {  // 1: the groove
    PatternBuilder p;
    pads(p);
    arpeggio(p);
    bassLine(p);
    drums(p, true);
    list.push_back(p.take());
  }
  {  // 2: the theme
    PatternBuilder p;
    pads(p);
    arpeggio(p);
    bassLine(p);
    drums(p, true);
    melody(p, THEME);
    list.push_back(p.take());
  }
  {  // 3: the answer, closing with a slide back down
    PatternBuilder p;
    pads(p);
    arpeggio(p);
    bassLine(p);
    drums(p, true);
    melody(p, ANSWER);
    p.put(63, LEAD, {KEY_OFF_NOTE});
    list.push_back(p.take());
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: compose_module OUT.xm\n");
    return 2;
  }
  xmtest::Module module;
  module.name = "Blue Panel";
  module.channels = CHANNELS;
  module.speed = 6;
  module.bpm = 118;
  module.orders = {0, 1, 2, 3, 1, 2, 3};
  module.restartPosition = 1;
  module.patterns = patterns();
  module.instruments = instruments();
  const std::vector<std::uint8_t> bytes = xmtest::writeXm(module);

  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "compose_module: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
