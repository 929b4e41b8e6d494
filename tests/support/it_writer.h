// Builds Impulse Tracker files in memory for tests, and compresses sample data the way the
// tracker's 2.14 and 2.15 schemes store it. Values a test leaves alone get what the tracker writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ittest {

// One cell; fields left empty are not stored.
struct Cell {
  int row = 0, channel = 0;
  std::optional<std::uint8_t> note, instrument, volume;
  std::optional<std::pair<std::uint8_t, std::uint8_t>> effect;  // letter 1..26, parameter
};

struct Pattern {
  int rows = 64;
  std::vector<Cell> cells;  // in row order
  bool reuse = true;        // a value equal to the channel's last is stored as "the last one"
};

struct Sample {
  std::vector<int> values;  // plain values in the stored depth
  std::vector<int> right;   // a stereo sample's right channel
  bool sixteenBit = false, isSigned = true;
  int compression = 0;     // 214 or 215
  std::uint8_t flags = 0;  // loop bits (0x10 loop, 0x20 sustain, 0x40/0x80 ping-pong)
  std::uint32_t loopStart = 0, loopEnd = 0, sustainStart = 0, sustainEnd = 0;
  std::uint32_t c5Speed = 8363;
  std::uint8_t volume = 64, globalVolume = 64, panning = 32, vibrato[4] = {};
  std::optional<std::uint32_t> length;  // stated length instead of values.size()
  std::string name;
};

struct Envelope {
  std::uint8_t flags = 0;  // as stored: bit 0 on, 1 loop, 2 sustain, 3 carry, 7 filter
  std::vector<std::pair<std::int8_t, std::uint16_t>> nodes;  // (value, tick)
  std::uint8_t loopStart = 0, loopEnd = 0, sustainStart = 0, sustainEnd = 0;
  std::optional<std::uint8_t> count;
};

struct Instrument {
  std::uint8_t nna = 0, dct = 0, dca = 0, pps = 0, ppc = 60, globalVolume = 128, pan = 0x80;
  std::uint8_t randomVolume = 0, randomPanning = 0, cutoff = 0, resonance = 0;
  std::uint16_t fadeout = 0;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> keyboard;  // (note, sample); default 1:1 on 1
  Envelope volume, panning, pitch;
  std::string name;
};

struct Module {
  std::uint16_t trackerVersion = 0x0214, formatVersion = 0x0214;
  std::uint16_t flags = 0x0D;  // stereo, instruments, linear slides
  std::uint16_t special = 0;
  std::uint8_t globalVolume = 128, mixingVolume = 48, speed = 6, tempo = 125, separation = 128;
  std::vector<std::uint8_t> channelPan = std::vector<std::uint8_t>(64, 32);
  std::vector<std::uint8_t> channelVolume = std::vector<std::uint8_t>(64, 64);
  std::vector<std::uint8_t> orders{0, 255};
  std::vector<Pattern> patterns{Pattern{}};
  std::vector<Sample> samples;
  std::vector<Instrument> instruments;
  bool oldInstruments = false;      // the format before 2.0
  std::vector<std::string> macros;  // SF0.. then Z80..: embedded when not empty
  std::string title, message;       // the message is written (and flagged) when not empty
};

// A cell at row and channel; a negative value leaves its field out, effect 0 too.
Cell cell(int row, int channel, int note, int instrument = -1, int volume = -1, int effect = 0,
          int param = 0);
// A sample of these values.
Sample sample(std::vector<int> values, bool sixteenBit = false, int compression = 0);

std::vector<std::uint8_t> writeIt(const Module& module);

// The 2.14 (doubleDelta false) or 2.15 compressed form of values, blocks and all.
std::vector<std::uint8_t> compressItSample(const std::vector<int>& values, bool sixteenBit,
                                           bool doubleDelta);

}  // namespace ittest
