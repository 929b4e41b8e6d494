// Builds MOD and S3M files in memory from a short description, for tests. What a test leaves
// alone gets what a tracker would write; raw fields let a test write damaged files too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modtest {

// One stored cell of a MOD pattern.
struct Cell {
  std::uint16_t period = 0;
  std::uint8_t sample = 0;
  std::uint8_t effect = 0;  // 0-F
  std::uint8_t param = 0;
};

struct Sample {
  std::vector<int> values;  // -128..127
  std::uint8_t volume = 64;
  std::uint8_t finetune = 0;                    // the stored nibble
  std::uint32_t loopStart = 0, loopLength = 0;  // in values, as the header holds them / 2
  std::string name;
};

struct Module {
  std::string name = "test";
  std::string tag = "M.K.";  // empty: Soundtracker's 15-sample layout
  int channels = 4;          // of the stored patterns (FLT8: 4 each, two per pattern)
  std::uint8_t restart = 127;
  std::vector<std::uint8_t> orders{0};
  std::vector<std::vector<Cell>> patterns;  // 64 x channels cells each, row-major
  std::vector<Sample> samples;              // up to 31 (15 without tag)
  std::vector<std::uint8_t> trailing;       // bytes after the sample data
};

// A pattern of 64 empty rows with cell (row, channel) set.
void put(Module& module, int pattern, int row, int channel, const Cell& cell);
std::vector<std::uint8_t> writeMod(const Module& module);

}  // namespace modtest

namespace s3mtest {

struct Cell {
  std::uint8_t note = 255;  // octave << 4 | semitone; 254 note off, 255 none
  std::uint8_t instrument = 0;
  std::uint8_t volume = 255;  // 255: none
  std::uint8_t effect = 0;    // letter, 1 = A
  std::uint8_t param = 0;
};

struct Sample {
  std::vector<int> values;  // as signed 16-bit values; stored in the module's layout
  bool sixteenBit = false, stereo = false;
  std::uint32_t loopStart = 0, loopEnd = 0;  // a loop when loopEnd > 0
  std::uint8_t volume = 64;
  std::uint32_t c2spd = 8363;
  std::uint8_t type = 1;  // 2: an AdLib instrument
  std::string name;
};

struct Module {
  std::string name = "test";
  std::uint16_t tracker = 0x1320;
  std::uint16_t sampleFormat = 2;  // 1 signed, 2 unsigned
  std::uint16_t flags = 0;
  std::uint8_t globalVolume = 64, speed = 6, tempo = 125, masterVolume = 0xB0;
  std::vector<std::uint8_t> channels{0, 8, 1, 9};  // settings; the other channels unused
  std::vector<std::uint8_t> panning;               // written (marker 252) when not empty
  std::vector<std::uint8_t> orders{0};
  struct Placed {
    int pattern, row, channel;
    Cell cell;
  };
  int patterns = 1;
  std::vector<Placed> cells;
  std::vector<Sample> samples;
};

std::vector<std::uint8_t> writeS3m(const Module& module);

}  // namespace s3mtest
