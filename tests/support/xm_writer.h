// Builds XM module files in memory from a short description, for tests. Every value that a test
// leaves alone gets what a tracker would write; overrides let a test write damaged files too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/load/module_image.h"
#include "player/load/song.h"

namespace xmtest {

struct Cell {
  std::uint8_t note = 0;  // 1..96, 97 key off
  std::uint8_t instrument = 0;
  std::uint8_t volume = 0;  // volume-column byte
  std::uint8_t effect = 0;
  std::uint8_t param = 0;
};

struct Pattern {
  int rows = 64;
  std::vector<Cell> cells;  // rows x channels, row-major; missing cells are empty
  bool packed = true;       // false writes every cell as five plain bytes
  std::optional<std::vector<std::uint8_t>> rawData;  // written as the packed data instead
  std::optional<std::uint16_t> packedSizeOverride;   // declared packed size P

  // Sets the cell of row r and channel c, growing cells to rows x channels.
  Pattern& set(int r, int c, const Cell& cell, int channels);
};

struct Sample {
  std::vector<int> values;  // plain values; the writer delta-encodes them
  bool sixteenBit = false;
  std::uint32_t loopStart = 0;   // in values
  std::uint32_t loopLength = 0;  // in values
  std::uint8_t loopType = 0;     // type bits 0-1: 1 forward, 2 ping-pong
  std::uint8_t volume = 64;
  std::int8_t finetune = 0;
  std::uint8_t panning = 128;
  std::int8_t relativeNote = 0;
  std::string name;
  // Header values in bytes, written as given instead of the ones derived from values.
  std::optional<std::uint32_t> lengthBytes, loopStartBytes, loopLengthBytes;
  std::optional<std::uint8_t> typeByte;
  std::optional<std::vector<std::uint8_t>> rawData;  // written instead of the encoded values
};

struct Envelope {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> points;  // (x, y), at most 12 written
  std::optional<std::uint8_t> pointCount;  // declared count; default points.size()
  std::uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
  std::uint8_t flags = 0;  // bit 0 on, bit 1 sustain, bit 2 loop
};

struct Instrument {
  std::string name;
  std::vector<Sample> samples;
  std::vector<std::uint8_t> sampleMap;  // 96 entries; missing entries are 0
  Envelope volume, panning;
  std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
  std::uint16_t fadeout = 0;  // file value
  std::optional<std::uint16_t> declaredSampleCount;
  std::optional<std::uint32_t> headerSize;  // default 263 with samples, 29 without
};

struct Module {
  std::string name = "test";
  std::string signature = "Extended Module: ";
  std::uint32_t headerSize = 276;
  std::uint16_t restartPosition = 0;
  std::uint16_t channels = 4;
  std::uint16_t flags = 1;  // linear frequency table
  std::uint16_t speed = 6;
  std::uint16_t bpm = 125;
  std::vector<std::uint8_t> orders{0};
  std::optional<std::uint16_t> songLength;       // default orders.size()
  std::optional<std::uint16_t> patternCount;     // default patterns.size()
  std::optional<std::uint16_t> instrumentCount;  // default instruments.size()
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;
};

std::vector<std::uint8_t> writeXm(const Module& module);

struct ImageDeleter {
  void operator()(player::ModuleImage* image) const { player::freeModuleImage(image); }
};
using ImagePtr = std::unique_ptr<player::ModuleImage, ImageDeleter>;
ImagePtr makeImage(const std::vector<std::uint8_t>& file);

struct SongDeleter {
  void operator()(player::Song* song) const;
};
using SongPtr = std::unique_ptr<player::Song, SongDeleter>;
// Writes, wraps and loads the module; null when the loader refuses it.
SongPtr loadModule(const Module& module, player::SampleReadHook hook = nullptr);
SongPtr loadFile(const std::vector<std::uint8_t>& file, player::SampleReadHook hook = nullptr);

// A sample of the given plain values, without loop.
Sample sampleOf(std::vector<int> values, bool sixteenBit = false);
// A single-instrument module: one sample, every note mapped to it.
Instrument simpleInstrument(std::vector<int> values, bool sixteenBit = false);

// The bytes of a file, empty when it cannot be read.
std::vector<std::uint8_t> readFile(const std::string& path);
// The corpus of real modules: every .xm file in it, sorted; empty when there is no corpus.
std::vector<std::string> corpusModules();

}  // namespace xmtest
