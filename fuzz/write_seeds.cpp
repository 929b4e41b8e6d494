// Writes the seed modules of the fuzz runs into a directory: small modules from the test writers
// that reach every part of the loader and the song's flow (patterns with and without data, the
// flow effects, loops, envelopes, 8- and 16-bit samples of each loop kind) and the hostile ones.
//   write_fuzz_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/hostile_modules.h"
#include "tests/support/it_writer.h"
#include "tests/support/mod_s3m_writer.h"
#include "tests/support/xm_writer.h"

namespace {

using xmtest::Cell;
using xmtest::Module;

Module songWith(std::vector<std::vector<Cell>> rows, int channels = 4) {
  Module module;
  module.channels = static_cast<std::uint16_t>(channels);
  xmtest::Instrument instrument = xmtest::simpleInstrument({0, 50, 100, 50, 0, -50, -100, -50});
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 8;
  instrument.volume.points = {{0, 64}, {10, 20}, {20, 40}};
  instrument.volume.flags = 7;
  instrument.volume.loopEnd = 2;
  module.instruments.push_back(instrument);
  xmtest::Instrument wide = xmtest::simpleInstrument({0, 3000, -3000, 1000}, true);
  wide.samples[0].loopType = 2;
  wide.samples[0].loopLength = 4;
  module.instruments.push_back(wide);
  xmtest::Pattern& pattern = module.patterns.emplace_back();
  pattern.rows = static_cast<int>(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      pattern.set(static_cast<int>(r), static_cast<int>(c), rows[r][c], channels);
  return module;
}

// A MOD with a looped and a plain sample, notes, slides, a loop and a jump; the tag names it.
std::vector<std::uint8_t> modSeed(const std::string& tag, int channels) {
  modtest::Module module;
  module.tag = tag;
  module.channels = channels;
  module.orders = {0, 1, 0};
  modtest::Sample looped, plain;
  looped.values = {0, 60, 120, 60, 0, -60, -120, -60};
  looped.volume = 48;
  looped.finetune = 3;
  looped.loopStart = 2;
  looped.loopLength = 6;
  plain.values = std::vector<int>(64, 30);
  module.samples = {looped, plain};
  modtest::put(module, 0, 0, 0, {428, 1, 0x0, 0x37});
  modtest::put(module, 0, 1, 1, {214, 2, 0x3, 0x08});
  modtest::put(module, 0, 2, 0, {0, 0, 0xE, 0x60});
  modtest::put(module, 0, 3, 0, {856, 1, 0xE, 0x62});
  modtest::put(module, 1, 0, channels - 1, {113, 1, 0x9, 0x01});
  modtest::put(module, 1, 1, 0, {0, 0, 0xF, 0x40});
  modtest::put(module, 1, 2, 0, {0, 0, 0xB, 0x02});
  return modtest::writeMod(module);
}

// An S3M of 8- and 16-bit samples, one stereo, notes and the letter effects of the flow.
std::vector<std::uint8_t> s3mSeed(std::uint16_t tracker) {
  s3mtest::Module module;
  module.tracker = tracker;
  module.patterns = 2;
  module.orders = {0, 254, 1, 255, 0};
  module.panning = {0x20, 0x2F, 0x27};
  s3mtest::Sample narrow, wide;
  narrow.values = {0, 8000, 16000, 8000, 0, -8000};
  narrow.loopEnd = 6;
  wide.values = {0, 3000, -3000, 1000};
  wide.sixteenBit = wide.stereo = true;
  module.samples = {narrow, wide};
  module.cells = {{0, 0, 0, {0x40, 1, 32, 4, 0x12}},
                  {0, 1, 1, {0x52, 2, 255, 1, 3}},
                  {0, 2, 0, {254}},
                  {0, 3, 2, {0x30, 1, 255, 19, 0xB0}},
                  {0, 4, 2, {255, 0, 255, 19, 0xB2}},
                  {1, 0, 0, {0x40, 1, 255, 20, 0x80}},
                  {1, 1, 1, {255, 0, 255, 3, 0x12}},
                  {1, 2, 0, {255, 0, 255, 2, 0x04}}};
  return s3mtest::writeS3m(module);
}

// An Impulse Tracker song with compressed and plain samples, loops and a sustain loop, an
// instrument with all three envelopes and a filter, and a pattern using the remembered values.
std::vector<std::uint8_t> itSeed(bool old) {
  ittest::Module m;
  m.oldInstruments = old;
  m.formatVersion = old ? 0x0100 : 0x0214;
  m.samples = {ittest::sample({0, 40, 80, 40, 0, -40, -80, -40}, false, 214),
               ittest::sample({0, 9000, -9000, 3000}, true, 215),
               ittest::sample({1, 2, 3, 4}, true)};
  m.samples[0].flags = 0x10 | 0x20;
  m.samples[0].loopEnd = 8;
  m.samples[0].sustainEnd = 4;
  m.samples[2].right = {4, 3, 2, 1};
  ittest::Instrument in;
  in.nna = 1;
  in.dct = 1;
  in.cutoff = 0xC0;
  in.volume.flags = 0x07;
  in.volume.nodes = {{64, 0}, {20, 8}, {40, 16}};
  in.volume.loopEnd = 2;
  in.pitch.flags = 0x81;
  in.pitch.nodes = {{-32, 0}, {32, 20}};
  m.instruments = {in, in};
  m.instruments[1].keyboard.assign(120, {60, 2});
  using ittest::cell;
  m.patterns[0].cells = {cell(0, 0, 60, 1, 64, 1, 2), cell(1, 0, 60, 1, 64, 1, 2),
                         cell(2, 1, 72, 2, 200), cell(4, 0, 255),
                         cell(6, 1, 254, -1, -1, 26, 0x40)};
  m.orders = {0, 254, 0, 255};
  return ittest::writeIt(m);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: write_fuzz_seeds DIRECTORY\n", stderr);
    return 2;
  }
  const Cell note{49, 1}, wide{61, 2, 0x30};
  std::vector<std::pair<std::string, Module>> seeds = {
      {"notes", songWith({{note, wide}, {}, {Cell{97}}, {note, Cell{0, 0, 0, 0x0A, 0x0F}}})},
      {"loop", songWith({{Cell{0, 0, 0, 0x0E, 0x60}}, {note}, {Cell{0, 0, 0, 0x0E, 0x62}}, {}})},
      {"jump", songWith({{note, Cell{0, 0, 0, 0x0B, 0x00}}})},
      {"break", songWith({{note}, {Cell{0, 0, 0, 0x0D, 0x01}}, {}})},
      {"tempo", songWith({{Cell{0, 0, 0, 0x0F, 0x03}}, {Cell{0, 0, 0, 0x0F, 0x80}}, {note}})},
      {"delay", songWith({{note, Cell{0, 0, 0, 0x0E, 0xE2}}, {Cell{0, 0, 0, 0x0F, 0x00}}})},
      {"finetune", songWith({{Cell{49, 1, 0, 0x0E, 0x57}}, {note}})},
      {"loop storm", xmtest::loopStormModule(2, 2)},
      {"tall patterns", xmtest::tallPatternsModule()},
  };
  Module orders = songWith({{note}, {}});
  orders.orders = {0, 1, 0, 2};
  orders.patterns.push_back(xmtest::Pattern{});
  orders.restartPosition = 1;
  seeds.emplace_back("orders", orders);
  // A loop count left running by a jump out of the loop: the song comes back forever, always
  // inside the loop, and never ends.
  Module unfinished = songWith({{Cell{0, 0, 0, 0x0E, 0x61}, Cell{0, 0, 0, 0x0B, 0x01}}});
  unfinished.orders = {0, 1};
  unfinished.patterns.push_back(xmtest::Pattern{});
  unfinished.patterns[1].rows = 1;
  unfinished.patterns[1].set(0, 0, Cell{49, 1, 0, 0x0B, 0x01}, unfinished.channels);
  seeds.emplace_back("unfinished loop", unfinished);
  Module empty;
  empty.patterns.emplace_back().rows = 0;
  seeds.emplace_back("empty", empty);

  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  for (const auto& [name, module] : seeds)
    files.emplace_back(name + ".xm", xmtest::writeXm(module));
  files.emplace_back("protracker.mod", modSeed("M.K.", 4));
  files.emplace_back("six-channels.mod", modSeed("6CHN", 6));
  files.emplace_back("paired-patterns.mod", modSeed("FLT8", 4));
  files.emplace_back("soundtracker.mod", modSeed("", 4));
  files.emplace_back("scream-tracker.s3m", s3mSeed(0x1320));
  files.emplace_back("impulse-tracker.s3m", s3mSeed(0x3214));
  files.emplace_back("instruments.it", itSeed(false));
  files.emplace_back("old-instruments.it", itSeed(true));
  int written = 0;
  for (auto& [name, bytes] : files) {
    for (char& c : name)
      if (c == ' ') c = '-';
    std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (out) ++written;
  }
  std::printf("%d seed modules written\n", written);
  return written == static_cast<int>(files.size()) ? 0 : 1;
}
